#include "calllist/TempContactList.h"
#include "../workbook/WorkbookTestSupport.h"
#include "../workbook/WorkbookTool.h"
#include "util/IniStore.h"
#include "workbook/ExcelBook.h"
#include "workbook/XlsBook.h"
#include "workbook/XlsxBook.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tamberlink {
namespace {

using test::FileBytes;
using test::Touch;
using test::WorkbookTool;

// Workbooks written by openpyxl and xlwt once for the whole program; each test works on
// copies in a folder of its own.
class TempContactListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        masters_ = new QTemporaryDir;
        ASSERT_TRUE(WorkbookTool::Instance().Make("list", masters_->filePath("list.xlsx")));
        ASSERT_TRUE(WorkbookTool::Instance().Make("list_xls", masters_->filePath("list.xls")));
    }
    static void TearDownTestSuite() {
        delete masters_;
        masters_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir().mkpath(dir_.filePath("Data")));
    }

    QString Copy(const QString& master, const QString& name) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(QFile::copy(masters_->filePath(master), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        return path;
    }

    QString IniPath() const { return TempContactList::IniPathFor(dir_.path()); }

    // A list of names in A and numbers in B, loaded from `path` through the import. An .xls
    // list's copy is made without LibreOffice (XlsCopyTest makes it both ways).
    std::unique_ptr<TempContactList> Imported(const QString& path) {
        auto list = std::make_unique<TempContactList>(IniPath());
        list->SetOffice({}, {});
        const auto result = list->ImportWorkbook("a", "b", [&] { return path; });
        EXPECT_TRUE(result.loaded) << qPrintable(path);
        return list;
    }

    static const TempContact* Item(const TempContactList& list, int row) {
        const int index = list.IndexOfRow(row);
        return index < 0 ? nullptr : &list.Items()[std::size_t(index)];
    }

    static QTemporaryDir* masters_;
    QTemporaryDir dir_;
};

QTemporaryDir* TempContactListTest::masters_ = nullptr;

TEST_F(TempContactListTest, ListsTheRowsWithANumberAsTheyRead) {
    const auto list = Imported(Copy("list.xlsx", "list.xlsx"));
    // Row 3 has no number: skipped, the others keep their sheet rows.
    std::vector<int> rows;
    for (const TempContact& item : list->Items()) {
        rows.push_back(item.row);
    }
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 4, 5, 6}));

    const TempContact* header = Item(*list, 0);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->name, "姓名");
    EXPECT_EQ(header->number, "电话");
    EXPECT_EQ(header->IndexText(), "1");

    const TempContact* zhang = Item(*list, 1);
    ASSERT_NE(zhang, nullptr);
    EXPECT_EQ(zhang->number, "13800138000"); // stored as a number, shown with all 11 digits
    EXPECT_EQ(zhang->status, 0);
    EXPECT_TRUE(zhang->remarkLabel.isEmpty());
    EXPECT_FALSE(zhang->ShowsCalledIcon());
    // Cleaned as every number is: the dashes go, the cell keeps them.
    EXPECT_EQ(Item(*list, 2)->number, "01012345678");

    const TempContact* ouyang = Item(*list, 4);
    EXPECT_EQ(ouyang->IndexText(), "5");
    EXPECT_EQ(ouyang->NameText(), "欧阳某某某某某...");
    EXPECT_EQ(ouyang->status, 2);
    EXPECT_EQ(ouyang->remarkLabel, "未接通 回头再打");
    EXPECT_EQ(ouyang->remarkColor, 0x0099FFu);
    EXPECT_TRUE(ouyang->ShowsCalledIcon());

    const TempContact* blocked = Item(*list, 5);
    EXPECT_EQ(blocked->remarkLabel, "黑名单 这是一条超过十二个字符的...");
    EXPECT_EQ(blocked->remarkColor, 0xFF0000u);

    const TempContact* numbered = Item(*list, 6);
    EXPECT_EQ(numbered->name, "12345");
    EXPECT_EQ(numbered->status, 0); // -3 read, below 1
}

