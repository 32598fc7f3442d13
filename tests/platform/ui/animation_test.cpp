#include "UiTestSupport.h"

#include "platform/ui/Transaction.h"
#include "platform/ui/View.h"

namespace pw::ui::test {
namespace {

using gfx::Rect;

class AnimationTest : public UiTest {};

TEST_F(AnimationTest, BlockAnimationMovesThePresentationOnTheClock) {
    auto v = View::create(Rect(0, 0, 100, 100));
    m_window->addSubview(v);
    bool finished = false;
    int calls = 0;
    BlockAnimationOptions o;
    o.duration = 1;
    o.curve = TimingFunction::Linear;
    View::animate(
        o,
        [&] {
            v->setFrame({200, 0, 100, 100});
        },
        [&](bool f) {
            finished = f;
            ++calls;
        });
    // The model jumps at once; what is shown follows the clock.
    EXPECT_EQ(v->frame().x(), 200);
    EXPECT_NEAR(v->layer()->presentation().position.x, 50, 1e-6);
    advance(0.5);
    EXPECT_NEAR(v->layer()->presentation().position.x, 150, 2);
    EXPECT_EQ(calls, 0);
    advance(0.6);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(v->layer()->hasAnimations());
    EXPECT_EQ(v->layer()->presentation().position.x, 250);
}

TEST_F(AnimationTest, ReplacedAnimationReportsUnfinishedAndNewOneStartsWhereTheOldWas) {
    auto v = View::create(Rect(0, 0, 10, 10));
    m_window->addSubview(v);
    std::vector<bool> ends;
    BlockAnimationOptions o;
    o.duration = 1;
    o.curve = TimingFunction::Linear;
    View::animate(
        o, [&] { v->setAlpha(0); }, [&](bool f) { ends.push_back(f); });
    advance(0.5);
    View::animate(
        o, [&] { v->setAlpha(1); }, [&](bool f) { ends.push_back(f); });
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_FALSE(ends[0]);
    EXPECT_NEAR(v->layer()->presentation().opacity, 0.5, 0.05);
    settle();
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_TRUE(ends[1]);
}

TEST_F(AnimationTest, NothingAnimatedStillCompletesOnTheNextTurn) {
    bool called = false;
    View::animate(
        0.3, [] {}, [&](bool f) { called = f; });
    EXPECT_FALSE(called);
    settle();
    EXPECT_TRUE(called);
}

TEST_F(AnimationTest, BeginCommitStyleUsesItsSettingsAndDidStop) {
    auto v = View::create(Rect(0, 0, 10, 10));
    m_window->addSubview(v);
    bool stopped = false;
    View::beginAnimations();
    View::setAnimationDuration(2);
    View::setAnimationDelay(1);
    View::setAnimationCurve(TimingFunction::Linear);
    View::setAnimationDidStop([&](bool f) { stopped = f; });
    v->setCenter({105, 5});
    View::commitAnimations();
    advance(0.9); // still in the delay: the old value shows
    EXPECT_NEAR(v->layer()->presentation().position.x, 5, 1e-6);
    advance(1.1);
    EXPECT_NEAR(v->layer()->presentation().position.x, 55, 3);
    advance(1.1);
    EXPECT_TRUE(stopped);
}

TEST_F(AnimationTest, FreeLayersAnimateImplicitlyUnlessTheTransactionSaysNo) {
    auto layer = Layer::create();
    m_window->layer()->addSublayer(layer);
    layer->setOpacity(0);
    EXPECT_TRUE(layer->hasAnimations());
    settle();
    Transaction::begin();
    Transaction::setDisableActions(true);
    layer->setOpacity(1);
    Transaction::commit();
    EXPECT_FALSE(layer->hasAnimations());
    // A view's own layer never animates outside an animation block.
    auto v = View::create(Rect(0, 0, 10, 10));
    m_window->addSubview(v);
    v->setAlpha(0.5);
    EXPECT_FALSE(v->layer()->hasAnimations());
}

TEST_F(AnimationTest, KeyFramesRepeatAndAutoreverse) {
    auto layer = Layer::create();
    auto kf = PropertyAnimation::keyFrames("position.x", {0.0, 100.0, 0.0}, 1.0, {0, 0.25, 1});
    kf->repeatCount = 2;
    layer->addAnimation(kf, "shake");
    advance(0.25);
    EXPECT_NEAR(layer->presentation().position.x, 100, 7);
    advance(1.0); // second cycle, same point
    EXPECT_NEAR(layer->presentation().position.x, 100, 7);
    advance(1.0);
    EXPECT_FALSE(layer->hasAnimations());

    auto basic = PropertyAnimation::basic("opacity", 1.0, 0.0, 1.0);
    basic->autoreverses = true;
    bool done = false;
    basic->onStop = [&](bool f) { done = f; };
    layer->addAnimation(basic, "blink");
    advance(1.5);
    EXPECT_NEAR(layer->presentation().opacity, 0.5, 0.05);
    advance(0.6);
    EXPECT_TRUE(done);
    // Removing by key reports an unfinished stop.
    bool removedFinished = true;
    auto spin = PropertyAnimation::basic("transform.rotation.z", 0.0, 6.28, 1.0);
    spin->repeatCount = Animation::kForever;
    spin->onStop = [&](bool f) { removedFinished = f; };
    layer->addAnimation(spin, "spin");
    advance(3);
    EXPECT_TRUE(layer->hasAnimations());
    layer->removeAnimation("spin");
    EXPECT_FALSE(removedFinished);
}

TEST_F(AnimationTest, TimingCurvesStartAndEndInPlace) {
    for (auto f :
         {TimingFunction::Linear, TimingFunction::EaseIn, TimingFunction::EaseOut, TimingFunction::EaseInOut}) {
        EXPECT_NEAR(applyTiming(f, 0), 0, 1e-6);
        EXPECT_NEAR(applyTiming(f, 1), 1, 1e-6);
    }
    EXPECT_LT(applyTiming(TimingFunction::EaseIn, 0.3), 0.3);
    EXPECT_GT(applyTiming(TimingFunction::EaseOut, 0.3), 0.3);
}

} // namespace
} // namespace pw::ui::test
