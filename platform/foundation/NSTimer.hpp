// Foundation stand-in: timers on the simulated clock.
// Implements: scheduledTimerWithTimeInterval:target:selector:userInfo:repeats: on the main
// run loop, firing when the simulated clock (platform/dispatch sim_clock) passes the fire
// date; the timer keeps its target and user info until it is invalidated (a one-shot timer
// invalidates itself after firing); invalidate; isValid.
// Leaves out: run-loop modes, tolerance, block-based timers, fire dates in the past beyond
// "fire at the next advance", adding a timer to another run loop.
#pragma once

#include <memory>
#include <string>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/ReflectiveObject.hpp"

class NSTimer;
using NSTimerRef = std::shared_ptr<NSTimer>;

class NSTimer : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  // The selector is sent to the target with the timer as argument.
  static NSTimerRef scheduledTimerWithTimeInterval(double interval, const ReflectiveObjectRef& target, std::string selector,
                                                   const ReflectiveObjectRef& userInfo, bool repeats);

  void invalidate();
  bool isValid() const { return valid_; }
  const ReflectiveObjectRef& userInfo() const { return userInfo_; }

 private:
  void fire();

  double interval_ = 0;
  bool repeats_ = false;
  bool valid_ = false;
  ReflectiveObjectRef target_;  // held until invalidated, as the run loop's timer does
  std::string selector_;
  ReflectiveObjectRef userInfo_;
  sim_clock::TimerId clockTimer_ = 0;
};
