// Timers and animation on the simulated clock.
#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSTimer.hpp"
#include "platform/uikit/UIView.hpp"
#include "tests/support/DeviceRootTest.hpp"

using namespace test_support;

namespace {

// Counts timer firings.
class Ticker : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  int ticks = 0;
  void tick(const ReflectiveObjectRef&) { ++ticks; }
};
VW_DEFINE_CLASS(Ticker, ReflectiveObject, factoryOf<Ticker>(), {{"tick:", selectorOf(&Ticker::tick)}})

class ClockTest : public DeviceRootTest {};

TEST_F(ClockTest, TimersFireOnTheSimulatedClockAndKeepTheirTargetUntilDone) {
  auto ticker = std::make_shared<Ticker>();
  std::weak_ptr<Ticker> weak = ticker;
  auto once = NSTimer::scheduledTimerWithTimeInterval(0.5, ticker, "tick:", nullptr, false);
  ticker.reset();
  ASSERT_FALSE(weak.expired()) << "a scheduled timer keeps its target";
  sim_clock::advance(0.49);
  EXPECT_EQ(weak.lock()->ticks, 0);
  sim_clock::advance(0.01);
  EXPECT_FALSE(once->isValid());
  EXPECT_TRUE(weak.expired()) << "a one-shot timer lets its target go after firing";

  auto repeating = std::make_shared<Ticker>();
  auto timer = NSTimer::scheduledTimerWithTimeInterval(0.25, repeating, "tick:", nullptr, true);
  sim_clock::advance(1.0);
  EXPECT_EQ(repeating->ticks, 4);
  timer->invalidate();
  sim_clock::advance(1.0);
  EXPECT_EQ(repeating->ticks, 4);
}

TEST_F(ClockTest, AnimatedAlphaMovesWithTheClockAndTheCompletionRunsAtTheEnd) {
  auto view = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
  view->setAlpha(0);
  bool finished = false;
  UIView::animateWithDuration(
      0.5, [&] { view->setAlpha(1); }, [&](bool f) { finished = f; });
  EXPECT_EQ(view->alpha(), 1.0);  // the model value changes at once
  EXPECT_EQ(view->presentationAlpha(), 0.0);
  sim_clock::advance(0.25);
  EXPECT_NEAR(view->presentationAlpha(), 0.5, 1e-9);
  EXPECT_FALSE(finished);
  sim_clock::advance(0.25);
  EXPECT_EQ(view->presentationAlpha(), 1.0);
  EXPECT_TRUE(finished);
}

}  // namespace
