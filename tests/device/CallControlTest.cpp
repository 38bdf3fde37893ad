#include "BoxSim.h"
#include "DeviceRig.h"

#include <gtest/gtest.h>

using namespace tamberlink;
using namespace tamberlink::test;

namespace {

DialSettings Settings(const QString& areaCode, const QString& fenji = "", int switchIP = 0,
                      const QString& ipCode = "") {
    DialSettings settings;
    settings.areaCode = areaCode;
    settings.fenjiCode = fenji;
    settings.switchIP = switchIP;
    settings.ipCode = ipCode;
    return settings;
}

} // namespace

TEST(CallControl, DialsByteExactAtTheBox) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    rig.host.AddAreaCodeRow("1380000", {"北京", "北京", "中国移动", "010"});
    ASSERT_TRUE(rig.Connect(box));

    rig.host.SetSettings(Settings("020"));
    EXPECT_TRUE(rig.calls.Dial("020-8829 0291", false));
    EXPECT_TRUE(box.WaitForLine("rx A5 FF 0D 30 38 38 32 39 30 32 39 31 55"));
    // Logged cleaned, as the contacts keep their numbers.
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 02088290291|||4"));

    rig.host.SetSettings(Settings("020", "9"));
    EXPECT_TRUE(rig.calls.Dial("13800000000", false));
    EXPECT_TRUE(box.WaitForLine("rx A5 FF 12 31 39 30 31 33 38 30 30 30 30 30 30 30 30 55"));
    EXPECT_TRUE(rig.host.WaitForEvent("popup-out 北京 移动|90|13800000000|未知联系人"));
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 13800000000|北京|中国移动|4"));

    rig.host.SetSettings(Settings("020", "9", 1, "17951"));
    EXPECT_TRUE(rig.calls.DialWithName("李四", "+86 138-0000-0000", false));
    EXPECT_TRUE(box.WaitForLine("dial-landline 6 917951013800000000"));
    EXPECT_TRUE(rig.host.WaitForEvent("popup-out 北京 移动|9179510|13800000000|李四"));

    // Every dial releases the line first.
    const auto rx = box.LinesStartingWith("rx A5 ");
    int hangUps = 0;
    for (std::size_t i = 0; i + 1 < rx.size(); ++i) {
        if (rx[i + 1].rfind("rx A5 FF", 0) == 0) {
            hangUps += rx[i] == "rx A5 11 04 55" ? 1 : 0;
        }
    }
    EXPECT_EQ(hangUps, 3);
}

TEST(CallControl, PhoneDialNeedsTheLinkedPhone) {
    BoxSim box({"--phone", "off"});
    DeviceRig rig(box.PortPath());
    rig.host.SetSettings(Settings("020"));
    ASSERT_TRUE(rig.Connect(box));

    EXPECT_FALSE(rig.calls.Dial("13800000000", true));
    EXPECT_TRUE(rig.host.WaitForEvent("tip 请开启手机版Tamberlink拨号器，再通过手机拨号"));
    rig.calls.SendSmsViaPhone({"13800000000"}, "hi");
    EXPECT_TRUE(rig.host.WaitForEvent("tip 请开启手机版Tamberlink拨号器，再发送短信"));
    EXPECT_TRUE(rig.calls.Dial("88290291", false));
    EXPECT_TRUE(box.WaitForLine("dial-landline 0 88290291"));

    ASSERT_EQ(box.Command("phone on"), "ok");
    ASSERT_TRUE(box.WaitForLine("ack", 2));
    ASSERT_TRUE(box.WaitFor([&] { return rig.link.IsPhoneLinked(); }));
    EXPECT_TRUE(rig.calls.Dial("138 0000 0000", true));
    EXPECT_TRUE(box.WaitForLine("rx A6 03 0F 31 33 38 30 30 30 30 30 30 30 30 55"));
    EXPECT_TRUE(rig.host.WaitForEvent("calllog 13800000000|||2"));
    EXPECT_TRUE(box.LinesStartingWith("rx A6 02").empty());
}

