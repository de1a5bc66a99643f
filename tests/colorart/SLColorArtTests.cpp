// The colour art analysis: edge colour, text colours, fallbacks, the image categories and the
// background-queue class operation; and a comparison with a literal analysis on many images.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <random>
#include <thread>

#include "ReferenceAnalysis.hpp"
#include "colorart/SLColorArt.hpp"
#include "colorart/UIImage+ColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSLog.hpp"
#include "tests/support/TestImages.hpp"

namespace {

using test_images::append;
using test_images::opaque;

constexpr uint32_t kWhite = opaque(255, 255, 255), kBlack = opaque(0, 0, 0), kRed = opaque(255, 0, 0), kBlue = opaque(0, 0, 255),
                   kGreen = opaque(0, 160, 0), kTeal = opaque(0, 128, 128);

UIColorRef colorOf(uint32_t argb) {
  return UIColor::colorWithRed(((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0, 1.0);
}

::testing::AssertionResult sameColor(const UIColorRef& actual, const UIColorRef& expected) {
  if (!actual || !expected) return ::testing::AssertionFailure() << "missing colour";
  if (actual->isEqual(*expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual->red() << ", " << actual->green() << ", " << actual->blue() << ", "
                                       << actual->alpha() << ") != (" << expected->red() << ", " << expected->green() << ", "
                                       << expected->blue() << ", " << expected->alpha() << ")";
}

// Analyses with the log captured.
struct Analysed {
  SLColorArtRef art;
  std::vector<std::string> log;
};
Analysed analyse(const UIImageRef& image, int64_t threshold = 2) {
  system_log::clear();
  Analysed a;
  a.art = std::make_shared<SLColorArt>(image, threshold);
  a.log = system_log::lines();
  return a;
}

UIColorRef backgroundOf(const UIImageRef& image, int64_t threshold = 2) {
  SLColorArt art;
  art.setRandomColorThreshold(threshold);
  colorart::CountedColorSet colors;
  return art._findEdgeColor(image, colors);
}

// ---- Edge colour ----

TEST(EdgeColor, OneColourNeedsThreeRowsWithTheDefaultThreshold) {
  EXPECT_TRUE(sameColor(analyse(test_images::solid(5, 3, kTeal)).art->backgroundColor(), colorOf(kTeal)));
  EXPECT_EQ(backgroundOf(test_images::solid(5, 2, kTeal)), nullptr);
  EXPECT_TRUE(sameColor(analyse(test_images::solid(5, 2, kTeal)).art->backgroundColor(), UIColor::whiteColor()));
}

TEST(EdgeColor, AColourMustOccurOnMoreRowsThanTheThreshold) {
  std::vector<uint32_t> column;
  append(column, kRed, 2);
  for (int i = 0; i < 6; ++i) append(column, opaque(10 * i, 200, 30), 1);
  EXPECT_EQ(backgroundOf(test_images::leftColumn(column, 3, kRed)), nullptr);  // red fills the rest: no matter
  append(column, kRed, 1);
  EXPECT_TRUE(sameColor(backgroundOf(test_images::leftColumn(column, 3, kBlue)), colorOf(kRed)));
  // Threshold 0: one row is enough; the most frequent wins.
  EXPECT_TRUE(sameColor(backgroundOf(test_images::leftColumn(column, 1, kBlue), 0), colorOf(kRed)));
  // A larger threshold shuts red out again.
  EXPECT_EQ(backgroundOf(test_images::leftColumn(column, 1, kBlue), 3), nullptr);
}

// The walk over the left edge's colours, most frequent first: a black or white leader gives way
// to the first colour that is neither and occurs more than four tenths as often as the leader
// (measured against the leader, not the entry before); near-white counts as white.
struct EdgeWalk {
  const char* what;
  std::vector<std::pair<uint32_t, int>> runs;  // colour, rows, down the left column
  uint32_t rest;                               // the image's other columns
  uint32_t expected;
};

class EdgeWalkCases : public ::testing::TestWithParam<EdgeWalk> {};

TEST_P(EdgeWalkCases, FindsTheBackground) {
  const EdgeWalk& c = GetParam();
  std::vector<uint32_t> column;
  for (const auto& [colour, rows] : c.runs) append(column, colour, rows);
  EXPECT_TRUE(sameColor(backgroundOf(test_images::leftColumn(column, 2, c.rest)), colorOf(c.expected))) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    EdgeColor, EdgeWalkCases,
    ::testing::Values(
        EdgeWalk{"white leader, red above four tenths", {{kWhite, 100}, {kRed, 41}, {kBlue, 30}}, kWhite, kRed},
        EdgeWalk{"white leader, red at exactly four tenths", {{kWhite, 100}, {kRed, 40}, {kBlue, 30}}, kWhite, kWhite},
        EdgeWalk{"black leader, white passed over", {{kBlack, 100}, {kWhite, 60}, {kGreen, 50}}, kBlack, kGreen},
        EdgeWalk{"near-white passed over like white", {{kBlack, 100}, {opaque(235, 235, 240), 60}, {kGreen, 45}}, kBlack, kGreen},
        EdgeWalk{"ratio against the leader, not the entry before", {{kBlack, 100}, {kWhite, 60}, {kGreen, 39}}, kBlack, kBlack},
        EdgeWalk{"only black and white: the first", {{kWhite, 10}, {kBlack, 9}}, kRed, kWhite},
        EdgeWalk{"a colourful leader is taken at once", {{kTeal, 10}, {kWhite, 9}}, kRed, kTeal}));

TEST(EdgeColor, OnlyTheLeftmostColumnDecides) {
  std::vector<uint32_t> column;
  append(column, kBlue, 10);
  EXPECT_TRUE(sameColor(backgroundOf(test_images::leftColumn(column, 50, kRed)), colorOf(kBlue)));
  // Red everywhere except a left column of colours that each occur once: no background.
  auto stripes = test_images::make(50, 10, [](int x, int y) { return x == 0 ? opaque(y * 20, 0, 255) : kRed; });
  EXPECT_EQ(backgroundOf(stripes), nullptr);
  EXPECT_TRUE(sameColor(analyse(stripes).art->backgroundColor(), UIColor::whiteColor()));
}

TEST(EdgeColor, NegativeThresholdAdmitsNoColour) {
  auto teal = test_images::solid(4, 50, kTeal);
  for (int64_t threshold : {int64_t{-1}, int64_t{-2}, INT64_MIN}) {
    EXPECT_EQ(backgroundOf(teal, threshold), nullptr) << threshold;
    EXPECT_TRUE(sameColor(analyse(teal, threshold).art->backgroundColor(), UIColor::whiteColor()));
  }
}

TEST(EdgeColor, HandsBackEveryPixelColourCounted) {
  auto image = test_images::make(4, 3, [](int x, int y) { return x < 3 ? kRed : (y == 0 ? kBlue : kGreen); });
  SLColorArt art;
  colorart::CountedColorSet colors;
  art._findEdgeColor(image, colors);
  EXPECT_EQ(colors.size(), 3u);
  EXPECT_EQ(colors.countForKey(colorart::makeKey(255, 0, 0)), 9u);
  EXPECT_EQ(colors.countForKey(colorart::makeKey(0, 0, 255)), 1u);
  EXPECT_EQ(colors.countForKey(colorart::makeKey(0, 160, 0)), 2u);
}

// ---- Text colours ----

// A white left edge (20 rows) and the given colours, each on its own rows, in the other columns.
UIImageRef onWhite(const std::vector<std::pair<uint32_t, int>>& colours, uint32_t edge = kWhite) {
  std::vector<uint32_t> fill;
  for (auto& [c, n] : colours) append(fill, c, n);
  int width = static_cast<int>(fill.size()) + 1;
  return test_images::make(width, 20, [&](int x, int y) { return x == 0 || y > 0 ? edge : fill[x - 1]; });
}

TEST(TextColors, LightBackgroundTakesOnlyDarkColoursAndDarkOnlyLight) {
  // Light yellow occurs most, but is light: on white only the dark blue and red qualify.
  auto light = analyse(onWhite({{opaque(250, 240, 120), 50}, {opaque(0, 0, 120), 9}, {opaque(160, 0, 0), 8}}));
  EXPECT_TRUE(sameColor(light.art->backgroundColor(), UIColor::whiteColor()));
  EXPECT_TRUE(sameColor(light.art->primaryColor(), colorOf(opaque(0, 0, 120))));
  EXPECT_TRUE(sameColor(light.art->secondaryColor(), colorOf(opaque(160, 0, 0))));
  EXPECT_TRUE(sameColor(light.art->detailColor(), UIColor::blackColor()));
  EXPECT_EQ(light.log, std::vector<std::string>{"missed detail"});

  auto dark = analyse(onWhite({{opaque(250, 240, 120), 5}, {opaque(0, 0, 120), 9}, {opaque(120, 255, 200), 4}}, kBlack));
  EXPECT_TRUE(sameColor(dark.art->backgroundColor(), UIColor::blackColor()));
  EXPECT_TRUE(sameColor(dark.art->primaryColor(), colorOf(opaque(250, 240, 120))));
  EXPECT_TRUE(sameColor(dark.art->secondaryColor(), colorOf(opaque(120, 255, 200))));
  EXPECT_TRUE(sameColor(dark.art->detailColor(), UIColor::whiteColor()));
}

TEST(TextColors, GreyishColourIsRaisedAndWithoutExactPixelsCountsZero) {
  // Grey 51 occurs 30 times, but its raised colour (0.2, 0.17, 0.17) on no pixel: it comes after
  // the dark red that occurs twice.
  auto a = analyse(onWhite({{opaque(51, 51, 51), 30}, {opaque(128, 0, 0), 2}}));
  auto raised = pc_colorWithMinimumSaturation(colorOf(opaque(51, 51, 51)), 0.15);
  ASSERT_EQ(colorart::CountedColorSet().countForColor(colorart::rgbaOf(*raised)), 0u);
  ASSERT_EQ(colorart::exactByte(raised->green()), -1);
  EXPECT_TRUE(sameColor(a.art->primaryColor(), colorOf(opaque(128, 0, 0))));
  EXPECT_TRUE(sameColor(a.art->secondaryColor(), raised));
  EXPECT_EQ(a.log, std::vector<std::string>{"missed detail"});
}

TEST(TextColors, RaisedColourCountsThePixelsThatEqualItExactly) {
  // Grey 100 raised to saturation 0.15 is exactly (100, 85, 85).
  auto raised = pc_colorWithMinimumSaturation(colorOf(opaque(100, 100, 100)), 0.15);
  ASSERT_TRUE(sameColor(raised, colorOf(opaque(100, 85, 85))));
  // Blue 7, green 4, the grey 5 (its candidate counts 3: the raised colour's pixels), and the
  // raised colour itself 3. Counting the grey's own 5 would make the raised colour secondary.
  auto a =
      analyse(onWhite({{opaque(0, 0, 120), 7}, {opaque(0, 90, 0), 4}, {opaque(100, 100, 100), 5}, {opaque(100, 85, 85), 3}}));
  EXPECT_TRUE(sameColor(a.art->primaryColor(), colorOf(opaque(0, 0, 120))));
  EXPECT_TRUE(sameColor(a.art->secondaryColor(), colorOf(opaque(0, 90, 0))));
  EXPECT_TRUE(sameColor(a.art->detailColor(), colorOf(opaque(100, 85, 85))));
  EXPECT_TRUE(a.log.empty());
  // Black raises to itself: it keeps its own count.
  auto b = analyse(onWhite({{kBlack, 9}, {opaque(0, 0, 150), 5}}));
  EXPECT_TRUE(sameColor(b.art->primaryColor(), UIColor::blackColor()));
  EXPECT_TRUE(sameColor(b.art->secondaryColor(), colorOf(opaque(0, 0, 150))));
}

TEST(TextColors, CandidateFillsOnlyTheFirstEmptySlot) {
  // A (9) primary; B (8) too close to A: passed over, not tried for detail; C (7) secondary;
  // D (6) distinct from C but not from A: passed over; E (5) detail.
  const uint32_t A = opaque(150, 0, 0), B = opaque(140, 20, 10), C = opaque(0, 0, 150), D = opaque(120, 40, 40),
                 E = opaque(0, 120, 0);
  auto a = analyse(onWhite({{A, 9}, {B, 8}, {C, 7}, {D, 6}, {E, 5}}));
  EXPECT_TRUE(sameColor(a.art->primaryColor(), colorOf(A)));
  EXPECT_TRUE(sameColor(a.art->secondaryColor(), colorOf(C)));
  EXPECT_TRUE(sameColor(a.art->detailColor(), colorOf(E)));
  EXPECT_TRUE(a.log.empty());
}

TEST(TextColors, ColoursThatDoNotContrastArePassedOver) {
  // On a light grey background a dark-but-not-very-dark colour has a ratio below 1.6.
  const uint32_t grey = opaque(190, 190, 190), muted = opaque(160, 110, 110), navy = opaque(0, 0, 100);
  auto a = analyse(onWhite({{muted, 50}, {navy, 5}}, grey));
  ASSERT_TRUE(sameColor(a.art->backgroundColor(), colorOf(grey)));
  ASSERT_TRUE(pc_isDarkColor(*colorOf(muted)));
  EXPECT_TRUE(sameColor(a.art->primaryColor(), colorOf(navy)));
  EXPECT_EQ(a.log, (std::vector<std::string>{"missed secondary", "missed detail"}));
}

TEST(TextColors, MissingColoursFallBackByBackgroundAndLogInOrder) {
  auto light = analyse(test_images::solid(3, 3, kWhite));
  EXPECT_EQ(light.log, (std::vector<std::string>{"missed primary", "missed secondary", "missed detail"}));
  for (auto& c : {light.art->primaryColor(), light.art->secondaryColor(), light.art->detailColor()})
    EXPECT_TRUE(sameColor(c, UIColor::blackColor()));
  auto dark = analyse(test_images::solid(3, 3, kBlack));
  EXPECT_EQ(dark.log.size(), 3u);
  for (auto& c : {dark.art->primaryColor(), dark.art->secondaryColor(), dark.art->detailColor()})
    EXPECT_TRUE(sameColor(c, UIColor::whiteColor()));
}

TEST(TextColors, SlotsFilledOnEntryAreKept) {
  SLColorArt art;
  colorart::CountedColorSet colors;
  art._findEdgeColor(onWhite({{opaque(0, 0, 120), 9}, {opaque(160, 0, 0), 8}}), colors);
  UIColorRef primary = UIColor::colorWithRed(0, 0.5, 0, 1), secondary, detail;
  art._findTextColors(colors, primary, secondary, detail, UIColor::whiteColor());
  EXPECT_TRUE(sameColor(primary, UIColor::colorWithRed(0, 0.5, 0, 1)));
  EXPECT_TRUE(sameColor(secondary, colorOf(opaque(0, 0, 120))));
  EXPECT_TRUE(sameColor(detail, colorOf(opaque(160, 0, 0))));
}

// ---- The whole analysis ----

TEST(Analysis, NoImageOrEmptyImageYieldsWhiteAndBlack) {
  for (auto image : {UIImageRef(), std::make_shared<UIImage>(0, 0, std::vector<uint32_t>{})}) {
    auto a = analyse(image);
    EXPECT_TRUE(sameColor(a.art->backgroundColor(), UIColor::whiteColor()));
    EXPECT_TRUE(sameColor(a.art->primaryColor(), UIColor::blackColor()));
    EXPECT_TRUE(sameColor(a.art->secondaryColor(), UIColor::blackColor()));
    EXPECT_TRUE(sameColor(a.art->detailColor(), UIColor::blackColor()));
    EXPECT_EQ(a.log, (std::vector<std::string>{"missed primary", "missed secondary", "missed detail"}));
  }
}

TEST(Analysis, DictionaryHasTheFourColours) {
  SLColorArt art;
  auto colors = art._analyzeImage(test_images::solid(2, 3, kTeal));
  ASSERT_EQ(colors.size(), 4u);
  EXPECT_TRUE(sameColor(colors[kAnalyzedBackgroundColor], colorOf(kTeal)));
  for (auto key : {kAnalyzedPrimaryColor, kAnalyzedSecondaryColor, kAnalyzedDetailColor}) EXPECT_TRUE(colors[key]) << key;
}

TEST(Analysis, InitialiserKeepsThresholdAndImageAndLaterChangesRecomputeNothing) {
  auto image = test_images::solid(2, 3, kTeal);
  SLColorArt art(image);
  EXPECT_EQ(art.randomColorThreshold(), 2);
  EXPECT_EQ(art.image(), image);
  SLColorArt strict(image, 7);
  EXPECT_EQ(strict.randomColorThreshold(), 7);
  EXPECT_TRUE(sameColor(strict.backgroundColor(), UIColor::whiteColor()));
  art.setImage(test_images::solid(2, 3, kRed));
  art.setRandomColorThreshold(-1);
  EXPECT_TRUE(sameColor(art.backgroundColor(), colorOf(kTeal)));
  art.setBackgroundColor(UIColor::blackColor());
  EXPECT_TRUE(sameColor(art.backgroundColor(), UIColor::blackColor()));
}

TEST(Analysis, ColorArtAnalysesA512By512Rendition) {
  // One pixel wide, two rows: natively no edge colour reaches 3 rows; at 512 x 512 it does.
  auto image = test_images::make(1, 2, [](int, int) { return kRed; });
  EXPECT_TRUE(sameColor(analyse(image).art->backgroundColor(), UIColor::whiteColor()));
  auto art = colorArt(image);
  ASSERT_TRUE(art);
  EXPECT_TRUE(sameColor(art->backgroundColor(), colorOf(kRed)));
  EXPECT_EQ(art->image()->pixelWidth(), 512);
  EXPECT_EQ(art->image()->pixelHeight(), 512);
  // Any size and aspect ratio: the same as analysing the scaled image.
  auto wide = test_images::make(700, 90, [](int x, int y) { return opaque(x % 256, y * 2, (x + y) % 200); });
  auto viaCategory = colorArt(wide);
  SLColorArt direct(scaledToSize(wide, CGSizeMake(512, 512)));
  EXPECT_EQ(viaCategory->image()->pixelWidth(), 512);
  EXPECT_TRUE(sameColor(viaCategory->backgroundColor(), direct.backgroundColor()));
  EXPECT_TRUE(sameColor(viaCategory->primaryColor(), direct.primaryColor()));
  EXPECT_TRUE(sameColor(viaCategory->secondaryColor(), direct.secondaryColor()));
  EXPECT_TRUE(sameColor(viaCategory->detailColor(), direct.detailColor()));
  // Another size.
  auto small = colorArt(wide, CGSizeMake(30, 20));
  EXPECT_EQ(small->image()->pixelWidth(), 30);
  EXPECT_EQ(small->image()->pixelHeight(), 20);
  EXPECT_EQ(colorArt(nullptr), nullptr);
}

TEST(Analysis, ProcessImageRunsOffTheMainThreadAndCompletesOnIt) {
  auto image = test_images::make(64, 40, [](int x, int y) { return x < 8 ? kTeal : opaque(x * 3, y * 5, 90); });
  main_loop::runUntilIdle();  // claims this thread as the main thread
  SLColorArtRef received;
  int calls = 0;
  bool onMain = false;
  std::thread::id caller = std::this_thread::get_id();
  SLColorArt::processImage(image, CGSizeMake(100, 50), 2, [&](const SLColorArtRef& art) {
    received = art;
    ++calls;
    onMain = std::this_thread::get_id() == caller;
  });
  EXPECT_EQ(calls, 0);  // returns at once; the completion waits for the main queue
  main_loop::runUntilIdle();
  ASSERT_EQ(calls, 1);
  EXPECT_TRUE(onMain);
  ASSERT_TRUE(received);
  EXPECT_EQ(received->image()->pixelWidth(), 100);
  EXPECT_EQ(received->image()->pixelHeight(), 50);
  SLColorArt expected(scaledToSize(image, CGSizeMake(100, 50)), 2);
  EXPECT_TRUE(sameColor(received->backgroundColor(), colorOf(kTeal)));
  EXPECT_TRUE(sameColor(received->primaryColor(), expected.primaryColor()));
  EXPECT_TRUE(sameColor(received->secondaryColor(), expected.secondaryColor()));
  EXPECT_TRUE(sameColor(received->detailColor(), expected.detailColor()));
  // The threshold is passed on: with -1 nothing is an edge colour.
  SLColorArtRef negative;
  SLColorArt::processImage(image, CGSizeMake(10, 10), -1, [&](const SLColorArtRef& art) { negative = art; });
  main_loop::runUntilIdle();
  ASSERT_TRUE(negative);
  EXPECT_TRUE(sameColor(negative->backgroundColor(), UIColor::whiteColor()));
}

// ---- Against the literal analysis ----

// Expects the analysis of `image` to give the colours and log lines of the literal analysis.
void expectSameAsLiteral(const UIImageRef& image, int64_t threshold) {
  auto expected = reference::analyse(image, threshold);
  auto actual = analyse(image, threshold);
  EXPECT_TRUE(sameColor(actual.art->backgroundColor(), expected.background));
  EXPECT_TRUE(sameColor(actual.art->primaryColor(), expected.primary));
  EXPECT_TRUE(sameColor(actual.art->secondaryColor(), expected.secondary));
  EXPECT_TRUE(sameColor(actual.art->detailColor(), expected.detail));
  EXPECT_EQ(actual.log, expected.log);
}

// Images whose colours exercise every branch: few and many colours, skewed counts, greys (some
// of whose raised colours are pixel colours too), near-greys, black and white, and a left edge
// drawn from a few colours.
UIImageRef randomImage(std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0, 255), sizeDist(1, 48), paletteSize(1, 60), kind(0, 9);
  int w = sizeDist(rng), h = sizeDist(rng) + (rng() % 3 == 0 ? 100 : 0);
  std::vector<uint32_t> palette;
  int n = paletteSize(rng);
  for (int i = 0; i < n; ++i) {
    switch (kind(rng)) {
      case 0: {  // a grey on a level whose raised colour is exact, with that colour beside it
        int v = 20 * (rng() % 13);
        palette.push_back(opaque(v, v, v));
        auto raised = pc_colorWithMinimumSaturation(colorOf(opaque(v, v, v)), 0.15);
        colorart::ColorKey key;
        if (colorart::keyOfColor(colorart::rgbaOf(*raised), &key))
          palette.push_back(opaque(colorart::keyRed(key), colorart::keyGreen(key), colorart::keyBlue(key)));
        break;
      }
      case 1: {
        int v = byte(rng);
        palette.push_back(opaque(v, v, v));
        break;
      }
      case 2: {  // near-grey
        int v = byte(rng) % 240;
        palette.push_back(opaque(v, v + rng() % 12, v + rng() % 12));
        break;
      }
      case 3:
        palette.push_back(rng() % 2 ? kWhite : kBlack);
        break;
      case 4:
        palette.push_back(opaque(byte(rng) / 8 + 224, byte(rng) / 8 + 224, byte(rng) / 8 + 224));
        break;
      default:
        palette.push_back(opaque(byte(rng), byte(rng), byte(rng)));
    }
  }
  std::geometric_distribution<int> skew(0.15);
  std::vector<uint32_t> edgePalette(palette.begin(), palette.begin() + std::min<size_t>(palette.size(), 4));
  return test_images::make(w, h, [&](int x, int) {
    if (x == 0 && rng() % 5) return edgePalette[skew(rng) % edgePalette.size()];
    if (rng() % 50 == 0) return opaque(byte(rng), byte(rng), byte(rng));
    return palette[skew(rng) % palette.size()];
  });
}

TEST(Analysis, AgreesWithTheLiteralAnalysisOnManyImages) {
  std::mt19937 rng(12345);
  const int64_t thresholds[] = {2, 0, 1, 5, -1};
  for (int i = 0; i < 400; ++i) {
    UIImageRef image = randomImage(rng);
    int64_t threshold = thresholds[i % 5];
    SCOPED_TRACE(::testing::Message() << "image " << i << " (" << image->pixelWidth() << " x " << image->pixelHeight()
                                      << "), threshold " << threshold);
    expectSameAsLiteral(image, threshold);
    if (HasFailure()) break;
  }
}

TEST(Analysis, AgreesWithTheLiteralAnalysisWhenNearGreysRaiseToFrequentColours) {
  // Near-greys of every hue at the brightness levels whose raised colour can be a pixel colour,
  // each beside its raised colour (when it is one) on several pixels, among a few other colours:
  // the raised colours are then found among the frequent colours, from the grey's side.
  std::mt19937 rng(2468);
  const int levels[] = {0, 20, 40, 80, 100, 140, 160, 180, 200};  // 0: black raises to itself
  const uint32_t backgrounds[] = {kWhite, kBlack, opaque(120, 40, 40)};
  int exactRaised = 0;
  for (int i = 0; i < 150; ++i) {
    std::vector<uint32_t> pixels;
    auto add = [&](uint32_t colour, int times) { pixels.insert(pixels.end(), times, colour); };
    for (int k = 0; k < 40; ++k) {
      const int v = levels[rng() % std::size(levels)], spread = v / 8 + 1;
      int c[3] = {v, v - static_cast<int>(rng() % spread), v - static_cast<int>(rng() % spread)};
      std::shuffle(std::begin(c), std::end(c), rng);
      const uint32_t grey = opaque(c[0], c[1], c[2]);
      add(grey, 1 + rng() % 4);
      auto raised = pc_colorWithMinimumSaturation(colorOf(grey), 0.15);
      colorart::ColorKey key;
      if (colorart::keyOfColor(colorart::rgbaOf(*raised), &key)) {
        ++exactRaised;
        add(opaque(colorart::keyRed(key), colorart::keyGreen(key), colorart::keyBlue(key)), 2 + rng() % 12);
      }
    }
    // Enough colours of several pixels that the walk starts among the frequent ones only.
    for (int k = 0; k < 120; ++k) add(opaque(rng() % 256, rng() % 256, rng() % 256), 1 + rng() % 10);
    std::shuffle(pixels.begin(), pixels.end(), rng);
    const uint32_t background = backgrounds[i % 3];
    const int width = 33, height = static_cast<int>(pixels.size() + width - 2) / (width - 1);
    auto image = test_images::make(width, height, [&](int x, int y) {
      const size_t at = static_cast<size_t>(y) * (width - 1) + (x - 1);
      return x == 0 || at >= pixels.size() ? background : pixels[at];
    });
    SCOPED_TRACE(i);
    expectSameAsLiteral(image, 2);
    if (HasFailure()) break;
  }
  EXPECT_GT(exactRaised, 1000);  // the raised colours were pixel colours often enough to matter
}

TEST(Analysis, AgreesWithTheLiteralAnalysisOnScaledGradients) {
  // Smooth images scaled up: many colours with small counts, so the walk reaches far.
  std::mt19937 rng(777);
  for (int i = 0; i < 6; ++i) {
    auto base = test_images::make(6, 5, [&](int, int) { return opaque(rng() % 256, rng() % 256, rng() % 256); });
    auto image = scaledToSize(base, CGSizeMake(180, 160));
    SCOPED_TRACE(i);
    expectSameAsLiteral(image, 2);
  }
}

// The smallest count of each tier of the text colour walk, worked out from the image's colours
// as the analysis does: the first tier holds at least the 64 most frequent colours, the second
// at least 4096 more, the last everything below; a bound of 1 means that tier reaches the
// colours that occur once.
std::vector<uint64_t> tierBounds(const colorart::CountedColorSet& colors) {
  std::array<uint64_t, 256> histogram{};
  for (const auto e : colors.entries()) ++histogram[std::min<uint64_t>(colorart::entryCount(e), 255)];
  std::vector<uint64_t> lows;
  uint64_t high = UINT64_MAX;
  for (const size_t wanted : {size_t{64}, size_t{4096}, SIZE_MAX}) {
    if (high <= 1) break;
    uint64_t n = high > 255 ? histogram[255] : 0, low = std::min<uint64_t>(high, 255);
    while (low > 1 && n < wanted) n += histogram[--low];
    high = std::max<uint64_t>(low, 1);
    lows.push_back(high);
  }
  return lows;
}

// A photo-like picture at the analysis's real size: a small picture of smooth areas with a
// little noise, scaled up to 512 x 512 as colorArt scales artwork. A dark, gently shaded sky
// (its colours come many times each, the most frequent of the picture) over a lighter, busier
// foreground whose colours come fewer times: on the sky's dark left edge, the light text
// colours lie below the first tier.
UIImageRef upscaledPhoto() {
  std::mt19937 rng(9001);
  std::uniform_int_distribution<int> noise(-2, 2);
  auto base = test_images::make(48, 48, [&](int x, int y) {
    if (y < 30) {
      const int v = 12 + y;
      return opaque(v / 2 + noise(rng) + 2, v + noise(rng) + 2, 2 * v + noise(rng) + 2);
    }
    return opaque(150 + (x * 7 + y * 13) % 90 + noise(rng) + 2, 140 + (x * y) % 100 + noise(rng) + 2,
                  110 + (y * 5 + x) % 120 + noise(rng) + 2);
  });
  return scaledToSize(base, CGSizeMake(512, 512));
}

TEST(Analysis, AgreesWithTheLiteralAnalysisOnAnUpscaledPhotoWhoseWalkReachesTheMiddleTier) {
  auto image = upscaledPhoto();
  ASSERT_EQ(image->pixelWidth(), 512);
  ASSERT_EQ(image->pixelHeight(), 512);
  SLColorArt probe;
  colorart::CountedColorSet colors;
  probe._findEdgeColor(image, colors);
  const auto bounds = tierBounds(colors);
  ASSERT_EQ(bounds.size(), 3u) << "three tiers";
  ASSERT_GT(bounds[1], 1u) << "a middle tier above the colours that occur once";
  auto expected = reference::analyse(image, 2);
  std::vector<uint64_t> counts;
  for (const auto& c : {expected.primary, expected.secondary, expected.detail})
    counts.push_back(colors.countForColor(colorart::rgbaOf(*c)));
  SCOPED_TRACE(::testing::Message() << "tiers from " << bounds[0] << ", " << bounds[1] << ", " << bounds[2]
                                    << "; text colour counts " << counts[0] << ", " << counts[1] << ", " << counts[2]);
  EXPECT_TRUE(std::any_of(counts.begin(), counts.end(), [&](uint64_t n) { return n >= bounds[1] && n < bounds[0]; }))
      << "a text colour is taken from the middle tier";
  EXPECT_TRUE(expected.log.empty()) << "all three found";
  expectSameAsLiteral(image, 2);
}

TEST(Analysis, AgreesWithTheLiteralAnalysisOnTranslucentPixels) {
  // Premultiplied ARGB with every alpha, transparent included: drawn into the analysis's
  // bitmap, each pixel shows its colour over the bitmap's black. The left column is one
  // translucent red, so the background is that red darkened.
  std::mt19937 rng(4242);
  auto premultiplied = [](uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | (r * a + 127) / 255 << 16 | (g * a + 127) / 255 << 8 | (b * a + 127) / 255;
  };
  const uint32_t edge = premultiplied(128, 200, 40, 40);
  int translucent = 0;
  auto image = test_images::make(40, 60, [&](int x, int) {
    const uint32_t pixel = x == 0 ? edge : premultiplied(rng() % 256, rng() % 256, rng() % 256, rng() % 256);
    translucent += (pixel >> 24) != 255;
    return pixel;
  });
  ASSERT_GT(translucent, 40 * 60 * 9 / 10) << "nearly every pixel translucent";
  auto art = analyse(image).art;
  EXPECT_TRUE(sameColor(art->backgroundColor(), colorOf(0xFF000000u | (edge & 0xFFFFFF)))) << "the red over black";
  expectSameAsLiteral(image, 2);
}

}  // namespace