TEST_F(TempContactListTest, ChoosesTheBookByThePathsLastLetter) {
    EXPECT_NE(dynamic_cast<XlsxBook*>(ExcelBook::Create("/a/B.XLSX").get()), nullptr);
    EXPECT_NE(dynamic_cast<XlsxBook*>(ExcelBook::Create("/a/b.xlsx").get()), nullptr);
    EXPECT_NE(dynamic_cast<XlsBook*>(ExcelBook::Create("/a/b.xls").get()), nullptr);
    EXPECT_NE(dynamic_cast<XlsBook*>(ExcelBook::Create("/a/b.XLS").get()), nullptr);

    const QString upper = Copy("list.xlsx", "LIST.XLSX");
    const auto list = Imported(upper);
    EXPECT_EQ(list->Items().size(), 6u);
    EXPECT_TRUE(list->UpdateTempContact(1, 1, {}).Ok());
    EXPECT_EQ(WorkbookTool::Instance().Cells(upper).value("CV2").toInt(), 1);
}

TEST_F(TempContactListTest, WritesStatusAndRemarkIntoCvAndCwAndNothingElse) {
    const QString before = Copy("list.xlsx", "before.xlsx");
    const QString path = Copy("list.xlsx", "list.xlsx");
    const auto list = Imported(path);

    const auto result = list->UpdateTempContact(1, 3, "明天上午再打");
    EXPECT_EQ(result.outcome, TempContactList::Outcome::Saved);
    EXPECT_EQ(result.notice, TempContactList::Notice::None);
    EXPECT_EQ(Item(*list, 1)->remarkLabel, "再联系 明天上午再打");
    EXPECT_EQ(Item(*list, 1)->status, 3);

    // A new row and a new cell: row 3 has no CV/CW yet, and row 4 must be inserted in place.
    ASSERT_TRUE(list->UpdateTempContact(2, 1, " 前后有空格 ").Ok());

    auto& tool = WorkbookTool::Instance();
    const QJsonObject cells = tool.Cells(path);
    ASSERT_FALSE(cells.contains("error")) << qPrintable(cells.value("error").toString());
    EXPECT_EQ(cells.value("CV2").toInt(), 3);
    EXPECT_EQ(cells.value("CW2").toString(), "明天上午再打");
    EXPECT_EQ(cells.value("CV3").toInt(), 1);
    EXPECT_EQ(cells.value("CW3").toString(), " 前后有空格 ");
    EXPECT_EQ(tool.Differences(before, path, {"CV2", "CW2", "CV3", "CW3"}), QStringList());

    const QJsonObject old = tool.Members(before);
    const QJsonObject now = tool.Members(path);
    EXPECT_EQ(old.keys(), now.keys());
    for (const QString& name : old.keys()) {
        if (name != "xl/worksheets/sheet1.xml") {
            EXPECT_EQ(old.value(name), now.value(name)) << qPrintable(name);
        }
    }
    EXPECT_NE(old.value("xl/worksheets/sheet1.xml"), now.value("xl/worksheets/sheet1.xml"));

    // Read back by a fresh list, as at the next start.
    TempContactList again(IniPath());
    ASSERT_TRUE(again.RestoreWorkbook());
    EXPECT_EQ(Item(again, 1)->remarkLabel, "再联系 明天上午再打");
}

TEST_F(TempContactListTest, StatusZeroWritesOnlyTheRemark) {
    const QString path = Copy("list.xlsx", "list.xlsx");
    const auto list = Imported(path);
    ASSERT_TRUE(list->UpdateTempContact(4, 0, "改了备注").Ok());
    const QJsonObject cells = WorkbookTool::Instance().Cells(path);
    EXPECT_EQ(cells.value("CV5").toInt(), 2);
    EXPECT_EQ(cells.value("CW5").toString(), "改了备注");
    EXPECT_EQ(Item(*list, 4)->status, 2);
    EXPECT_EQ(Item(*list, 4)->remarkLabel, "未接通 改了备注");

    // Neither a status nor a remark: the workbook is not even rewritten.
    const QByteArray bytes = FileBytes(path);
    EXPECT_TRUE(list->UpdateTempContact(4, 0, {}).Ok());
    EXPECT_EQ(FileBytes(path), bytes);
}

