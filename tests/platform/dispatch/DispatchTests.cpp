// The main queue, the global queue and the simulated clock.
#include <gtest/gtest.h>

#include <vector>

#include "platform/dispatch/Dispatch.hpp"

TEST(SimulatedClock, TimersFireInTimeOrderOnlyWhenTheClockMoves) {
  std::vector<int> fired;
  double start = sim_clock::now();
  sim_clock::schedule(0.5, [&] { fired.push_back(2); });
  sim_clock::schedule(0.25, [&] { fired.push_back(1); });
  auto repeating = sim_clock::schedule(
      0.4, [&] { fired.push_back(3); }, 0.4);
  main_loop::runUntilIdle();
  EXPECT_TRUE(fired.empty());
  sim_clock::advance(0.9);
  EXPECT_EQ(fired, (std::vector<int>{1, 3, 2, 3}));
  sim_clock::cancel(repeating);
  sim_clock::advance(1);
  EXPECT_EQ(fired.size(), 4u);
  EXPECT_DOUBLE_EQ(sim_clock::now(), start + 1.9);
}

TEST(SimulatedClock, StepsThatAddUpToATimersDelayReachItWhateverTheTime) {
  // Decimal steps from an uneven start: a rounding error short of the timer is not "not yet".
  sim_clock::advance(1.9);
  for (int round = 0; round < 50; ++round) {
    int fired = 0;
    sim_clock::schedule(0.5, [&] { ++fired; });
    sim_clock::advance(0.49);
    EXPECT_EQ(fired, 0) << round;
    sim_clock::advance(0.01);
    EXPECT_EQ(fired, 1) << "at " << sim_clock::now();
    sim_clock::advance(0.07);
  }
  int ticks = 0;
  auto repeating = sim_clock::schedule(
      0.1, [&] { ++ticks; }, 0.1);
  for (int i = 0; i < 30; ++i) sim_clock::advance(0.1);
  sim_clock::cancel(repeating);
  EXPECT_EQ(ticks, 30);
}

TEST(GlobalQueue, RunsOffTheMainThreadAndHandsBack) {
  main_loop::claimMainThread();
  bool offMain = false, backOnMain = false;
  dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [&] {
    offMain = !main_loop::isMainThread();
    dispatch_async(dispatch_get_main_queue(), [&] { backOnMain = main_loop::isMainThread(); });
  });
  main_loop::runUntilIdle();
  EXPECT_TRUE(offMain);
  EXPECT_TRUE(backOnMain);
}
