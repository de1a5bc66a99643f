// The picture a video of the simulated phone shows: the home screen's process on the left and
// the Settings app's on the right, side by side, each as large as the screen and drawn as its
// live process's window draws it (running animations as they are at the clock's time). An
// alert is shown over the Settings app while the pane is open (the pane's alerts), otherwise
// over the home screen.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/Geometry.hpp"

struct SimContext;
namespace render {
class Canvas;
}

namespace video {

class FilmedScreens {
 public:
  // Screens of `screen` points, at `zoom` pixels a point. The picture's width and height are
  // even (what the codecs need): a line of black is added where they would not be.
  FilmedScreens(CGSize screen, double zoom);
  ~FilmedScreens();

  int width() const { return width_; }
  int height() const { return height_; }
  // Draws the moment; the pixels stay until the next draw.
  void draw(SimContext& sim);
  // Cairo's ARGB32 rows.
  const uint8_t* pixels() const;
  int stride() const;
  std::vector<uint8_t> png() const;

 private:
  void drawSide(SimContext& sim, bool settingsSide, int x);

  CGSize screen_;
  double zoom_;
  int sideWidth_ = 0, width_ = 0, height_ = 0;
  std::unique_ptr<render::Canvas> frame_;
};

// Whether anything on either screen is animating at the clock's time.
bool screensMoving(SimContext& sim);

}  // namespace video