TEST_F(TempContactListTest, ALockFileRefusesTheWriteAndLeavesTheFileAlone) {
    const QString path = Copy("list.xlsx", "list.xlsx");
    const auto list = Imported(path);
    const QByteArray bytes = FileBytes(path);
    for (const QString& lock : {dir_.filePath(".~lock.list.xlsx#"), dir_.filePath("~$list.xlsx")}) {
        ASSERT_TRUE(Touch(lock));
        const auto result = list->UpdateTempContact(1, 2, "占用中");
        EXPECT_EQ(result.outcome, TempContactList::Outcome::CannotOpen);
        EXPECT_EQ(result.notice, TempContactList::Notice::CannotWrite);
        EXPECT_EQ(FileBytes(path), bytes);
        EXPECT_EQ(Item(*list, 1)->status, 0);
        EXPECT_TRUE(Item(*list, 1)->remarkLabel.isEmpty());
        QFile::remove(lock);
    }
    EXPECT_TRUE(list->UpdateTempContact(1, 2, "占用中").Ok());
}

TEST_F(TempContactListTest, ARowThatMovedIsNotWrittenAndTheListReloads) {
    const QString path = Copy("list.xlsx", "list.xlsx");
    const auto list = Imported(path);
    // Someone inserts a row above 张三 after the list was read.
    ASSERT_FALSE(WorkbookTool::Instance()
                     .Request({{"op", "insert_row"}, {"path", path}, {"row", 1}})
                     .contains("error"));
    const QByteArray bytes = FileBytes(path);

    const auto result = list->UpdateTempContact(1, 4, "不该写到别人");
    EXPECT_EQ(result.outcome, TempContactList::Outcome::RowMoved);
    EXPECT_EQ(result.notice, TempContactList::Notice::RowsMoved);
    EXPECT_EQ(FileBytes(path), bytes);
    // The list now matches the workbook: 张三 is on row 2.
    EXPECT_EQ(list->IndexOfRow(1), -1);
    ASSERT_NE(Item(*list, 2), nullptr);
    EXPECT_EQ(Item(*list, 2)->name, "张三");
    EXPECT_TRUE(list->UpdateTempContact(2, 4, "写到张三").Ok());
    EXPECT_EQ(WorkbookTool::Instance().Cells(path).value("CV3").toInt(), 4);
}

TEST_F(TempContactListTest, AnXlsListIsSavedAsAnXlsxCopyAtTheFirstWrite) {
    const QString xls = Copy("list.xls", "list.xls");
    const QByteArray original = FileBytes(xls);
    const auto list = Imported(xls);
    ASSERT_EQ(list->Items().size(), 4u); // header, 张三, 李四, 赵六; 王五 has no number
    EXPECT_EQ(Item(*list, 0)->number, "电话");
    EXPECT_EQ(Item(*list, 1)->number, "13800138000");
    EXPECT_EQ(list->IndexOfRow(3), -1);

    const auto first = list->UpdateTempContact(1, 1, {});
    EXPECT_EQ(first.outcome, TempContactList::Outcome::SavedToCopy);
    const QString copy = dir_.filePath("list.xlsx");
    EXPECT_EQ(first.notice, TempContactList::Notice::CopiedPlainly);
    EXPECT_EQ(first.copyName, "list.xlsx");
    EXPECT_EQ(list->WorkbookPath(), copy);
    EXPECT_EQ(FileBytes(xls), original);
    IniStore ini(IniPath());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(QString::fromStdString(ini.Get("TEMPCONTACT", "FILE")), copy);

    const QJsonObject cells = WorkbookTool::Instance().Cells(copy);
    ASSERT_FALSE(cells.contains("error")) << qPrintable(cells.value("error").toString());
    EXPECT_EQ(cells.value("A2").toString(), "张三");
    EXPECT_EQ(cells.value("B2").toDouble(), 13800138000.0);
    EXPECT_EQ(cells.value("B3").toString(), "010-12345678");
    EXPECT_EQ(cells.value("CV2").toInt(), 1);

    // Later writes go to the copy; no second copy appears.
    const auto second = list->UpdateTempContact(4, 3, "第二次");
    EXPECT_EQ(second.outcome, TempContactList::Outcome::Saved);
    EXPECT_EQ(second.notice, TempContactList::Notice::None);
    EXPECT_EQ(WorkbookTool::Instance().Cells(copy).value("CW5").toString(), "第二次");
    EXPECT_EQ(QDir(dir_.path()).entryList({"*.xlsx"}), QStringList{"list.xlsx"});
}

