// A size as the command line writes it, "WIDTHxHEIGHT" in points (--screen, --window, colorart's
// --size), read the same way everywhere.
#pragma once

#include <optional>
#include <string_view>

#include "platform/graphics/Geometry.hpp"

// The size "WxH": two plain decimal numbers (digits, an optional fraction and exponent; no sign,
// no space, no hexadecimal, no infinity) around a lowercase "x", both positive. Nothing when the
// text is anything else. Callers add their own upper bounds.
std::optional<CGSize> parseSize(std::string_view text);
