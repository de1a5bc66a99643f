// Made-up pictures for tests and benchmarks, drawn with Cairo: no files needed.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "platform/uikit/UIImage.hpp"

namespace test_support {

// An album-cover-like picture (gradient, disc, stripes, a square), side x side pixels at
// scale 1.
UIImageRef makeArtwork(int side);
// A picture of one colour (ARGB, not premultiplied: alpha 255 only).
UIImageRef makeSolidImage(int width, int height, uint32_t argb);
// The pixels of a Cairo image surface (ARGB32) as an image; the surface stays the caller's.
UIImageRef imageFromSurface(cairo_surface_t* surface);

}  // namespace test_support
