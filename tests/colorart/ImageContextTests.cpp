// Image contexts, bitmap contexts, scaledToSize: and the counted colour set.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "colorart/CountedColorSet.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "platform/graphics/ImageContext.hpp"
#include "platform/uikit/UIGraphics.hpp"
#include "TestImages.hpp"

namespace {

using test_images::opaque;

uint32_t pixelAt(const UIImage& image, int x, int y) { return image.pixels()[static_cast<size_t>(y) * image.pixelWidth() + x]; }

TEST(ImageContext, SizeIsRoundedUpToWholePixelsAndAtLeastOne) {
  auto red = test_images::solid(4, 4, opaque(255, 0, 0));
  auto tiny = scaledToSize(red, CGSizeMake(0.8, 0.8));
  ASSERT_TRUE(tiny);
  EXPECT_EQ(tiny->pixelWidth(), 1);
  EXPECT_EQ(tiny->pixelHeight(), 1);
  auto odd = scaledToSize(red, CGSizeMake(2.5, 1.0));
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->pixelWidth(), 3);
  EXPECT_EQ(odd->pixelHeight(), 1);
  EXPECT_EQ(odd->scale(), 1.0);
}

TEST(ImageContext, NoContextForEmptySizesOrNoImage) {
  auto red = test_images::solid(4, 4, opaque(255, 0, 0));
  EXPECT_EQ(scaledToSize(red, CGSizeMake(0, 10)), nullptr);
  EXPECT_EQ(scaledToSize(red, CGSizeMake(-3, 10)), nullptr);
  EXPECT_EQ(scaledToSize(red, CGSizeMake(UIImage::kMaxSide + 1, 1)), nullptr);
  EXPECT_EQ(scaledToSize(nullptr, CGSizeMake(10, 10)), nullptr);
  // Without a context, nothing is drawn and nothing is made.
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
  UIGraphicsEndImageContext();
}

TEST(ImageContext, StretchesToFillWithoutFadingTheEdges) {
  // Left half red, right half blue; scaled up 4 x 3 (aspect ratio not kept).
  auto image = test_images::make(2, 1, [](int x, int) { return x == 0 ? opaque(255, 0, 0) : opaque(0, 0, 255); });
  auto big = scaledToSize(image, CGSizeMake(8, 3));
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

TEST(CountedColorSet, SingleAdditionsMergeAtEachReadWithLargeCounts) {
  using namespace colorart;
  CountedColorSet set(4);
  for (int i = 0; i < 1000; ++i) set.add(makeKey(1, 2, 3));
  set.add(makeKey(0, 0, 0), 126);
  set.add(makeKey(0, 0, 0), 1);
  set.add(makeKey(0, 0, 0), 5000000);
  // Many more colours than the starting table holds.
  for (uint32_t k = 0; k < 20000; ++k) set.add(makeKey(k & 0xFF, (k >> 8) & 0xFF, 200), k % 300 + 1);
  EXPECT_EQ(set.countForKey(makeKey(1, 2, 3)), 1000u);
  EXPECT_EQ(set.countForKey(makeKey(0, 0, 0)), 5000127u);
  for (uint32_t k = 0; k < 20000; k += 97) EXPECT_EQ(set.countForKey(makeKey(k & 0xFF, (k >> 8) & 0xFF, 200)), k % 300 + 1);
  EXPECT_EQ(set.countForKey(makeKey(9, 9, 9)), 0u);
  EXPECT_EQ(set.size(), 20002u);
  uint64_t total = 0;
  size_t distinct = 0;
  set.forEach([&](ColorKey, uint64_t count) { total += count, ++distinct; });
  uint64_t expected = 1000 + 5000127;
  for (uint32_t k = 0; k < 20000; ++k) expected += k % 300 + 1;
  EXPECT_EQ(total, expected);
  EXPECT_EQ(distinct, 20002u);
  // Additions after a read are merged with what was there.
  set.add(makeKey(1, 2, 3), 5);
  set.add(makeKey(7, 7, 7));
  EXPECT_EQ(set.countForKey(makeKey(1, 2, 3)), 1005u);
  EXPECT_EQ(set.countForKey(makeKey(7, 7, 7)), 1u);
  EXPECT_EQ(set.size(), 20003u);
}

TEST(CountedColorSet, PixelTallyAgreesWithAPlainCount) {
  // Runs longer than a run item holds (255), runs across rows, colours that share one 12-bit
  // digit of the key and differ in the other, premultiplied translucent pixels (counted by their
  // colour bytes, as drawn over black), and pixels added on top of single additions.
  using namespace colorart;
  std::mt19937 rng(99);
  std::vector<uint32_t> pixels;
  for (int i = 0; i < 700; ++i) pixels.push_back(0xFF102030u);
  for (int i = 0; i < 5000; ++i) {
    const uint32_t rgb = (rng() % 3 == 0) ? (rng() & 0xFFF) : (rng() & 0xFFF000);
    pixels.insert(pixels.end(), 1 + rng() % 4, 0xFF000000u | rgb);
  }
  pixels.push_back(0x80402010u);
  for (int i = 0; i < 300; ++i) pixels.push_back(0xFF102030u);
  std::map<ColorKey, uint64_t> expected;
  for (uint32_t p : pixels) ++expected[makeKey((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF)];
  expected[makeKey(9, 8, 7)] += 3;

  CountedColorSet set;
  set.add(makeKey(9, 8, 7), 3);
  set.addArgbPixels(pixels.data(), pixels.size());
  ASSERT_EQ(set.size(), expected.size());
  auto it = expected.begin();
  for (ColorEntry e : set.entries()) {  // in key order, each colour once
    ASSERT_EQ(entryKey(e), it->first);
    EXPECT_EQ(entryCount(e), it->second);
    ++it;
  }
  EXPECT_EQ(set.countForKey(makeKey(0x10, 0x20, 0x30)), 1000u);
  EXPECT_EQ(set.countForKey(makeKey(0x40, 0x20, 0x10)), 1u);
  // The same pixels again: every count doubles.
  set.addArgbPixels(pixels.data(), pixels.size());
  EXPECT_EQ(set.countForKey(makeKey(0x10, 0x20, 0x30)), 2000u);
  EXPECT_EQ(set.size(), expected.size());
}

TEST(CountedColorSet, OnlyEightBitOpaqueColoursCanBeElements) {
  using namespace colorart;
  CountedColorSet set;
  set.add(makeKey(255, 128, 0), 4);
  EXPECT_EQ(set.countForColor({1.0, 128 / 255.0, 0.0, 1.0}), 4u);
  EXPECT_EQ(set.countForColor({1.0, 0.5, 0.0, 1.0}), 0u);           // 0.5 is not k / 255
  EXPECT_EQ(set.countForColor({1.0, 128 / 255.0, 0.0, 0.5}), 0u);  // not opaque
  EXPECT_EQ(exactByte(17 / 255.0), 17);
  EXPECT_EQ(exactByte(0.425), -1);
  EXPECT_EQ(exactByte(1.5), -1);
  uint8_t rgbx[4] = {10, 20, 30, 99};
  EXPECT_EQ(keyOfPixel(rgbx), makeKey(10, 20, 30));
}

}  // namespace
