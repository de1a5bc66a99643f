// Where a window shows the phone's screen in the space it has: as large as fits with the
// screen's aspect kept, centred, and at a whole zoom when one comes within two pixels of
// filling the space, so that at 1x and 2x each point is whole pixels. No GTK here.
#pragma once

#include "platform/graphics/Geometry.hpp"

namespace gui {

struct ScreenFit {
  double scale = 1;     // window pixels per point
  double x = 0, y = 0;  // the screen's top-left in the space, in whole window pixels

  static ScreenFit of(CGSize screen, double width, double height);

  // A point of the space in screen points, and back.
  CGPoint toPoints(double spaceX, double spaceY) const;
  CGPoint toSpace(CGPoint points) const;
};

}  // namespace gui
