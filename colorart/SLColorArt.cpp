#include "colorart/SLColorArt.hpp"

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <span>
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
  // The colours of those brightnesses with a saturation below the text minimum whose raised
  // colour is a pixel colour, each as (raised colour, colour), sorted: a colour set holds the
  // raised colours among its own (see TextCandidates).
  std::vector<std::pair<ColorKey, ColorKey>> raisedPairs;

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
    for (uint32_t maxc = 0; maxc < 256; ++maxc) {
      if (!raisedMinimumExact[maxc]) continue;
      // Saturation falls as the smallest component rises: the low ones are those from `least` up.
      uint32_t least = maxc;
      while (least > 0 && lowSaturation[maxc * 256 + least - 1]) --least;
      for (uint32_t b = least; b <= maxc; ++b)
        for (uint32_t g = least; g <= maxc; ++g)
          for (uint32_t r = least; r <= maxc; ++r) {
            if (std::max({r, g, b}) != maxc) continue;
            const ColorKey key = colorart::makeKey(r, g, b);
            RGBA raised;
            colorart::withMinimumSaturation(colorart::rgbaOfKey(key), SLColorArt::kMinimumTextSaturation, &raised);
            ColorKey raisedKey;
            if (colorart::keyOfColor(raised, &raisedKey)) raisedPairs.emplace_back(raisedKey, key);
          }
    }
    std::sort(raisedPairs.begin(), raisedPairs.end());
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

// The pixels of the image as the bitmap it is drawn into would hold them, or null when there are
// none. That bitmap would be black, 8-bit RGB, of the image's own size, with one image pixel per
// bitmap pixel: each pixel's colour is its premultiplied colour bytes (see keyOfArgb). So the
// colours are read from the image's pixels directly, without making the bitmap; a size that no
// bitmap context takes yields no colours, as it would.
const uint32_t* bitmapPixels(const UIImageRef& image, int64_t* width, int64_t* height) {
  *width = image ? image->pixelWidth() : 0, *height = image ? image->pixelHeight() : 0;
  if (*width <= 0 || *height <= 0 || *width > UIImage::kMaxSide || *height > UIImage::kMaxSide ||
      *width * *height > UIImage::kMaxPixels || image->pixels().size() != static_cast<size_t>(*width * *height))
    return nullptr;
  return image->pixels().data();
}

// The colours of the leftmost column on more rows than the threshold, compared unsigned (a
// negative threshold admits none), packed as count << 24 | key.
std::vector<uint64_t> edgeCandidates(const uint32_t* pixels, int64_t width, int64_t height, int64_t threshold) {
  CountedColorSet edgeColors(height);
  for (int64_t y = 0; y < height; ++y) edgeColors.add(colorart::keyOfArgb(pixels[y * width]));
  std::vector<uint64_t> candidates;
  for (colorart::ColorEntry e : edgeColors.entries())
    if (colorart::entryCount(e) > static_cast<uint64_t>(threshold)) candidates.push_back(e);
  return candidates;
}

// Of the (non-empty) edge candidates: the most frequent, unless it is black or white and a
// colour that is neither occurs more than 0.4 times as often; then the most frequent such.
ColorKey chooseEdgeColor(std::vector<uint64_t>& candidates) {
  DescendingWalk sorted(candidates);
  const uint64_t first = sorted[0];
  if (!colorart::isBlackOrWhite(colorart::rgbaOfKey(keyOf(first))) || sorted.size() < 2) return keyOf(first);
  for (size_t i = 1; i < sorted.size(); ++i) {
    const uint64_t entry = sorted[i];
    if (static_cast<double>(countOf(entry)) / static_cast<double>(countOf(first)) <= 0.4) break;
    if (!colorart::isBlackOrWhite(colorart::rgbaOfKey(keyOf(entry)))) return keyOf(entry);
  }
  return keyOf(first);
}

