#include "colorart/engine/ColorAnalysis.hpp"

namespace colorart {

Analysis analysePixels(PixelView image, int64_t threshold) {
  CountedColorSet imageColors;
  Analysis result;
  result.background = findEdgeColor(image, threshold, imageColors).value_or(kWhite);
  const RGBA fallback = isDark(result.background) ? kWhite : kBlack;
  TextColors text;
  findTextColors(imageColors, text, result.background);
  RGBA* outputs[3] = {&result.primary, &result.secondary, &result.detail};
  for (int slot = kPrimary; slot <= kDetail; ++slot) {
    result.missed[slot] = !text[slot].has_value();
    *outputs[slot] = text[slot].value_or(fallback);
  }
  return result;
}

}  // namespace colorart
