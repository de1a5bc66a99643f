#include "cli/gui/ScreenFit.hpp"

#include <algorithm>
#include <cmath>

namespace gui {

ScreenFit ScreenFit::of(CGSize screen, double width, double height) {
  ScreenFit fit;
  if (screen.width <= 0 || screen.height <= 0 || width <= 0 || height <= 0) return fit;
  fit.scale = std::min(width / screen.width, height / screen.height);
  // A whole zoom a pixel or two short of filling the space is sharper than the exact fit.
  const double whole = std::floor(fit.scale + 1e-9);
  if (whole >= 1 && (fit.scale - whole) * std::max(screen.width, screen.height) <= 2) fit.scale = whole;
  // The side that fills the space may come out a hair wider than it: still no margin.
  fit.x = std::max(0.0, std::floor((width - screen.width * fit.scale) / 2 + 1e-6));
  fit.y = std::max(0.0, std::floor((height - screen.height * fit.scale) / 2 + 1e-6));
  return fit;
}

CGPoint ScreenFit::toPoints(double spaceX, double spaceY) const { return {(spaceX - x) / scale, (spaceY - y) / scale}; }

CGPoint ScreenFit::toSpace(CGPoint points) const { return {x + points.x * scale, y + points.y * scale}; }

}  // namespace gui
