// The exact colour tally that the analysis used before its sort-based one: a flat
// open-addressing hash table of 4-byte slots (key << 8 | count). Kept for the benchmark, as one
// of the two floor cases: counting a 512 x 512 image's exact colours this way.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "colorart/CountedColorSet.hpp"

namespace bench {

using colorart::ColorKey;

// Counts kept in a flat open-addressing table of 4-byte slots (key << 8 | count): a photo's
// colours fit in the processor's second-level cache. A count that outgrows its 7 bits moves
// most of itself into a small side table of 8-byte slots.
class HashColorTally {
 public:
  // `capacity`: the table starts with that many slots (rounded up to a power of two) and grows
  // when more than 0.6 of them are taken.
  explicit HashColorTally(size_t capacity = 0) { reset(capacity); }

  void add(ColorKey key, uint32_t times = 1) {
    for (size_t i = slotOf(key, shift_);; i = (i + 1) & mask_) {
      uint32_t& s = slots_[i];
      if (s == 0) {
        s = key << 8;
        addTo(s, key, times);
        if (++size_ > limit_) grow();
        return;
      }
      if ((s >> 8) == key) {
        addTo(s, key, times);
        return;
      }
    }
  }

  // How many times the colour was added; 0 when absent.
  uint64_t countForKey(ColorKey key) const {
    for (size_t i = slotOf(key, shift_);; i = (i + 1) & mask_) {
      uint32_t s = slots_[i];
      if (s == 0) return 0;
      if ((s >> 8) == key) return countOfSlot(s);
    }
  }

  // Distinct colours.
  size_t size() const { return size_; }

  // Calls f(key, count) for each distinct colour, in no defined order.
  template <class F>
  void forEach(F&& f) const {
    for (uint32_t s : slots_)
      if (s) f(s >> 8, countOfSlot(s));
  }

  void clear(size_t capacity = 0) { reset(capacity); }

  // The raw table, for passes over every colour that look at the count before anything else.
  // A slot is 0 when free, else key << 8 | a count byte: smallCount() is the whole count
  // unless spilled() is set, and countOfSlot() is always the whole count.
  const std::vector<uint32_t>& slots() const { return slots_; }
  static ColorKey keyOfSlot(uint32_t s) { return s >> 8; }
  static uint32_t smallCount(uint32_t s) { return s & kSmallMask; }
  static bool spilled(uint32_t s) { return s & kSpilled; }
  // Counts of kSpillAt and more are always spilled; smaller ones never are.
  static constexpr uint32_t kSpillAt = 0x7F;
  uint64_t countOfSlot(uint32_t s) const {
    uint64_t small = s & kSmallMask;
    return (s & kSpilled) ? small + overflowCount(s >> 8) : small;
  }

 private:
  static size_t slotOf(ColorKey key, int shift) { return (key * 0x9E3779B1u) >> shift; }

  // The low byte of a slot: a count of 0 to 127 in bits 0-6, and in bit 7 whether the side
  // table holds more of the count.
  static constexpr uint32_t kSmallMask = 0x7F, kSpilled = 0x80, kSpillKeep = 0x3F;

  void addTo(uint32_t& s, ColorKey key, uint64_t times) {
    uint64_t small = (s & kSmallMask) + times;
    if (small < kSpillAt) {
      s += static_cast<uint32_t>(times);
    } else {
      // Keep a little in the slot, so that the next additions stay in the slot.
      addOverflow(key, small - kSpillKeep);
      s = (s & ~kSmallMask) | kSpilled | kSpillKeep;
    }
  }

  // The side table: (key + 1, the part of the count not in the slot), tag 0 when free.
  struct Wide {
    uint32_t tag;
    uint64_t count;
  };
  void addOverflow(ColorKey key, uint64_t extra) {
    if (overflow_.empty()) overflow_.assign(64, Wide{0, 0});
    size_t mask = overflow_.size() - 1;
    for (size_t i = key * 0x9E3779B1u & mask;; i = (i + 1) & mask) {
      if (overflow_[i].tag == key + 1) {
        overflow_[i].count += extra;
        return;
      }
      if (overflow_[i].tag == 0) {
        overflow_[i] = Wide{key + 1, extra};
        if (++overflowSize_ * 2 > overflow_.size()) growOverflow();
        return;
      }
    }
  }
  uint64_t overflowCount(ColorKey key) const {
    if (overflow_.empty()) return 0;
    size_t mask = overflow_.size() - 1;
    for (size_t i = key * 0x9E3779B1u & mask;; i = (i + 1) & mask) {
      if (overflow_[i].tag == key + 1) return overflow_[i].count;
      if (overflow_[i].tag == 0) return 0;
    }
  }
  void growOverflow() {
    std::vector<Wide> old = std::move(overflow_);
    overflow_.assign(old.size() * 2, Wide{0, 0});
    overflowSize_ = 0;
    for (const Wide& w : old)
      if (w.tag) addOverflow(w.tag - 1, w.count);
  }

  void setSlots(size_t slots) {
    slots_.assign(slots, 0);
    mask_ = slots - 1;
    shift_ = 32 - std::countr_zero(slots);
    limit_ = slots / 10 * 6;  // grow above a load of 0.6
  }

  void reset(size_t capacity) {
    size_t slots = 64;
    while (slots < capacity) slots *= 2;
    setSlots(slots);
    size_ = 0;
    overflow_.clear();
    overflowSize_ = 0;
  }

  void grow() {
    std::vector<uint32_t> old = std::move(slots_);
    setSlots(old.size() * 2);
    for (uint32_t s : old) {
      if (!s) continue;
      size_t i = slotOf(s >> 8, shift_);
      while (slots_[i]) i = (i + 1) & mask_;
      slots_[i] = s;
    }
  }

  std::vector<uint32_t> slots_;
  size_t mask_ = 0, limit_ = 0;
  int shift_ = 0;
  size_t size_ = 0;
  std::vector<Wide> overflow_;
  size_t overflowSize_ = 0;
};

}  // namespace bench
