#include "colorart/SLColorArt.hpp"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "colorart/UIColor+DarkAddition.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/graphics/ImageContext.hpp"

using colorart::ColorKey;
using colorart::CountedColorSet;
using colorart::RGBA;

namespace {

// Precomputed answers for 8-bit colours, made from the same formulas as the colour operations
// so that they agree with them bit for bit.
struct Tables {
  // 0.2126 x (k / 255.0), 0.7152 x (k / 255.0), 0.0722 x (k / 255.0): the luminance terms.
  double lumRed[256], lumGreen[256], lumBlue[256];
  // Whether a colour whose largest component is M and smallest m has a saturation below the
  // text minimum, at [M * 256 + m]. Saturation depends on nothing else.
  uint8_t lowSaturation[256 * 256];
  // Whether raising a colour of brightness M / 255 to the text minimum makes its smallest
  // component exactly k / 255 for some k. When not, the raised colour is no pixel colour and its
  // count is 0, whatever its hue.
  uint8_t raisedMinimumExact[256];

  Tables() {
    for (int k = 0; k < 256; ++k) {
      double x = k / 255.0;
      lumRed[k] = 0.2126 * x;
      lumGreen[k] = 0.7152 * x;
      lumBlue[k] = 0.0722 * x;
      // Hue 0 gives (v, p, p) with p the raised colour's smallest component at any hue.
      double r, g, b;
      UIColor::hsbToRgb(0.0, SLColorArt::kMinimumTextSaturation, x, &r, &g, &b);
      raisedMinimumExact[k] = colorart::exactByte(b) >= 0;
    }
    for (int maxc = 0; maxc < 256; ++maxc)
      for (int minc = 0; minc <= maxc; ++minc) {
        double h, s, v;
        UIColor::rgbToHsb(maxc / 255.0, minc / 255.0, minc / 255.0, &h, &s, &v);
        lowSaturation[maxc * 256 + minc] = s < SLColorArt::kMinimumTextSaturation;
      }
  }
};

const Tables& tables() {
  static const Tables t;  // made on first use
  return t;
}

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

UIColorRef colorOfKey(ColorKey key) {
  RGBA c = colorart::rgbaOfKey(key);
  return UIColor::colorWithRed(c.r, c.g, c.b, c.a);
}

}  // namespace

const ClassInfo& SLColorArt::staticClassInfo() {
  static const ClassInfo& info = ClassRegistry::define("SLColorArt", &NSObject::staticClassInfo(), nullptr);
  return info;
}

SLColorArt::SLColorArt(const UIImageRef& image) : SLColorArt(image, kDefaultThreshold) {}

SLColorArt::SLColorArt(const UIImageRef& image, int64_t threshold) {
  setRandomColorThreshold(threshold);
  setImage(image);
  _processImage();
}

void SLColorArt::processImage(const UIImageRef& image, CGSize size, int64_t threshold,
                              std::function<void(const SLColorArtRef&)> onComplete) {
  dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0),
                 [image, size, threshold, onComplete = std::move(onComplete)] {
                   UIImageRef scaled = scaledToSize(image, size);
                   auto art = std::make_shared<SLColorArt>(scaled, threshold);
                   dispatch_async(dispatch_get_main_queue(), [onComplete, art] {
                     if (onComplete) onComplete(art);
                   });
                 });
}

void SLColorArt::_processImage() {
  Dictionary colors = _analyzeImage(image());
  setBackgroundColor(colors[kAnalyzedBackgroundColor]);
  setPrimaryColor(colors[kAnalyzedPrimaryColor]);
  setSecondaryColor(colors[kAnalyzedSecondaryColor]);
  setDetailColor(colors[kAnalyzedDetailColor]);
}

UIImageRef SLColorArt::_scaleImage(const UIImageRef& image, CGSize size) const { return scaledToSize(image, size); }

