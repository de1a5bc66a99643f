// A literal, slow colour art analysis for checking the fast one: colour objects for every
// pixel, a counted set keyed by exact components, PCCountedColor candidate lists sorted with
// compare:, and the colour operations of UIColor(DarkAddition). Ties in count are broken by the
// packed key (red | green << 8 | blue << 16, larger first; for a raised colour that no pixel has,
// the key of the colour it was raised from), which is the order the fast analysis uses.
#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "colorart/CountedColorSet.hpp"
#include "colorart/PCCountedColor.hpp"
#include "colorart/UIColor+DarkAddition.hpp"
#include "platform/graphics/ImageContext.hpp"
#include "platform/uikit/UIImage.hpp"

namespace reference {

struct Result {
  UIColorRef background, primary, secondary, detail;
  std::vector<std::string> log;
};

using Components = std::array<double, 4>;
inline Components componentsOf(const UIColor& c) { return {c.red(), c.green(), c.blue(), c.alpha()}; }

struct Entry {
  PCCountedColorRef counted;
  uint32_t tieKey;
};

inline void sortByCompare(std::vector<Entry>& list) {
  std::sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) {
    NSComparisonResult r = a.counted->compare(b.counted);
    if (r != NSOrderedSame) return r == NSOrderedAscending;
    return a.tieKey > b.tieKey;
  });
}

inline uint32_t tieKeyOf(const UIColor& c) {
  colorart::ColorKey key = 0;
  colorart::keyOfColor(colorart::rgbaOf(c), &key);
  return key;
}

inline Result analyse(const UIImageRef& image, int64_t threshold) {
  Result result;
  std::map<Components, uint64_t> imageSet, edgeSet;
  std::map<Components, UIColorRef> objects;
  size_t w = image ? image->pixelWidth() : 0, h = image ? image->pixelHeight() : 0;
  if (w && h) {
    auto ctx = CGBitmapContextCreate(nullptr, w, h, 8, 4 * w, kCGImageAlphaNoneSkipLast);
    CGContextDrawImage(ctx, CGRectMake(0, 0, w, h), *image->CGImage());
    const uint8_t* d = CGBitmapContextGetData(ctx);
    for (size_t y = 0; y < h; ++y)
      for (size_t x = 0; x < w; ++x) {
        const uint8_t* p = d + 4 * (y * w + x);
        auto color = UIColor::colorWithRed(p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, 1.0);
        Components c = componentsOf(*color);
        objects.emplace(c, color);
        ++imageSet[c];
        if (x == 0) ++edgeSet[c];
      }
  }

  // Edge colour.
  UIColorRef edge;
  std::vector<Entry> edgeList;
  for (auto& [c, n] : edgeSet)
    if (n > static_cast<uint64_t>(threshold))
      edgeList.push_back({std::make_shared<PCCountedColor>(objects[c], n), tieKeyOf(*objects[c])});
  sortByCompare(edgeList);
  if (!edgeList.empty()) {
    auto first = edgeList[0].counted;
    if (!pc_isBlackOrWhite(first->color()) || edgeList.size() < 2) {
      edge = first->color();
    } else {
      edge = first->color();
      for (size_t i = 1; i < edgeList.size(); ++i) {
        auto e = edgeList[i].counted;
        if (static_cast<double>(e->count()) / static_cast<double>(first->count()) <= 0.4) break;
        if (!pc_isBlackOrWhite(e->color())) {
          edge = e->color();
          break;
        }
      }
    }
  }
  UIColorRef background = edge ? edge : UIColor::whiteColor();
  const bool dark = pc_isDarkColor(*background);

  // Text colours.
  const bool findDarkTextColor = !pc_isDarkColor(*background);
  std::vector<Entry> textList;
  for (auto& [c, n] : imageSet) {
    UIColorRef original = objects[c];
    UIColorRef adjusted = pc_colorWithMinimumSaturation(original, 0.15);
    if (pc_isDarkColor(*adjusted) != findDarkTextColor) continue;
    auto it = imageSet.find(componentsOf(*adjusted));
    uint64_t count = it == imageSet.end() ? 0 : it->second;
    uint32_t tie = count ? tieKeyOf(*adjusted) : tieKeyOf(*original);
    textList.push_back({std::make_shared<PCCountedColor>(adjusted, count), tie});
  }
  sortByCompare(textList);
  UIColorRef primary, secondary, detail;
  for (auto& entry : textList) {
    UIColorRef x = entry.counted->color();
    if (!primary) {
      if (pc_isContrastingColor(*x, background)) primary = x;
    } else if (!secondary) {
      if (!pc_isDistinct(*primary, *x) || !pc_isContrastingColor(*x, background)) continue;
      secondary = x;
    } else if (!detail) {
      if (!pc_isDistinct(*secondary, *x) || !pc_isDistinct(*primary, *x) || !pc_isContrastingColor(*x, background)) continue;
      detail = x;
      break;
    }
  }
  auto fallback = [dark] { return dark ? UIColor::whiteColor() : UIColor::blackColor(); };
  if (!primary) result.log.push_back("missed primary"), primary = fallback();
  if (!secondary) result.log.push_back("missed secondary"), secondary = fallback();
  if (!detail) result.log.push_back("missed detail"), detail = fallback();
  result.background = background;
  result.primary = primary;
  result.secondary = secondary;
  result.detail = detail;
  return result;
}

}  // namespace reference
