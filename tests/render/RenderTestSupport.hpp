// Shared helpers of the renderer tests: made-up artwork, scenes like the product's screens,
// pixel inspection and comparison with reference pictures.
#pragma once

#include <cstdint>
#include <string>

#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIImage.hpp"
#include "platform/uikit/UIView.hpp"
#include "render/Renderer.hpp"
#include "tests/support/Artwork.hpp"
#include "tests/support/Scenes.hpp"

namespace rendertest {

using test_support::makeArtwork;
using test_support::makeHomeScreen;
using test_support::makeOverlay;
using test_support::makeSettingsPage;
using test_support::makeSolidImage;

struct RGBA {
  int r, g, b, a;
};
// Unpremultiplied channels of a pixel.
RGBA channels(uint32_t pixel);
// The brightness (0..255) of a pixel: the mean of its premultiplied colour channels.
double brightness(uint32_t pixel);

struct Box {
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive; empty when x1 < x0
  bool empty() const { return x1 < x0; }
  double centreX() const { return (x0 + x1) / 2.0; }
  double centreY() const { return (y0 + y1) / 2.0; }
};
// The box of the pixels that differ from `background` by more than `threshold` in any channel.
Box inkBox(const render::Image& image, uint32_t background, int threshold = 40);

// Compares with tests/render/reference/<name>.png: a pixel differs when a channel is more than
// `tolerance` apart; at most `allowedShare` of the pixels may differ. Writes the picture to
// <build>/tests/render/output/<name>.png and, on failure, <name>.diff.png (differing pixels red
// over a faded copy). With VELLOWAY_UPDATE_REFERENCES=1 it rewrites the reference instead.
// Returns an empty string on success, else what went wrong.
std::string compareWithReference(const render::Image& image, const std::string& name, int tolerance = 10,
                                 double allowedShare = 0.001);

}  // namespace rendertest
