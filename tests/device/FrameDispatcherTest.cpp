#include "BoxSim.h"
#include "DeviceRig.h"

#include <gtest/gtest.h>

using namespace tamberlink;
using namespace tamberlink::test;

namespace {

// The frames written to the box after the n-th acknowledgement, up to the next one.
std::vector<std::string> AfterAck(const BoxSim& box, int n) {
    std::vector<std::string> rx;
    int acks = 0;
    for (const std::string& line : box.LinesStartingWith("rx ")) {
        acks += line == "rx A5 83 04 55" ? 1 : 0;
        if (acks == n) {
            rx.push_back(line);
        }
    }
    return rx;
}

} // namespace

TEST(FrameDispatcher, StatusFramesDriveTheStartupQueries) {
    BoxSim box({"--silent"});
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.link.Start());
    ASSERT_TRUE(box.WaitForLine("ask missed"));
    EXPECT_EQ(AfterAck(box, 1),
              (std::vector<std::string>{"rx A5 83 04 55", "rx A5 63 04 55", "rx A5 90 04 55",
                                        "rx A5 53 04 55", "rx A5 31 04 55"}));
    EXPECT_TRUE(rig.link.IsPhoneLinked());

    for (int n = 2; n <= 5; ++n) {
        ASSERT_EQ(box.Command("status"), "ok");
        ASSERT_TRUE(box.WaitForLine("ask missed", n));
    }
    // The sixth status frame is only acknowledged; the seventh's acknowledgement shows that
    // the sixth's exchange is over.
    ASSERT_EQ(box.Command("phone off"), "ok");
    ASSERT_EQ(box.Command("status"), "ok");
    ASSERT_TRUE(box.WaitForLine("ack", 7));
    EXPECT_EQ(box.Count("ask areacode"), 5);
    EXPECT_EQ(box.Count("ask version"), 4);
    EXPECT_EQ(box.Count("ask extension"), 5);
    EXPECT_EQ(box.Count("ask missed"), 5);
    EXPECT_FALSE(rig.link.IsPhoneLinked());
}

TEST(FrameDispatcher, StoredCodesAreAdoptedAndEchoed) {
    BoxSim box({"--area-code", "020", "--extension", "9", "--version", "1.0.5b7", "--missed-record",
                "13800000000"});
    DeviceRig rig(box.PortPath());
    rig.host.AddAreaCodeRow("1380000", {"北京", "北京", "中国移动", "010"});
    ASSERT_TRUE(rig.link.Start());
    EXPECT_TRUE(rig.host.WaitForEvent("areacode 020"));
    EXPECT_TRUE(rig.host.WaitForEvent("fenji 9"));
    EXPECT_TRUE(rig.host.WaitForEvent("version 1.0.5"));
    EXPECT_TRUE(box.WaitForLine("rx A5 60 07 30 32 30 55"));
    EXPECT_TRUE(box.WaitForLine("store-extension 9"));
    EXPECT_EQ(rig.host.CurrentDialSettings().areaCode, "020");
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 13800000000|北京|中国移动|5"));

    // Answered queries are not asked again.
    ASSERT_EQ(box.Command("status"), "ok");
    ASSERT_EQ(box.Command("status"), "ok");
    ASSERT_TRUE(box.WaitForLine("ack", 3));
    EXPECT_EQ(box.Count("ask missed"), 1);
    EXPECT_EQ(box.Count("ask areacode"), 1);
    EXPECT_EQ(box.Count("ask version"), 1);
    EXPECT_EQ(box.Count("ask extension"), 1);
}

TEST(FrameDispatcher, CallReportsReachCallControl) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    rig.host.AddAreaCodeRow("1380000", {"北京", "北京", "中国移动", "010"});
    rig.host.AddContact("13800000000", "张三");
    ASSERT_TRUE(rig.link.Start());
    ASSERT_TRUE(rig.WaitConnected());

    ASSERT_EQ(box.Command("ring 013800000000"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("incoming 013800000000 landline"));
    EXPECT_TRUE(rig.host.WaitForEvent("popup-in 移动|北京|13800000000|张三"));
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 13800000000|北京|中国移动|3"));

    ASSERT_EQ(box.Command("ring 01012345678"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 01012345678|||3"));
    ASSERT_EQ(box.Command("ring-phone 13900000000"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 13900000000|||1"));

    DialSettings noPopups;
    noPopups.popOff = 0;
    rig.host.SetSettings(noPopups);
    ASSERT_EQ(box.Command("missed 13800000000"), "ok");
    ASSERT_EQ(box.Command("ring 13800000001"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 13800000000|北京|中国移动|5"));
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 13800000001|北京|中国移动|3"));
    EXPECT_EQ(rig.host.EventsStartingWith("popup-in").size(), 3u);

    ASSERT_EQ(box.Command("state 12"), "ok");
    ASSERT_EQ(box.Command("state 14"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("close-popups"));
    EXPECT_EQ(rig.host.EventsStartingWith("close-outgoing").size(), 1u);
    EXPECT_EQ(rig.audio.closingStops, 1);
}

TEST(FrameDispatcher, MalformedFramesAndGarbageAreIgnored) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    rig.host.ClearEvents();

    for (const char* bad : {
             "A5 30 00 55",                               // length 0
             "A5 30 3F 31 32 33 55",                      // length past the data
             "A5 30 0E 31 31 31 31 31 31 31 31 31 32 55", // two digits only
             "A5 34 04 55",                               // no digits
             "A5 91 0E 31 32 33 34 35 36 37 38 39 30 55", // ten version characters
             "A5 54 0A 31 32 33 34 35 36 55",             // six extension digits
             "A5 64 00 55",                               // area code, length 0
         }) {
        ASSERT_EQ(box.Command(std::string("send ") + bad), "ok") << bad;
    }
    ASSERT_EQ(box.Command("garbage 600"), "ok");
    std::string oversize = "send A5 30";
    for (int i = 0; i < 70; ++i) {
        oversize += " 31";
    }
    ASSERT_EQ(box.Command(oversize + " 55"), "ok");
    ASSERT_EQ(box.Command("send A5 30 0F 31 31 31 31 31 31 31 31 31 32 33 55"), "ok");
    ASSERT_TRUE(rig.host.WaitForEvent("incoming 123 landline"));
    EXPECT_EQ(rig.host.EventsStartingWith("incoming").size(), 1u);
    EXPECT_TRUE(rig.host.EventsStartingWith("version").empty());
    EXPECT_TRUE(rig.host.EventsStartingWith("fenji").empty());
    EXPECT_TRUE(rig.host.EventsStartingWith("areacode").empty());
    EXPECT_TRUE(rig.link.IsConnected());
}
