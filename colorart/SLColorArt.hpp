// SLColorArt: derives from an image a background colour (from its leftmost column) and three
// text colours for that background (from all of its colours). The analysis runs in full in the
// constructor, on the caller's thread; processImage runs it on the global queue and hands the
// result to a completion on the main queue. The class wraps the analysis engine
// (colorart/engine/ColorAnalysis.hpp) in the platform's objects, and writes its "missed ..."
// lines to the system log.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "colorart/engine/ColorAnalysis.hpp"
#include "colorart/engine/CountedColorSet.hpp"
#include "platform/foundation/ReflectiveObject.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/uikit/UIColor.hpp"
#include "platform/uikit/UIImage.hpp"

class SLColorArt;
using SLColorArtRef = std::shared_ptr<SLColorArt>;

inline constexpr const char* kAnalyzedBackgroundColor = "kAnalyzedBackgroundColor";
inline constexpr const char* kAnalyzedPrimaryColor = "kAnalyzedPrimaryColor";
inline constexpr const char* kAnalyzedSecondaryColor = "kAnalyzedSecondaryColor";
inline constexpr const char* kAnalyzedDetailColor = "kAnalyzedDetailColor";

class SLColorArt : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  using Dictionary = std::map<std::string, UIColorRef, std::less<>>;
  static constexpr int64_t kDefaultThreshold = colorart::kDefaultThreshold;
  static constexpr double kMinimumTextSaturation = colorart::kMinimumTextSaturation;

  // The plain instance: threshold 2, no image, no colours. For calling the steps one by one.
  SLColorArt() = default;
  // initWithImage: and initWithImage:threshold: analyse the image at its own pixel size.
  explicit SLColorArt(const UIImageRef& image);
  SLColorArt(const UIImageRef& image, int64_t threshold);

  // Scales the image to `size` and analyses it with `threshold` on the default global queue,
  // then calls onComplete with the result on the main queue. Returns at once.
  static void processImage(const UIImageRef& image, CGSize size, int64_t threshold,
                           std::function<void(const SLColorArtRef&)> onComplete);

  void _processImage();
  UIImageRef _scaleImage(const UIImageRef& image, CGSize size) const;
  // The four colours under the kAnalyzed... keys.
  Dictionary _analyzeImage(const UIImageRef& image) const;
  // The background candidate (null when no left-edge colour occurs on more than
  // randomColorThreshold rows); fills imageColors with every pixel colour of the image.
  UIColorRef _findEdgeColor(const UIImageRef& image, colorart::CountedColorSet& imageColors) const;
  // Fills those of the three slots that are empty (null) with text colours for the background.
  void _findTextColors(const colorart::CountedColorSet& colors, UIColorRef& primaryColor, UIColorRef& secondaryColor,
                       UIColorRef& detailColor, const UIColorRef& backgroundColor) const;

  const UIColorRef& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(UIColorRef color) { backgroundColor_ = std::move(color); }
  const UIColorRef& primaryColor() const { return primaryColor_; }
  void setPrimaryColor(UIColorRef color) { primaryColor_ = std::move(color); }
  const UIColorRef& secondaryColor() const { return secondaryColor_; }
  void setSecondaryColor(UIColorRef color) { secondaryColor_ = std::move(color); }
  const UIColorRef& detailColor() const { return detailColor_; }
  void setDetailColor(UIColorRef color) { detailColor_ = std::move(color); }
  int64_t randomColorThreshold() const { return randomColorThreshold_; }
  void setRandomColorThreshold(int64_t threshold) { randomColorThreshold_ = threshold; }
  // The image is kept as a copy; images are immutable, so the copy shares the pixels.
  const UIImageRef& image() const { return image_; }
  void setImage(const UIImageRef& image) { image_ = image; }

 private:
  UIColorRef backgroundColor_;
  UIColorRef primaryColor_;
  UIColorRef secondaryColor_;
  UIColorRef detailColor_;
  int64_t randomColorThreshold_ = kDefaultThreshold;
  UIImageRef image_;
};
