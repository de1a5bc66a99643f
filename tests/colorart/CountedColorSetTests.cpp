// scaledToSize: and the counted colour set.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <random>

#include "colorart/CountedColorSet.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "platform/uikit/UIGraphics.hpp"
#include "tests/support/TestImages.hpp"

namespace {

using test_images::opaque;

uint32_t pixelAt(const UIImage& image, int x, int y) { return image.pixels()[static_cast<size_t>(y) * image.pixelWidth() + x]; }

TEST(ScaledToSize, ScalesThroughAnImageContextAndGivesNothingForNoImage) {
  auto red = test_images::solid(4, 4, opaque(255, 0, 0));
  auto scaled = scaledToSize(red, CGSizeMake(2.5, 1.0));
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->pixelWidth(), 3);
  EXPECT_EQ(scaled->pixelHeight(), 1);
  EXPECT_EQ(pixelAt(*scaled, 0, 0), opaque(255, 0, 0));
  EXPECT_EQ(scaledToSize(red, CGSizeMake(0, 10)), nullptr);
  EXPECT_EQ(scaledToSize(nullptr, CGSizeMake(10, 10)), nullptr);
  // Nothing is left behind: no context is current afterwards.
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
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
  auto frequentKeys = [&] {
    std::vector<ColorKey> keys;
    for (ColorEntry e : set.frequentEntries()) keys.push_back(entryKey(e));
    return keys;
  };
  std::vector<ColorKey> twiceOrMore;
  for (auto [key, count] : expected)
    if (count > 1) twiceOrMore.push_back(key);
  EXPECT_EQ(frequentKeys(), twiceOrMore);
  // The same pixels again: every count doubles, and every colour is frequent.
  set.addArgbPixels(pixels.data(), pixels.size());
  EXPECT_EQ(set.countForKey(makeKey(0x10, 0x20, 0x30)), 2000u);
  EXPECT_EQ(set.size(), expected.size());
  EXPECT_EQ(set.frequentEntries(), set.entries());
}

TEST(CountedColorSet, BothTalliesAgreeWithAPlainCountOnEveryKindOfImage) {
  // Kinds that send the grouped tally down each of its paths: well-filled groups (table),
  // thinly spread colours (small sorted groups), chunks of 16 pixels of one colour (some
  // differing only in alpha, some unaligned, the same colour in chunks and loose), a colour
  // that has only whole chunks, lengths that are no multiple of 16, and groups whose pixels fill
  // a few blocks of the grouped tally exactly or by one more or less.
  using namespace colorart;
  std::mt19937 rng(4242);
  auto plainCount = [](const std::vector<uint32_t>& pixels) {
    std::map<ColorKey, uint64_t> counts;
    for (uint32_t p : pixels) ++counts[keyOfArgb(p)];
    ColorEntries entries;
    for (auto [key, count] : counts) entries.push_back(makeEntry(count, key));
    return entries;
  };
  const uint32_t groupSizes[] = {1, 63, 64, 65, 95, 96, 127, 128, 129, 200};
  uint32_t nextGroup = 0;
  for (int kind = 0; kind < 6; ++kind) {
    std::vector<uint32_t> pixels;
    const size_t n = 20000 + rng() % 17;
    while (pixels.size() < n) {
      uint32_t p;
      switch (kind) {
        case 0:
          p = 0xFF000000u | (rng() & 0x0F0F0F);
          break;  // few groups, many pixels each
        case 1:
          p = rng();
          break;   // spread thin, any alpha
        case 2: {  // runs, alpha varying within them
          const uint32_t rgb = rng() % 6 * 0x030507u;
          for (uint32_t k = 1 + rng() % 40; k-- > 0;) pixels.push_back((rng() << 24) | rgb);
          continue;
        }
        case 5: {  // groups of sizes about the grouped tally's block size, their pixels interleaved
          const uint32_t size = groupSizes[nextGroup % std::size(groupSizes)], high = (nextGroup * 37) % 4096;
          ++nextGroup;
          const size_t start = pixels.size();
          for (uint32_t k = 0; k < size; ++k)
            pixels.push_back(0xFF000000u | __builtin_bswap32(high << 12 | (rng() & 0xFFF)) >> 8);
          std::shuffle(pixels.begin() + static_cast<std::ptrdiff_t>(start / 2), pixels.end(), rng);
          continue;
        }
        case 3:
          p = pixels.size() < 16 * 300 ? 0xFF123456u : 0xFF000000u | (rng() & 0x3F3F3F);
          break;
        default:
          p = 0xFF000000u | (rng() % 3 ? rng() & 0xFF : rng() & 0xFFFFFF);
          break;
      }
      pixels.push_back(p);
    }
    SCOPED_TRACE(kind);
    const ColorEntries expected = plainCount(pixels);
    ColorEntries expectedFrequent;
    std::copy_if(expected.begin(), expected.end(), std::back_inserter(expectedFrequent),
                 [](ColorEntry e) { return entryCount(e) > 1; });
    ColorEntries grouped, sorted, chosen, groupedFrequent, sortedFrequent;
    tallyByGroups(pixels.data(), pixels.size(), grouped, nullptr, &groupedFrequent);
    tallyBySorting(pixels.data(), pixels.size(), sorted, nullptr, &sortedFrequent);
    tallyArgbPixels(pixels.data(), pixels.size(), chosen);
    EXPECT_EQ(grouped, expected);
    EXPECT_EQ(sorted, expected);
    EXPECT_EQ(chosen, expected);
    EXPECT_EQ(groupedFrequent, expectedFrequent);
    EXPECT_EQ(sortedFrequent, expectedFrequent);
    // The same again, as the tallies' working memory is kept from call to call.
    tallyByGroups(pixels.data(), pixels.size(), grouped);
    EXPECT_EQ(grouped, expected);
  }
}

TEST(CountedColorSet, OnlyEightBitOpaqueColoursCanBeElements) {
  using namespace colorart;
  CountedColorSet set;
  set.add(makeKey(255, 128, 0), 4);
  EXPECT_EQ(set.countForColor({1.0, 128 / 255.0, 0.0, 1.0}), 4u);
  EXPECT_EQ(set.countForColor({1.0, 0.5, 0.0, 1.0}), 0u);          // 0.5 is not k / 255
  EXPECT_EQ(set.countForColor({1.0, 128 / 255.0, 0.0, 0.5}), 0u);  // not opaque
  EXPECT_EQ(exactByte(17 / 255.0), 17);
  EXPECT_EQ(exactByte(0.425), -1);
  EXPECT_EQ(exactByte(1.5), -1);
  uint8_t rgbx[4] = {10, 20, 30, 99};
  EXPECT_EQ(keyOfPixel(rgbx), makeKey(10, 20, 30));
}

}  // namespace
