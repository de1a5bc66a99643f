#include "platform/dispatch/Dispatch.hpp"

#include <condition_variable>
#include <deque>
#include <map>
#include <thread>
#include <vector>

namespace {

class MainQueue final : public DispatchQueue {
 public:
  void async(std::function<void()> block) override {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
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
  double now = 0;
  sim_clock::TimerId nextTimer = 1;
  std::map<sim_clock::TimerId, Timer> timers;
};

DispatchState& state() {
  static DispatchState* s = new DispatchState;  // lives as long as the process
  return *s;
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

}  // namespace main_loop

namespace sim_clock {

double now() {
  std::lock_guard lock(state().clockMutex);
  return state().now;
}

TimerId schedule(double delaySeconds, std::function<void()> block, double repeatInterval) {
  auto& s = state();
  std::lock_guard lock(s.clockMutex);
  TimerId id = s.nextTimer++;
  s.timers.emplace(id, Timer{s.now + (delaySeconds > 0 ? delaySeconds : 0), repeatInterval, std::move(block)});
  return id;
}

void cancel(TimerId id) {
  std::lock_guard lock(state().clockMutex);
  state().timers.erase(id);
}

size_t pendingTimers() {
  std::lock_guard lock(state().clockMutex);
  return state().timers.size();
}

void advance(double seconds) {
  auto& s = state();
  double target;
  {
    std::lock_guard lock(s.clockMutex);
    target = s.now + (seconds > 0 ? seconds : 0);
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
      if (due->second.repeat > 0) {
        block = due->second.block;
        due->second.fireAt += due->second.repeat;
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
