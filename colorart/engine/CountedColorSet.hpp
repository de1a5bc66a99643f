// The counted colour set of the analysis: a multiset of 8-bit-per-channel opaque colours, each
// kept once with how many times it was added.
//
// A pixel colour (red / 255.0, green / 255.0, blue / 255.0, alpha 1.0) is determined by its
// three bytes, so the set stores a packed 24-bit key instead of a colour object; two colours
// are the same element exactly when their keys are equal. A colour that is not of that form
// (a component that is not exactly k / 255, or alpha other than 1) is never an element.
//
// A whole image is tallied at once into one array of entries in key order (count << 24 | key),
// by one of two exact tallies (see tallyArgbPixels); single additions are kept aside and merged
// in at the next read.
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "colorart/engine/ColorValues.hpp"

namespace colorart {

// The bytes red, green, blue as they lie in memory in an RGBX pixel: red | green << 8 | blue << 16.
using ColorKey = uint32_t;

constexpr ColorKey makeKey(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }
constexpr uint32_t keyRed(ColorKey key) { return key & 0xFF; }
constexpr uint32_t keyGreen(ColorKey key) { return (key >> 8) & 0xFF; }
constexpr uint32_t keyBlue(ColorKey key) { return key >> 16; }

// The key of an RGBX pixel at `p` (the fourth byte ignored).
inline ColorKey keyOfPixel(const uint8_t* p) { return makeKey(p[0], p[1], p[2]); }

// The key of a premultiplied ARGB32 pixel value (see CGImage) drawn over black: its colour
// bytes as they are.
inline ColorKey keyOfArgb(uint32_t argb) { return __builtin_bswap32(argb) >> 8; }

inline RGBA rgbaOfKey(ColorKey key) { return {keyRed(key) / 255.0, keyGreen(key) / 255.0, keyBlue(key) / 255.0, 1.0}; }

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

// An entry of the set: count << 24 | key. Ordering entries orders them by count, ties by key.
using ColorEntry = uint64_t;
constexpr ColorEntry makeEntry(uint64_t count, ColorKey key) { return count << 24 | key; }
constexpr uint64_t entryCount(ColorEntry e) { return e >> 24; }
constexpr ColorKey entryKey(ColorEntry e) { return static_cast<ColorKey>(e & 0xFFFFFF); }

// Entries in a vector whose new elements are left uninitialised when it grows: the tallies size it
// to a bound, write it and cut it to what they wrote.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using ColorEntries = std::vector<ColorEntry, UninitialisedAllocator<ColorEntry>>;

// The exact colours of `count` premultiplied ARGB32 pixels drawn over black (see keyOfArgb), with
// how many pixels have each, into `entries` in key order. Two tallies, both sweeping memory in
// long runs where a hash table of a photo's colours misses the cache on nearly every pixel:
// - tallyByGroups groups the pixels by the high 12 bits of the key in one pass (into chained
//   blocks, so the groups need not be counted first), then
//   counts each group's low 12 bits in a table small enough for the first-level cache, reading
//   the colours back from a bitmap of the entries touched; chunks of 16 pixels of one colour are
//   counted whole. It wins when most pixels lie in well-filled groups, as in a photo.
// - tallyBySorting packs runs of equal pixels, radix-sorts them by two 12-bit digits and sums
//   the runs of each key. It wins for few colours in long runs and for colours spread thin.
// tallyArgbPixels looks at a sample of the pixels and takes whichever suits them.
// With `histogram`, each also fills it with how many colours have each count (see CountHistogram);
// with `frequent`, it also writes the entries of the colours counted more than once there, in key
// order, on the way (in most images most colours occur once, and a walk by count rarely gets to them).
constexpr uint64_t kHistogramTop = 255;
// How many distinct colours have each count, counts of kHistogramTop and more together.
using CountHistogram = std::array<uint32_t, kHistogramTop + 1>;
void tallyArgbPixels(const uint32_t* pixels, size_t count, ColorEntries& entries, CountHistogram* histogram = nullptr,
                     ColorEntries* frequent = nullptr);
void tallyByGroups(const uint32_t* pixels, size_t count, ColorEntries& entries, CountHistogram* histogram = nullptr,
                   ColorEntries* frequent = nullptr);
void tallyBySorting(const uint32_t* pixels, size_t count, ColorEntries& entries, CountHistogram* histogram = nullptr,
                    ColorEntries* frequent = nullptr);

class CountedColorSet {
 public:
  // `capacity`: room for that many single additions before the first read.
  explicit CountedColorSet(size_t capacity = 0) { pending_.reserve(capacity); }

  // Adds the colour `times` times.
  void add(ColorKey key, uint64_t times = 1) {
    if (times) pending_.push_back(makeEntry(times, key));
  }

  // Adds the colours of `count` premultiplied ARGB32 pixels drawn over black (see keyOfArgb).
  void addArgbPixels(const uint32_t* pixels, size_t count);

  // How many times the colour was added; 0 when absent.
  uint64_t countForKey(ColorKey key) const;
  uint64_t countForColor(const RGBA& color) const {
    ColorKey key;
    return keyOfColor(color, &key) ? countForKey(key) : 0;
  }

  // Distinct colours.
  size_t size() const { return entries().size(); }

  // Every distinct colour once, in key order.
  const ColorEntries& entries() const {
    if (!pending_.empty()) merge();
    return entries_;
  }

  // The colours added more than once, in key order: the entries whose count is above 1.
  const ColorEntries& frequentEntries() const {
    if (!pending_.empty()) merge();
    return frequent_;
  }

  // Calls f(key, count) for each distinct colour.
  template <class F>
  void forEach(F&& f) const {
    for (ColorEntry e : entries()) f(entryKey(e), entryCount(e));
  }

  // How many distinct colours have each count, counts of kHistogramTop and more together.
  static constexpr uint64_t kHistogramTop = colorart::kHistogramTop;
  using CountHistogram = colorart::CountHistogram;
  const CountHistogram& countHistogram() const {
    if (!pending_.empty()) merge();
    return histogram_;
  }

  void clear() {
    entries_.clear();
    pending_.clear();
    frequent_.clear();
    histogram_.fill(0);
  }

 private:
  // Folds the single additions into the entries.
  void merge() const;
  // Makes the histogram and the frequent entries anew from the entries.
  void recount() const;

  mutable ColorEntries entries_;
  mutable std::vector<ColorEntry> pending_;
  mutable ColorEntries frequent_;
  mutable CountHistogram histogram_{};
};

}  // namespace colorart
