// NSBundle: bundles by path, resources, and strings tables in their forms and languages.
#include "platform/foundation/NSBundle.hpp"
#include "tests/support/SettingsHostTest.hpp"

using namespace test_support;

namespace {

class BundleTest : public SettingsHostTest {
 protected:
  void SetUp() override {
    SettingsHostTest::SetUp();
    folder_ = device_fs::hostPath("/Library/PreferenceBundles/Test.bundle");
    std::filesystem::create_directories(folder_);
  }
  NSBundleRef bundle() { return NSBundle::bundleWithPath("/Library/PreferenceBundles/Test.bundle"); }
  void table(const std::string& lproj, const std::string& text, const std::string& name = "Localizable") {
    writeHostFile(folder_ / (lproj + ".lproj") / (name + ".strings"), text);
  }
  std::filesystem::path folder_;
};

TEST_F(BundleTest, SamePathGivesTheSameObjectAndAMissingFolderGivesNone) {
  auto a = bundle();
  ASSERT_TRUE(a);
  EXPECT_EQ(a, NSBundle::bundleWithPath("/Library/PreferenceBundles/Test.bundle"));
  EXPECT_EQ(a, NSBundle::bundleWithPath("/Library//PreferenceBundles/./Test.bundle"));
  EXPECT_EQ(NSBundle::bundleWithPath("/Library/PreferenceBundles/Nothing.bundle"), nullptr);
}

TEST_F(BundleTest, ResourcesAreFoundOnlyByPlainNames) {
  writeHostFile(folder_ / "pic.png", "x");
  writeHostFile(folder_ / "en.lproj" / "local.png", "x");
  writeHostFile(device_fs::hostPath("/Library/PreferenceBundles/secret.png"), "x");
  writeHostFile(folder_ / "sub" / "inner.png", "x");
  auto b = bundle();
  EXPECT_EQ(b->pathForResource("pic", "png"), "/Library/PreferenceBundles/Test.bundle/pic.png");
  EXPECT_EQ(b->pathForResource("local", "png"), "/Library/PreferenceBundles/Test.bundle/en.lproj/local.png");
  // Names that leave the bundle's folder, or go into a subfolder, find nothing.
  EXPECT_EQ(b->pathForResource("../secret", "png"), std::nullopt);
  EXPECT_EQ(b->pathForResource("..", "png"), std::nullopt);
  EXPECT_EQ(b->pathForResource("sub/inner", "png"), std::nullopt);
  EXPECT_EQ(b->pathForResource("pic", "/png"), std::nullopt);
  EXPECT_EQ(b->pathForResource("", "png"), std::nullopt);
  EXPECT_EQ(b->pathForResource("missing", "png"), std::nullopt);
}

TEST_F(BundleTest, TextTablesReadCommentsEscapesAndBareWordsAndSkipBrokenEntries) {
  table("en",
        "/* a comment with \"quotes\" = \"x\"; */\n"
        "\"Hello\" = \"Hi \\\"there\\\"\\n\";  // trailing comment\n"
        "Bare = word;\n"
        "\"broken\" = ;\n"
        "\"after\" = \"still read\";\n"
        "\"unicode\" = \"\\U00e9t\\u00E9\";\n"
        "\"same\";\n"
        "\"unterminated\" = \"no end;\n");
  auto b = bundle();
  EXPECT_EQ(b->localizedStringForKey("Hello", "", std::nullopt), "Hi \"there\"\n");
  EXPECT_EQ(b->localizedStringForKey("Bare", "", std::nullopt), "word");
  EXPECT_EQ(b->localizedStringForKey("broken", "", std::nullopt), "broken");
  EXPECT_EQ(b->localizedStringForKey("after", "", std::nullopt), "still read");
  EXPECT_EQ(b->localizedStringForKey("unicode", "", std::nullopt), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(b->localizedStringForKey("same", "", std::nullopt), "same");
  EXPECT_EQ(b->localizedStringForKey("unterminated", "", std::nullopt), "unterminated");
  // A key no table holds: the value when one is given, else the key.
  EXPECT_EQ(b->localizedStringForKey("nothing", "", std::nullopt), "nothing");
  EXPECT_EQ(b->localizedStringForKey("nothing", "fallback", std::nullopt), "fallback");
}

TEST_F(BundleTest, Utf16TablesAndPropertyListTablesAreRead) {
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("\"k\" = \"v\";")) utf16 += std::string{c, '\0'};
  table("en", utf16);
  plist::Dictionary de{{"k", "binär"}, {"n", 5}};
  auto binary = plist::serialize(plist::Value(de), plist::Format::Binary);
  writeHostFile(folder_ / "de.lproj" / "Localizable.strings", std::string(binary.begin(), binary.end()));
  auto xml = plist::serialize(plist::Value(plist::Dictionary{{"k", "xml"}}), plist::Format::Xml);
  writeHostFile(folder_ / "fr.lproj" / "Localizable.strings", std::string(xml.begin(), xml.end()));

  auto b = bundle();
  EXPECT_EQ(b->localizedStringForKey("k", "", std::nullopt), "v");
  deviceProfile().language = "de";
  EXPECT_EQ(b->localizedStringForKey("k", "", std::nullopt), "binär");
  EXPECT_EQ(b->localizedStringForKey("n", "", std::nullopt), "n");  // not a string: skipped
  deviceProfile().language = "fr";
  EXPECT_EQ(b->localizedStringForKey("k", "", std::nullopt), "xml");
}

TEST_F(BundleTest, LanguageFallsBackToItsBaseThenEnglishThenBase) {
  table("en", "\"a\" = \"en a\"; \"b\" = \"en b\";");
  table("de", "\"a\" = \"de a\";");
  table("Base", "\"c\" = \"base c\";");
  auto b = bundle();
  deviceProfile().language = "de-CH";
  EXPECT_EQ(b->localizedStringForKey("a", "", std::nullopt), "de a");
  EXPECT_EQ(b->localizedStringForKey("b", "", std::nullopt), "en b");
  EXPECT_EQ(b->localizedStringForKey("c", "", std::nullopt), "base c");
  deviceProfile().language = "ja";
  EXPECT_EQ(b->localizedStringForKey("a", "", std::nullopt), "en a");
  deviceProfile().language = "../en";  // not a folder name: ignored
  EXPECT_EQ(b->localizedStringForKey("a", "", std::nullopt), "en a");
}

TEST_F(BundleTest, MissingMalformedAndWronglyShapedTablesAreEmpty) {
  auto array = plist::serialize(plist::Value(plist::Array{"k", "v"}), plist::Format::Binary);
  table("en", std::string(array.begin(), array.end()));
  table("en", "bplist00 this is not a property list", "Broken");
  static const char garbage[] = "\x00\x01\x02\xff garbage";
  table("en", std::string(garbage, sizeof garbage - 1), "Garbage");
  auto b = bundle();
  EXPECT_EQ(b->localizedStringForKey("k", "", std::nullopt), "k");
  EXPECT_EQ(b->localizedStringForKey("k", "", std::string("Broken")), "k");
  EXPECT_EQ(b->localizedStringForKey("k", "", std::string("Garbage")), "k");
  EXPECT_EQ(b->localizedStringForKey("k", "", std::string("Missing")), "k");
  EXPECT_EQ(b->localizedStringForKey("k", "", std::string("../en.lproj/Localizable")), "k");
}

TEST_F(BundleTest, LoadsAnExecutableAndNamesItsPrincipalClass) {
  auto vlw = NSBundle::bundleWithPath(kBundlePath);
  ASSERT_TRUE(vlw);
  ASSERT_TRUE(vlw->load()) << vlw->loadError();
  EXPECT_TRUE(vlw->isLoaded());
  ASSERT_NE(vlw->principalClass(), nullptr);
  EXPECT_EQ(vlw->principalClass()->name, "VLWListController");
  // A bundle without an executable does not load and has no principal class.
  writeHostFile(folder_ / "Info.plist",
                "<plist version=\"1.0\"><dict><key>NSPrincipalClass</key><string>VLWListController</string></dict></plist>");
  auto empty = NSBundle::bundleWithPath("/Library/PreferenceBundles/Test.bundle");
  EXPECT_FALSE(empty->load());
  EXPECT_FALSE(empty->loadError().empty());
  EXPECT_EQ(empty->principalClass(), nullptr);
}

}  // namespace

