#include "platform/dispatch/Dispatch.hpp"
#include "platform/dispatch/TimerFirings.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Wakes the real-time loop when there is new work for it (nothing in simulated time).
void wakeLoop();

class MainQueue final : public DispatchQueue {
 public:
  void async(std::function<void()> block) override {
    {
      std::lock_guard lock(mutex_);
      blocks_.push_back(std::move(block));
    }
    wakeLoop();
  }
  const char* label() const override { return "com.apple.main-thread"; }

  bool runOne() {
    std::function<void()> block;
    {
      std::lock_guard lock(mutex_);
      if (blocks_.empty()) return false;
      block = std::move(blocks_.front());
      blocks_.pop_front();
    }
    block();
    return true;
  }
  size_t pending() {
    std::lock_guard lock(mutex_);
    return blocks_.size();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> blocks_;
};

class GlobalQueue final : public DispatchQueue {
 public:
  ~GlobalQueue() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : workers_) t.join();
  }
  void async(std::function<void()> block) override {
    {
      std::lock_guard lock(mutex_);
      if (workers_.empty())
        for (int i = 0; i < 2; ++i) workers_.emplace_back([this] { work(); });
      blocks_.push_back(std::move(block));
      ++outstanding_;
    }
    wake_.notify_one();
  }
  const char* label() const override { return "com.apple.root.default-qos"; }

  void waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return outstanding_ == 0; });
  }

 private:
  void work() {
    for (;;) {
      std::function<void()> block;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopping_ || !blocks_.empty(); });
        if (blocks_.empty()) return;
        block = std::move(blocks_.front());
        blocks_.pop_front();
      }
      block();
      {
        std::lock_guard lock(mutex_);
        if (--outstanding_ == 0) idle_.notify_all();
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<std::function<void()>> blocks_;
  std::vector<std::thread> workers_;
  size_t outstanding_ = 0;
  bool stopping_ = false;
};

struct Timer {
  double fireAt;
  double repeat;
  std::function<void()> block;
};

// All of dispatch's state, in one place.
struct DispatchState {
  MainQueue mainQueue;
  GlobalQueue globalQueue;
  std::mutex mainThreadMutex;
  std::thread::id mainThread;
  bool mainThreadClaimed = false;

  std::mutex clockMutex;
  double now = 0;  // simulated time; in real time, the time it had when real time began
  sim_clock::TimerId nextTimer = 1;
  std::map<sim_clock::TimerId, Timer> timers;
  uint64_t advanceFirings = 0;  // timers fired by sim_clock::advance

  // Real time (live processes).
  std::atomic<bool> realTime{false};
  std::chrono::steady_clock::time_point realStart;
  int wakeFd = -1;
  std::atomic<bool> stopping{false};
  std::vector<main_loop::PollSource> sources;
};

DispatchState& state() {
  static DispatchState* s = new DispatchState;  // lives as long as the process
  return *s;
}

void wakeLoop() {
  auto& s = state();
  if (!s.realTime.load(std::memory_order_acquire)) return;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(s.wakeFd, &one, sizeof one);
}

// Simulated times lie on a grid of whole nanoseconds, so that steps which add up to a timer's
// delay reach the timer exactly: 0.49 s and then 0.01 s from 1.9 s is the 2.4 s at which a
// 0.5 s timer set at 1.9 s is due, not a rounding error short of it.
double onNanosecondGrid(double seconds) {
  const double ns = seconds * 1e9;
  return std::fabs(ns) < 9e15 ? std::round(ns) / 1e9 : seconds;
}

// The device clock's reading; the caller holds clockMutex.
double nowLocked(const DispatchState& s) {
  if (!s.realTime.load(std::memory_order_acquire)) return s.now;
  return s.now + std::chrono::duration<double>(std::chrono::steady_clock::now() - s.realStart).count();
}

// Real time: runs every timer that is due, in time order. A repeating timer that fell behind
// skips the firings it missed, as a run loop's timers do.
void fireDueTimers() {
  auto& s = state();
  for (;;) {
    std::function<void()> block;
    {
      std::lock_guard lock(s.clockMutex);
      double now = nowLocked(s);
      auto due = s.timers.end();
      for (auto it = s.timers.begin(); it != s.timers.end(); ++it)
        if (it->second.fireAt <= now && (due == s.timers.end() || it->second.fireAt < due->second.fireAt)) due = it;
      if (due == s.timers.end()) return;
      if (due->second.repeat > 0) {
        block = due->second.block;
        while (due->second.fireAt <= now) due->second.fireAt += due->second.repeat;
      } else {
        block = std::move(due->second.block);
        s.timers.erase(due);
      }
    }
    block();
    main_loop::drainMainQueue();
  }
}

// Milliseconds until the next timer is due (0 when one is due now), or -1 without timers.
int millisecondsToNextTimer() {
  auto& s = state();
  std::lock_guard lock(s.clockMutex);
  if (s.timers.empty()) return -1;
  double next = s.timers.begin()->second.fireAt;
  for (const auto& [id, timer] : s.timers) next = std::min(next, timer.fireAt);
  double wait = next - nowLocked(s);
  if (wait <= 0) return 0;
  return static_cast<int>(std::min(std::ceil(wait * 1000), 86400000.0));
}

}  // namespace

dispatch_queue_t dispatch_get_main_queue() { return &state().mainQueue; }
dispatch_queue_t dispatch_get_global_queue(long, unsigned long) { return &state().globalQueue; }

void dispatch_async(dispatch_queue_t queue, std::function<void()> block) {
  if (queue && block) queue->async(std::move(block));
}

