// The latest entries of a list that grows with use (commands received, commands refused): the
// oldest go once there are more than the limit, and how many went is counted, so that a
// process that runs for days keeps a bounded list and a dump can say what it left out.
// Not thread-safe: its owner guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

template <class T>
class RecentList {
 public:
  explicit RecentList(size_t limit) : limit_(limit) {}

  void push_back(T entry) {
    entries_.push_back(std::move(entry));
    while (entries_.size() > limit_) {
      entries_.pop_front();
      ++dropped_;
    }
  }
  void clear() {
    entries_.clear();
    dropped_ = 0;
  }
  // The entries kept, oldest first.
  std::vector<T> entries() const { return {entries_.begin(), entries_.end()}; }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // How many older entries are no longer kept.
  uint64_t dropped() const { return dropped_; }
  size_t limit() const { return limit_; }

 private:
  size_t limit_;
  std::deque<T> entries_;
  uint64_t dropped_ = 0;
};
