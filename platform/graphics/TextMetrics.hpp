// Measuring text as the renderer draws it (Pango with fontconfig), for natural sizes of
// labels.
#pragma once

#include <string>

#include "platform/graphics/Geometry.hpp"

// The size in points of one line of text in the named face.
CGSize measureText(const std::string& fontName, double pointSize, const std::string& text);

// The Pango font description string for a UIKit face name ("HelveticaNeue-Light" ->
// "Helvetica Neue Light"-style family and weight), shared with the renderer.
std::string pangoFontDescription(const std::string& fontName, double pointSize);
