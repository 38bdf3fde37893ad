// The window layer: notifications from Qt signals, timers, closing and single instances.
#include "UiTestSupport.h"

#include "ui/CSettingBaseUI.h"
#include "ui/CSettingButton.h"
#include "ui/Controls.h"
#include "ui/SingleInstance.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

// A settings dialog that records what reaches Notify.
class Recorder : public CSettingBaseUI, public SingleInstance<Recorder> {
public:
    explicit Recorder(QWidget* parent)
        : CSettingBaseUI(parent, QStringLiteral("记录")) {}

    struct Event {
        QString type, sender;
        int timerId;
    };
    std::vector<Event> events;
    QLineEdit* edit = nullptr;

    std::vector<QString> TypesFrom(const QString& sender) const {
        std::vector<QString> types;
        for (const Event& e : events) {
            if (e.sender == sender) {
                types.push_back(e.type);
            }
        }
        return types;
    }

protected:
    void InitWindow() override {
        CSettingBaseUI::InitWindow();
        edit = AddEdit(QRect(20, 20, 100, 30), QStringLiteral("x"));
        edit->setObjectName(QStringLiteral("EditProbe"));
        AddButton(125, 150, QStringLiteral("确定"))->setObjectName(QStringLiteral("ButtonProbe"));
    }
    void Notify(const Notification& msg) override {
        events.push_back({msg.type, msg.SenderName(), msg.timerId});
        CSettingBaseUI::Notify(msg);
    }
};

} // namespace

TEST(WindowLayer, QtSignalsBecomeNotifications) {
    const auto main = test::MainWindowStandIn();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    auto* dialog = OpenWindow<Recorder>(main.get(), QStringLiteral("记录"), QPoint(250, 150));
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(dialog->events.empty());
    EXPECT_EQ(dialog->events.front().type, QStringLiteral("windowinit"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("记录"));
    EXPECT_EQ(dialog->objectName(), QStringLiteral("CDlgSettingAbout"));
    EXPECT_EQ(dialog->pos(), QPoint(250, 150));

    // Filling the edit in InitWindow sent nothing: the edit was hooked afterwards.
    EXPECT_TRUE(dialog->TypesFrom(QStringLiteral("EditProbe")).empty());

    dialog->edit->setFocus();
    QTest::keyClicks(dialog->edit, QStringLiteral("12"));
    QTest::keyClick(dialog->edit, Qt::Key_Return);
    auto* button = dialog->FindControl<QPushButton>(QStringLiteral("ButtonProbe"));
    ASSERT_NE(button, nullptr);
    button->setFocus(); // the edit loses the focus
    QTest::mouseClick(button, Qt::LeftButton);

    const auto editTypes = dialog->TypesFrom(QStringLiteral("EditProbe"));
    EXPECT_EQ(std::count(editTypes.begin(), editTypes.end(), QStringLiteral("textchanged")), 2);
    EXPECT_EQ(std::count(editTypes.begin(), editTypes.end(), QStringLiteral("return")), 1);
    EXPECT_EQ(std::count(editTypes.begin(), editTypes.end(), QStringLiteral("killfocus")), 1);
    EXPECT_EQ(dialog->TypesFrom(QStringLiteral("ButtonProbe")),
              std::vector<QString>{QStringLiteral("click")});

    // A press released outside the button is no click.
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_EQ(dialog->TypesFrom(QStringLiteral("ButtonProbe")).size(), 1u);
    dialog->Close();
    test::ProcessEvents();
}

TEST(WindowLayer, TimersSendTheirIdUntilKilled) {
    const auto main = test::MainWindowStandIn();
    auto* dialog = OpenWindow<Recorder>(main.get(), QStringLiteral("记录"), QPoint(0, 0));
    ASSERT_NE(dialog, nullptr);
    QWidget* target = dialog->FindControl(QStringLiteral("labelTitle"));
    dialog->SetTimer(target, 2023, 10);
    auto ticks = [&] {
        return std::count_if(dialog->events.begin(), dialog->events.end(), [](const auto& e) {
            return e.type == QLatin1String("timer") && e.timerId == 2023 &&
                   e.sender == QLatin1String("labelTitle");
        });
    };
    ASSERT_TRUE(test::WaitFor([&] { return ticks() >= 3; }));
    dialog->KillTimer(target, 2023);
    const auto after = ticks();
    QTest::qWait(80);
    EXPECT_EQ(ticks(), after);
    dialog->Close();
    test::ProcessEvents();
}

TEST(WindowLayer, ClosingIsSafeTwiceAndSilencesTheWindow) {
    const auto main = test::MainWindowStandIn();
    auto* dialog = OpenWindow<Recorder>(main.get(), QStringLiteral("记录"), QPoint(0, 0));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Recorder::Instance(), dialog);
    QPointer<Recorder> guard(dialog);
    dialog->SetTimer(dialog, 1, 1);

    auto* close = dialog->FindControl<QPushButton>(QStringLiteral("btnClosed"));
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_TRUE(dialog->IsClosing());
    EXPECT_FALSE(dialog->isVisible());
    // A closing dialog no longer counts as open, so a new request would open a fresh one.
    EXPECT_EQ(Recorder::Instance(), nullptr);

    const size_t seen = dialog->events.size();
    dialog->Close();
    close->click();
    dialog->SendNotify(dialog, QStringLiteral("click"));
    EXPECT_EQ(dialog->events.size(), seen);

    test::ProcessEvents();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(Recorder::Instance(), nullptr);
}

TEST(WindowLayer, ControlHelpersKeepTagsTextsAndLooks) {
    App();
    QLineEdit edit;
    SetTag(&edit, QStringLiteral("saveButton"));
    EXPECT_EQ(GetTag(&edit).toString(), QStringLiteral("saveButton"));
    SetControlText(&edit, QStringLiteral("abc"));
    EXPECT_EQ(ControlText(&edit), QStringLiteral("abc"));

    // Each look keeps the others.
    SetEditBorder(&edit, 1, QColor(0xFFE1E1E1u), QColor(0xFF77C5E5u));
    SetEditPadding(&edit, 5, 5, 0, 5);
    SetTextColor(&edit, QColor(0xFF333333u));
    const QString sheet = edit.styleSheet();
    EXPECT_TRUE(sheet.contains(QLatin1String("#ffe1e1e1"))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QLatin1String("#ff77c5e5"))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QLatin1String("padding: 5px 0px 5px 5px"))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QLatin1String("#ff333333"))) << sheet.toStdString();

    EXPECT_EQ(TextAlignment(1), Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(TextAlignment(6), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(TextAlignment(0), Qt::AlignLeft | Qt::AlignVCenter);
}
