#include "util/IniStore.h"
#include "../workbook/WorkbookTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tamberlink {
namespace {

TEST(IniStore, AMissingFileIsCreatedEmpty) {
    QTemporaryDir dir;
    IniStore ini(dir.filePath("Tamberlink.ini"));
    EXPECT_TRUE(ini.Load());
    EXPECT_TRUE(QFile::exists(ini.Path()));
    EXPECT_EQ(test::FileBytes(ini.Path()), QByteArray());
    EXPECT_EQ(ini.Get("TEMPCONTACT", "FILE"), "");

    IniStore nowhere(dir.filePath("missing/Tamberlink.ini"));
    EXPECT_FALSE(nowhere.Load());
}

TEST(IniStore, KeepsKeysAndValuesAsWrittenAndRewritesTheWholeFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Tamberlink.ini");
    ASSERT_TRUE(test::WriteBytes(path, "top=1\n[TEMPCONTACT]\r\nFILE=/home/用户/名单 1.xlsx\r\n"
                                       " COL_NAME = a=b\n\nno equals sign\n[OTHER]\nK=\nK=2\n"));
    IniStore ini(path);
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Get("", "top"), "1");
    EXPECT_EQ(ini.Get("TEMPCONTACT", "FILE"), "/home/用户/名单 1.xlsx");
    EXPECT_EQ(ini.Get("TEMPCONTACT", " COL_NAME "), " a=b"); // split at the first '=' only
    EXPECT_EQ(ini.Get("TEMPCONTACT", "COL_NAME"), "");
    EXPECT_EQ(ini.Get("OTHER", "K"), "2");

    ini.Set("TEMPCONTACT", "COL_NUMBER", "B");
    ini.Set("NEW", "X", "y");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(test::FileBytes(path).toStdString(),
              "top=1\n[TEMPCONTACT]\nFILE=/home/用户/名单 1.xlsx\n COL_NAME = a=b\nCOL_NUMBER=B\n"
              "[OTHER]\nK=2\n[NEW]\nX=y\n");
    IniStore again(path);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.Text(), ini.Text());
}

// Found by fuzzing: a save must read back as it was read.
TEST(IniStore, ASavedFileReadsBackTheSame) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Tamberlink.ini");
    // Keys under "[]" have no header to write; a line converted twice ends with CR CR LF.
    ASSERT_TRUE(test::WriteBytes(path, "[A]\nk=1\n[]\nj=2\n[B]\nx=y\r\r\n"));
    IniStore ini(path);
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Get("", "j"), "2");
    EXPECT_EQ(ini.Get("B", "x"), "y");
    ini.Set("", "top", "1");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(test::FileBytes(path).toStdString(), "j=2\ntop=1\n[A]\nk=1\n[B]\nx=y\n");
    IniStore again(path);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.Text(), ini.Text());
    EXPECT_EQ(again.Get("A", "j"), "");
}

} // namespace
} // namespace tamberlink
