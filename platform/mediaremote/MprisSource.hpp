// MediaRemote stand-in: the desktop's media players as the now-playing source, over MPRIS
// (org.mpris.MediaPlayer2.* on the session bus).
// Implements: following one player (the one playing, else the one that played last, else the
// first on the bus; or only org.mpris.MediaPlayer2.NAME), players appearing and vanishing
// (NameOwnerChanged), the now-playing dictionary from the followed player's properties
// (xesam:title, xesam:artist joined with ", ", xesam:album, mpris:length, the artwork's bytes
// from a file:// mpris:artUrl, LoopStatus, Shuffle, Rate and PlaybackStatus, Position), the
// commands 2 PlayPause, 4 Next, 5 Previous, 6 toggle Shuffle and 7 advance LoopStatus as the
// phone advances its repeat mode (None -> Playlist -> Track -> None), each mode advanced from
// the value the player gives when asked just before (a player may not announce every change
// of it), and the change
// notification after the followed player's properties change, posted from a worker thread as
// the phone's service posts it (a burst posts once).
// Nothing a player sends can hold up or swell the home screen:
// - what is kept of a player is bounded (MprisPlayerState.hpp);
// - the signals that arrive in one pass of the main loop are applied once, after it;
// - the artwork is read and decoded by a worker (ArtworkLoader.hpp), the latest cover only; a
//   track whose cover is still being decoded is published with it once it is ready, so the
//   tweak's image of it is the decoded one (PreparedImages.hpp);
// - the lists of commands received and refused keep the latest kKept entries and count the
//   others;
// - when the followed player leaves and no player has a track, the answer is an empty item
//   (no title, artist, album or artwork; modes off), so nothing of the player stays on screen.
// Leaves out: artwork that is not a local file (http and data URLs are not fetched), the
// TrackList and Playlists interfaces, seeking, volume, a position that runs between changes.
// Threads: everything but nowPlayingInfo(), commands() and describe() runs on the main thread
// (the bus is serviced there); those three may be called from any thread.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/mediaremote/ArtworkLoader.hpp"
#include "platform/mediaremote/MprisPlayerState.hpp"
#include "platform/mediaremote/NowPlayingSource.hpp"
#include "platform/mediaremote/RecentList.hpp"

class MprisSource final : public NowPlayingSource, public std::enable_shared_from_this<MprisSource> {
 public:
  static constexpr const char* kNamePrefix = "org.mpris.MediaPlayer2.";
  // Artwork files larger than this give no artwork.
  static constexpr size_t kArtworkLimit = 16 * 1024 * 1024;
  // Entries kept of the commands received and of those refused.
  static constexpr size_t kKept = 100;

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
  // The local path of a file:// URL; nothing for any other URL.
  static std::optional<std::string> artworkPath(const std::string& url);

 private:
  struct Player {
    std::string name;   // org.mpris.MediaPlayer2.X
    std::string owner;  // its unique bus name
    std::unique_ptr<sdbus::IProxy> proxy;
    MprisPlayerState state;
    uint64_t lastPlaying = 0;  // when it was last seen playing (a counter)
    std::string artworkUrl;    // the URL `artwork` was read from
    std::shared_ptr<const plist::Data> artwork;
    bool fetching = false, fetchAgain = false;  // one GetAll at a time
  };

  MprisSource(sdbus::IConnection& bus, std::string only);
  void watch();
  void addPlayer(const std::string& name, const std::string& owner);
  void removePlayer(const std::string& name);
  void fetchProperties(Player& player);
  void merge(Player& player, const std::map<std::string, sdbus::Variant>& changed);
  Player* followedPlayer();
  bool artworkReady(Player& player);
  void artworkLoaded(ArtworkLoader::Result result);
  void scheduleUpdate();  // once per pass of the main loop, however many changes arrive in it
  void update();          // recomputes the followed player's dictionary, posting when it changed
  void postChange();
  bool send(int command, Player& player);
  // Sets a property of the player; its refusal is recorded with `prefix`.
  void setProperty(Player& player, const std::string& prefix, const std::string& property, sdbus::Variant value);
  // Reads a mode from the player, then sets the mode `next` makes of it.
  void advance(Player& player, const std::string& prefix, const std::string& property,
               std::function<sdbus::Variant(const sdbus::Variant&)> next);
  void refuse(std::string why);

  sdbus::IConnection& bus_;
  std::string only_;
  std::unique_ptr<sdbus::IProxy> daemon_;
  std::map<std::string, Player> players_;  // by name; main thread only
  uint64_t clock_ = 0;
  std::unique_ptr<ArtworkLoader> loader_;
  std::optional<ArtworkLoader::Request> loading_;  // main thread only
  bool updatePending_ = false;                     // main thread only
  bool published_ = false;                         // an item has been published; main thread only

  mutable std::mutex mutex_;                    // guards what other threads read
  std::optional<plist::Dictionary> info_;       // without the artwork's bytes
  std::shared_ptr<const plist::Data> artwork_;  // the published item's artwork
  std::string artworkUrl_;                      // where it came from
  std::string followed_;
  RecentList<int> commands_{kKept};
  RecentList<std::string> refused_{kKept};  // why commands did nothing, in order
  std::atomic<bool> postPending_{false};
};