// The three text colour slots while the candidates are walked; some may be filled on entry.
// Each candidate is offered to the first empty slot only.
class TextSlots {
 public:
  TextSlots(UIColorRef& primaryColor, UIColorRef& secondaryColor, UIColorRef& detailColor, const UIColorRef& backgroundColor)
      : outputs_{&primaryColor, &secondaryColor, &detailColor}, hasBackground_(backgroundColor != nullptr) {
    for (int i = 0; i < 3; ++i) {
      filled_[i] = *outputs_[i] != nullptr;
      if (filled_[i]) chosen_[i] = colorart::rgbaOf(**outputs_[i]);
    }
    if (hasBackground_)
      backgroundLuminance_ = colorart::luminance(backgroundColor->red(), backgroundColor->green(), backgroundColor->blue());
  }

  bool full() const { return filled_[0] && filled_[1] && filled_[2]; }

  // Walks candidates in descending order without sorting them: the walk takes, for each slot in
  // turn, the first candidate after the one taken last that passes the slot's test, so each
  // step is a search for the largest such candidate. (Copies of the colour just taken, which
  // share its packed value, could never pass the next slot's test: they are not distinct from it.)
  // orderOf(i) is candidate i's place in the order, colourOf(i) its colour. Returns true when the
  // walk is over.
  template <class Order, class Colour>
  bool walk(size_t n, Order&& orderOf, Colour&& colourOf) {
    uint64_t bound = UINT64_MAX;  // candidates taken so far are all at or above it
    for (;;) {
      if (full()) return true;
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
  }

  // Hands the colours chosen during the walk to the slots that were empty.
  void finish() {
    for (int i = 0; i < 3; ++i)
      if (filled_[i] && !*outputs_[i])
        *outputs_[i] = UIColor::colorWithRed(chosen_[i].r, chosen_[i].g, chosen_[i].b, chosen_[i].a);
  }

 private:
  bool contrasts(const RGBA& x) const {
    return !hasBackground_ || colorart::contrastRatio(colorart::luminance(x.r, x.g, x.b), backgroundLuminance_) > 1.6;
  }
  // The test of the first empty slot.
  bool accepts(const RGBA& x) const {
    if (!filled_[0]) return contrasts(x);
    if (!filled_[1]) return colorart::isDistinct(chosen_[0], x) && contrasts(x);
    if (!filled_[2]) return colorart::isDistinct(chosen_[1], x) && colorart::isDistinct(chosen_[0], x) && contrasts(x);
    return false;
  }
  // Fills the first empty slot; true when that was the last.
  bool take(const RGBA& x) {
    int slot = !filled_[0] ? 0 : !filled_[1] ? 1 : 2;
    chosen_[slot] = x, filled_[slot] = true;
    return slot == 2;
  }

  RGBA chosen_[3];
  bool filled_[3];
  UIColorRef* outputs_[3];
  bool hasBackground_;
  double backgroundLuminance_ = 0;
};

// The text colour candidates of a colour set, walked by count, largest first. Every colour C of
// the set is a candidate with the colour C' (C with its saturation raised to the minimum) and
// the count of C' in the set, if C' has the wanted darkness. The walk usually ends after a few,
// so they are gathered in tiers of counts, each tier from a pass over the set that looks at the
// count first: over the set's frequent colours while the tier's counts are above 1, over all of
// them only for the last tier.
//
// Which colour C' is, and so which count a candidate has, depends on C:
// - saturation at least the minimum: C' is C, with C's count;
// - below it, when the raised colour's smallest component can't be k / 255 (decided by the
//   brightness alone, see Tables): C' is no pixel colour, count 0, walked after all others;
// - below it otherwise (a few brightness levels): C' may be a pixel colour with a count of its
//   own, unrelated to C's ("special"). While the walk is among frequent colours, these C' are
//   found from the other side: the frequent colours that are the raised colour of some C in the
//   set (see Tables::raisedPairs). The last tier works every special C out in full.
class TextCandidates {
 public:
  TextCandidates(const CountedColorSet& colors, bool findDarkTextColor)
      : colors_(colors), findDark_(findDarkTextColor), histogram_(colors.countHistogram()) {}

