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

class CountedColorSet {
 public:
  // `capacity` is the most distinct colours expected; the table starts smaller and grows.
  explicit CountedColorSet(size_t capacity = 0) { reset(capacity); }

  void add(ColorKey key, uint32_t times = 1) {
    uint32_t tag = key | kTagBit;
    for (size_t i = slotOf(key);; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (s.tag == tag) {
        s.count += times;
        return;
      }
      if (s.tag == 0) {
        s.tag = tag;
        s.count = times;
        if (++size_ > (mask_ + 1) / 2) grow();
        return;
      }
    }
  }

  // How many times the colour was added; 0 when absent.
  uint64_t countForKey(ColorKey key) const {
    uint32_t tag = key | kTagBit;
    for (size_t i = slotOf(key);; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.tag == tag) return s.count;
      if (s.tag == 0) return 0;
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
    for (const Slot& s : slots_)
      if (s.tag) f(s.tag & 0xFFFFFF, static_cast<uint64_t>(s.count));
  }

  void clear(size_t capacity = 0) { reset(capacity); }

 private:
  struct Slot {
    uint32_t tag;  // key | kTagBit, 0 when the slot is free
    uint32_t count;
  };
  static constexpr uint32_t kTagBit = 1u << 24;
  static constexpr size_t kInitialSlots = 1 << 13;

  size_t slotOf(ColorKey key) const { return (key * 0x9E3779B1u) >> shift_; }

  void reset(size_t capacity) {
    size_t slots = 16;
    while (slots < 2 * capacity && slots < kInitialSlots) slots *= 2;
    slots_.assign(slots, Slot{0, 0});
    mask_ = slots - 1;
    shift_ = 32 - std::countr_zero(slots);
    size_ = 0;
  }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    size_t slots = old.size() * 4;
    slots_.assign(slots, Slot{0, 0});
    mask_ = slots - 1;
    shift_ = 32 - std::countr_zero(slots);
    for (const Slot& s : old) {
      if (!s.tag) continue;
      size_t i = slotOf(s.tag & 0xFFFFFF);
      while (slots_[i].tag) i = (i + 1) & mask_;
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  int shift_ = 0;
  size_t size_ = 0;
};

}  // namespace colorart
