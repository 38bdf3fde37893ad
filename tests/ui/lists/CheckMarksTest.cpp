// Check marks are kept a bit a row: they must follow their records through removals of
// scattered rows, insertions above them and delete-checked, across many words of bits.
#include "../UiTestSupport.h"

#include "ui/lists/RecordListModel.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tamberlink;

namespace {

struct Numbered {
    int id = 0;
};

class NumberedList : public RecordListModel<Numbered> {
public:
    using RecordListModel::RecordListModel;

protected:
    QString PlaceholderText() const override { return QStringLiteral("none"); }
    QString DisplayText(int row) const override { return QString::number(Entry(row)->id); }
};

} // namespace

TEST(CheckMarks, FollowTheirRecordsThroughScatteredRemovalsInsertionsAndDeleteChecked) {
    test::App();
    NumberedList list;
    std::vector<Numbered> records;
    for (int id = 3000; id >= 1; --id) {
        records.push_back({id});
    }
    list.Load(records);
    for (int row = 0; row < list.EntryCount(); ++row) {
        list.SetChecked(row, list.Entry(row)->id % 7 == 0);
    }
    // Scattered rows, some of them checked, leave in one pass; a new record goes on top.
    std::vector<int> gone;
    for (int row = 0; row < list.EntryCount(); ++row) {
        if (list.Entry(row)->id % 5 == 0) {
            gone.push_back(row);
        }
    }
    list.RemoveRows(gone);
    // New records on top and between others move the marks after them across words; a run
    // of rows that does not begin on a word leaves in one piece.
    for (int id : {3001, 2005, 1000, 65, 5}) {
        list.Upsert({id});
    }
    list.SetChecked(list.RowOfId(14), false);
    std::vector<int> run;
    for (int row = 100; row < 170; ++row) {
        run.push_back(row);
    }
    const std::vector<int> runIds = list.IdsOf(run);
    list.RemoveRows(run);

    std::vector<int> expected;
    for (int id = 3000; id >= 1; --id) {
        if (id % 7 == 0 && id % 5 != 0 && id != 14 &&
            std::find(runIds.begin(), runIds.end(), id) == runIds.end()) {
            expected.push_back(id);
        }
    }
    EXPECT_EQ(list.EntryCount(), 5 + 3000 - 600 - 70);
    EXPECT_FALSE(list.IsChecked(0));
    EXPECT_EQ(list.IdsOf(list.CheckedRows()), expected);
    EXPECT_EQ(list.RemoveCheckedRows(), expected);
    EXPECT_EQ(list.EntryCount(), 5 + 3000 - 600 - 70 - int(expected.size()));
    EXPECT_TRUE(list.CheckedRows().empty());

    list.SetAllChecked(true);
    EXPECT_EQ(int(list.RemoveCheckedRows().size()), 5 + 3000 - 600 - 70 - int(expected.size()));
    EXPECT_TRUE(list.HasPlaceholder());
}
