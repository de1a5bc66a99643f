#include "platform/graphics/CGImage.hpp"

#include <fmt/format.h>

std::string CGImage::digest() const {
  // 64-bit FNV-1a over the size and the pixels.
  uint64_t h = 1469598103934665603ULL;
  auto mix = [&h](uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      h ^= (v >> (8 * i)) & 0xFF;
      h *= 1099511628211ULL;
    }
  };
  mix(static_cast<uint32_t>(width_));
  mix(static_cast<uint32_t>(height_));
  for (uint32_t p : pixels_) mix(p);
  return fmt::format("{:016x}", h);
}
