// Gaussian blur of image surfaces, and the looks of the blur effect styles.
//
// The blur is separable and approximates the Gaussian of the given standard deviation by three
// successive box blurs per direction, whose widths are chosen so that their combined variance
// equals sigma squared (the sum of three uniform distributions is within a few per cent of the
// normal distribution, and each pass costs the same whatever the radius). A wide blur runs on a
// copy reduced by a power of two (keeping at least 3 of its pixels per sigma) that is then
// enlarged bilinearly. Pixels beyond the surface's edge repeat the edge pixel.
#pragma once

#include <cairo.h>

#include <array>

namespace render {

// The widths (odd) of the three boxes whose successive blur has variance sigma^2.
std::array<int, 3> gaussianBoxWidths(double sigma);

// Blurs an ARGB32 or A8 image surface in place. Sigma in pixels; below 0.5 nothing changes.
void gaussianBlur(cairo_surface_t* surface, double sigma);

// How a blur effect style looks: the blur's sigma in points, the tint laid over the blurred
// backdrop and the saturation applied to it.
struct BlurStyle {
  double sigma;       // points
  double saturation;  // 1: unchanged
  double tintWhite;   // grey level of the tint
  double tintAlpha;
};
BlurStyle blurStyle(long style);

// Multiplies the saturation of an ARGB32 surface's colours (1 leaves it unchanged).
void saturate(cairo_surface_t* surface, double factor);

}  // namespace render
