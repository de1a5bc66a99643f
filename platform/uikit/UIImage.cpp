#include "platform/uikit/UIImage.hpp"

#include "platform/fs/DeviceRoot.hpp"
#include "platform/graphics/ImageDecoder.hpp"
#include "platform/uikit/PreparedImages.hpp"

VW_DEFINE_CLASS(UIImage, ReflectiveObject, nullptr)

UIImage::UIImage(int pixelWidth, int pixelHeight, std::vector<uint32_t> pixels, double scale)
    : bitmap_(std::make_shared<const ::CGImage>(pixelWidth, pixelHeight, std::move(pixels))), scale_(scale) {}

UIImage::UIImage(CGImageRef bitmap, double scale)
    : bitmap_(bitmap ? std::move(bitmap) : std::make_shared<const ::CGImage>(0, 0, std::vector<uint32_t>{})), scale_(scale) {}

UIImageRef UIImage::imageWithData(std::span<const uint8_t> bytes) {
  if (auto prepared = prepared_images::find(bytes)) return prepared;
  return decodedImage(bytes);
}

UIImageRef UIImage::decodedImage(std::span<const uint8_t> bytes) {
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
