#include "platform/foundation/NSTimer.hpp"

VW_DEFINE_CLASS(NSTimer, ReflectiveObject, nullptr)

NSTimerRef NSTimer::scheduledTimerWithTimeInterval(double interval, const ReflectiveObjectRef& target, std::string selector,
                                                   const ReflectiveObjectRef& userInfo, bool repeats) {
  auto timer = std::make_shared<NSTimer>();
  // A non-positive interval fires as soon as the clock moves (repeating ones every 0.1 ms).
  timer->interval_ = interval > 0 ? interval : (repeats ? 0.0001 : 0);
  timer->repeats_ = repeats;
  timer->valid_ = true;
  timer->target_ = target;
  timer->selector_ = std::move(selector);
  timer->userInfo_ = userInfo;
  // The clock's block owns the timer while it is scheduled (the run loop retains it).
  timer->clockTimer_ = sim_clock::schedule(
      timer->interval_, [timer] { timer->fire(); }, repeats ? timer->interval_ : 0);
  return timer;
}

void NSTimer::fire() {
  if (!valid_) return;
  ReflectiveObjectRef target = target_;  // the target lives through its own call even if invalidated there
  if (!repeats_) invalidate();
  if (target) target->performSelector(selector_, shared_from_this());
}

void NSTimer::invalidate() {
  if (!valid_) return;
  valid_ = false;
  sim_clock::cancel(clockTimer_);
  target_.reset();
  userInfo_.reset();
}
