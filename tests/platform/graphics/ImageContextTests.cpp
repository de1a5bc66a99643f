// Image contexts and bitmap contexts.
#include <gtest/gtest.h>

#include "platform/graphics/ImageContext.hpp"
#include "platform/uikit/UIGraphics.hpp"
#include "tests/support/TestImages.hpp"

namespace {

using test_images::opaque;

uint32_t pixelAt(const UIImage& image, int x, int y) { return image.pixels()[static_cast<size_t>(y) * image.pixelWidth() + x]; }

// The image drawn into a new context of that size and taken out of it, as a caller scales one.
UIImageRef drawnAtSize(const UIImageRef& image, CGSize size) {
  UIGraphicsBeginImageContext(size);
  UIImageDrawInRect(*image, CGRectMake(0, 0, size.width, size.height));
  UIImageRef drawn = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return drawn;
}

TEST(ImageContext, SizeIsRoundedUpToWholePixelsAndAtLeastOne) {
  auto red = test_images::solid(4, 4, opaque(255, 0, 0));
  auto tiny = drawnAtSize(red, CGSizeMake(0.8, 0.8));
  ASSERT_TRUE(tiny);
  EXPECT_EQ(tiny->pixelWidth(), 1);
  EXPECT_EQ(tiny->pixelHeight(), 1);
  auto odd = drawnAtSize(red, CGSizeMake(2.5, 1.0));
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->pixelWidth(), 3);
  EXPECT_EQ(odd->pixelHeight(), 1);
  EXPECT_EQ(odd->scale(), 1.0);
}

TEST(ImageContext, NoContextForEmptyOrHugeSizes) {
  auto red = test_images::solid(4, 4, opaque(255, 0, 0));
  EXPECT_EQ(drawnAtSize(red, CGSizeMake(0, 10)), nullptr);
  EXPECT_EQ(drawnAtSize(red, CGSizeMake(-3, 10)), nullptr);
  EXPECT_EQ(drawnAtSize(red, CGSizeMake(UIImage::kMaxSide + 1, 1)), nullptr);
  // Without a context, nothing is drawn and nothing is made.
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
  UIGraphicsEndImageContext();
}

TEST(ImageContext, StretchesToFillWithoutFadingTheEdges) {
  // Left half red, right half blue; scaled up 4 x 3 (aspect ratio not kept).
  auto image = test_images::make(2, 1, [](int x, int) { return x == 0 ? opaque(255, 0, 0) : opaque(0, 0, 255); });
  auto big = drawnAtSize(image, CGSizeMake(8, 3));
  ASSERT_TRUE(big);
  ASSERT_EQ(big->pixelWidth(), 8);
  ASSERT_EQ(big->pixelHeight(), 3);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(pixelAt(*big, 0, y), opaque(255, 0, 0));
    EXPECT_EQ(pixelAt(*big, 7, y), opaque(0, 0, 255));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(pixelAt(*big, x, y) >> 24, 255u) << x << "," << y;
  }
  // Bilinear: a blend in the middle, red falling and blue rising from left to right.
  uint32_t mid = pixelAt(*big, 4, 1);
  EXPECT_GT((mid >> 16) & 0xFF, 0u);
  EXPECT_GT(mid & 0xFF, 0u);
  for (int x = 1; x < 8; ++x) {
    EXPECT_LE((pixelAt(*big, x, 0) >> 16) & 0xFF, (pixelAt(*big, x - 1, 0) >> 16) & 0xFF);
    EXPECT_GE(pixelAt(*big, x, 0) & 0xFF, pixelAt(*big, x - 1, 0) & 0xFF);
  }
}

TEST(ImageContext, ContextsNestPerThread) {
  auto red = test_images::solid(1, 1, opaque(255, 0, 0));
  UIGraphicsBeginImageContext(CGSizeMake(2, 2));
  UIImageDrawInRect(*red, CGRectMake(0, 0, 2, 2));
  UIGraphicsBeginImageContext(CGSizeMake(3, 1));
  auto inner = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  auto outer = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  ASSERT_TRUE(inner && outer);
  EXPECT_EQ(inner->pixelWidth(), 3);
  EXPECT_EQ(pixelAt(*inner, 0, 0), 0u);  // a new context is transparent
  EXPECT_EQ(outer->pixelWidth(), 2);
  EXPECT_EQ(pixelAt(*outer, 1, 1), opaque(255, 0, 0));
}

TEST(BitmapContext, OnlyTheRgbxLayoutIsMade) {
  EXPECT_TRUE(CGBitmapContextCreate(nullptr, 3, 2, 8, 12, kCGImageAlphaNoneSkipLast));
  EXPECT_FALSE(CGBitmapContextCreate(nullptr, 3, 2, 8, 16, kCGImageAlphaNoneSkipLast));
  EXPECT_FALSE(CGBitmapContextCreate(nullptr, 3, 2, 16, 12, kCGImageAlphaNoneSkipLast));
  EXPECT_FALSE(CGBitmapContextCreate(nullptr, 3, 2, 8, 12, 1));
  EXPECT_FALSE(CGBitmapContextCreate(nullptr, 0, 2, 8, 0, kCGImageAlphaNoneSkipLast));
  uint8_t memory[24];
  EXPECT_FALSE(CGBitmapContextCreate(memory, 3, 2, 8, 12, kCGImageAlphaNoneSkipLast));
}

TEST(BitmapContext, StartsBlackAndStoresRedGreenBlueSkipped) {
  auto ctx = CGBitmapContextCreate(nullptr, 3, 1, 8, 12, kCGImageAlphaNoneSkipLast);
  ASSERT_TRUE(ctx);
  const uint8_t* d = CGBitmapContextGetData(ctx);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(d[i], 0) << i;
  // Opaque orange, transparent, and half-transparent red (premultiplied 128).
  std::vector<uint32_t> px = {opaque(255, 128, 7), 0x00000000u, 0x80800000u};
  UIImage image(3, 1, px);
  CGContextDrawImage(ctx, CGRectMake(0, 0, 3, 1), *image.CGImage());
  const uint8_t expected[12] = {255, 128, 7, 0, 0, 0, 0, 0, 128, 0, 0, 0};
  for (int i = 0; i < 12; ++i)
    if (i % 4 != 3) {
      EXPECT_EQ(d[i], expected[i]) << i;
    }
}

TEST(BitmapContext, RectanglesCountFromTheBottomLeft) {
  auto ctx = CGBitmapContextCreate(nullptr, 2, 2, 8, 8, kCGImageAlphaNoneSkipLast);
  auto red = test_images::solid(1, 1, opaque(255, 0, 0));
  CGContextDrawImage(ctx, CGRectMake(0, 0, 1, 1), *red->CGImage());
  const uint8_t* d = CGBitmapContextGetData(ctx);
  // Row 0 is the top: the red pixel lands at the start of row 1.
  EXPECT_EQ(d[0], 0);
  EXPECT_EQ(d[4], 0);
  EXPECT_EQ(d[8], 255);
  EXPECT_EQ(d[9], 0);
  EXPECT_EQ(d[12], 0);
  // Drawing over what is there: opaque replaces, transparent leaves it.
  auto clear = test_images::solid(2, 2, 0);
  CGContextDrawImage(ctx, CGRectMake(0, 0, 2, 2), *clear->CGImage());
  EXPECT_EQ(d[8], 255);
}

}  // namespace
