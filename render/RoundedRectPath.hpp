// The path of a rectangle with rounded corners, for the painters and for the pictures drawn at
// build time (prefs/tools/MakeResources.cpp): one way of rounding everywhere.
#pragma once

#include <cairo.h>

#include "platform/graphics/Geometry.hpp"

namespace render {

// Adds the rectangle as a closed sub-path, each corner a quarter circle of the radius (clamped
// to half the shorter side; a plain rectangle at 0).
void roundedRectPath(cairo_t* cr, CGRect rect, double radius);

}  // namespace render
