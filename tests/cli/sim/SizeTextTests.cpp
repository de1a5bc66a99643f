// Sizes on the command line (--screen, --window, colorart's --size): "WIDTHxHEIGHT", two plain
// positive decimal numbers, nothing else.
#include <gtest/gtest.h>

#include "cli/sim/SizeText.hpp"

namespace {

TEST(SizeText, ReadsTwoPositiveDecimalNumbers) {
  EXPECT_EQ(parseSize("375x667"), (CGSize{375, 667}));
  EXPECT_EQ(parseSize("40x7.5"), (CGSize{40, 7.5}));
  EXPECT_EQ(parseSize(".5x1e2"), (CGSize{0.5, 100}));
}

TEST(SizeText, RefusesAnythingElse) {
  for (const char* text :
       {"",       "12",     "x",      "40x",    "x40",     "axb",     "0x5",   "5x0",   "-1x5",    "5x-1",    "40X50",
        " 40x50", "40x50 ", "+40x50", "40x+50", "40x0x10", "0x10x40", "infx5", "5xnan", "1e999x5", "40x50x60"})
    EXPECT_FALSE(parseSize(text)) << '"' << text << '"';
}

}  // namespace