TEST_F(TempContactListTest, AnXlsCopyNeverReplacesAnExistingWorkbook) {
    const QString xls = Copy("list.xls", "list.xls");
    const QString other = Copy("list.xlsx", "list.xlsx");
    const QByteArray otherBytes = FileBytes(other);
    const auto list = Imported(xls);
    ASSERT_EQ(list->UpdateTempContact(1, 2, {}).outcome, TempContactList::Outcome::SavedToCopy);
    EXPECT_EQ(list->WorkbookPath(), dir_.filePath("list (2).xlsx"));
    EXPECT_EQ(FileBytes(other), otherBytes);
    EXPECT_EQ(WorkbookTool::Instance().Cells(dir_.filePath("list (2).xlsx")).value("CV2").toInt(),
              2);
}

TEST_F(TempContactListTest, ColumnTextsMustBeOneLetterFromAToZ) {
    TempContactList list(IniPath());
    for (const auto& [name, number] : std::vector<std::pair<QString, QString>>{
             {"AA", "B"}, {"A", "["}, {"1", "B"}, {"A", "@"}, {"Ä", "B"}}) {
        bool asked = false;
        const auto result = list.ImportWorkbook(name, number, [&] {
            asked = true;
            return QString();
        });
        EXPECT_EQ(result.notice, TempContactList::Notice::BadColumns) << qPrintable(name + number);
        EXPECT_FALSE(asked);
    }
    EXPECT_EQ(TempContactList::ColumnNotice("", "B"), TempContactList::Notice::EmptyColumns);
    EXPECT_EQ(TempContactList::ColumnNotice("z", "c"), TempContactList::Notice::None);
    EXPECT_FALSE(QFile::exists(IniPath())); // refused imports leave the INI file alone
}

TEST_F(TempContactListTest, ImportRemembersFileAndColumnsAndACancelKeepsThem) {
    const QString path = Copy("list.xlsx", "列表.xlsx");
    {
        TempContactList list(IniPath());
        const auto result = list.ImportWorkbook("a", "b", [&] { return path; });
        EXPECT_TRUE(result.chosen);
        EXPECT_TRUE(result.loaded);
    }
    IniStore ini(IniPath());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Text(),
              "[TEMPCONTACT]\nFILE=" + path.toStdString() + "\nCOL_NAME=A\nCOL_NUMBER=B\n");
    TempContactList restored(IniPath());
    ASSERT_TRUE(restored.RestoreWorkbook());
    EXPECT_EQ(restored.Items().size(), 6u);
    EXPECT_EQ(restored.WorkbookPath(), path);

    // A cancelled import keeps the list shown, and the next start shows it again.
    const auto cancelled = restored.ImportWorkbook("c", "d", [] { return QString(); });
    EXPECT_FALSE(cancelled.chosen);
    EXPECT_EQ(restored.Items().size(), 6u);
    EXPECT_EQ(restored.NumberColumn(), 1); // the columns still match the items shown
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Get("TEMPCONTACT", "FILE"), path.toStdString());
    EXPECT_EQ(ini.Get("TEMPCONTACT", "COL_NAME"), "A");
    TempContactList again(IniPath());
    EXPECT_TRUE(again.RestoreWorkbook());
    EXPECT_EQ(again.Items().size(), 6u);
}

TEST_F(TempContactListTest, RestoreChecksTheIniSettings) {
    const QString path = Copy("list.xlsx", "list.xlsx");
    for (const std::string& text :
         {"[TEMPCONTACT]\nFILE=" + path.toStdString() + "\nCOL_NAME=A\n",
          "[TEMPCONTACT]\nFILE=" + path.toStdString() + "\nCOL_NAME=A\nCOL_NUMBER=@\n",
          "[TEMPCONTACT]\nFILE=" + path.toStdString() + "\nCOL_NAME=AB\nCOL_NUMBER=B\n",
          "[OTHER]\nFILE=" + path.toStdString() + "\nCOL_NAME=A\nCOL_NUMBER=B\n"}) {
        ASSERT_TRUE(test::WriteBytes(IniPath(), QByteArray::fromStdString(text)));
        TempContactList list(IniPath());
        EXPECT_FALSE(list.RestoreWorkbook()) << text;
        EXPECT_TRUE(list.Items().empty());
    }
    ASSERT_TRUE(test::WriteBytes(
        IniPath(), QByteArray::fromStdString("[TEMPCONTACT]\r\nFILE=" + path.toStdString() +
                                             "\r\nCOL_NAME=A\r\nCOL_NUMBER=B\r\n")));
    TempContactList list(IniPath());
    EXPECT_TRUE(list.RestoreWorkbook());
    EXPECT_EQ(list.Items().size(), 6u);
}

