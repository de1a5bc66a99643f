// MediaRemote stand-in: the built-in player behind the media-remote service, one per process.
// Implements: a playlist of items (title, artist, album, artwork bytes, duration, each
// optional), the current item or none, play/pause, an elapsed time that runs on the simulated
// clock while playing, repeat and shuffle modes with a deterministic shuffled play order, the
// five commands of MediaRemote.hpp, the list of the latest command codes received, and the change
// notification after each change (dispatch_async on the main queue, then posted on the
// default notification center, as the phone's service notifies after the fact).
// Leaves out: tracks ending by themselves (time stops at the duration), shuffling by album
// (shuffle mode 1 shuffles songs like mode 2), restarting a track on "previous" after a few
// seconds, volume, seeking, other applications' players.
//
// Commands (an unknown code is recorded and changes nothing; any command with no current item
// is recorded, changes nothing and posts nothing):
// - 2 toggle play/pause.
// - 4 next: the item after the current one in play order, from its start. At the end of the
//   order, repeat all (2) wraps to the first; any other repeat mode (off, and one, which only
//   repeats a track that ends by itself) goes back to the first and pauses: the queue ended.
//   The playing flag is otherwise kept.
// - 5 previous: the item before the current one in play order, from its start. At the start,
//   repeat all wraps to the last; any other mode restarts the first item.
// - 6 advance shuffle mode: off (0) -> all (2) -> off (0), as the Music app's shuffle button;
//   albums (1) and unknown values -> off. Turning shuffle on shuffles the play order with the
//   current item first; turning it off restores playlist order.
// - 7 advance repeat mode: off (0) -> all (2) -> one (1) -> off (0), as the Music app's repeat
//   button; unknown values -> off.
// The setters accept any mode value (so that unknown values can be tested) and report it as
// set. Every setter posts the change notification unless told not to; reset() never does.
// Thread-safe: every member may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/mediaremote/RecentList.hpp"
#include "platform/plist/PropertyList.hpp"

struct NowPlayingItem {
  std::optional<std::string> title;
  std::optional<std::string> artist;
  std::optional<std::string> album;
  std::optional<plist::Data> artwork;  // encoded image bytes (any bytes: decoding is the reader's job)
  std::optional<double> duration;      // seconds
  bool operator==(const NowPlayingItem&) const = default;
};

class NowPlayingPlayer {
 public:
  static constexpr int kRepeatOff = 0, kRepeatOne = 1, kRepeatAll = 2;
  static constexpr int kShuffleOff = 0, kShuffleAlbums = 1, kShuffleAll = 2;
  // Command codes kept: a live process receives commands for as long as it runs.
  static constexpr size_t kKeptCommands = 100;

  // Everything at one moment, for dumps and tests.
  struct Snapshot {
    std::vector<NowPlayingItem> playlist;
    std::optional<size_t> currentIndex;  // into the playlist
    std::vector<size_t> playOrder;       // playlist indices in the order next visits them
    bool playing = false;
    int repeatMode = kRepeatOff;
    int shuffleMode = kShuffleOff;
    double elapsedTime = 0;
    std::vector<int> commands;  // the latest kKeptCommands codes received, in order
  };

  // The process's player. Starts as after reset().
  static NowPlayingPlayer& shared();

  // Replaces the playlist; `current` (clamped to none for an empty list or an index past the
  // end) becomes the now-playing item, from its start. The playing flag is kept.
  void setPlaylist(std::vector<NowPlayingItem> items, std::optional<size_t> current = 0, bool post = true);
  // Replaces the current item in place (its playlist entry), from its start; with no current
  // item, the item becomes the whole playlist and the current item. The playing flag is kept.
  void setCurrentItem(NowPlayingItem item, bool post = true);
  // No now-playing item any more: the playlist is emptied and playback pauses. Modes are kept.
  void clear(bool post = true);
  void setPlaying(bool playing, bool post = true);
  void setRepeatMode(int mode, bool post = true);
  void setShuffleMode(int mode, bool post = true);

  // Records the code and carries out the command (see the top of this file). True when the
  // state changed, in which case the change notification is posted.
  bool performCommand(int command);

  // The now-playing dictionary (keys of MediaRemote.hpp), or nothing without a current item.
  std::optional<plist::Dictionary> nowPlayingInfo() const;
  std::optional<NowPlayingItem> currentItem() const;
  bool isPlaying() const;
  int repeatMode() const;
  int shuffleMode() const;
  double elapsedTime() const;
  std::vector<int> commands() const;
  // How many older command codes are no longer kept.
  uint64_t commandsDropped() const;
  Snapshot snapshot() const;

  // Back to the starting state: empty playlist, no item, paused, modes off, no commands. Posts
  // nothing. For tests and for a host that starts over.
  void reset();

  // Queues one change notification on the main queue.
  static void postChange();

  // Three demonstration tracks with small generated PNG artworks (a different colour each).
  static std::vector<NowPlayingItem> builtInPlaylist();

 private:
  NowPlayingPlayer() = default;

  // All under mutex_.
  void restartLocked();  // elapsed back to 0 (running from now when playing)
  double elapsedLocked() const;
  void setPlayingLocked(bool playing);
  void rebuildOrderLocked();           // play order for the shuffle mode, current item first
  size_t orderPositionLocked() const;  // the current item's position in the play order
  bool nextLocked();
  bool previousLocked();

  mutable std::mutex mutex_;
  std::vector<NowPlayingItem> playlist_;
  std::optional<size_t> current_;
  std::vector<size_t> order_;
  bool playing_ = false;
  int repeat_ = kRepeatOff;
  int shuffle_ = kShuffleOff;
  double elapsedBase_ = 0;    // seconds played before playStartedAt_
  double playStartedAt_ = 0;  // simulated clock when playback last started
  uint64_t shuffleSeed_ = 0;  // advances each time the order is shuffled, so reshuffles differ
  RecentList<int> commands_{kKeptCommands};
};
