// A colour as text: the nearest "#rrggbb" (each component clamped to [0, 1] and rounded to the
// nearest of 255 steps), the one shape every colour has in the command's JSON, the C library and
// Python, beside its exact components.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "colorart/engine/ColorValues.hpp"

namespace colorart {

inline int nearestByte(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

// Writes "#rrggbb" and its NUL into out[8].
inline void writeHex(const RGBA& c, char out[8]) {
  std::snprintf(out, 8, "#%02x%02x%02x", nearestByte(c.r), nearestByte(c.g), nearestByte(c.b));
}

inline std::string hexOf(const RGBA& c) {
  char out[8];
  writeHex(c, out);
  return out;
}

// Whether the colour is exactly its hex: whole 8-bit components, opaque.
inline bool isExactlyHex(const RGBA& c) {
  auto exact = [](double v) { return nearestByte(v) / 255.0 == v; };
  return exact(c.r) && exact(c.g) && exact(c.b) && c.a == 1.0;
}

}  // namespace colorart
