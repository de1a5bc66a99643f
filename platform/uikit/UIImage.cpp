#include "platform/uikit/UIImage.hpp"

#include <fmt/format.h>

#include "platform/fs/DeviceRoot.hpp"
#include "platform/graphics/ImageDecoder.hpp"

VW_DEFINE_CLASS(UIImage, NSObject, nullptr)

UIImage::UIImage(int pixelWidth, int pixelHeight, std::vector<uint32_t> pixels, double scale)
    : width_(pixelWidth), height_(pixelHeight), scale_(scale), pixels_(std::move(pixels)) {}

UIImageRef UIImage::imageWithData(std::span<const uint8_t> bytes) {
  // Nothing on the screen needs more than 2048 pixels a side: a larger image decodes straight
  // to a reduced size (as long as both sides stay at least 2048).
  auto decoded = decodeImage(bytes, {}, kDecodeSide);
  if (!decoded) return nullptr;
  return std::make_shared<UIImage>(decoded->width, decoded->height, std::move(decoded->pixels));
}

UIImageRef UIImage::imageWithContentsOfFile(const std::string& devicePath) {
  auto bytes = device_fs::readFile(devicePath);
  if (!bytes) return nullptr;
  return imageWithData(*bytes);
}

std::string UIImage::digest() const {
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
