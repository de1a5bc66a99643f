#include "colorart/SLColorArt.hpp"

#include <algorithm>
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
  const size_t width = image ? static_cast<size_t>(std::max(0, image->pixelWidth())) : 0;
  const size_t height = image ? static_cast<size_t>(std::max(0, image->pixelHeight())) : 0;
  CGContextRef context;
  if (width && height) context = CGBitmapContextCreate(nullptr, width, height, 8, 4 * width, kCGImageAlphaNoneSkipLast);
  if (!context) return nullptr;
  CGContextDrawImage(context, CGRectMake(0, 0, width, height), *image);
  const uint8_t* data = CGBitmapContextGetData(context);

  // Every pixel into the image set, the leftmost pixel of each row into the edge set too. Runs
  // of equal pixels are added at once; the counts are the same.
  imageColors.clear(width * height);
  CountedColorSet edgeColors(height);
  ColorKey runKey = colorart::keyOfPixel(data);
  uint32_t run = 0;
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* row = data + y * 4 * width;
    edgeColors.add(colorart::keyOfPixel(row));
    for (size_t x = 0; x < width; ++x) {
      ColorKey key = colorart::keyOfPixel(row + 4 * x);
      if (key == runKey) {
        ++run;
      } else {
        imageColors.add(runKey, run);
        runKey = key;
        run = 1;
      }
    }
  }
  imageColors.add(runKey, run);
  context.reset();

  // Colours on more rows than the threshold, compared unsigned: a negative threshold admits none.
  const uint64_t threshold = static_cast<uint64_t>(randomColorThreshold());
  std::vector<uint64_t> candidates;
  candidates.reserve(edgeColors.size());
  edgeColors.forEach([&](ColorKey key, uint64_t count) {
    if (count > threshold) candidates.push_back(pack(count, key));
  });
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

  // Candidates whose colour occurs in the image, packed with the count of that colour; and the
  // greyish colours whose raised colour occurs in no pixel (count 0), which sort behind all of
  // them and are looked at only if the walk gets that far.
  std::vector<uint64_t> candidates;
  candidates.reserve(colors.size());
  std::vector<ColorKey> uncounted;
  colors.forEach([&](ColorKey key, uint64_t count) {
    const uint32_t r = colorart::keyRed(key), g = colorart::keyGreen(key), b = colorart::keyBlue(key);
    const uint32_t maxc = std::max({r, g, b}), minc = std::min({r, g, b});
    if (!t.lowSaturation[maxc * 256 + minc]) {
      // The colour itself, with its own count.
      const double luminance = (t.lumRed[r] + t.lumGreen[g]) + t.lumBlue[b];
      if ((luminance < 0.5) == findDarkTextColor) candidates.push_back(pack(count, key));
      return;
    }
    if (t.raisedMinimumExact[maxc]) {
      RGBA raised;
      colorart::withMinimumSaturation(colorart::rgbaOfKey(key), kMinimumTextSaturation, &raised);
      ColorKey raisedKey;
      if (colorart::keyOfColor(raised, &raisedKey)) {
        if (uint64_t raisedCount = colors.countForKey(raisedKey)) {
          if (colorart::isDark(raised) == findDarkTextColor) candidates.push_back(pack(raisedCount, raisedKey));
          return;
        }
      }
    }
    uncounted.push_back(key);
  });

  RGBA slots[3];
  UIColorRef* outputs[3] = {&primaryColor, &secondaryColor, &detailColor};
  bool filled[3];
  for (int i = 0; i < 3; ++i) {
    filled[i] = *outputs[i] != nullptr;
    if (filled[i]) slots[i] = colorart::rgbaOf(**outputs[i]);
  }
  const bool hasBackground = backgroundColor != nullptr;
  const double backgroundLuminance =
      hasBackground ? colorart::luminance(backgroundColor->red(), backgroundColor->green(), backgroundColor->blue()) : 0;
  auto contrasts = [&](const RGBA& x) {
    return !hasBackground || colorart::contrastRatio(colorart::luminance(x.r, x.g, x.b), backgroundLuminance) > 1.6;
  };
  // Offers a candidate to the first empty slot; true when the walk is over.
  auto offer = [&](const RGBA& x) {
    if (!filled[0]) {
      if (contrasts(x)) slots[0] = x, filled[0] = true;
      return false;
    }
    if (!filled[1]) {
      if (colorart::isDistinct(slots[0], x) && contrasts(x)) slots[1] = x, filled[1] = true;
      return false;
    }
    if (!filled[2]) {
      if (colorart::isDistinct(slots[1], x) && colorart::isDistinct(slots[0], x) && contrasts(x)) {
        slots[2] = x, filled[2] = true;
        return true;
      }
      return false;
    }
    return true;
  };

  bool done = filled[0] && filled[1] && filled[2];
  DescendingWalk sorted(candidates);
  for (size_t i = 0; i < sorted.size() && !done; ++i) done = offer(colorart::rgbaOfKey(keyOf(sorted[i])));
  if (!done && !uncounted.empty()) {
    std::sort(uncounted.begin(), uncounted.end(), std::greater<>());
    for (size_t i = 0; i < uncounted.size() && !done; ++i) {
      RGBA raised;
      colorart::withMinimumSaturation(colorart::rgbaOfKey(uncounted[i]), kMinimumTextSaturation, &raised);
      if (colorart::isDark(raised) == findDarkTextColor) done = offer(raised);
    }
  }

  for (int i = 0; i < 3; ++i)
    if (filled[i] && !*outputs[i]) *outputs[i] = UIColor::colorWithRed(slots[i].r, slots[i].g, slots[i].b, slots[i].a);
}