TEST(StringsTable, EscapedSurrogatePairsAreOneCharacterAndLoneOnesAreReplaced) {
  auto parse = [](const std::string& text) {
    return NSBundle::parseStringsTable(std::vector<uint8_t>(text.begin(), text.end()));
  };
  auto t = parse(R"("smile" = "\UD83D\UDE00"; "lone" = "a\UD83Db"; "low" = "\uDE00"; "swapped" = "\UDE00\UD83D";)");
  EXPECT_EQ(t["smile"], "\xF0\x9F\x98\x80");
  EXPECT_EQ(t["lone"],
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(t["low"], "\xEF\xBF\xBD");
  EXPECT_EQ(t["swapped"], "\xEF\xBF\xBD\xEF\xBF\xBD");
  // UTF-16 tables: a pair joins, a lone half is replaced.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("\"k\" = \"")) utf16 += std::string{c, '\0'};
  utf16 += std::string("\x3D\xD8\x00\xDE\x3D\xD8", 6);
  for (char c : std::string("\";")) utf16 += std::string{c, '\0'};
  EXPECT_EQ(parse(utf16)["k"], "\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(StringsTable, HostileTablesReadInProportion) {
  auto parse = [](const std::string& text) {
    return NSBundle::parseStringsTable(std::vector<uint8_t>(text.begin(), text.end()));
  };
  // One long value, many entries, an unterminated comment and a run of broken entries.
  EXPECT_EQ(parse("\"k\" = \"" + std::string(8 << 20, 'v') + "\";")["k"].size(), size_t{8} << 20);
  std::string many;
  for (int i = 0; i < 100'000; ++i) many += "\"k" + std::to_string(i) + "\" = \"v\";\n";
  EXPECT_EQ(parse(many).size(), 100'000u);
  EXPECT_TRUE(parse("\"a\" = \"b\"; /* never closed " + std::string(1 << 20, '*')).count("a"));
  EXPECT_EQ(parse(std::string(1 << 20, '=') + ";\"a\"=\"b\";").at("a"), "b");
  EXPECT_TRUE(parse(std::string(1 << 20, '"')).empty());
}
