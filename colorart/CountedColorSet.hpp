// The counted colour set of the analysis: a multiset of 8-bit-per-channel opaque colours, each
// kept once with how many times it was added, in a flat open-addressing table.
//
// A pixel colour (red / 255.0, green / 255.0, blue / 255.0, alpha 1.0) is determined by its
// three bytes, so the set stores a packed 24-bit key instead of a colour object; two colours
// are the same element exactly when their keys are equal. A colour that is not of that form
// (a component that is not exactly k / 255, or alpha other than 1) is never an element.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "colorart/UIColor+DarkAddition.hpp"

namespace colorart {

// The bytes red, green, blue as they lie in memory in an RGBX pixel: red | green << 8 | blue << 16.
using ColorKey = uint32_t;

constexpr ColorKey makeKey(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }
constexpr uint32_t keyRed(ColorKey key) { return key & 0xFF; }
constexpr uint32_t keyGreen(ColorKey key) { return (key >> 8) & 0xFF; }
constexpr uint32_t keyBlue(ColorKey key) { return key >> 16; }

// The bits of a 32-bit RGBX pixel word (native byte order) that make its key.
constexpr uint32_t kPixelKeyMask = std::endian::native == std::endian::little ? 0x00FFFFFFu : 0xFFFFFF00u;

// The key of an RGBX pixel at `p` (the fourth byte ignored).
inline ColorKey keyOfPixel(const uint8_t* p) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap32(word);
  return word & 0xFFFFFF;
}

inline RGBA rgbaOfKey(ColorKey key) {
  return {keyRed(key) / 255.0, keyGreen(key) / 255.0, keyBlue(key) / 255.0, 1.0};
}

// The byte k with k / 255.0 == x exactly, or -1.
inline int exactByte(double x) {
  if (!(x >= 0.0 && x <= 1.0)) return -1;
  long k = std::lround(x * 255.0);
  return k / 255.0 == x ? static_cast<int>(k) : -1;
}

// The key of a colour whose components are exactly k / 255 with alpha 1; false otherwise.
inline bool keyOfColor(const RGBA& c, ColorKey* key) {
  if (c.a != 1.0) return false;
  int r = exactByte(c.r), g = exactByte(c.g), b = exactByte(c.b);
  if (r < 0 || g < 0 || b < 0) return false;
  *key = makeKey(r, g, b);
  return true;
}

// Counts kept in a flat open-addressing table of 4-byte slots (key << 8 | count): a photo's
// colours fit in the processor's second-level cache. A count that outgrows its 7 bits moves
// most of itself into a small side table of 8-byte slots.
class CountedColorSet {
 public:
  // `capacity`: the table starts with that many slots (rounded up to a power of two) and grows
  // when more than 0.6 of them are taken.
  explicit CountedColorSet(size_t capacity = 0) { reset(capacity); }

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
  uint64_t countForColor(const RGBA& color) const {
    ColorKey key;
    return keyOfColor(color, &key) ? countForKey(key) : 0;
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

}  // namespace colorart