  // Walks the candidates of non-zero count, tier by tier. True when the walk is over.
  bool walkCounted(TextSlots& slots) {
    // The first tier holds at least 64 colours where there are that many, the second at least
    // 4096, the third all the rest.
    const size_t tierSizes[] = {64, 4096, SIZE_MAX};
    uint64_t lows[std::size(tierSizes)];
    size_t tiers = 0;
    for (uint64_t high = UINT64_MAX; tiers < std::size(tierSizes) && high > 1; ++tiers)
      high = lows[tiers] = lowestCountFor(tierSizes[tiers], high);
    // The tiers above count 1 come from one pass over the frequent colours.
    const uint64_t* lowestFrequent = std::find(lows, lows + tiers, uint64_t{1});
    if (lowestFrequent != lows) gatherFrequent(lowestFrequent[-1]);
    uint64_t high = UINT64_MAX;
    for (const uint64_t low : std::span(lows, tiers)) {
      if (low > 1)
        selectFrequent(low, high);
      else
        gatherWhole(high);
      const uint64_t* tier = tier_.data();
      if (slots.walk(
              tier_.size(), [tier](size_t i) { return tier[i]; },
              [tier](size_t i) { return colorart::rgbaOfKey(keyOf(tier[i])); }))
        return true;
      high = low;
    }
    return false;
  }

  // Walks the candidates of count 0 (greyish colours whose raised colour no pixel has), in key
  // order, largest first; those of the wrong darkness are out. Needs walkCounted to have run
  // to its end.
  void walkUncounted(TextSlots& slots) {
    const Tables& t = tables();
    for (const colorart::ColorEntry e : colors_.entries()) {
      const ColorKey key = colorart::entryKey(e);
      const uint32_t r = colorart::keyRed(key), g = colorart::keyGreen(key), b = colorart::keyBlue(key);
      const uint32_t maxc = std::max({r, g, b}), minc = std::min({r, g, b});
      if (!t.raisedMinimumExact[maxc] && t.lowSaturation[maxc * 256 + minc]) uncounted_.push_back(key);
    }
    std::vector<std::pair<ColorKey, RGBA>> raisedColours;
    raisedColours.reserve(uncounted_.size());
    for (const ColorKey key : uncounted_) {
      RGBA raised;
      colorart::withMinimumSaturation(colorart::rgbaOfKey(key), SLColorArt::kMinimumTextSaturation, &raised);
      if (colorart::isDark(raised) == findDark_) raisedColours.emplace_back(key, raised);
    }
    slots.walk(
        raisedColours.size(), [&](size_t i) { return uint64_t{raisedColours[i].first}; },
        [&](size_t i) { return raisedColours[i].second; });
  }

 private:
  static constexpr uint64_t kTop = CountedColorSet::kHistogramTop;  // counts of kTop and more together

  // The largest low < below such that at least `wanted` colours have a count in [low, below).
  uint64_t lowestCountFor(size_t wanted, uint64_t below) const {
    size_t n = below > kTop ? histogram_[kTop] : 0;
    uint64_t low = std::min(below, kTop);
    while (low > 1 && n < wanted) n += histogram_[--low];
    return std::max<uint64_t>(low, 1);
  }

  // The candidates with counts of at least `low` (> 1) into frequent_, in one pass over the
  // frequent colours. A frequent colour X of the wanted darkness is a candidate, with its own count,
  // when its saturation is at least the minimum (C = C' = X) or when a special colour C of the set
  // is raised to it (C' = X).
  void gatherFrequent(uint64_t low) {
    const Tables& t = tables();
    const std::vector<std::pair<ColorKey, ColorKey>>& pairs = t.raisedPairs;
    auto pair = pairs.begin();
    for (const colorart::ColorEntry e : colors_.frequentEntries()) {
      if (colorart::entryCount(e) < low) continue;
      const ColorKey key = colorart::entryKey(e);
      const uint32_t r = colorart::keyRed(key), g = colorart::keyGreen(key), b = colorart::keyBlue(key);
      const double luminance = (t.lumRed[r] + t.lumGreen[g]) + t.lumBlue[b];
      if ((luminance < 0.5) != findDark_) continue;
      if (!t.lowSaturation[std::max({r, g, b}) * 256 + std::min({r, g, b})]) {
        frequent_.push_back(e);
        continue;
      }
      while (pair != pairs.end() && pair->first < key) ++pair;
      for (auto raisedFrom = pair; raisedFrom != pairs.end() && raisedFrom->first == key; ++raisedFrom)
        if (colors_.countForKey(raisedFrom->second) > 0) {
          frequent_.push_back(e);
          break;
        }
    }
  }

