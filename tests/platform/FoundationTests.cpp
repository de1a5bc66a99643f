#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/graphics/ImageDecoder.hpp"
#include "platform/plist/PropertyList.hpp"
#include "platform/plist/PropertyListJson.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace fs = std::filesystem;

using test_support::bytesOf;
using test_support::DeviceRootTest;

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

TEST_F(DeviceRootTest, ThePhonesThreeSpellingsAreOneFile) {
  ASSERT_TRUE(device_fs::writeFileAtomically("/User/Library/Preferences/com.dovrane.velloway.plist", bytesOf("one")));
  EXPECT_EQ(device_fs::readFile("/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist"), bytesOf("one"));
  EXPECT_EQ(device_fs::readFile("/var/mobile//Library/Preferences/com.dovrane.velloway.plist"), bytesOf("one"));
  // The write replaced through the link: the real folder holds the file, no temporary left.
  size_t files = 0;
  for (auto& e : fs::directory_iterator(root_ / "private/var/mobile/Library/Preferences")) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(DeviceRootTest, PathsNeverClimbAboveTheRoot) {
  EXPECT_EQ(device_fs::hostPath("/../../etc/passwd"), root_ / "etc/passwd");
  // tmp is the phone's link to private/var/tmp; ".." applies after it is followed, as on the phone.
  EXPECT_EQ(device_fs::hostPath("tmp/./a/../b"), root_ / "private/var/tmp/b");
}

TEST_F(DeviceRootTest, FoldersAndMissingFilesReadAsMissing) {
  EXPECT_FALSE(device_fs::readFile("/private/var/mobile"));
  EXPECT_FALSE(device_fs::readFile("/no/such/file"));
  EXPECT_FALSE(plist::dictionaryWithContentsOfFile("/private/var/mobile/Library/Preferences"));
}

TEST_F(DeviceRootTest, PreferencesMergeIntoTheDomainFile) {
  EXPECT_TRUE(CFPreferencesCopyAppValue("beta4-HasRun", "com.dovrane.velloway").isNil());
  plist::writeToFile({{"isEnabled", false}}, "/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist");
  CFPreferencesSetAppValue("beta4-HasRun", kCFBooleanTrue, "com.dovrane.velloway");
  auto dict = plist::dictionaryWithContentsOfFile("/User/Library/Preferences/com.dovrane.velloway.plist");
  ASSERT_TRUE(dict);
  EXPECT_EQ((*dict)["isEnabled"], plist::Value(false));
  EXPECT_EQ((*dict)["beta4-HasRun"], plist::Value(true));
}

TEST(ImageDecoder, RefusesBrokenAndAbsurdImages) {
  // A PNG header that claims 9000 x 1 pixels is refused before anything is allocated.
  std::vector<uint8_t> tooWide = {0x89, 'P',  'N',  'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0,
                                  0,    0x23, 0x28, 0,   0,    0,    1,    8,    6, 0, 0, 0,  0,   0,   0,   0};
  EXPECT_FALSE(decodeImage(tooWide));
  EXPECT_FALSE(decodeImage(bytesOf("not an image")));
  EXPECT_FALSE(decodeImage(bytesOf("\xFF\xD8\xFF\xE0 truncated jpeg")));
  DecodeLimits tight{4, 16};
  std::ifstream in(std::string(SCENARIO_DATA) + "/red.png", std::ios::binary);
  std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_TRUE(decodeImage(png));
  EXPECT_EQ(decodeImage(png)->width, 64);
  EXPECT_FALSE(decodeImage(png, tight));
}

namespace {
int deliveries = 0;
void countDelivery(CFNotificationCenterRef, void*, const std::string&, const void*, const void*) { ++deliveries; }
}  // namespace

TEST(DarwinNotifyCenter, CoalescesPostingsWhileADeliveryIsPending) {
  auto* center = CFNotificationCenterGetDarwinNotifyCenter();
  CFNotificationCenterAddObserver(center, nullptr, countDelivery, "test/coalesce", nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
  deliveries = 0;
  CFNotificationCenterPostNotification(center, "test/coalesce", nullptr, nullptr, true);
  CFNotificationCenterPostNotification(center, "test/coalesce", nullptr, nullptr, true);
  EXPECT_EQ(deliveries, 0);  // delivered on the main queue, not during the post
  main_loop::drainMainQueue();
  EXPECT_EQ(deliveries, 1);
  CFNotificationCenterPostNotification(center, "test/coalesce", nullptr, nullptr, true);
  main_loop::drainMainQueue();
  EXPECT_EQ(deliveries, 2);
  auto posted = darwin_notify::posted();
  EXPECT_EQ(std::count(posted.begin(), posted.end(), "test/coalesce"), 3);
}

TEST(SimulatedClock, TimersFireInTimeOrderOnlyWhenTheClockMoves) {
  std::vector<int> fired;
  double start = sim_clock::now();
  sim_clock::schedule(0.5, [&] { fired.push_back(2); });
  sim_clock::schedule(0.25, [&] { fired.push_back(1); });
  auto repeating = sim_clock::schedule(
      0.4, [&] { fired.push_back(3); }, 0.4);
  main_loop::runUntilIdle();
  EXPECT_TRUE(fired.empty());
  sim_clock::advance(0.9);
  EXPECT_EQ(fired, (std::vector<int>{1, 3, 2, 3}));
  sim_clock::cancel(repeating);
  sim_clock::advance(1);
  EXPECT_EQ(fired.size(), 4u);
  EXPECT_DOUBLE_EQ(sim_clock::now(), start + 1.9);
}

TEST(SimulatedClock, StepsThatAddUpToATimersDelayReachItWhateverTheTime) {
  // Decimal steps from an uneven start: a rounding error short of the timer is not "not yet".
  sim_clock::advance(1.9);
  for (int round = 0; round < 50; ++round) {
    int fired = 0;
    sim_clock::schedule(0.5, [&] { ++fired; });
    sim_clock::advance(0.49);
    EXPECT_EQ(fired, 0) << round;
    sim_clock::advance(0.01);
    EXPECT_EQ(fired, 1) << "at " << sim_clock::now();
    sim_clock::advance(0.07);
  }
  int ticks = 0;
  auto repeating = sim_clock::schedule(
      0.1, [&] { ++ticks; }, 0.1);
  for (int i = 0; i < 30; ++i) sim_clock::advance(0.1);
  sim_clock::cancel(repeating);
  EXPECT_EQ(ticks, 30);
}

TEST(GlobalQueue, RunsOffTheMainThreadAndHandsBack) {
  main_loop::claimMainThread();
  bool offMain = false, backOnMain = false;
  dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [&] {
    offMain = !main_loop::isMainThread();
    dispatch_async(dispatch_get_main_queue(), [&] { backOnMain = main_loop::isMainThread(); });
  });
  main_loop::runUntilIdle();
  EXPECT_TRUE(offMain);
  EXPECT_TRUE(backOnMain);
}
