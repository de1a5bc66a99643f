#include <algorithm>
#include <functional>
#include <vector>

#include "colorart/engine/ColorAnalysis.hpp"

namespace colorart {

namespace {

// A candidate packed as count << 24 | key: ordering the packed values orders by count, ties
// broken by key.
constexpr uint64_t pack(uint64_t count, ColorKey key) { return count << 24 | key; }
constexpr uint64_t countOf(uint64_t packed) { return packed >> 24; }
constexpr ColorKey keyOf(uint64_t packed) { return static_cast<ColorKey>(packed & 0xFFFFFF); }

// Walks candidates from the largest count down, sorting only as far as the walk gets: the walks
// of the analysis usually stop after a few entries.
class DescendingWalk {
 public:
  explicit DescendingWalk(std::vector<uint64_t>& items) : items_(items) {}
  size_t size() const { return items_.size(); }
  uint64_t operator[](size_t i) {
    if (i >= sorted_) extend(i);
    return items_[i];
  }

 private:
  void extend(size_t i) {
    size_t next = std::min(items_.size(), std::max({i + 1, sorted_ * 4, size_t{16}}));
    auto first = items_.begin() + sorted_, last = items_.begin() + next;
    if (next < items_.size()) std::nth_element(first, last, items_.end(), std::greater<>());
    std::sort(first, last, std::greater<>());
    sorted_ = next;
  }
  std::vector<uint64_t>& items_;
  size_t sorted_ = 0;
};

// The colours of the leftmost column on more rows than the threshold, compared unsigned (a
// negative threshold admits none), packed as count << 24 | key.
std::vector<uint64_t> edgeCandidates(const uint32_t* pixels, int64_t width, int64_t height, int64_t threshold) {
  CountedColorSet edgeColors(height);
  for (int64_t y = 0; y < height; ++y) edgeColors.add(keyOfArgb(pixels[y * width]));
  std::vector<uint64_t> candidates;
  for (ColorEntry e : edgeColors.entries())
    if (entryCount(e) > static_cast<uint64_t>(threshold)) candidates.push_back(e);
  return candidates;
}

// Of the (non-empty) edge candidates: the most frequent, unless it is black or white and a
// colour that is neither occurs more than 0.4 times as often; then the most frequent such.
ColorKey chooseEdgeColor(std::vector<uint64_t>& candidates) {
  DescendingWalk sorted(candidates);
  const uint64_t first = sorted[0];
  if (!isBlackOrWhite(rgbaOfKey(keyOf(first))) || sorted.size() < 2) return keyOf(first);
  for (size_t i = 1; i < sorted.size(); ++i) {
    const uint64_t entry = sorted[i];
    if (static_cast<double>(countOf(entry)) / static_cast<double>(countOf(first)) <= 0.4) break;
    if (!isBlackOrWhite(rgbaOfKey(keyOf(entry)))) return keyOf(entry);
  }
  return keyOf(first);
}

}  // namespace

std::optional<RGBA> findEdgeColor(PixelView image, int64_t threshold, CountedColorSet& imageColors) {
  imageColors.clear();
  if (!image.valid()) return std::nullopt;
  imageColors.addArgbPixels(image.pixels, static_cast<size_t>(image.width * image.height));
  std::vector<uint64_t> candidates = edgeCandidates(image.pixels, image.width, image.height, threshold);
  if (candidates.empty()) return std::nullopt;
  return rgbaOfKey(chooseEdgeColor(candidates));
}

}  // namespace colorart
