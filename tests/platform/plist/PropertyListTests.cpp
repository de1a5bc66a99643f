// Property lists: both forms, broken input, Foundation's conversions, the JSON view.
#include <gtest/gtest.h>

#include "platform/plist/PropertyList.hpp"
#include "platform/plist/PropertyListJson.hpp"
#include "tests/support/DeviceRootTest.hpp"

using test_support::bytesOf;

TEST(PropertyList, XmlAndBinaryFormsRoundTrip) {
  plist::Dictionary d{{"isEnabled", false},
                      {"albumArtCornerRadius", 12},
                      {"name", "Velloway"},
                      {"ratio", 0.4},
                      {"negative", int64_t{-5}},
                      {"data", plist::Data{0, 1, 255}},
                      {"list", plist::Array{1, "two"}}};
  for (auto format : {plist::Format::Xml, plist::Format::Binary}) {
    auto parsed = plist::parse(plist::serialize(plist::Value(d), format));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, plist::Value(d));
  }
}

TEST(PropertyList, BrokenInputParsesToNothing) {
  EXPECT_FALSE(plist::parse(bytesOf("")));
  EXPECT_FALSE(plist::parse(bytesOf("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><tr")));
  EXPECT_FALSE(plist::parse(bytesOf("bplist00\x01\x02garbage")));
}

TEST(PropertyList, FoundationConversions) {
  EXPECT_TRUE(plist::Value(3).boolValue());
  EXPECT_FALSE(plist::Value(0.0).boolValue());
  EXPECT_TRUE(plist::Value("YES").boolValue());
  EXPECT_TRUE(plist::Value("  +0012").boolValue());
  EXPECT_FALSE(plist::Value("no").boolValue());
  EXPECT_FALSE(plist::Value(plist::Array{true}).boolValue());
  EXPECT_FLOAT_EQ(plist::Value(12).floatValue(), 12.0f);
  EXPECT_FLOAT_EQ(plist::Value(" 7.5pt").floatValue(), 7.5f);
  EXPECT_EQ(plist::Value(true).integerValue(), 1);
}

TEST(PropertyList, LeadingNumberParse) {
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber("  -4.9"), -4.9);
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber("12abc"), 12.0);
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber("7,5"), 7.0);
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber("1e2x"), 100.0);
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber("1e"), 1.0);
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber("abc"), 0.0);
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber(""), 0.0);
  EXPECT_DOUBLE_EQ(plist::parseLeadingNumber("-"), 0.0);
}

TEST(PropertyList, JsonShowsEveryKindWithDataInBase64) {
  plist::Dictionary d{{"on", true},
                      {"n", -5},
                      {"x", 0.5},
                      {"s", "é"},
                      {"none", plist::Value()},
                      {"when", plist::Date{12.5}},
                      {"list", plist::Array{1, plist::Dictionary{{"k", "v"}}}},
                      {"empty", plist::Data{}},
                      {"one", plist::Data{0xff}},
                      {"two", plist::Data{0, 1}},
                      {"three", plist::Data{0xfb, 0xff, 0xbf}}};
  EXPECT_EQ(propertyListJson(plist::Value(d)),
            nlohmann::json::parse(R"({"on": true, "n": -5, "x": 0.5, "s": "é", "none": null, "when": {"date": 12.5},
                                      "list": [1, {"k": "v"}], "empty": {"data": ""}, "one": {"data": "/w=="},
                                      "two": {"data": "AAE="}, "three": {"data": "+/+/"}})"));
}
