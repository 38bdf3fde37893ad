// The window layer: controls connected to their window's slots, closing and single
// instances.
#include "../UiTestSupport.h"

#include "ui/settings/CSettingBaseUI.h"
#include "ui/widgets/CSettingButton.h"
#include "ui/widgets/Controls.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

// A settings dialog that connects its controls as every window does and records what
// reaches its slots.
class Recorder : public CSettingBaseUI {
public:
    explicit Recorder(QWidget* parent)
        : CSettingBaseUI(parent, QStringLiteral("记录")) {}

    struct Event {
        QString type, sender;
    };
    // Shared, so that a test can read it after the window is gone.
    std::shared_ptr<std::vector<Event>> log = std::make_shared<std::vector<Event>>();
    std::vector<Event>& events = *log;
    QLineEdit* edit = nullptr;
    QTimer* ticker = nullptr;

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
    void InitContent() override {
        events.push_back({QStringLiteral("init"), objectName()});
        edit = AddEdit(QRect(20, 20, 100, 30), QStringLiteral("x"));
        edit->setObjectName(QStringLiteral("EditProbe"));
        connect(edit, &QLineEdit::textChanged, this, [this] { Record("textchanged", edit); });
        connect(edit, &QLineEdit::returnPressed, this, [this] { Record("return", edit); });
        auto* button = AddButton(125, 150, QStringLiteral("确定"));
        button->setObjectName(QStringLiteral("ButtonProbe"));
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { Record("click", button); });
        ticker = new QTimer(this);
        ticker->setObjectName(QStringLiteral("Ticker"));
        connect(ticker, &QTimer::timeout, this, [this] { Record("timer", ticker); });
    }

private:
    void Record(const char* type, QObject* sender) {
        events.push_back({QString::fromLatin1(type), sender->objectName()});
    }
};

} // namespace

TEST(WindowLayer, ControlsReachTheSlotsTheyAreConnectedTo) {
    const auto main = test::MainWindowStandIn();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    auto* dialog = OpenWindow<Recorder>(main.get(), QStringLiteral("记录"), QPoint(250, 150));
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->events.size(), 1u);
    EXPECT_EQ(dialog->events.front().type, QStringLiteral("init"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("记录"));
    EXPECT_EQ(dialog->objectName(), QStringLiteral("CDlgSettingAbout"));
    EXPECT_EQ(dialog->pos(), QPoint(250, 150));

    // Filling the edit in InitWindow sent nothing: it was connected afterwards.
    EXPECT_TRUE(dialog->TypesFrom(QStringLiteral("EditProbe")).empty());

    dialog->edit->setFocus();
    QTest::keyClicks(dialog->edit, QStringLiteral("12"));
    QTest::keyClick(dialog->edit, Qt::Key_Return);
    auto* button = test::Control<QPushButton>(dialog, QStringLiteral("ButtonProbe"));
    ASSERT_NE(button, nullptr);
    button->setFocus();
    QTest::mouseClick(button, Qt::LeftButton);

    const auto editTypes = dialog->TypesFrom(QStringLiteral("EditProbe"));
    EXPECT_EQ(std::count(editTypes.begin(), editTypes.end(), QStringLiteral("textchanged")), 2);
    EXPECT_EQ(std::count(editTypes.begin(), editTypes.end(), QStringLiteral("return")), 1);
    EXPECT_EQ(dialog->TypesFrom(QStringLiteral("ButtonProbe")),
              std::vector<QString>{QStringLiteral("click")});

    // A press released outside the button is no click.
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_EQ(dialog->TypesFrom(QStringLiteral("ButtonProbe")).size(), 1u);

    // Relabelling the button changes nothing about what it does.
    button->setText(QStringLiteral("保存"));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dialog->TypesFrom(QStringLiteral("ButtonProbe")).size(), 2u);
    dialog->Close();
    test::ProcessEvents();
}

TEST(WindowLayer, ClosingIsSafeTwiceAndSilencesTheWindow) {
    const auto main = test::MainWindowStandIn();
    auto* dialog = OpenWindow<Recorder>(main.get(), QStringLiteral("记录"), QPoint(0, 0));
    ASSERT_NE(dialog, nullptr);
    QPointer<Recorder> guard(dialog);
    EXPECT_EQ(IfOpen(guard), dialog);
    dialog->ticker->start(1);
    ASSERT_TRUE(
        test::WaitFor([&] { return !dialog->TypesFrom(QStringLiteral("Ticker")).empty(); }));

    auto* close = test::Control<QPushButton>(dialog, QStringLiteral("btnClosed"));
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_TRUE(dialog->IsClosing());
    EXPECT_FALSE(dialog->isVisible());
    // A closing dialog no longer counts as open, so a new request would open a fresh one.
    EXPECT_EQ(IfOpen(guard), nullptr);

    // Once closing, neither its controls nor its timer reach the slots.
    const auto log = dialog->log;
    const size_t seen = log->size();
    dialog->Close();
    close->click();
    test::Control<QPushButton>(dialog, QStringLiteral("ButtonProbe"))->click();
    dialog->edit->setText(QStringLiteral("late"));
    EXPECT_EQ(log->size(), seen);
    QTest::qWait(20); // time for the timer to tick
    EXPECT_EQ(log->size(), seen);

    test::ProcessEvents();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(IfOpen(guard), nullptr);
}

TEST(WindowLayer, ControlHelpersKeepTagsTextsAndLooks) {
    App();
    QLineEdit edit;
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
