// UIKit stand-in: fonts, as a face name and a point size. The faces are drawn and measured
// through fontconfig (see render/ and platform/text/TextMetrics).
#pragma once

#include <memory>
#include <string>

#include "platform/foundation/ReflectiveObject.hpp"

class UIFont;
using UIFontRef = std::shared_ptr<UIFont>;

class UIFont : public ReflectiveObject {
  VW_DECLARE_CLASS()
 public:
  UIFont(std::string name, double pointSize) : fontName(std::move(name)), pointSize(pointSize) {}

  static UIFontRef systemFontOfSize(double size);      // "Helvetica"
  static UIFontRef boldSystemFontOfSize(double size);  // "Helvetica-Bold"
  // Any name is accepted; faces that fontconfig does not know fall back to its default.
  static UIFontRef fontWithName(std::string name, double size);

  const std::string fontName;
  const double pointSize;
};