TEST(CallControl, RefusedDialsSendAndLogNothing) {
    {
        DeviceRig unplugged("/nonexistent");
        EXPECT_FALSE(unplugged.calls.Dial("13800000000", false));
        EXPECT_EQ(unplugged.host.Events(),
                  std::vector<std::string>{"tip 请先连接设备后再拨打电话"});
        unplugged.calls.SendSmsViaPhone({"13800000000"}, "hi");
        EXPECT_TRUE(unplugged.host.WaitForEvent("tip 请先连接设备后再发送短信"));
    }

    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));

    EXPECT_FALSE(rig.calls.Dial("12", false));
    EXPECT_TRUE(rig.host.WaitForEvent("tip 您拨打的号码低于3位，请输入正确的号码"));
    EXPECT_FALSE(rig.calls.Dial("13800000000", false));
    EXPECT_TRUE(rig.host.WaitForEvent("tip 请现在右上角设置区号后再拨打电话"));
    EXPECT_FALSE(rig.calls.DialWithName("张三", "13800000000", false));
    EXPECT_TRUE(rig.host.WaitForEvent("tip 请先在右上角设置区号后再拨打电话"));

    // Prefix and number longer than the dial frame holds.
    rig.host.SetSettings(Settings("020", "9", 1, "17951"));
    EXPECT_FALSE(rig.calls.Dial(QString(22, '8'), false));
    EXPECT_FALSE(rig.calls.Dial(QString(29, '8'), true));
    EXPECT_EQ(rig.host.EventsStartingWith("tip 号码和拨号前缀太长").size(), 2u);
    EXPECT_TRUE(rig.calls.Dial(QString(20, '8'), false));
    EXPECT_TRUE(box.WaitForLine("dial-landline 6 917951" + std::string(20, '8')));
    ASSERT_TRUE(box.WaitFor([&] { return !rig.host.EventsStartingWith("calllog").empty(); }));

    // Unplugged, the box takes nothing more, though the link has not noticed yet: the dial
    // that cannot be written is told, and neither shown nor logged.
    ASSERT_EQ(box.Command("unplug"), "ok");
    ASSERT_TRUE(rig.link.IsConnected());
    EXPECT_TRUE(rig.calls.Dial("13900000000", false));
    EXPECT_TRUE(rig.host.WaitForEvent("tip 请先连接设备后再拨打电话"));
    EXPECT_FALSE(rig.calls.IsDialling());

    EXPECT_EQ(box.Count("hangup"), 1);
    EXPECT_EQ(rig.host.EventsStartingWith("calllog").size(), 1u);
    EXPECT_EQ(rig.host.EventsStartingWith("popup-out").size(), 1u);
}

TEST(CallControl, SmsReachesThePhoneInParts) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    rig.host.AddAreaCodeRow("1380000", {"北京", "北京", "中国移动", "010"});
    ASSERT_TRUE(rig.Connect(box));

    rig.calls.SendSmsViaPhone({"13800000000", "13900000000"}, "abcdef");
    EXPECT_TRUE(box.WaitForLine("sms 13800000000 abcdef"));
    EXPECT_TRUE(box.WaitForLine("sms 13900000000 abcdef"));
    const auto parts = box.LinesStartingWith("rx A6 02");
    EXPECT_EQ(parts,
              (std::vector<std::string>{
                  "rx A6 02 01 18 30 30 36 31 30 30 36 32 30 30 36 33 30 30 36 34 30 30 36 35",
                  "rx A6 02 02 08 30 30 36 36"}));
    // The rows follow once the content has gone out.
    ASSERT_TRUE(rig.host.WaitForEvent("sms 13900000000|abcdef|未知号码"));
    EXPECT_EQ(rig.host.EventsStartingWith("sms "),
              (std::vector<std::string>{"sms 13800000000|abcdef|移动|北京",
                                        "sms 13900000000|abcdef|未知号码"}));

    rig.calls.SendSmsViaPhone({"10086"}, QStringLiteral("查询话费，谢谢！"));
    EXPECT_TRUE(box.WaitForLine("sms 10086 查询话费，谢谢！"));
}

TEST(CallControl, ALinkLostDuringAnSmsEndsTheHandOffWithTheNotice) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    rig.host.ClearEvents();

    const QStringList numbers{"13800000001", "13800000002", "13800000003"};
    rig.calls.SendSmsViaPhone(numbers, QString(70, u'好'));
    // The call returns with the frames queued; the rows follow as they go out.
    EXPECT_TRUE(rig.host.EventsStartingWith("sms ").empty());
    ASSERT_TRUE(box.WaitForLine("sms-number 13800000001"));
    ASSERT_EQ(box.Command("unplug"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("tip 请先连接设备后再发送短信"));

    // Back again, the rest of the hand-off never reaches the box: a later frame of the same
    // sender comes first.
    ASSERT_EQ(box.Command("plug"), "ok");
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(box.WaitForLine("ask missed", 2));
    rig.calls.HangUp();
    ASSERT_TRUE(box.WaitForLine("hangup"));
    EXPECT_TRUE(box.LinesStartingWith("rx A6 02").empty());
    EXPECT_TRUE(box.LinesStartingWith("sms ").empty());
    EXPECT_EQ(box.Count("sms-number 13800000003"), 0);

    // The content never reached the phone: no row claims an SMS was sent.
    EXPECT_TRUE(rig.host.EventsStartingWith("sms ").empty());
    EXPECT_EQ(rig.host.EventsStartingWith("tip 请先连接设备后再发送短信").size(), 1u);
}

