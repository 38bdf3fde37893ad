// Check marks are kept a bit a row: they must follow their records through removals of
// scattered rows, insertions above them and delete-checked, across many words of bits.
#include "../UiTestSupport.h"

#include "ui/lists/RecordListModel.h"
#include "ui/lists/RowMarks.h"

#include <random>

#include <gtest/gtest.h>

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
    list.Upsert({3001});
    list.SetChecked(list.RowOfId(14), false);

    std::vector<int> expected;
    for (int id = 3000; id >= 1; --id) {
        if (id % 7 == 0 && id % 5 != 0 && id != 14) {
            expected.push_back(id);
        }
    }
    EXPECT_EQ(list.EntryCount(), 1 + 3000 - 600);
    EXPECT_FALSE(list.IsChecked(0));
    EXPECT_EQ(list.IdsOf(list.CheckedRows()), expected);
    EXPECT_EQ(list.RemoveCheckedRows(), expected);
    EXPECT_EQ(list.EntryCount(), 1 + 3000 - 600 - int(expected.size()));
    EXPECT_TRUE(list.CheckedRows().empty());

    list.SetAllChecked(true);
    EXPECT_EQ(int(list.RemoveCheckedRows().size()), 1 + 3000 - 600 - int(expected.size()));
    EXPECT_TRUE(list.HasPlaceholder());
}

// The marks move a word at a time; after every step they must read as a vector of bools
// given the same steps does, across word boundaries, at both ends and in between.
TEST(RowMarks, AgreeWithAVectorOfBoolThroughInsertionsErasuresAndResizes) {
    std::mt19937 random(7);
    RowMarks marks;
    std::vector<bool> expected;
    const auto pick = [&](std::size_t below) {
        return std::size_t(random() % (below + 1));
    };
    marks.Assign(300, false);
    expected.assign(300, false);
    for (int step = 0; step < 3000; ++step) {
        const std::size_t size = expected.size();
        switch (random() % 5) {
        case 0:
        case 1: {
            const std::size_t row =
                step % 3 == 0 ? std::size_t(step / 3 % 3) * 64 % (size + 1) : pick(size);
            marks.InsertUnmarked(row);
            expected.insert(expected.begin() + std::ptrdiff_t(row), false);
            break;
        }
        case 2: {
            const std::size_t first = pick(size);
            const std::size_t last = std::min(size, first + pick(150));
            marks.Erase(first, last);
            expected.erase(expected.begin() + std::ptrdiff_t(first),
                           expected.begin() + std::ptrdiff_t(last));
            break;
        }
        case 3:
            for (int i = 0; i < 20 && size > 0; ++i) {
                const std::size_t row = pick(size - 1);
                const bool marked = random() % 2 == 0;
                marks.Set(row, marked);
                expected[row] = marked;
            }
            break;
        default:
            if (random() % 8 == 0) {
                marks.Assign(size, true);
                expected.assign(size, true);
            } else {
                const std::size_t rows = pick(400);
                marks.Resize(rows);
                expected.resize(rows, false);
            }
        }
        ASSERT_EQ(marks.size(), expected.size()) << "step " << step;
        for (std::size_t row = 0; row < expected.size(); ++row) {
            ASSERT_EQ(marks[row], expected[row]) << "step " << step << " row " << row;
        }
    }
}
