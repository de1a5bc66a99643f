// Dispatch stand-in: queues, once-only guards, the device clock and the main loop.
// Implements: the main queue (drained by the host's loop or a test, never by itself), one
// global concurrent queue served by real worker threads, dispatch_async, dispatch_once,
// dispatch_after and timers on the device clock. The clock is simulated (it only moves when
// told to) until a live process switches to real time; from then on timers fire at
// wall-clock time, run by main_loop::run together with the descriptors it is given (the
// session bus).
// Leaves out: serial queues of one's own, groups, semaphores, sources, QoS, suspension.
#pragma once

#include <poll.h>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class DispatchQueue {
 public:
  virtual ~DispatchQueue() = default;
  virtual void async(std::function<void()> block) = 0;
  virtual const char* label() const = 0;
};
using dispatch_queue_t = DispatchQueue*;

dispatch_queue_t dispatch_get_main_queue();
// Every priority shares one concurrent queue of worker threads.
dispatch_queue_t dispatch_get_global_queue(long priority, unsigned long flags);
void dispatch_async(dispatch_queue_t queue, std::function<void()> block);
// Runs the block on the queue once the simulated clock has moved on by delaySeconds.
void dispatch_after(double delaySeconds, dispatch_queue_t queue, std::function<void()> block);

constexpr long DISPATCH_QUEUE_PRIORITY_DEFAULT = 0;

using dispatch_once_t = std::once_flag;
inline void dispatch_once(dispatch_once_t* token, const std::function<void()>& block) { std::call_once(*token, block); }

namespace main_loop {

// The thread that drains the main queue; the first drain (or this call) claims it.
void claimMainThread();
bool isMainThread();

// Runs the blocks queued on the main queue, and those they queue, until it is empty.
// Returns how many ran.
size_t drainMainQueue();
size_t pendingOnMainQueue();
// Waits until the global queue has no work.
void waitForGlobalQueue();
// Drains the main queue and waits for the global queue until neither has work left.
size_t runUntilIdle();

// Real time, for live processes: the device clock becomes the monotonic wall clock (it
// carries on from the simulated time it had) and run() serves the main queue and the timers.
void useRealTime();
bool isRealTime();

// Something besides the main queue and the timers that run() waits for: before each wait it
// asks for a descriptor to poll (fd < 0: none) and how long it may wait at most (negative:
// no limit); after each wait (whether the descriptor is ready or not) `process` runs on the
// main thread and handles whatever has arrived.
struct PollSource {
  std::function<int(short& events, int& timeoutMs)> prepare;
  std::function<void()> process;
};
void addPollSource(PollSource source);

// Runs the main queue, the due timers and the poll sources until stop() is called. The thread
// that calls it is the main thread.
void run();

// The same loop one turn at a time, for a process whose waiting is done by another loop (a
// window toolkit's): runTurn() does what is due (main queue, timers, poll sources); then
// prepareWait() fills the descriptors to wait on (the loop's wake-up descriptor first) and
// answers the longest wait in milliseconds (negative: no limit, 0: work is due now). run() is
// these two and a poll().
void runTurn();
int prepareWait(std::vector<pollfd>& fds);
// Ends run() after what it is doing now. Safe from any thread and from a signal handler.
void stop();
bool stopRequested();

}  // namespace main_loop

// The device clock: simulated unless the process runs in real time (see main_loop).
namespace sim_clock {

using TimerId = uint64_t;

// Seconds since the device started.
double now();
// Simulated time only: moves the clock forward, firing due timers in time order; after each
// firing the main queue is run until idle, so the effects of a timer are visible to the next
// one. Does nothing in real time, where time passes by itself.
void advance(double seconds);
// A timer on the main queue; repeatInterval 0 fires once.
TimerId schedule(double delaySeconds, std::function<void()> block, double repeatInterval = 0);
void cancel(TimerId id);

}  // namespace sim_clock