SLColorArt::Dictionary SLColorArt::_analyzeImage(const UIImageRef& image) const {
  CountedColorSet imageColors;
  UIColorRef backgroundColor = _findEdgeColor(image, imageColors);
  if (!backgroundColor) backgroundColor = UIColor::whiteColor();
  const bool darkBackground = pc_isDarkColor(*backgroundColor);

  UIColorRef primaryColor, secondaryColor, detailColor;
  _findTextColors(imageColors, primaryColor, secondaryColor, detailColor, backgroundColor);
  auto fallback = [darkBackground] { return darkBackground ? UIColor::whiteColor() : UIColor::blackColor(); };
  if (!primaryColor) {
    NSLog("missed primary");
    primaryColor = fallback();
  }
  if (!secondaryColor) {
    NSLog("missed secondary");
    secondaryColor = fallback();
  }
  if (!detailColor) {
    NSLog("missed detail");
    detailColor = fallback();
  }

  Dictionary result;
  result[kAnalyzedBackgroundColor] = backgroundColor;
  result[kAnalyzedPrimaryColor] = primaryColor;
  result[kAnalyzedSecondaryColor] = secondaryColor;
  result[kAnalyzedDetailColor] = detailColor;
  return result;
}

UIColorRef SLColorArt::_findEdgeColor(const UIImageRef& image, CountedColorSet& imageColors) const {
  imageColors.clear();
  const int64_t width = image ? image->pixelWidth() : 0, height = image ? image->pixelHeight() : 0;
  // The bitmap the image is drawn into would be black, 8-bit RGB, of the image's own size, with
  // one image pixel per bitmap pixel: each pixel's colour is its premultiplied colour bytes
  // (see keyOfArgb). So the colours are read from the image's pixels directly, without making
  // the bitmap; a size that no bitmap context takes yields no colours, as it would.
  if (width <= 0 || height <= 0 || width > UIImage::kMaxSide || height > UIImage::kMaxSide ||
      width * height > UIImage::kMaxPixels || image->pixels().size() != static_cast<size_t>(width * height))
    return nullptr;
  const uint32_t* pixels = image->pixels().data();
  imageColors.addArgbPixels(pixels, static_cast<size_t>(width * height));
  CountedColorSet edgeColors(height);
  for (int64_t y = 0; y < height; ++y) edgeColors.add(colorart::keyOfArgb(pixels[y * width]));

  // Colours on more rows than the threshold, compared unsigned: a negative threshold admits none.
  const uint64_t threshold = static_cast<uint64_t>(randomColorThreshold());
  std::vector<uint64_t> candidates;
  for (colorart::ColorEntry e : edgeColors.entries())
    if (colorart::entryCount(e) > threshold) candidates.push_back(e);
  if (candidates.empty()) return nullptr;

  DescendingWalk sorted(candidates);
  const uint64_t first = sorted[0];
  if (!colorart::isBlackOrWhite(colorart::rgbaOfKey(keyOf(first))) || sorted.size() < 2) return colorOfKey(keyOf(first));
  for (size_t i = 1; i < sorted.size(); ++i) {
    const uint64_t entry = sorted[i];
    if (static_cast<double>(countOf(entry)) / static_cast<double>(countOf(first)) <= 0.4) break;
    if (!colorart::isBlackOrWhite(colorart::rgbaOfKey(keyOf(entry)))) return colorOfKey(keyOf(entry));
  }
  return colorOfKey(keyOf(first));
}

