// Hostile property lists: nesting, shared references, cycles, NUL bytes, large lists, strings
// that are not UTF-8 and dates beyond range; every read bounded, every failure no list.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/plist/PropertyList.hpp"
#include "tests/support/BinaryPlist.hpp"
#include "tests/support/DeviceRootTest.hpp"

using test_plist::BinaryPlist;
using test_support::bytesOf;

namespace {

std::string xmlDict(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body + "</dict></plist>\n";
}

size_t depthOf(const plist::Value& v) {
  size_t depth = 0;
  const plist::Value* at = &v;
  while (at->isArray() && !at->array()->empty()) {
    ++depth;
    at = &at->array()->front();
  }
  return depth + (at->isArray() ? 1 : 0);
}

}  // namespace

TEST(HostilePropertyList, NestingBeyondTheLimitIsNoListInEitherForm) {
  // Deep enough to overflow the stack of a recursive reader, in both forms.
  EXPECT_FALSE(plist::parse(bytesOf(test_plist::nestedXml(100'000))));
  EXPECT_FALSE(plist::parse(test_plist::nestedBinary(100'000)));
  // At the limit it reads, one past it does not.
  const size_t limit = plist::kResourceLimits.maxDepth;
  for (const auto& bytes : {bytesOf(test_plist::nestedXml(limit)), test_plist::nestedBinary(limit - 1)}) {
    auto v = plist::parse(bytes);
    ASSERT_TRUE(v);
    EXPECT_EQ(depthOf(*v), limit);
  }
  EXPECT_FALSE(plist::parse(bytesOf(test_plist::nestedXml(limit + 1))));
  EXPECT_FALSE(plist::parse(test_plist::nestedBinary(limit)));
}

TEST(HostilePropertyList, SharedReferencesCountAsExpanded) {
  // 24 levels of "hold the next one twice": a few hundred bytes standing for 2^25 values.
  EXPECT_FALSE(plist::parse(test_plist::expandingBinary(24)));
  // 2^10 expanded values are fine and come out expanded.
  auto small = plist::parse(test_plist::expandingBinary(10));
  ASSERT_TRUE(small);
  EXPECT_EQ(depthOf(*small), 10u);
  // The node limit is counted while converting: a list just over it is refused.
  plist::Limits tight;
  tight.maxNodes = 1000;
  EXPECT_FALSE(plist::parse(test_plist::expandingBinary(10), tight));
  tight.maxNodes = 1u << 12;
  EXPECT_TRUE(plist::parse(test_plist::expandingBinary(10), tight));
}

TEST(HostilePropertyList, CyclesAndBadReferencesAreNoList) {
  BinaryPlist self;
  self.array({0});
  EXPECT_FALSE(plist::parse(self.bytes()));
  BinaryPlist loop;
  loop.array({1});
  loop.array({0});
  EXPECT_FALSE(plist::parse(loop.bytes()));
  BinaryPlist dangling;
  dangling.array({7});
  EXPECT_FALSE(plist::parse(dangling.bytes()));
  auto cut = test_plist::nestedBinary(3);
  cut.resize(cut.size() - 5);
  EXPECT_FALSE(plist::parse(cut));
}

TEST(HostilePropertyList, NulBytesNeverReachAnAssertingReader) {
  // A binary string value with a NUL reads (this libplist keeps what comes before it).
  BinaryPlist b;
  b.dict({1}, {2});
  b.string("isEnabled");
  b.string(std::string("YES\0tail", 8));
  auto v = plist::parse(b.bytes());
  ASSERT_TRUE(v);
  ASSERT_TRUE((*v)["isEnabled"].isString());
  EXPECT_EQ((*v)["isEnabled"].string()->substr(0, 3), "YES");
  EXPECT_TRUE((*v)["isEnabled"].boolValue());
  // A key with a NUL, and XML with a NUL raw or as a reference: not a property list.
  BinaryPlist key;
  key.dict({1}, {2});
  key.string(std::string("is\0Enabled", 10));
  key.boolean(true);
  EXPECT_FALSE(plist::parse(key.bytes()));
  EXPECT_FALSE(plist::parse(bytesOf(xmlDict(std::string("<key>isEnabled</key><string>a\0b</string>", 40)))));
  EXPECT_FALSE(plist::parse(bytesOf(xmlDict("<key>isEnabled</key><string>a&#0;b</string>"))));
  EXPECT_FALSE(plist::parse(bytesOf(xmlDict("<key>isEnabled</key><string>a&#x000;b</string>"))));
  EXPECT_TRUE(plist::parse(bytesOf(xmlDict("<key>isEnabled</key><string>a&#10;b</string>"))));
}

TEST(HostilePropertyList, LargeFlatListsConvertWhole) {
  // 64k items: converted through libplist's iterators, each once.
  BinaryPlist b;
  std::vector<uint32_t> refs(65'536, 1);
  b.array(refs);
  b.string("item");
  auto v = plist::parse(b.bytes());
  ASSERT_TRUE(v && v->isArray());
  EXPECT_EQ(v->array()->size(), 65'536u);
  // Over the preference file limits, the same list is no list.
  EXPECT_FALSE(plist::parse(b.bytes(), plist::kPreferencesLimits));
  // And a file over the size cap is not parsed at all.
  std::string big = xmlDict("<key>a</key><string>" + std::string(plist::kPreferencesLimits.maxFileBytes, 'x') + "</string>");
  EXPECT_FALSE(plist::parse(bytesOf(big), plist::kPreferencesLimits));
  EXPECT_TRUE(plist::parse(bytesOf(big)));
}

TEST(HostilePropertyList, WhatIsWrittenReadsBackInEitherFormWhateverTheStrings) {
  // Found by fuzzing: libplist's binary writer made an unreadable file of a string that is not
  // UTF-8. Such strings and keys are written repaired.
  plist::Dictionary d{{"caf\xE9 key", "caf\xE9"}, {"isEnabled", true}};
  for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
    auto back = plist::parse(plist::serialize(plist::Value(d), format));
    ASSERT_TRUE(back) << (format == plist::Format::Xml ? "xml" : "binary");
    EXPECT_EQ(*(*back)["caf\xEF\xBF\xBD key"].string(), "caf\xEF\xBF\xBD");
    EXPECT_TRUE((*back)["isEnabled"].boolValue());
  }
}

TEST(HostilePropertyList, DatesBeyondWhatLibplistKeepsAreWrittenAsTheNearestItCan) {
  // Found by fuzzing: a binary list's date may be any double; writing it back converted it to a
  // 32-bit integer out of range (undefined behaviour).
  for (double seconds : {1e300, -1e300, std::nan(""), 5e9}) {
    auto back =
        plist::parse(plist::serialize(plist::Value(plist::Dictionary{{"d", plist::Date{seconds}}}), plist::Format::Binary));
    ASSERT_TRUE(back);
    ASSERT_TRUE((*back)["d"].isDate());
  }
}