  // The candidates gathered from the frequent colours with counts in [low, high) into tier_.
  void selectFrequent(uint64_t low, uint64_t high) {
    tier_.clear();
    for (const uint64_t c : frequent_)
      if (countOf(c) >= low && countOf(c) < high) tier_.push_back(c);
  }

  // The candidates with counts in [1, high) into tier_, in a pass over the whole set that also
  // works out every special colour.
  void gatherWhole(uint64_t high) {
    const Tables& t = tables();
    const bool findDark = findDark_;
    std::vector<uint64_t> tier = std::move(tier_);
    tier.clear();
    for (const colorart::ColorEntry e : colors_.entries()) {
      const ColorKey key = colorart::entryKey(e);
      const uint32_t r = colorart::keyRed(key), g = colorart::keyGreen(key), b = colorart::keyBlue(key);
      const uint32_t maxc = std::max({r, g, b}), minc = std::min({r, g, b});
      if (t.raisedMinimumExact[maxc] && t.lowSaturation[maxc * 256 + minc]) {
        findSpecial(key);
        continue;
      }
      // The count first: most colours of a photo occur once or twice.
      if (colorart::entryCount(e) >= high) continue;
      if (t.lowSaturation[maxc * 256 + minc]) continue;  // its C' is another colour
      const double luminance = (t.lumRed[r] + t.lumGreen[g]) + t.lumBlue[b];
      if ((luminance < 0.5) == findDark) tier.push_back(e);
    }
    for (const uint64_t c : special_)
      if (countOf(c) < high) tier.push_back(c);
    tier_ = std::move(tier);
  }

  // A special colour: a candidate of its own count, or one of count 0.
  void findSpecial(ColorKey key) {
    RGBA raised;
    colorart::withMinimumSaturation(colorart::rgbaOfKey(key), SLColorArt::kMinimumTextSaturation, &raised);
    ColorKey raisedKey;
    uint64_t raisedCount = colorart::keyOfColor(raised, &raisedKey) ? colors_.countForKey(raisedKey) : 0;
    if (raisedCount == 0)
      uncounted_.push_back(key);
    else if (colorart::isDark(raised) == findDark_)
      special_.push_back(pack(raisedCount, raisedKey));
  }

  const CountedColorSet& colors_;
  const bool findDark_;
  const CountedColorSet::CountHistogram& histogram_;
  std::vector<uint64_t> tier_;
  std::vector<uint64_t> frequent_;   // candidates among the frequent colours
  std::vector<uint64_t> special_;    // special candidates with a non-zero count
  std::vector<ColorKey> uncounted_;  // colours C whose C' has count 0
};

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
  int64_t width, height;
  const uint32_t* pixels = bitmapPixels(image, &width, &height);
  if (!pixels) return nullptr;
  imageColors.addArgbPixels(pixels, static_cast<size_t>(width * height));
  std::vector<uint64_t> candidates = edgeCandidates(pixels, width, height, randomColorThreshold());
  if (candidates.empty()) return nullptr;
  return colorOfKey(chooseEdgeColor(candidates));
}

void SLColorArt::_findTextColors(const CountedColorSet& colors, UIColorRef& primaryColor, UIColorRef& secondaryColor,
                                 UIColorRef& detailColor, const UIColorRef& backgroundColor) const {
  const bool findDarkTextColor = !(backgroundColor && pc_isDarkColor(*backgroundColor));
  TextSlots slots(primaryColor, secondaryColor, detailColor, backgroundColor);
  if (!slots.full()) {
    TextCandidates candidates(colors, findDarkTextColor);
    if (!candidates.walkCounted(slots)) candidates.walkUncounted(slots);
  }
  slots.finish();
}
