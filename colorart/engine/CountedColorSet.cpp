#include "colorart/engine/CountedColorSet.hpp"

#include <algorithm>

namespace colorart {

namespace {

constexpr int kHalfBits = 12;
constexpr uint32_t kHalves = 1u << kHalfBits, kHalfMask = kHalves - 1;
// Pixels are looked at in chunks of this many: a chunk of one colour is counted whole.
constexpr size_t kChunk = 16;

// Working memory of the tally, kept per thread so that analysing image after image does not
// fault in fresh pages each time. `counts` and `touched` are all zero between tallies.
struct Scratch {
  std::vector<uint32_t> items, sorted;
  std::vector<uint16_t> lows;
  std::vector<uint32_t> links;
  std::vector<ColorEntry> uniform;
  ColorEntries frequent;
  uint32_t counts[kHalves] = {};
  uint64_t touched[kHalves / 64] = {};
};
thread_local Scratch scratch;

// Whether the `kChunk` pixels at `p` have one colour (alpha is not part of it).
inline bool uniformChunk(const uint32_t* p) {
  uint32_t differ = 0;
  for (size_t k = 1; k < kChunk; ++k) differ |= p[k] ^ p[0];
  return (differ & 0xFFFFFF) == 0;
}

// Sorted entries `a` and `b` as one sorted list, the counts of equal keys summed.
ColorEntries combine(const ColorEntries& a, const ColorEntries& b) {
  ColorEntries out;
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

// Where the tallies write the colours they find, in key order, as entries: all of them to `out`,
// those counted more than once also to `frequent`, and how many colours have each count to
// `histogram`. Writing never branches on the count: a slot past the last entry written may be
// written and then written over.
struct Sink {
  ColorEntry* out;
  ColorEntry* frequent;
  CountHistogram& histogram;

  // Writes the colour; it is kept only when `real`.
  void put(uint64_t total, ColorKey key, bool real) {
    const ColorEntry e = makeEntry(total, key);
    *out = e, out += real;
    *frequent = e, frequent += real & (total > 1);
    histogram[std::min(total, kHistogramTop)] += real;
  }
};

// The entries of `all` counted more than once.
void keepFrequent(const ColorEntries& all, ColorEntries& frequent) {
  frequent.clear();
  for (ColorEntry e : all)
    if (entryCount(e) > 1) frequent.push_back(e);
}

// Writes the colours of group `high` counted in `counts` and marked in `touched` to `sink`,
// clearing both as it goes; `summary` has a bit for each word of `touched` that has any, so a
// group of few colours costs no more than it has. Each bitmap word is read out two colours at a
// time without asking how many it has (most hold one or two), so the sink's buffers must have
// room for an entry more than it keeps.
void emitGroup(uint32_t high, uint32_t* counts, uint64_t* touched, uint64_t summary, Sink& sink) {
  for (; summary; summary &= summary - 1) {
    const uint32_t w = static_cast<uint32_t>(std::countr_zero(summary));
    uint64_t bits = touched[w];
    touched[w] = 0;
    uint32_t* words = counts + (w << 6);
    const uint32_t key = high << kHalfBits | w << 6;
    auto one = [&] {
      const bool real = bits != 0;
      // With no bit left this reads and clears entry 63, which is then 0: its colour, if any,
      // was written already.
      const uint32_t low = static_cast<uint32_t>(std::countr_zero(bits | uint64_t{1} << 63));
      const uint64_t total = words[low];
      words[low] = 0;
      sink.put(total, key | low, real);
      bits &= bits - 1;
    };
    one(), one();
    while (bits) one();
  }
}

// A group with at least this many pixels is well filled: counting it in the table pays.
constexpr uint32_t kWellFilledGroup = 96;

constexpr int kDigitBits = 12;
constexpr uint32_t kBuckets = 1u << kDigitBits, kDigitMask = kBuckets - 1;
constexpr uint32_t kMaxRun = 0xFF;

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

// Whether grouping pays: unless most pixels outside chunks of one colour (which both tallies
// count whole) lie in groups too thinly filled for the table to pay, as when colours are
// spread thin; sorting is faster then. Judged from every 16th chunk, so that the choice costs
// little.
bool groupingPays(const uint32_t* pixels, size_t count) {
  constexpr size_t kStride = 16 * kChunk;
  uint32_t sampled[kHalves] = {};
  size_t mixed = 0;  // sampled pixels outside chunks of one colour
  for (size_t i = 0; i + kChunk <= count; i += kStride) {
    if (uniformChunk(pixels + i)) continue;
    mixed += kChunk;
    for (size_t k = 0; k < kChunk; ++k) ++sampled[keyOfArgb(pixels[i + k]) >> kHalfBits];
  }
  size_t dense = 0;
  for (uint32_t h = 0; h < kHalves; ++h) dense += sampled[h] * 16 >= kWellFilledGroup ? sampled[h] : 0;
  // With no chunk looked at (a tiny image), sorting: it has no groups to walk.
  return mixed > 0 ? 2 * dense >= mixed : count >= kStride;
}

// Low halves of keys grouped by their high half in one pass, without counting the groups first:
// each group's values go to blocks of kBlock in one buffer, a group's blocks chained.
constexpr uint32_t kBlock = 64;

class BlockGroups {
 public:
  // Room in `values` and `links` for `count` values.
  BlockGroups(std::vector<uint16_t>& values, std::vector<uint32_t>& links, size_t count) {
    // Every value, and one block per group that is not full.
    const size_t capacity = count + size_t{kHalves} * kBlock;
    if (values.size() < capacity) values.resize(capacity), links.resize(capacity / kBlock);
    values_ = values.data(), links_ = links.data();
  }

  void add(uint32_t group, uint16_t value) {
    uint32_t at = tail_[group];
    if (at % kBlock == 0) {  // no block yet, or the last one is full
      if (at == 0)
        head_[group] = unused_ / kBlock;
      else
        links_[(at - 1) / kBlock] = unused_ / kBlock;
      at = unused_, unused_ += kBlock;
    }
    values_[at] = value;
    tail_[group] = at + 1;
  }

  bool empty(uint32_t group) const { return tail_[group] == 0; }

  // Calls f(values, n) for each block of the group in turn, until it returns false.
  template <class F>
  void forEachBlock(uint32_t group, F&& f) const {
    if (empty(group)) return;
    const uint32_t last = (tail_[group] - 1) / kBlock;
    for (uint32_t block = head_[group];; block = links_[block]) {
      const bool isLast = block == last;
      if (!f(values_ + block * kBlock, isLast ? tail_[group] - last * kBlock : kBlock) || isLast) return;
    }
  }

 private:
  uint16_t* values_;
  uint32_t* links_;              // the block after each block of a group
  uint32_t tail_[kHalves] = {};  // where a group's next value goes; 0 before its first
  uint32_t head_[kHalves];       // a group's first block, once it has one
  uint32_t unused_ = 0;          // where the next block starts
};

// The grouped tally, written to `sink`.
void groupWhole(const uint32_t* pixels, size_t count, Sink& sink) {
  Scratch& work = scratch;
  // 1. The low halves of the pixels outside uniform chunks, grouped by high half.
  BlockGroups groups(work.lows, work.links, count);
  auto place = [&](ColorKey key) { groups.add(key >> kHalfBits, static_cast<uint16_t>(key & kHalfMask)); };
  // Chunks of one colour set aside as (count << 24 | key), sorted by key.
  std::vector<ColorEntry>& uniform = work.uniform;
  uniform.clear();
  const size_t chunked = count - count % kChunk;
  for (size_t i = 0; i < chunked; i += kChunk) {
    if (!uniformChunk(pixels + i)) {
      for (size_t k = 0; k < kChunk; ++k) place(keyOfArgb(pixels[i + k]));
    } else if (!uniform.empty() && entryKey(uniform.back()) == keyOfArgb(pixels[i])) {
      uniform.back() += makeEntry(kChunk, 0);
    } else {
      uniform.push_back(makeEntry(kChunk, keyOfArgb(pixels[i])));
    }
  }
  for (size_t i = chunked; i < count; ++i) place(keyOfArgb(pixels[i]));
  std::sort(uniform.begin(), uniform.end(), [](ColorEntry x, ColorEntry y) { return entryKey(x) < entryKey(y); });

  // 2. Each group counted in a small table that stays in the first-level cache, its colours read
  //    back in key order from a bitmap of the entries touched; only its touched words are read.
  uint32_t* counts = work.counts;
  uint64_t* touched = work.touched;
  const ColorEntry* chunk = uniform.data();
  const ColorEntry* const chunksEnd = chunk + uniform.size();
  auto chunkIn = [&](uint32_t h) { return chunk != chunksEnd && entryKey(*chunk) >> kHalfBits == h; };
  for (uint32_t h = 0; h < kHalves; ++h) {
    if (groups.empty(h) && !chunkIn(h)) continue;
    uint64_t summary = 0;  // which words of `touched` have bits
    groups.forEachBlock(h, [&](const uint16_t* block, uint32_t n) {
      for (uint32_t i = 0; i < n; ++i) {
        const uint32_t low = block[i];
        ++counts[low];
        touched[low >> 6] |= uint64_t{1} << (low & 63);
        summary |= uint64_t{1} << (low >> 6);
      }
      return true;
    });
    for (; chunkIn(h); ++chunk) {
      const uint32_t low = entryKey(*chunk) & kHalfMask;
      counts[low] += static_cast<uint32_t>(entryCount(*chunk));
      touched[low >> 6] |= uint64_t{1} << (low & 63);
      summary |= uint64_t{1} << (low >> 6);
    }
    emitGroup(h, counts, touched, summary, sink);
  }
}

// Positions and counts in the tallies are 32-bit: larger inputs are tallied in slices.
constexpr size_t kMaxTally = size_t{1} << 31;

// A tally of a whole input of at most kMaxTally pixels (count > 0), written to a sink with room
// for 3 entries more than there are pixels, and for 3 frequent ones more than half as many.
using WholeTally = void (*)(const uint32_t*, size_t, Sink&);

// Runs `whole` on the pixels, in slices when there are more than it takes.
void runTally(const uint32_t* pixels, size_t count, ColorEntries& entries, CountHistogram* histogram, ColorEntries* frequent,
              WholeTally whole) {
  entries.clear();
  if (frequent) frequent->clear();
  CountHistogram spareHistogram;
  CountHistogram& tallied = histogram ? *histogram : spareHistogram;
  tallied.fill(0);
  if (count == 0) return;
  if (count <= kMaxTally) {
    ColorEntries& frequentBuffer = frequent ? *frequent : scratch.frequent;
    entries.resize(count + 3);
    frequentBuffer.resize(count / 2 + 3);
    Sink sink{entries.data(), frequentBuffer.data(), tallied};
    whole(pixels, count, sink);
    entries.resize(sink.out - entries.data());
    frequentBuffer.resize(sink.frequent - frequentBuffer.data());
    return;
  }
  ColorEntries slice;
  for (size_t done = 0; done < count; done += kMaxTally) {
    runTally(pixels + done, std::min(kMaxTally, count - done), slice, nullptr, nullptr, whole);
    entries = combine(entries, slice);
  }
  tallied.fill(0);
  for (ColorEntry e : entries) ++tallied[std::min(entryCount(e), kHistogramTop)];
  if (frequent) keepFrequent(entries, *frequent);
}

void sortWhole(const uint32_t* pixels, size_t count, Sink& sink) {
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

  // 3. Equal keys now lie together: one entry per key, its runs summed. Colours seen once are
  //    counted in a register: where most are (colours spread thin), counting each in the
  //    histogram would make every entry wait for the one before.
  size_t i = 0;
  uint32_t once = 0;
  while (i < n) {
    const uint32_t key = a[i] >> 8;
    uint64_t total = 0;
    for (; i < n && (a[i] >> 8) == key; ++i) total += a[i] & 0xFF;
    const ColorEntry e = makeEntry(total, key);
    *sink.out++ = e;
    if (total > 1) {
      *sink.frequent++ = e;
      ++sink.histogram[std::min(total, kHistogramTop)];
    } else {
      ++once;
    }
  }
  sink.histogram[1] += once;
}

}  // namespace

void tallyBySorting(const uint32_t* pixels, size_t count, ColorEntries& entries, CountHistogram* histogram,
                    ColorEntries* frequent) {
  runTally(pixels, count, entries, histogram, frequent, sortWhole);
}

void tallyByGroups(const uint32_t* pixels, size_t count, ColorEntries& entries, CountHistogram* histogram,
                   ColorEntries* frequent) {
  runTally(pixels, count, entries, histogram, frequent, groupWhole);
}

void tallyArgbPixels(const uint32_t* pixels, size_t count, ColorEntries& entries, CountHistogram* histogram,
                     ColorEntries* frequent) {
  if (count <= kMaxTally && groupingPays(pixels, count))
    tallyByGroups(pixels, count, entries, histogram, frequent);
  else
    tallyBySorting(pixels, count, entries, histogram, frequent);
}

void CountedColorSet::addArgbPixels(const uint32_t* pixels, size_t count) {
  if (count == 0) return;
  if (entries_.empty()) {
    tallyArgbPixels(pixels, count, entries_, &histogram_, &frequent_);
  } else {
    ColorEntries fresh;
    tallyArgbPixels(pixels, count, fresh);
    entries_ = combine(entries_, fresh);
    recount();
  }
}

void CountedColorSet::recount() const {
  histogram_.fill(0);
  for (ColorEntry e : entries_) ++histogram_[std::min(entryCount(e), kHistogramTop)];
  keepFrequent(entries_, frequent_);
}

void CountedColorSet::merge() const {
  std::sort(pending_.begin(), pending_.end(), [](ColorEntry x, ColorEntry y) { return entryKey(x) < entryKey(y); });
  ColorEntries folded;
  folded.reserve(pending_.size());
  for (ColorEntry e : pending_) {
    if (!folded.empty() && entryKey(folded.back()) == entryKey(e))
      folded.back() += e & ~ColorEntry{0xFFFFFF};
    else
      folded.push_back(e);
  }
  pending_.clear();
  entries_ = entries_.empty() ? std::move(folded) : combine(entries_, folded);
  recount();
}

uint64_t CountedColorSet::countForKey(ColorKey key) const {
  const ColorEntries& all = entries();
  auto it = std::lower_bound(all.begin(), all.end(), key, [](ColorEntry e, ColorKey k) { return entryKey(e) < k; });
  return it != all.end() && entryKey(*it) == key ? entryCount(*it) : 0;
}

}  // namespace colorart
