#include "colorart/CountedColorSet.hpp"

#include <algorithm>

namespace colorart {

namespace {

// Working memory of the tally, kept per thread so that analysing image after image does not
// fault in fresh pages each time.
struct Scratch {
  std::vector<uint32_t> items, sorted;
};
thread_local Scratch scratch;

constexpr int kDigitBits = 12;
constexpr uint32_t kBuckets = 1u << kDigitBits, kDigitMask = kBuckets - 1;
constexpr uint32_t kMaxRun = 0xFF;

// Sorted entries `a` and `b` as one sorted list, the counts of equal keys summed.
std::vector<ColorEntry> combine(const std::vector<ColorEntry>& a, const std::vector<ColorEntry>& b) {
  std::vector<ColorEntry> out;
  out.reserve(a.size() + b.size());
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    ColorKey ka = entryKey(a[i]), kb = entryKey(b[j]);
    if (ka < kb) {
      out.push_back(a[i++]);
    } else if (kb < ka) {
      out.push_back(b[j++]);
    } else {
      out.push_back(a[i++] + (b[j++] & ~ColorEntry{0xFFFFFF}));
    }
  }
  out.insert(out.end(), a.begin() + i, a.end());
  out.insert(out.end(), b.begin() + j, b.end());
  return out;
}

// Distributes `in` into `out` by the digit of the key (bits 8 and up of an item) at `shift`,
// keeping the order within a bucket. `count` holds how many items each bucket gets.
void scatter(const uint32_t* in, uint32_t* out, size_t n, const uint32_t* count, int shift) {
  uint32_t start[kBuckets];
  uint32_t sum = 0;
  for (uint32_t b = 0; b < kBuckets; ++b) start[b] = sum, sum += count[b];
  for (size_t i = 0; i < n; ++i) {
    const uint32_t item = in[i];
    out[start[(item >> shift) & kDigitMask]++] = item;
  }
}

}  // namespace

void CountedColorSet::addArgbPixels(const uint32_t* pixels, size_t count) {
  if (count == 0) return;
  // 1. Runs of equal colours, each one item: key << 8 | its length (longer runs are split), and
  //    how many items each value of the two 12-bit digits of the key has.
  std::vector<uint32_t>& itemBuffer = scratch.items;
  if (itemBuffer.size() < count) itemBuffer.resize(count);
  uint32_t* items = itemBuffer.data();
  uint32_t low[kBuckets] = {}, high[kBuckets] = {};
  size_t n = 0;
  ColorKey runKey = keyOfArgb(pixels[0]);
  uint32_t run = 0;
  for (size_t i = 0; i < count; ++i) {
    const ColorKey key = keyOfArgb(pixels[i]);
    if (key == runKey && run < kMaxRun) {
      ++run;
      continue;
    }
    items[n++] = runKey << 8 | run;
    ++low[runKey & kDigitMask];
    ++high[runKey >> kDigitBits];
    runKey = key, run = 1;
  }
  items[n++] = runKey << 8 | run;
  ++low[runKey & kDigitMask];
  ++high[runKey >> kDigitBits];

  // 2. Least significant digit first; a digit that all items share needs no pass.
  std::vector<uint32_t>& spare = scratch.sorted;
  if (spare.size() < n) spare.resize(n);
  uint32_t* a = items;
  uint32_t* b = spare.data();
  if (*std::max_element(low, low + kBuckets) != n) {
    scatter(a, b, n, low, 8);
    std::swap(a, b);
  }
  if (*std::max_element(high, high + kBuckets) != n) {
    scatter(a, b, n, high, 8 + kDigitBits);
    std::swap(a, b);
  }

  // 3. Equal keys now lie together: one entry per key, its runs summed.
  std::vector<ColorEntry> fresh;
  const bool alone = entries_.empty();
  std::vector<ColorEntry>& out = alone ? entries_ : fresh;
  out.clear();
  out.reserve(n);
  CountHistogram histogram{};
  size_t i = 0;
  while (i < n) {
    const uint32_t key = a[i] >> 8;
    uint64_t total = 0;
    for (; i < n && (a[i] >> 8) == key; ++i) total += a[i] & 0xFF;
    out.push_back(makeEntry(total, key));
    ++histogram[std::min(total, kHistogramTop)];
  }
  if (alone) histogram_ = histogram;
  if (!alone) {
    entries_ = combine(entries_, fresh);
    recountHistogram();
  }
}

void CountedColorSet::recountHistogram() const {
  histogram_.fill(0);
  for (ColorEntry e : entries_) ++histogram_[std::min(entryCount(e), kHistogramTop)];
}

void CountedColorSet::merge() const {
  std::sort(pending_.begin(), pending_.end(),
            [](ColorEntry x, ColorEntry y) { return entryKey(x) < entryKey(y); });
  std::vector<ColorEntry> folded;
  folded.reserve(pending_.size());
  for (ColorEntry e : pending_) {
    if (!folded.empty() && entryKey(folded.back()) == entryKey(e))
      folded.back() += e & ~ColorEntry{0xFFFFFF};
    else
      folded.push_back(e);
  }
  pending_.clear();
  entries_ = entries_.empty() ? std::move(folded) : combine(entries_, folded);
  recountHistogram();
}

uint64_t CountedColorSet::countForKey(ColorKey key) const {
  const std::vector<ColorEntry>& all = entries();
  auto it = std::lower_bound(all.begin(), all.end(), key, [](ColorEntry e, ColorKey k) { return entryKey(e) < k; });
  return it != all.end() && entryKey(*it) == key ? entryCount(*it) : 0;
}

}  // namespace colorart