TEST(CallControl, AnSmsWithoutNumbersOrContentSendsNothing) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    ASSERT_TRUE(rig.Connect(box));
    rig.host.ClearEvents();

    EXPECT_FALSE(rig.calls.SendSmsViaPhone({"13800000001"}, QString()));
    EXPECT_FALSE(rig.calls.SendSmsViaPhone({QString(), QString()}, QStringLiteral("hi")));
    EXPECT_FALSE(rig.calls.SendSmsViaPhone({}, QStringLiteral("hi")));
    EXPECT_EQ(rig.host.EventsStartingWith("tip 发送内容不能为空").size(), 1u);
    EXPECT_EQ(rig.host.EventsStartingWith("tip 联系人不能为空").size(), 2u);

    // An empty number among others is skipped; the next SMS goes to its own numbers only.
    EXPECT_TRUE(rig.calls.SendSmsViaPhone({QString(), "13800000002"}, QStringLiteral("hi")));
    EXPECT_TRUE(rig.calls.SendSmsViaPhone({"13800000003"}, QStringLiteral("again")));
    ASSERT_TRUE(box.WaitForLine("sms 13800000003 again"));
    EXPECT_EQ(box.LinesStartingWith("sms "),
              (std::vector<std::string>{"sms 13800000002 hi", "sms 13800000003 again"}));
    EXPECT_TRUE(rig.host.WaitForEvent("sms 13800000003|again|未知号码"));
    EXPECT_EQ(rig.host.EventsStartingWith("sms ").size(), 2u);
}

// What other programs hear of the calls: each as the popups and the call log show it, a
// whole SMS hand-off, and the phone linked to the box or not.
TEST(CallControl, CallsWholeSmsHandOffsAndThePhoneLinkAreReported) {
    BoxSim box;
    DeviceRig rig(box.PortPath());
    rig.host.AddAreaCodeRow("1380000", {"北京", "北京", "中国移动", "010"});
    rig.host.AddContact("13900000000", "张三");
    ASSERT_TRUE(rig.Connect(box));

    ASSERT_EQ(box.Command("ring 13800000000"), "ok");
    EXPECT_TRUE(
        rig.host.WaitForEvent("report incoming|13800000000|未知联系人|移动|北京|landline|"));
    ASSERT_EQ(box.Command("ring-phone 13900000000"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("report incoming|13900000000|张三|未知号码|mobile|"));
    ASSERT_EQ(box.Command("missed 13900000000"), "ok");
    EXPECT_TRUE(rig.host.WaitForEvent("report missed|13900000000|张三|未知号码|landline|"));
    rig.host.SetSettings(Settings("020", "9"));
    EXPECT_TRUE(rig.calls.Dial("13800000000", false));
    EXPECT_TRUE(
        rig.host.WaitForEvent("report dialled|13800000000|未知联系人|移动|北京|landline|90"));
    // A refused dial reports nothing.
    EXPECT_FALSE(rig.calls.Dial("12", false));
    EXPECT_EQ(rig.host.EventsStartingWith("report dialled").size(), 1u);

    rig.calls.SendSmsViaPhone({"13800000000", "10086"}, QStringLiteral("你好abc"));
    EXPECT_TRUE(rig.host.WaitForEvent("sms-sent 13800000000,10086|5"));

    // Linked as the box connected; each change is reported once, however often the box says.
    ASSERT_EQ(box.Command("phone off"), "ok");
    ASSERT_EQ(box.Command("status"), "ok");
    ASSERT_EQ(box.Command("phone on"), "ok");
    const std::vector<std::string> changes{"phone-linked 1", "phone-linked 0", "phone-linked 1"};
    EXPECT_TRUE(
        box.WaitFor([&] { return rig.host.EventsStartingWith("phone-linked") == changes; }));
}
