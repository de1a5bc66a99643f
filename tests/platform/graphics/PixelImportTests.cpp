// Raw pixels in memory become the very image that decoding a PNG of the same pixels makes: the
// same premultiplied colours, the same reduction for a caller that needs fewer pixels, whatever
// the rows' padding; and the engine analyses either the same way.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <vector>

#include "colorart/engine/Artwork.hpp"
#include "platform/graphics/ImageDecoder.hpp"
#include "platform/graphics/PixelImport.hpp"

namespace {

// Straight RGBA: colours changing along both axes, alpha falling to 0 in one corner.
std::vector<uint8_t> rgbaPixels(int width, int height) {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bytes.insert(bytes.end(), {static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 5), static_cast<uint8_t>((x ^ y) * 3),
                                 static_cast<uint8_t>(x + y < 40 ? (x + y) * 6 : 255)});
  return bytes;
}

std::vector<uint8_t> pngOf(const std::vector<uint8_t>& rgba, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), width * 4, nullptr));
  std::vector<uint8_t> png(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, png.data(), &size, 0, rgba.data(), width * 4, nullptr));
  return png;
}

// The rows again, `padding` bytes apart, the padding filled with a colour that must not show.
std::vector<uint8_t> padded(const std::vector<uint8_t>& packed, size_t rowBytes, size_t padding) {
  std::vector<uint8_t> out;
  for (size_t at = 0; at < packed.size(); at += rowBytes) {
    out.insert(out.end(), packed.begin() + at, packed.begin() + at + rowBytes);
    out.insert(out.end(), padding, 0xAB);
  }
  return out;
}

TEST(PixelImport, MakesTheImageThatDecodingAPngOfThePixelsMakes) {
  const int width = 450, height = 420;
  const std::vector<uint8_t> rgba = rgbaPixels(width, height);
  const std::vector<uint8_t> png = pngOf(rgba, width, height);
  const std::vector<uint8_t> rows = padded(rgba, width * 4, 9);
  for (int minSide : {0, 100, 200, 300}) {
    auto decoded = decodeImage(png, {}, minSide);
    auto imported = importPixels(rows.data(), width, height, width * 4 + 9, RawPixelFormat::RGBA, {}, minSide);
    ASSERT_TRUE(decoded && imported) << minSide;
    EXPECT_EQ(imported->width, decoded->width) << minSide;
    EXPECT_EQ(imported->height, decoded->height) << minSide;
    EXPECT_EQ(imported->pixels, decoded->pixels) << minSide;
  }
  EXPECT_EQ(importPixels(rows.data(), width, height, width * 4 + 9, RawPixelFormat::RGBA, {}, 100)->width, 113);

  // RGB: the same as RGBA with every alpha 255.
  std::vector<uint8_t> rgb, opaque = rgba;
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]}), opaque[i + 3] = 255;
  auto fromRgb = importPixels(rgb.data(), width, height, width * 3, RawPixelFormat::RGB);
  auto fromOpaque = importPixels(opaque.data(), width, height, width * 4, RawPixelFormat::RGBA);
  ASSERT_TRUE(fromRgb && fromOpaque);
  EXPECT_EQ(fromRgb->pixels, fromOpaque->pixels);
}

TEST(PixelImport, RefusesWhatIsNoImage) {
  const std::vector<uint8_t> rgba = rgbaPixels(4, 4);
  std::string why;
  EXPECT_FALSE(importPixels(rgba.data(), 4, 4, 15, RawPixelFormat::RGBA, {}, 0, &why));
  EXPECT_EQ(why, "rows shorter than the width");
  EXPECT_FALSE(importPixels(nullptr, 4, 4, 16, RawPixelFormat::RGBA, {}, 0, &why));
  EXPECT_FALSE(importPixels(rgba.data(), 0, 4, 16, RawPixelFormat::RGBA));
  EXPECT_FALSE(importPixels(rgba.data(), 4, -1, 16, RawPixelFormat::RGBA));
  EXPECT_FALSE(importPixels(rgba.data(), 8193, 1, 8193 * 4, RawPixelFormat::RGBA));
  DecodeLimits small;
  small.maxPixels = 15;
  EXPECT_FALSE(importPixels(rgba.data(), 4, 4, 16, RawPixelFormat::RGBA, small));
}

TEST(PixelImport, TheEngineAnalysesRawPixelsAsItsPng) {
  const int width = 300, height = 260;
  const std::vector<uint8_t> rgba = rgbaPixels(width, height);
  const std::vector<uint8_t> png = pngOf(rgba, width, height);
  for (const colorart::ArtworkOptions& options :
       {colorart::ArtworkOptions{}, colorart::ArtworkOptions{CGSizeMake(40, 7.5), false, 0},
        colorart::ArtworkOptions{{}, true, 2}}) {
    colorart::ArtworkResult fromPng = colorart::analyseEncoded(png, options);
    colorart::ArtworkResult fromRaw = colorart::analyseRaw(rgba.data(), width, height, width * 4, RawPixelFormat::RGBA, options);
    ASSERT_TRUE(fromPng.ok && fromRaw.ok) << fromPng.error << fromRaw.error;
    const colorart::Analysis &a = fromPng.analysis, &b = fromRaw.analysis;
    for (auto [x, y] :
         {std::pair{a.background, b.background}, {a.primary, b.primary}, {a.secondary, b.secondary}, {a.detail, b.detail}})
      EXPECT_TRUE(x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a);
    EXPECT_EQ(a.missed, b.missed);
  }
}

}  // namespace
