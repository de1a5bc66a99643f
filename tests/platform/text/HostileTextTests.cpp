// Text that is not UTF-8 or longer than a screen could show, before it reaches Pango.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/Fonts.hpp"
#include "platform/text/TextMetrics.hpp"

TEST(HostileText, LabelsThatAreNotUtf8AreRepairedBeforePango) {
  // Each bad byte (and a NUL) is measured as the replacement character it becomes.
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(measureText("Helvetica", 17, "caf\xE9 \xFF"), measureText("Helvetica", 17, "caf" + replacement + " " + replacement));
  EXPECT_EQ(measureText("Helvetica", 17, std::string("a\0b", 3)), measureText("Helvetica", 17, "a" + replacement + "b"));
  EXPECT_GT(measureText("Helvetica", 17, "\xC3").width, 0);
}

TEST(HostileText, OnlyWhatAScreenCouldShowIsLaidOut) {
  // A megabyte-long word would take Pango minutes to wrap; what is laid out is its first part.
  std::string word(1 << 20, 'x');
  EXPECT_EQ(measureWrappedText("Helvetica", 17, word, 300),
            measureWrappedText("Helvetica", 17, word.substr(0, fonts::kMaxLayoutBytes), 300));
  // Cut between characters, never inside one.
  std::string wide;
  while (wide.size() < fonts::kMaxLayoutBytes + 8) wide += "\xE2\x82\xAC";  // three bytes each
  EXPECT_EQ(measureText("Helvetica", 17, wide), measureText("Helvetica", 17, wide.substr(0, fonts::kMaxLayoutBytes / 3 * 3)));
}
