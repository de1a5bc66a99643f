#include "colorart/SLColorArt.hpp"

#include "colorart/UIColor+DarkAddition.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "colorart/engine/ColorAnalysis.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSLog.hpp"

using colorart::CountedColorSet;
using colorart::RGBA;

namespace {

UIColorRef colorOf(const RGBA& c) { return UIColor::colorWithRed(c.r, c.g, c.b, c.a); }

// The image's pixels for the engine: none for a missing image or one whose bitmap does not match
// its size.
colorart::PixelView pixelsOf(const UIImageRef& image) {
  if (!image) return {};
  const int64_t width = image->pixelWidth(), height = image->pixelHeight();
  if (width <= 0 || height <= 0 || image->pixels().size() != static_cast<size_t>(width * height)) return {};
  return {image->pixels().data(), width, height};
}

}  // namespace

const ClassInfo& SLColorArt::staticClassInfo() {
  static const ClassInfo& info = ClassRegistry::define("SLColorArt", &ReflectiveObject::staticClassInfo(), nullptr);
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
  const colorart::Analysis analysis = colorart::analysePixels(pixelsOf(image), randomColorThreshold());
  const char* missedLines[] = {"missed primary", "missed secondary", "missed detail"};
  for (int slot = colorart::kPrimary; slot <= colorart::kDetail; ++slot)
    if (analysis.missed[slot]) NSLog(missedLines[slot]);
  Dictionary result;
  result[kAnalyzedBackgroundColor] = colorOf(analysis.background);
  result[kAnalyzedPrimaryColor] = colorOf(analysis.primary);
  result[kAnalyzedSecondaryColor] = colorOf(analysis.secondary);
  result[kAnalyzedDetailColor] = colorOf(analysis.detail);
  return result;
}

UIColorRef SLColorArt::_findEdgeColor(const UIImageRef& image, CountedColorSet& imageColors) const {
  std::optional<RGBA> edge = colorart::findEdgeColor(pixelsOf(image), randomColorThreshold(), imageColors);
  return edge ? colorOf(*edge) : nullptr;
}

void SLColorArt::_findTextColors(const CountedColorSet& colors, UIColorRef& primaryColor, UIColorRef& secondaryColor,
                                 UIColorRef& detailColor, const UIColorRef& backgroundColor) const {
  UIColorRef* outputs[3] = {&primaryColor, &secondaryColor, &detailColor};
  colorart::TextColors slots;
  for (int i = 0; i < 3; ++i)
    if (*outputs[i]) slots[i] = colorart::rgbaOf(**outputs[i]);
  std::optional<RGBA> background;
  if (backgroundColor) background = colorart::rgbaOf(*backgroundColor);
  colorart::findTextColors(colors, slots, background);
  for (int i = 0; i < 3; ++i)
    if (!*outputs[i] && slots[i]) *outputs[i] = colorOf(*slots[i]);
}