void dispatch_after(double delaySeconds, dispatch_queue_t queue, std::function<void()> block) {
  if (!queue || !block) return;
  if (queue == dispatch_get_main_queue()) {
    sim_clock::schedule(delaySeconds, std::move(block));
  } else {
    sim_clock::schedule(delaySeconds, [queue, block = std::move(block)]() mutable { queue->async(std::move(block)); });
  }
}

namespace main_loop {

void claimMainThread() {
  auto& s = state();
  std::lock_guard lock(s.mainThreadMutex);
  if (!s.mainThreadClaimed) {
    s.mainThread = std::this_thread::get_id();
    s.mainThreadClaimed = true;
  }
}

bool isMainThread() {
  auto& s = state();
  std::lock_guard lock(s.mainThreadMutex);
  return s.mainThreadClaimed && s.mainThread == std::this_thread::get_id();
}

size_t drainMainQueue() {
  claimMainThread();
  size_t ran = 0;
  while (state().mainQueue.runOne()) ++ran;
  return ran;
}

size_t pendingOnMainQueue() { return state().mainQueue.pending(); }

void waitForGlobalQueue() { state().globalQueue.waitIdle(); }

size_t runUntilIdle() {
  size_t ran = 0;
  for (;;) {
    waitForGlobalQueue();
    size_t n = drainMainQueue();
    ran += n;
    if (n == 0) {
      waitForGlobalQueue();
      if (pendingOnMainQueue() == 0) return ran;
    }
  }
}

void useRealTime() {
  auto& s = state();
  std::lock_guard lock(s.clockMutex);
  if (s.realTime) return;
  s.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (s.wakeFd < 0) throw std::runtime_error("cannot create the main loop's wake-up descriptor");
  s.realStart = std::chrono::steady_clock::now();
  s.realTime.store(true, std::memory_order_release);
}

bool isRealTime() { return state().realTime.load(std::memory_order_acquire); }

void addPollSource(PollSource source) { state().sources.push_back(std::move(source)); }

void runTurn() {
  auto& s = state();
  if (!s.realTime) throw std::logic_error("main_loop::runTurn needs real time");
  claimMainThread();
  if (s.wakeFd >= 0) {
    uint64_t count;
    [[maybe_unused]] ssize_t n = ::read(s.wakeFd, &count, sizeof count);  // non-blocking
  }
  drainMainQueue();
  fireDueTimers();
  for (auto& source : s.sources) source.process();
  drainMainQueue();
}

int prepareWait(std::vector<pollfd>& fds) {
  auto& s = state();
  fds.assign(1, pollfd{s.wakeFd, POLLIN, 0});
  int timeout = pendingOnMainQueue() > 0 ? 0 : millisecondsToNextTimer();
  for (auto& source : s.sources) {
    short events = POLLIN;
    int limit = -1;
    int fd = source.prepare(events, limit);
    if (fd >= 0) fds.push_back(pollfd{fd, events, 0});
    if (limit >= 0 && (timeout < 0 || limit < timeout)) timeout = limit;
  }
  return timeout;
}

void run() {
  auto& s = state();
  if (!s.realTime) throw std::logic_error("main_loop::run needs real time");
  std::vector<pollfd> fds;
  while (!s.stopping) {
    runTurn();
    if (s.stopping) break;
    int timeout = prepareWait(fds);
    ::poll(fds.data(), fds.size(), timeout);
  }
}

void stop() {
  auto& s = state();
  s.stopping.store(true);
  if (s.wakeFd >= 0) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(s.wakeFd, &one, sizeof one);
  }
}

bool stopRequested() { return state().stopping.load(); }

}  // namespace main_loop

namespace sim_clock {

double now() {
  std::lock_guard lock(state().clockMutex);
  return nowLocked(state());
}

TimerId schedule(double delaySeconds, std::function<void()> block, double repeatInterval) {
  auto& s = state();
  TimerId id;
  {
    std::lock_guard lock(s.clockMutex);
    id = s.nextTimer++;
    double fireAt = nowLocked(s) + (delaySeconds > 0 ? delaySeconds : 0);
    if (!s.realTime.load(std::memory_order_acquire)) fireAt = onNanosecondGrid(fireAt);
    s.timers.emplace(id, Timer{fireAt, repeatInterval, std::move(block)});
  }
  wakeLoop();  // the loop may be waiting for a later timer
  return id;
}

void cancel(TimerId id) {
  std::lock_guard lock(state().clockMutex);
  state().timers.erase(id);
}

uint64_t firingsByAdvance() {
  std::lock_guard lock(state().clockMutex);
  return state().advanceFirings;
}

void advance(double seconds) {
  auto& s = state();
  if (s.realTime) return;
  double target;
  {
    std::lock_guard lock(s.clockMutex);
    target = onNanosecondGrid(s.now + (seconds > 0 ? seconds : 0));
  }
  main_loop::runUntilIdle();
  for (;;) {
    std::function<void()> block;
    {
      std::lock_guard lock(s.clockMutex);
      auto due = s.timers.end();
      for (auto it = s.timers.begin(); it != s.timers.end(); ++it)
        if (it->second.fireAt <= target && (due == s.timers.end() || it->second.fireAt < due->second.fireAt)) due = it;
      if (due == s.timers.end()) {
        s.now = target;
        break;
      }
      s.now = std::max(s.now, due->second.fireAt);
      ++s.advanceFirings;
      if (due->second.repeat > 0) {
        block = due->second.block;
        due->second.fireAt = onNanosecondGrid(due->second.fireAt + due->second.repeat);
      } else {
        block = std::move(due->second.block);
        s.timers.erase(due);
      }
    }
    block();
    main_loop::runUntilIdle();
  }
}

}  // namespace sim_clock