void SLColorArt::_findTextColors(const CountedColorSet& colors, UIColorRef& primaryColor, UIColorRef& secondaryColor,
                                 UIColorRef& detailColor, const UIColorRef& backgroundColor) const {
  const bool findDarkTextColor = !(backgroundColor && pc_isDarkColor(*backgroundColor));
  const Tables& t = tables();

  // The three slots, some perhaps filled on entry.
  RGBA chosen[3];
  UIColorRef* outputs[3] = {&primaryColor, &secondaryColor, &detailColor};
  bool filled[3];
  for (int i = 0; i < 3; ++i) {
    filled[i] = *outputs[i] != nullptr;
    if (filled[i]) chosen[i] = colorart::rgbaOf(**outputs[i]);
  }
  const bool hasBackground = backgroundColor != nullptr;
  const double backgroundLuminance =
      hasBackground ? colorart::luminance(backgroundColor->red(), backgroundColor->green(), backgroundColor->blue()) : 0;
  auto contrasts = [&](const RGBA& x) {
    return !hasBackground || colorart::contrastRatio(colorart::luminance(x.r, x.g, x.b), backgroundLuminance) > 1.6;
  };
  // The walk offers each candidate to the first empty slot. `accepts` is that slot's test;
  // `take` fills the slot and says whether the walk is over.
  auto accepts = [&](const RGBA& x) {
    if (!filled[0]) return contrasts(x);
    if (!filled[1]) return colorart::isDistinct(chosen[0], x) && contrasts(x);
    if (!filled[2]) return colorart::isDistinct(chosen[1], x) && colorart::isDistinct(chosen[0], x) && contrasts(x);
    return false;
  };
  auto take = [&](const RGBA& x) {
    int slot = !filled[0] ? 0 : !filled[1] ? 1 : 2;
    chosen[slot] = x, filled[slot] = true;
    return slot == 2;
  };
  // Walks candidates in descending order without sorting them: the walk takes, for each slot in
  // turn, the first candidate after the one taken last that passes the slot's test, so each
  // step is a search for the largest such candidate. (Copies of the colour just taken, which
  // share its packed value, could never pass the next slot's test: they are not distinct from it.)
  // Returns true when the walk is over.
  auto walk = [&](size_t n, auto&& orderOf, auto&& colourOf) {
    uint64_t bound = UINT64_MAX;  // candidates taken so far are all at or above it
    for (;;) {
      if (filled[0] && filled[1] && filled[2]) return true;
      bool found = false;
      uint64_t best = 0;
      size_t bestIndex = 0;
      // From the back: the lists are in key order, so among equal counts the largest comes
      // first and most of the rest is passed over on the order alone.
      for (size_t i = n; i-- > 0;) {
        const uint64_t order = orderOf(i);
        if (order >= bound || (found && order <= best)) continue;
        if (!accepts(colourOf(i))) continue;
        best = order, bestIndex = i, found = true;
      }
      if (!found) return false;
      if (take(colourOf(bestIndex))) return true;
      bound = best;
    }
  };
  auto finish = [&] {
    for (int i = 0; i < 3; ++i)
      if (filled[i] && !*outputs[i])
        *outputs[i] = UIColor::colorWithRed(chosen[i].r, chosen[i].g, chosen[i].b, chosen[i].a);
  };
  if (filled[0] && filled[1] && filled[2]) return finish();

  // Every colour C of the set is a candidate with the colour C' (C with its saturation raised to
  // the minimum) and the count of C' in the set, if C' has the wanted darkness. The candidates are
  // walked by count, largest first; the walk usually ends after a few, so they are gathered in
  // tiers of counts, each tier from a pass over the table that looks at the count first.
  //
  // Which colour C' is, and so which count a candidate has, depends on C:
  // - saturation at least the minimum: C' is C, with C's count;
  // - below it, when the raised colour's smallest component can't be k / 255 (decided by the
  //   brightness alone, see Tables): C' is no pixel colour, count 0, walked after all others;
  // - below it otherwise (a few brightness levels): C' may be a pixel colour with a count of its
  //   own, unrelated to C's. These colours are worked out in full in the first pass.
  const std::vector<colorart::ColorEntry>& entries = colors.entries();
  std::vector<uint64_t> special;  // candidates from the last group with a non-zero count
  std::vector<ColorKey> uncounted;  // colours C whose C' has count 0
  // Colours by count, counts of kTop and more together.
  constexpr uint64_t kTop = CountedColorSet::kHistogramTop;
  const CountedColorSet::CountHistogram& histogram = colors.countHistogram();
  // The colours of the last group, found in the first pass.
  auto findSpecial = [&](ColorKey key) {
    RGBA raised;
    colorart::withMinimumSaturation(colorart::rgbaOfKey(key), kMinimumTextSaturation, &raised);
    ColorKey raisedKey;
    uint64_t raisedCount = colorart::keyOfColor(raised, &raisedKey) ? colors.countForKey(raisedKey) : 0;
    if (raisedCount == 0)
      uncounted.push_back(key);
    else if (colorart::isDark(raised) == findDarkTextColor)
      special.push_back(pack(raisedCount, raisedKey));
  };

  // Tiers: counts in [low, high). The first holds at least 64 colours where there are that many,
  // the second at least 4096, the third all the rest.
  const size_t tierSizes[] = {64, 4096, SIZE_MAX};
  auto lowestCountFor = [&](size_t wanted, uint64_t below) -> uint64_t {
    // The largest low < below such that at least `wanted` colours have a count in [low, below).
    size_t n = below > kTop ? histogram[kTop] : 0;
    uint64_t low = std::min(below, kTop);
    while (low > 1 && n < wanted) n += histogram[--low];
    return std::max<uint64_t>(low, 1);
  };

  std::vector<uint64_t> tier;
  uint64_t high = UINT64_MAX;
  bool firstPass = true;
  for (size_t tierSize : tierSizes) {
    if (high <= 1) break;
    const uint64_t low = lowestCountFor(tierSize, high);
    tier.clear();
    for (const colorart::ColorEntry e : entries) {
      const ColorKey key = colorart::entryKey(e);
      const uint32_t r = colorart::keyRed(key), g = colorart::keyGreen(key), b = colorart::keyBlue(key);
      if (firstPass) {
        // Every colour once, for the last group.
        const uint32_t maxc = std::max({r, g, b});
        if (t.raisedMinimumExact[maxc] && t.lowSaturation[maxc * 256 + std::min({r, g, b})]) {
          findSpecial(key);
          continue;
        }
      }
      // The count first: most colours of a photo occur once or twice.
      if (colorart::entryCount(e) - low >= high - low) continue;
      const uint32_t maxc = std::max({r, g, b}), minc = std::min({r, g, b});
      if (t.lowSaturation[maxc * 256 + minc]) continue;  // its C' is another colour: see above
      const double luminance = (t.lumRed[r] + t.lumGreen[g]) + t.lumBlue[b];
      if ((luminance < 0.5) == findDarkTextColor) tier.push_back(e);
    }
    firstPass = false;
    for (const uint64_t c : special)
      if (countOf(c) >= low && countOf(c) < high) tier.push_back(c);
    if (walk(
            tier.size(), [&](size_t i) { return tier[i]; },
            [&](size_t i) { return colorart::rgbaOfKey(keyOf(tier[i])); }))
      return finish();
    high = low;
  }

  // Last, the candidates of count 0: greyish colours whose raised colour no pixel has.
  for (const colorart::ColorEntry e : entries) {
    const ColorKey key = colorart::entryKey(e);
    const uint32_t r = colorart::keyRed(key), g = colorart::keyGreen(key), b = colorart::keyBlue(key);
    const uint32_t maxc = std::max({r, g, b}), minc = std::min({r, g, b});
    if (!t.raisedMinimumExact[maxc] && t.lowSaturation[maxc * 256 + minc]) uncounted.push_back(key);
  }
  // Of the wrong darkness: out. The rest in key order, largest first.
  std::vector<std::pair<ColorKey, RGBA>> raisedColours;
  raisedColours.reserve(uncounted.size());
  for (const ColorKey key : uncounted) {
    RGBA raised;
    colorart::withMinimumSaturation(colorart::rgbaOfKey(key), kMinimumTextSaturation, &raised);
    if (colorart::isDark(raised) == findDarkTextColor) raisedColours.emplace_back(key, raised);
  }
  walk(
      raisedColours.size(), [&](size_t i) { return uint64_t{raisedColours[i].first}; },
      [&](size_t i) { return raisedColours[i].second; });
  finish();
}
