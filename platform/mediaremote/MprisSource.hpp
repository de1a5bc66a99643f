// MediaRemote stand-in: the desktop's media players as the now-playing source, over MPRIS
// (org.mpris.MediaPlayer2.* on the session bus).
// Implements: following one player (the one playing, else the one that played last, else the
// first on the bus; or only org.mpris.MediaPlayer2.NAME), players appearing and vanishing
// (NameOwnerChanged), the now-playing dictionary from the followed player's properties
// (xesam:title, xesam:artist joined with ", ", xesam:album, mpris:length, the artwork's bytes
// from a file:// mpris:artUrl, LoopStatus, Shuffle, Rate and PlaybackStatus, Position), the
// commands 2 PlayPause, 4 Next, 5 Previous, 6 toggle Shuffle and 7 advance LoopStatus as the
// phone advances its repeat mode (None -> Playlist -> Track -> None), and the change
// notification after the followed player's properties change, posted from a worker thread as
// the phone's service posts it (a burst posts once).
// Leaves out: artwork that is not a local file (http and data URLs are not fetched), the
// TrackList and Playlists interfaces, seeking, volume, a position that runs between changes.
// Threads: everything but nowPlayingInfo(), commands() and describe() runs on the main thread
// (the bus is serviced there); those three may be called from any thread.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/mediaremote/NowPlayingSource.hpp"

class MprisSource final : public NowPlayingSource, public std::enable_shared_from_this<MprisSource> {
 public:
  static constexpr const char* kNamePrefix = "org.mpris.MediaPlayer2.";
  // Artwork files larger than this give no artwork.
  static constexpr size_t kArtworkLimit = 16 * 1024 * 1024;

  // Starts watching the bus. `only`: follow org.mpris.MediaPlayer2.ONLY alone; empty: any.
  static std::shared_ptr<MprisSource> start(sdbus::IConnection& bus, std::string only = {});

  std::optional<plist::Dictionary> nowPlayingInfo() const override;
  bool performCommand(int command) override;
  std::vector<int> commands() const override;
  std::string kind() const override { return "mpris"; }
  nlohmann::json describe() const override;

  // The bytes of a file:// URL's local file: a regular file of at most kArtworkLimit bytes,
  // opened without blocking; nothing for any other URL or file.
  static std::optional<plist::Data> readArtwork(const std::string& url);

 private:
  struct Player {
    std::string name;   // org.mpris.MediaPlayer2.X
    std::string owner;  // its unique bus name
    std::unique_ptr<sdbus::IProxy> proxy;
    std::map<std::string, sdbus::Variant> properties;  // of org.mpris.MediaPlayer2.Player
    uint64_t lastPlaying = 0;                          // when it was last seen playing (a counter)
    std::string artUrl;
    std::optional<plist::Data> artwork;
  };

  MprisSource(sdbus::IConnection& bus, std::string only);
  void watch();
  void addPlayer(const std::string& name, const std::string& owner);
  void removePlayer(const std::string& name);
  void fetchProperties(Player& player);
  void merge(Player& player, const std::map<std::string, sdbus::Variant>& changed);
  Player* followedPlayer();
  void update();  // recomputes the followed player's dictionary, posting when it changed
  void postChange();
  bool send(int command, Player& player);

  sdbus::IConnection& bus_;
  std::string only_;
  std::unique_ptr<sdbus::IProxy> daemon_;
  std::map<std::string, Player> players_;  // by name; main thread only
  uint64_t clock_ = 0;

  mutable std::mutex mutex_;  // guards what other threads read
  std::optional<plist::Dictionary> info_;
  std::string followed_;
  std::vector<int> commands_;
  std::vector<std::string> refused_;  // why commands did nothing, in order
  std::atomic<bool> postPending_{false};
};