TEST_F(TempContactListTest, AnUnreadableImportKeepsTheListAndItsWorkbook) {
    const QString path = Copy("list.xlsx", "list.xlsx");
    const auto list = Imported(path);
    const QByteArray ini = FileBytes(IniPath());
    const QString junk = dir_.filePath("junk.xlsx");
    ASSERT_TRUE(test::WriteBytes(junk, "not a workbook"));
    const auto result = list->ImportWorkbook("C", "D", [&] { return junk; });
    EXPECT_TRUE(result.chosen);
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(list->Items().size(), 6u);
    EXPECT_EQ(list->WorkbookPath(), path);
    EXPECT_EQ(list->NumberColumn(), 1);
    EXPECT_TRUE(list->UpdateTempContact(1, 1, {}).Ok());
    // The next start restores the list still shown, not the file that could not be read.
    EXPECT_EQ(FileBytes(IniPath()), ini);
    TempContactList restored(IniPath());
    ASSERT_TRUE(restored.RestoreWorkbook());
    EXPECT_EQ(restored.WorkbookPath(), path);
}

TEST_F(TempContactListTest, ReadOnlyMissingAndTooLongAreRefusedWithTheListKept) {
    const QString path = Copy("list.xlsx", "list.xlsx");
    const auto list = Imported(path);
    const QByteArray bytes = FileBytes(path);

    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    auto result = list->UpdateTempContact(1, 2, {});
    EXPECT_EQ(result.outcome, TempContactList::Outcome::SaveFailed);
    EXPECT_EQ(result.notice, TempContactList::Notice::SaveFailed);
    EXPECT_EQ(FileBytes(path), bytes);
    EXPECT_EQ(Item(*list, 1)->status, 0);
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

    result = list->UpdateTempContact(1, 2, QString(kMaxCellText + 1, QLatin1Char('x')));
    EXPECT_EQ(result.outcome, TempContactList::Outcome::RemarkTooLong);
    EXPECT_EQ(FileBytes(path), bytes);
    EXPECT_TRUE(list->UpdateTempContact(1, 2, QString(kMaxCellText, QLatin1Char('x'))).Ok());
    EXPECT_EQ(WorkbookTool::Instance().Cells(path).value("CW2").toString().size(), kMaxCellText);

    ASSERT_TRUE(QFile::rename(path, dir_.filePath("moved.xlsx")));
    result = list->UpdateTempContact(1, 3, {});
    EXPECT_EQ(result.outcome, TempContactList::Outcome::CannotOpen);
    EXPECT_EQ(result.notice, TempContactList::Notice::CannotWrite);
    EXPECT_EQ(list->Items().size(), 6u);
    EXPECT_EQ(list->UpdateTempContact(99, 1, {}).outcome, TempContactList::Outcome::NoSuchItem);
}

TEST_F(TempContactListTest, TheStatusMenuChangesTheDisplayOnly) {
    const QString path = Copy("list.xlsx", "list.xlsx");
    const auto list = Imported(path);
    const QByteArray bytes = FileBytes(path);
    EXPECT_FALSE(list->ShowStatus(4, 0));
    EXPECT_EQ(Item(*list, 4)->remarkLabel, "未接通 回头再打");
    EXPECT_TRUE(list->ShowStatus(4, 1));
    EXPECT_EQ(Item(*list, 4)->status, 1);
    EXPECT_EQ(Item(*list, 4)->remarkLabel, "已联系 ");
    EXPECT_TRUE(list->ShowStatus(1, 4));
    EXPECT_EQ(Item(*list, 1)->remarkLabel, "黑名单 ");
    EXPECT_EQ(Item(*list, 1)->remarkColor, 0xFF0000u);
    EXPECT_FALSE(list->ShowStatus(3, 2)); // no item on row 3
    EXPECT_EQ(FileBytes(path), bytes);
}

} // namespace
} // namespace tamberlink
