#include "platform/mediaremote/NowPlayingPlayer.hpp"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <numeric>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSNotificationCenter.hpp"
#include "platform/mediaremote/MediaRemote.hpp"
#include "platform/process/ProcessState.hpp"

namespace {

// splitmix64: a small, fully specified generator, so play orders are the same on every build.
uint64_t nextRandom(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

void appendPngBytes(png_structp png, png_bytep bytes, png_size_t length) {
  auto* out = static_cast<plist::Data*>(png_get_io_ptr(png));
  out->insert(out->end(), bytes, bytes + length);
}

// A size x size RGB PNG: a diagonal blend from one colour to another.
plist::Data gradientPng(int size, const uint8_t from[3], const uint8_t to[3]) {
  plist::Data out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> row(static_cast<size_t>(size) * 3);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return {};
  }
  png_set_write_fn(png, &out, appendPngBytes, nullptr);
  png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double t = double(x + y) / double(2 * (size - 1));
      for (int c = 0; c < 3; ++c)
        row[static_cast<size_t>(x) * 3 + c] = static_cast<uint8_t>(from[c] + t * (to[c] - from[c]) + 0.5);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

NowPlayingPlayer& NowPlayingPlayer::shared() {
  static auto* player = [] {  // lives as long as the process
    auto* made = new NowPlayingPlayer;
    process_state::registerReset("now-playing player", [made] { made->reset(); });
    return made;
  }();
  return *player;
}

// ---- state helpers (mutex_ held) ----

double NowPlayingPlayer::elapsedLocked() const {
  double t = elapsedBase_ + (playing_ ? sim_clock::now() - playStartedAt_ : 0.0);
  if (current_ && playlist_[*current_].duration) t = std::min(t, std::max(0.0, *playlist_[*current_].duration));
  return t;
}

void NowPlayingPlayer::restartLocked() {
  elapsedBase_ = 0;
  playStartedAt_ = sim_clock::now();
}

void NowPlayingPlayer::setPlayingLocked(bool playing) {
  if (playing == playing_) return;
  if (playing) {
    playStartedAt_ = sim_clock::now();
  } else {
    elapsedBase_ = elapsedLocked();
  }
  playing_ = playing;
}

void NowPlayingPlayer::rebuildOrderLocked() {
  order_.resize(playlist_.size());
  std::iota(order_.begin(), order_.end(), size_t{0});
  if (shuffle_ == kShuffleOff || order_.size() < 2) return;
  // Current item first, the others shuffled behind it (Fisher-Yates).
  if (current_) std::swap(order_[0], order_[*current_]);
  uint64_t state = ++shuffleSeed_;
  for (size_t i = order_.size() - 1; i > 1; --i) {
    size_t j = 1 + static_cast<size_t>(nextRandom(state) % i);  // in [1, i]
    std::swap(order_[i], order_[j]);
  }
}

size_t NowPlayingPlayer::orderPositionLocked() const {
  auto it = std::find(order_.begin(), order_.end(), *current_);
  return it == order_.end() ? 0 : static_cast<size_t>(it - order_.begin());
}

bool NowPlayingPlayer::nextLocked() {
  size_t pos = orderPositionLocked();
  if (pos + 1 < order_.size()) {
    current_ = order_[pos + 1];
  } else {
    current_ = order_.front();
    if (repeat_ != kRepeatAll) setPlayingLocked(false);  // the queue has ended
  }
  restartLocked();
  return true;
}

bool NowPlayingPlayer::previousLocked() {
  size_t pos = orderPositionLocked();
  if (pos > 0) {
    current_ = order_[pos - 1];
  } else if (repeat_ == kRepeatAll) {
    current_ = order_.back();
  }  // otherwise: the first item starts over
  restartLocked();
  return true;
}

// ---- setters ----

void NowPlayingPlayer::setPlaylist(std::vector<NowPlayingItem> items, std::optional<size_t> current, bool post) {
  {
    std::lock_guard lock(mutex_);
    playlist_ = std::move(items);
    current_ = current && *current < playlist_.size() ? current : std::nullopt;
    if (!current_) setPlayingLocked(false);
    rebuildOrderLocked();
    restartLocked();
  }
  if (post) postChange();
}

void NowPlayingPlayer::setCurrentItem(NowPlayingItem item, bool post) {
  {
    std::lock_guard lock(mutex_);
    if (current_) {
      playlist_[*current_] = std::move(item);
    } else {
      playlist_ = {std::move(item)};
      current_ = 0;
      rebuildOrderLocked();
    }
    restartLocked();
  }
  if (post) postChange();
}

void NowPlayingPlayer::clear(bool post) {
  {
    std::lock_guard lock(mutex_);
    setPlayingLocked(false);
    playlist_.clear();
    order_.clear();
    current_.reset();
    elapsedBase_ = 0;
  }
  if (post) postChange();
}

void NowPlayingPlayer::setPlaying(bool playing, bool post) {
  {
    std::lock_guard lock(mutex_);
    setPlayingLocked(playing && current_.has_value());
  }
  if (post) postChange();
}

void NowPlayingPlayer::setRepeatMode(int mode, bool post) {
  {
    std::lock_guard lock(mutex_);
    repeat_ = mode;
  }
  if (post) postChange();
}

void NowPlayingPlayer::setShuffleMode(int mode, bool post) {
  {
    std::lock_guard lock(mutex_);
    bool reorder = (shuffle_ != kShuffleOff) != (mode != kShuffleOff);
    shuffle_ = mode;
    if (reorder) rebuildOrderLocked();
  }
  if (post) postChange();
}

bool NowPlayingPlayer::performCommand(int command) {
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    commands_.push_back(command);
    if (!current_) return false;  // nothing to play: nothing changes, nothing is posted
    switch (command) {
      case kMRTogglePlayPause:
        setPlayingLocked(!playing_);
        changed = true;
        break;
      case kMRNextTrack:
        changed = nextLocked();
        break;
      case kMRPreviousTrack:
        changed = previousLocked();
        break;
      case kMRAdvanceShuffleMode: {
        int next = shuffle_ == kShuffleOff ? kShuffleAll : kShuffleOff;
        bool reorder = (shuffle_ != kShuffleOff) != (next != kShuffleOff);
        shuffle_ = next;
        if (reorder) rebuildOrderLocked();
        changed = true;
        break;
      }
      case kMRAdvanceRepeatMode:
        repeat_ = repeat_ == kRepeatOff ? kRepeatAll : repeat_ == kRepeatAll ? kRepeatOne : kRepeatOff;
        changed = true;
        break;
      default:
        break;  // unknown to the service: recorded only
    }
  }
  if (changed) postChange();
  return changed;
}

// ---- readers ----

std::optional<plist::Dictionary> NowPlayingPlayer::nowPlayingInfo() const {
  std::lock_guard lock(mutex_);
  if (!current_) return std::nullopt;
  const NowPlayingItem& item = playlist_[*current_];
  plist::Dictionary info;
  if (item.title) info[kMRMediaRemoteNowPlayingInfoTitle] = *item.title;
  if (item.artist) info[kMRMediaRemoteNowPlayingInfoArtist] = *item.artist;
  if (item.album) info[kMRMediaRemoteNowPlayingInfoAlbum] = *item.album;
  if (item.artwork) info[kMRMediaRemoteNowPlayingInfoArtworkData] = *item.artwork;
  if (item.duration) info[kMRMediaRemoteNowPlayingInfoDuration] = *item.duration;
  info[kMRMediaRemoteNowPlayingInfoRepeatMode] = repeat_;
  info[kMRMediaRemoteNowPlayingInfoShuffleMode] = shuffle_;
  info[kMRMediaRemoteNowPlayingInfoPlaybackRate] = playing_ ? 1.0 : 0.0;
  info[kMRMediaRemoteNowPlayingInfoElapsedTime] = elapsedLocked();
  return info;
}

std::optional<NowPlayingItem> NowPlayingPlayer::currentItem() const {
  std::lock_guard lock(mutex_);
  if (!current_) return std::nullopt;
  return playlist_[*current_];
}

bool NowPlayingPlayer::isPlaying() const {
  std::lock_guard lock(mutex_);
  return playing_;
}

int NowPlayingPlayer::repeatMode() const {
  std::lock_guard lock(mutex_);
  return repeat_;
}

int NowPlayingPlayer::shuffleMode() const {
  std::lock_guard lock(mutex_);
  return shuffle_;
}

double NowPlayingPlayer::elapsedTime() const {
  std::lock_guard lock(mutex_);
  return elapsedLocked();
}

std::vector<int> NowPlayingPlayer::commands() const {
  std::lock_guard lock(mutex_);
  return commands_.entries();
}

uint64_t NowPlayingPlayer::commandsDropped() const {
  std::lock_guard lock(mutex_);
  return commands_.dropped();
}

NowPlayingPlayer::Snapshot NowPlayingPlayer::snapshot() const {
  std::lock_guard lock(mutex_);
  return Snapshot{playlist_, current_, order_, playing_, repeat_, shuffle_, elapsedLocked(), commands_.entries()};
}

void NowPlayingPlayer::reset() {
  std::lock_guard lock(mutex_);
  playlist_.clear();
  current_.reset();
  order_.clear();
  playing_ = false;
  repeat_ = kRepeatOff;
  shuffle_ = kShuffleOff;
  elapsedBase_ = 0;
  playStartedAt_ = 0;
  shuffleSeed_ = 0;
  commands_.clear();
}

void NowPlayingPlayer::postChange() {
  dispatch_async(dispatch_get_main_queue(), [] {
    NSNotificationCenter::defaultCenter().postNotificationName(kMRMediaRemoteNowPlayingInfoDidChangeNotification);
  });
}

std::vector<NowPlayingItem> NowPlayingPlayer::builtInPlaylist() {
  static const uint8_t colours[][2][3] = {
      {{0xE8, 0x4A, 0x2F}, {0xF7, 0xC5, 0x3B}},  // warm red to yellow
      {{0x1D, 0x3E, 0x8C}, {0x3F, 0xC1, 0xC9}},  // deep blue to teal
      {{0x2E, 0x7D, 0x32}, {0xE0, 0xF2, 0xA1}},  // green to pale lime
  };
  std::vector<NowPlayingItem> items = {
      {"Velvet Morning", "The Reachables", "One Hand Down", std::nullopt, 214.0},
      {"Swipe Up Slowly", "Cover Art Collective", "Double Tap", std::nullopt, 187.0},
      {"Keep Alive", "Nina Marlowe", "Timers & Tides", std::nullopt, 243.0},
  };
  for (size_t i = 0; i < items.size(); ++i) items[i].artwork = gradientPng(64, colours[i][0], colours[i][1]);
  return items;
}
