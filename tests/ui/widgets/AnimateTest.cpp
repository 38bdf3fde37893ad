// The frame animation of the call popups.
#include "../UiTestSupport.h"

#include "ui/widgets/CAnimateUI.h"
#include "ui/widgets/WindowImplBase.h"

#include <gtest/gtest.h>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

// A window that counts how often the animations inside it finished.
class AnimateHost : public WindowImplBase {
public:
    int animateNotices = 0;
    QString GetWindowClassName() const override { return QStringLiteral("AnimateHost"); }
    QWidget* BuildForm() override { return new QWidget(this); }
};

CAnimateUI* MakeStrip(AnimateHost* parent, int frames) {
    auto* animate = new CAnimateUI(parent);
    QObject::connect(animate, &CAnimateUI::Finished, parent,
                     [parent] { ++parent->animateNotices; });
    animate->setGeometry(0, 0, 24, 24);
    animate->SetAnimateImage(QStringLiteral("anim_rec.png"));
    animate->SetFrameCount(frames);
    return animate;
}

} // namespace

TEST(Animate, WithoutLoopShowsEachFrameOnceThenStopsAndTellsItsWindow) {
    App();
    AnimateHost host;
    CAnimateUI* animate = MakeStrip(&host, 4);
    animate->hide();
    animate->Start(false);
    EXPECT_TRUE(animate->IsPlaying());
    EXPECT_TRUE(animate->isVisibleTo(&host));
    EXPECT_EQ(animate->CurrentFrame(), 0);
    EXPECT_EQ(animate->GetBkImage(), QStringLiteral("anim_rec.png source='0,0,24,24'"));
    for (int frame : {1, 2, 3}) {
        animate->DoEvent(CAnimateUI::kTimerId);
        EXPECT_EQ(animate->CurrentFrame(), frame);
    }
    EXPECT_EQ(animate->GetBkImage(), QStringLiteral("anim_rec.png source='72,0,96,24'"));
    // Other timers change nothing.
    animate->DoEvent(2027);
    EXPECT_EQ(animate->CurrentFrame(), 3);
    EXPECT_EQ(host.animateNotices, 0);
    animate->DoEvent(CAnimateUI::kTimerId);
    EXPECT_FALSE(animate->IsPlaying());
    EXPECT_EQ(animate->CurrentFrame(), 3);
    EXPECT_TRUE(animate->isVisibleTo(&host));
    EXPECT_EQ(host.animateNotices, 1);
}

TEST(Animate, WithLoopKeepsCyclingOnItsOwnTimer) {
    App();
    AnimateHost host;
    CAnimateUI* animate = MakeStrip(&host, 4);
    animate->SetFrameTime(10);
    animate->Start(true);
    // A second start changes nothing, not even the loop flag.
    animate->Start(false);
    EXPECT_TRUE(animate->IsLoop());
    int wraps = 0;
    int last = animate->CurrentFrame();
    ASSERT_TRUE(test::WaitFor([&] {
        const int now = animate->CurrentFrame();
        wraps += now < last ? 1 : 0;
        last = now;
        return wraps >= 2;
    }));
    EXPECT_TRUE(animate->IsPlaying());
    EXPECT_EQ(host.animateNotices, 0);
    animate->Stop(false);
    EXPECT_FALSE(animate->IsPlaying());
    EXPECT_FALSE(animate->isVisibleTo(&host));
    const int stopped = animate->CurrentFrame();
    QTest::qWait(60);
    EXPECT_EQ(animate->CurrentFrame(), stopped);

    // Played through by its timer without loop, it stops by itself.
    animate->Start(false);
    ASSERT_TRUE(test::WaitFor([&] { return !animate->IsPlaying(); }));
    EXPECT_EQ(host.animateNotices, 1);
    EXPECT_EQ(animate->CurrentFrame(), 3);
}

TEST(Animate, NoFramesDrawNothingAndTicksChangeNothing) {
    App();
    AnimateHost host;
    CAnimateUI* animate = MakeStrip(&host, 0);
    animate->Start(false);
    EXPECT_TRUE(animate->GetBkImage().isEmpty());
    animate->DoEvent(CAnimateUI::kTimerId);
    animate->ShowFrame(2);
    EXPECT_EQ(animate->CurrentFrame(), 0);
    EXPECT_TRUE(animate->IsPlaying());
    animate->SetFrameCount(-3);
    animate->DoEvent(CAnimateUI::kTimerId);
    EXPECT_TRUE(animate->GetBkImage().isEmpty());
    EXPECT_EQ(host.animateNotices, 0);

    // Outside a window the animation is marked playing but shows no frame.
    CAnimateUI lone;
    lone.SetFrameCount(4);
    lone.Start(false);
    EXPECT_TRUE(lone.IsPlaying());
    EXPECT_TRUE(lone.GetBkImage().isEmpty());
}
