// The colour analysis engine: from an image's pixels, a background colour (from its leftmost
// column) and three text colours for that background (from all of its colours). It stands on the
// pixels tier alone (no object runtime, no bus, no system log), so that the C library, the
// command and the tweak's SLColorArt all run this same code.
//
// Colours are plain RGBA values. The steps are offered one by one (findEdgeColor, findTextColors)
// for SLColorArt's methods of the same names, and whole (analysePixels).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "colorart/engine/ColorValues.hpp"
#include "colorart/engine/CountedColorSet.hpp"
#include "platform/graphics/CGImage.hpp"

namespace colorart {

inline constexpr int64_t kDefaultThreshold = 2;
inline constexpr double kMinimumTextSaturation = 0.15;

// Premultiplied ARGB32 pixels in CGImage's layout (rows of exactly `width` pixels), read as the
// 8-bit RGB bitmap they would be drawn into over black: each pixel's colour is its colour bytes.
struct PixelView {
  const uint32_t* pixels = nullptr;
  int64_t width = 0, height = 0;
  // A size that no bitmap context takes (empty, over CGImage's limits) yields no colours.
  bool valid() const { return pixels && CGImage::sizeAllowed(width, height); }
};

// The background candidate: the most frequent colour of the leftmost column on more than
// `threshold` rows (compared unsigned: a negative threshold admits none), unless it is black or
// white and a colour that is neither occurs more than 0.4 times as often. Nothing when no colour
// qualifies. Fills imageColors with every pixel colour.
std::optional<RGBA> findEdgeColor(PixelView image, int64_t threshold, CountedColorSet& imageColors);

// The text colour slots, in the order primary, secondary, detail.
enum TextSlot { kPrimary = 0, kSecondary = 1, kDetail = 2 };
using TextColors = std::array<std::optional<RGBA>, 3>;

// Fills those of the slots that are empty with text colours of the set for the background (of
// the opposite darkness, contrasting with it and distinct from each other). No background: any
// colour contrasts, and light text is not wanted.
void findTextColors(const CountedColorSet& colors, TextColors& slots, const std::optional<RGBA>& background);

struct Analysis {
  RGBA background, primary, secondary, detail;
  // The text colours that were not found, by TextSlot: their slot holds white on a dark
  // background, black on a light one.
  std::array<bool, 3> missed{};
};

inline constexpr RGBA kWhite{1.0, 1.0, 1.0, 1.0};
inline constexpr RGBA kBlack{0.0, 0.0, 0.0, 1.0};

// The whole analysis of the pixels: no edge colour gives a white background, a missed text
// colour white or black as above.
Analysis analysePixels(PixelView image, int64_t threshold = kDefaultThreshold);

}  // namespace colorart
