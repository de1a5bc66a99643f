// Measuring text as the renderer draws it (Pango over the project's fontconfig file, through
// the shared font map of platform/text/Fonts), for natural sizes of labels.
#pragma once

#include <string>

#include "platform/graphics/Geometry.hpp"

// The size in points of one line of text in the named face, rounded up to whole points (the
// toolkit's natural size of a one-line label).
CGSize measureText(const std::string& fontName, double pointSize, const std::string& text);

// The same size, unrounded.
CGSize measureTextExact(const std::string& fontName, double pointSize, const std::string& text);

// The size in points of text broken into lines no wider than `width` points (at word
// boundaries, else anywhere), each line break of the text kept, rounded up to whole points:
// what a label with any number of lines needs.
CGSize measureWrappedText(const std::string& fontName, double pointSize, const std::string& text, double width);
