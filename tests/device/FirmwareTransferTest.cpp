#include "BoxSim.h"
#include "DeviceRig.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace tamberlink;
using namespace tamberlink::test;

namespace {

std::string WriteFile(const BoxSim& box, const std::string& name, const std::string& text) {
    const std::string path = box.Folder() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Everything the box received in upgrade mode, as one hex text.
std::string Received(const BoxSim& box) {
    std::string hex;
    for (const std::string& line : box.LinesStartingWith("upgrade-data ")) {
        // Appended piece by piece: "literal" + std::string&& trips gcc 12's -Wrestrict.
        hex.append(hex.empty() ? "" : " ").append(line, 13);
    }
    return hex;
}

} // namespace

TEST(Upgrade, FourLineFileShowsProgressAndTheBoxDecides) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    const std::string path = WriteFile(box, "fw.hex", "A5B2C3\r\n0102\r\na5b2c3\r\nFFfe");
    ASSERT_EQ(box.Command("upgrade-size 10"), "ok");

    rig.firmware.StartUpgrade(QString::fromStdString(path));
    ASSERT_TRUE(
        rig.host.WaitForEvent("upgrade 固件升级成功|固件升级成功", std::chrono::seconds(20)));
    EXPECT_EQ(
        rig.host.EventsStartingWith("upgrade "),
        (std::vector<std::string>{"upgrade 进入升级模式，开始升级|", "upgrade 固件升级中:0%|",
                                  "upgrade 固件升级中:25%|", "upgrade 固件升级中:50%|",
                                  "upgrade 固件升级中:75%|", "upgrade 固件升级成功|固件升级成功"}));
    EXPECT_EQ(Received(box), "A5 B2 C3 01 02 A5 B2 C3 FF FE");
    EXPECT_TRUE(box.WaitForLine("upgrade-request"));
    // The box may judge as the last line leaves, before the writer has seen the file's end.
    EXPECT_TRUE(box.WaitFor([&] { return !rig.firmware.IsUpgrading(); }));
}

TEST(Upgrade, LongLinesGoOutInWholeBytes) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    std::string hexLine;
    std::string expected;
    for (int i = 0; i < 1050; ++i) {
        static const char kDigits[] = "0123456789ABCDEF";
        hexLine += kDigits[(i >> 4) & 0xF];
        hexLine += kDigits[i & 0xF];
        expected.append(expected.empty() ? "" : " ").append(hexLine, hexLine.size() - 2);
    }
    ASSERT_EQ(box.Command("upgrade-size 1050"), "ok");
    rig.firmware.StartUpgrade(QString::fromStdString(WriteFile(box, "long.hex", hexLine + "\n")));
    ASSERT_TRUE(
        rig.host.WaitForEvent("upgrade 固件升级成功|固件升级成功", std::chrono::seconds(20)));
    EXPECT_EQ(Received(box), expected);
}

// Whatever the PC sent for an attempt reaches the box before its answer to a status frame
// sent after the attempt began: with the attempt's size set to that answer's 4 bytes, the
// attempt's data shows whether anything came first.
TEST(Upgrade, FourFailuresStopTheSending) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    ASSERT_EQ(box.Command("upgrade fail 5"), "ok");
    ASSERT_EQ(box.Command("upgrade-size 4"), "ok");
    rig.firmware.StartUpgrade(QString::fromStdString(WriteFile(box, "fw.hex", "0102\n0304\n")));

    ASSERT_TRUE(box.WaitForLine("upgrade-received 4", 4, std::chrono::seconds(60)));
    ASSERT_TRUE(box.WaitFor([&] { return rig.firmware.FailureCount() == 4; }));
    ASSERT_EQ(box.Command("status"), "ok");
    ASSERT_TRUE(box.WaitForLine("upgrade-received 4", 5));
    ASSERT_TRUE(box.WaitFor([&] { return rig.firmware.FailureCount() == 5; }));
    EXPECT_EQ(Received(box), "01 02 03 04 01 02 03 04 01 02 03 04 01 02 03 04 A5 83 04 55");
    EXPECT_TRUE(box.WaitForLine("tx A5 B8 04 55", 5));
    EXPECT_EQ(box.Count("tx A5 B8 04 55"), 5);
    // The notice follows the count of failures.
    const std::string failed =
        "upgrade "
        "抱歉，估计升级失败，请联系我们000-00000000|抱歉，固件升级失败，请联系我们000-00000000";
    EXPECT_TRUE(box.WaitFor([&] { return rig.host.EventsStartingWith(failed).size() >= 2; }))
        << testing::PrintToString(rig.host.Events());
    EXPECT_EQ(rig.host.EventsStartingWith(failed).size(), 2u);
    EXPECT_EQ(rig.host.EventsStartingWith("upgrade 进入升级模式").size(), 4u);
}

TEST(Upgrade, AFileThatIsNoFirmwareNeverReachesTheBox) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = char((i * 7919 + 13) % 251);
    }
    const QString notFirmware =
        QStringLiteral("升级失败，所选文件不是固件文件：每行只能是成对的十六进制数字");
    const struct {
        std::string path;
        QString refusal;
    } refused[] = {
        {"", QStringLiteral("升级失败，未选择升级文件")},
        {box.Folder() + "/missing.hex", QStringLiteral("升级失败，请检查升级文件是否存在")},
        {box.Folder(), QStringLiteral("升级失败，请检查升级文件是否存在")},
        {WriteFile(box, "random.bin", binary), notFirmware},
        {WriteFile(box, "odd.hex", "A5B2\r\nA5B\r\n"), notFirmware},
        {WriteFile(box, "intel.hex", ":0300300002337A1E\n"), notFirmware},
        {WriteFile(box, "cr.hex", "A5\rB2\n"), notFirmware},
        {WriteFile(box, "empty.hex", ""), QStringLiteral("升级失败，升级文件是空的")},
        {WriteFile(box, "blank.hex", "\r\n\n"), QStringLiteral("升级失败，升级文件是空的")},
    };
    for (const auto& file : refused) {
        EXPECT_EQ(rig.firmware.StartUpgrade(QString::fromStdString(file.path)), file.refusal)
            << file.path;
    }
    // A file that is firmware goes: the box hears of it first, so none of the others got there.
    ASSERT_EQ(box.Command("upgrade-size 2"), "ok");
    EXPECT_EQ(rig.firmware.StartUpgrade(QString::fromStdString(WriteFile(box, "fw.hex", "0102\n"))),
              QString());
    ASSERT_TRUE(
        rig.host.WaitForEvent("upgrade 固件升级成功|固件升级成功", std::chrono::seconds(20)));
    EXPECT_EQ(box.Count("upgrade-request"), 1);
    EXPECT_EQ(Received(box), "01 02");
}
