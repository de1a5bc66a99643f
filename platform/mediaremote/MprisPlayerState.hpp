// One MPRIS player as the now-playing source sees it: what it needs of the player's
// org.mpris.MediaPlayer2.Player properties, kept bounded whatever the player sends.
// - Only the properties and metadata entries used below are kept; the rest is not stored.
// - xesam:title and xesam:album: at most kTextLimit bytes each, cut on a UTF-8 character
//   boundary.
// - xesam:artist (a list of names, or one string): the first kArtistsLimit names joined with
//   ", ", the whole at most kTextLimit bytes, cut the same way.
// - mpris:artUrl: longer than kUrlLimit bytes is no artwork (a cut URL would name another file).
// - PlaybackStatus and LoopStatus: longer than kWordLimit bytes are missing (no value they can
//   take is that long).
// A value of the wrong type reads as missing.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>

struct MprisPlayerState {
  static constexpr size_t kTextLimit = 1024;
  static constexpr size_t kArtistsLimit = 16;
  static constexpr size_t kUrlLimit = 4096;
  static constexpr size_t kWordLimit = 32;

  bool known = false;        // some properties have arrived
  bool hasMetadata = false;  // a track is loaded: Metadata has entries
  std::optional<std::string> title, artist, album;
  std::string artUrl;            // empty: none
  std::optional<double> length;  // microseconds
  std::optional<std::string> playbackStatus, loopStatus;
  std::optional<bool> shuffle, canPlay, canPause, canGoNext, canGoPrevious;
  std::optional<double> rate;
  std::optional<double> position;  // microseconds

  // Takes in changed properties (from PropertiesChanged or GetAll). Metadata, when there,
  // replaces the whole track.
  void merge(const std::map<std::string, sdbus::Variant>& changed);
  bool playing() const { return playbackStatus == "Playing"; }
};

// The text cut to at most `limit` bytes, never inside a UTF-8 character.
std::string cutUtf8(std::string text, size_t limit);
