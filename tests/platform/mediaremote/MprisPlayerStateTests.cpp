// What the now-playing source keeps of an MPRIS player is bounded whatever the player sends.
#include <gtest/gtest.h>

#include "platform/mediaremote/MprisPlayerState.hpp"

namespace {

using Properties = std::map<std::string, sdbus::Variant>;

Properties track(Properties metadata) { return {{"Metadata", sdbus::Variant(metadata)}}; }

bool validUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

TEST(MprisPlayerState, TextsAreCutOnACharacterBoundaryAtTheLimit) {
  MprisPlayerState s;
  std::string euros;
  for (int i = 0; i < 400; ++i) euros += "\u20ac";  // three bytes each: 1,200 bytes
  s.merge(track({{"xesam:title", sdbus::Variant(std::string(10'000'000, 't'))},
                 {"xesam:album", sdbus::Variant(euros)},
                 {"xesam:artist", sdbus::Variant(std::string(2000, 'a'))}}));
  ASSERT_TRUE(s.title && s.album && s.artist);
  EXPECT_EQ(*s.title, std::string(MprisPlayerState::kTextLimit, 't'));
  EXPECT_LE(s.title->capacity(), 2 * MprisPlayerState::kTextLimit) << "the cut title still holds the whole";
  EXPECT_EQ(s.album->size(), 1023u);  // 341 whole euros: the 342nd would end past 1,024
  EXPECT_TRUE(validUtf8(*s.album));
  EXPECT_EQ(*s.album, euros.substr(0, 1023));
  EXPECT_EQ(s.artist->size(), MprisPlayerState::kTextLimit);

  // Short texts are kept whole.
  EXPECT_EQ(cutUtf8("Velvet Morning", 1024), "Velvet Morning");
  EXPECT_EQ(cutUtf8("\u00e9\u00e9", 3), "\u00e9");
}

TEST(MprisPlayerState, ArtistsAreTheFirstNamesJoinedWithinTheLimit) {
  MprisPlayerState s;
  std::vector<std::string> many;
  for (int i = 0; i < 100'000; ++i) many.push_back("N" + std::to_string(i));
  s.merge(track({{"xesam:artist", sdbus::Variant(many)}}));
  ASSERT_TRUE(s.artist);
  std::string expected = "N0";
  for (size_t i = 1; i < MprisPlayerState::kArtistsLimit; ++i) expected += ", N" + std::to_string(i);
  EXPECT_EQ(*s.artist, expected);

  // Long names: the whole stays within the limit.
  s.merge(track({{"xesam:artist", sdbus::Variant(std::vector<std::string>(3, std::string(900, 'x')))}}));
  ASSERT_TRUE(s.artist);
  EXPECT_EQ(s.artist->size(), MprisPlayerState::kTextLimit);
  EXPECT_EQ(s.artist->substr(900, 2), ", ");
}

TEST(MprisPlayerState, OverlongUrlsAndWordsAndWrongTypesReadAsMissing) {
  MprisPlayerState s;
  s.merge({{"PlaybackStatus", sdbus::Variant(std::string("Playing"))}, {"Shuffle", sdbus::Variant(true)}});
  EXPECT_TRUE(s.playing());
  EXPECT_EQ(s.shuffle, true);
  std::string longUrl = "file:///" + std::string(MprisPlayerState::kUrlLimit, 'p');
  s.merge({{"PlaybackStatus", sdbus::Variant(std::string(1'000'000, 'P'))},
           {"Shuffle", sdbus::Variant(std::string("yes"))},
           {"LoopStatus", sdbus::Variant(int32_t(2))},
           {"Metadata", sdbus::Variant(Properties{{"mpris:artUrl", sdbus::Variant(longUrl)},
                                                  {"mpris:length", sdbus::Variant(uint64_t(5'000'000))}})}});
  EXPECT_FALSE(s.playbackStatus);
  EXPECT_FALSE(s.playing());
  EXPECT_FALSE(s.shuffle);
  EXPECT_FALSE(s.loopStatus);
  EXPECT_EQ(s.artUrl, "");
  EXPECT_EQ(s.length, 5e6);
  EXPECT_TRUE(s.hasMetadata);

  std::string url = "file:///covers/a.png";
  s.merge(track({{"mpris:artUrl", sdbus::Variant(url)}}));
  EXPECT_EQ(s.artUrl, url);
}

TEST(MprisPlayerState, NewMetadataReplacesTheWholeTrackAndOtherPropertiesStay) {
  MprisPlayerState s;
  EXPECT_FALSE(s.known);
  s.merge({{"LoopStatus", sdbus::Variant(std::string("Track"))}});
  s.merge(track({{"xesam:title", sdbus::Variant(std::string("One"))},
                 {"xesam:album", sdbus::Variant(std::string("First"))},
                 {"mpris:artUrl", sdbus::Variant(std::string("file:///one.png"))}}));
  EXPECT_TRUE(s.known);
  s.merge(track({{"xesam:title", sdbus::Variant(std::string("Two"))}}));
  EXPECT_EQ(s.title, "Two");
  EXPECT_FALSE(s.album);
  EXPECT_EQ(s.artUrl, "");
  EXPECT_EQ(s.loopStatus, "Track");
  // Keys it does not use are not kept, and an empty Metadata is no track.
  s.merge(track({}));
  EXPECT_FALSE(s.hasMetadata);
  EXPECT_FALSE(s.title);
}

}  // namespace
