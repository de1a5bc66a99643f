#include "platform/mediaremote/MprisSource.hpp"

#include <algorithm>
#include <cstdio>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSNotificationCenter.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/mediaremote/MediaRemote.hpp"

namespace {

constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kPlayerPath = "/org/mpris/MediaPlayer2";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr auto kCallTimeout = std::chrono::seconds(2);

using Properties = std::map<std::string, sdbus::Variant>;

int repeatModeOf(const std::string& loop) { return loop == "Track" ? 1 : loop == "Playlist" ? 2 : 0; }

std::string percentDecoded(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The dictionary of a player's track, without the artwork's bytes.
plist::Dictionary itemOf(const MprisPlayerState& s) {
  plist::Dictionary d;
  if (s.title) d[kMRMediaRemoteNowPlayingInfoTitle] = *s.title;
  if (s.artist) d[kMRMediaRemoteNowPlayingInfoArtist] = *s.artist;
  if (s.album) d[kMRMediaRemoteNowPlayingInfoAlbum] = *s.album;
  if (s.length && *s.length > 0) d[kMRMediaRemoteNowPlayingInfoDuration] = *s.length / 1e6;
  d[kMRMediaRemoteNowPlayingInfoRepeatMode] = int64_t(repeatModeOf(s.loopStatus.value_or("None")));
  d[kMRMediaRemoteNowPlayingInfoShuffleMode] = int64_t(s.shuffle.value_or(false) ? 2 : 0);
  d[kMRMediaRemoteNowPlayingInfoPlaybackRate] = s.playing() ? s.rate.value_or(1.0) : 0.0;
  d[kMRMediaRemoteNowPlayingInfoElapsedTime] = s.position.value_or(0) / 1e6;
  return d;
}

// What is answered once the player that was shown has gone: nothing of it, modes off.
plist::Dictionary emptyItem() {
  return {{kMRMediaRemoteNowPlayingInfoRepeatMode, int64_t(0)},
          {kMRMediaRemoteNowPlayingInfoShuffleMode, int64_t(0)},
          {kMRMediaRemoteNowPlayingInfoPlaybackRate, 0.0},
          {kMRMediaRemoteNowPlayingInfoElapsedTime, 0.0}};
}

nlohmann::json orNull(const std::string& s) { return s.empty() ? nlohmann::json(nullptr) : nlohmann::json(s); }

}  // namespace

std::optional<std::string> MprisSource::artworkPath(const std::string& url) {
  std::string path;
  if (url.rfind("file:///", 0) == 0)
    path = percentDecoded(url.substr(7));
  else if (url.rfind("file://localhost/", 0) == 0)
    path = percentDecoded(url.substr(16));
  else
    return std::nullopt;  // not fetched: only the player's local files
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return path;
}

std::optional<plist::Data> MprisSource::readArtwork(const std::string& url) {
  auto path = artworkPath(url);
  if (!path) return std::nullopt;
  // The player's file, read without blocking: a FIFO or a device cannot hold the worker.
  return device_fs::readHostFile(*path, kArtworkLimit);
}

MprisSource::MprisSource(sdbus::IConnection& bus, std::string only) : bus_(bus), only_(std::move(only)) {}

std::shared_ptr<MprisSource> MprisSource::start(sdbus::IConnection& bus, std::string only) {
  std::shared_ptr<MprisSource> source(new MprisSource(bus, std::move(only)));
  source->loader_ = std::make_unique<ArtworkLoader>(readArtwork, [weak = source->weak_from_this()](ArtworkLoader::Result r) {
    if (auto self = weak.lock()) self->artworkLoaded(std::move(r));
  });
  source->watch();
  return source;
}

void MprisSource::watch() {
  // Sources live as long as the process: the handlers may keep a plain pointer.
  daemon_ = sdbus::createProxy(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  bus_.addMatch(
      "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',member='NameOwnerChanged',"
      "arg0namespace='org.mpris.MediaPlayer2'",
      [this](sdbus::Message& m) {
        std::string name, oldOwner, newOwner;
        m >> name >> oldOwner >> newOwner;
        if (!newOwner.empty())
          addPlayer(name, newOwner);
        else
          removePlayer(name);
        scheduleUpdate();
      },
      sdbus::floating_slot);
  bus_.addMatch(
      std::string("type='signal',interface='") + kProperties + "',member='PropertiesChanged',path='" + kPlayerPath + "',arg0='" +
          kPlayerInterface + "'",
      [this](sdbus::Message& m) {
        std::string interface;
        Properties changed;
        std::vector<std::string> invalidated;
        m >> interface >> changed >> invalidated;
        std::string sender = m.getSender();
        for (auto& [name, player] : players_) {
          if (player.owner != sender) continue;
          merge(player, changed);
          if (!invalidated.empty()) fetchProperties(player);
        }
        scheduleUpdate();
      },
      sdbus::floating_slot);
  std::vector<std::string> names;
  daemon_->callMethod("ListNames").onInterface("org.freedesktop.DBus").withTimeout(kCallTimeout).storeResultsTo(names);
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    if (name.rfind(kNamePrefix, 0) != 0) continue;
    std::string owner;
    try {
      daemon_->callMethod("GetNameOwner")
          .onInterface("org.freedesktop.DBus")
          .withTimeout(kCallTimeout)
          .withArguments(name)
          .storeResultsTo(owner);
    } catch (const sdbus::Error&) {
      continue;  // gone meanwhile
    }
    addPlayer(name, owner);
  }
  scheduleUpdate();
}

void MprisSource::addPlayer(const std::string& name, const std::string& owner) {
  if (name.rfind(kNamePrefix, 0) != 0) return;
  if (!only_.empty() && name != kNamePrefix + only_) return;
  Player& player = players_[name];
  player.name = name;
  player.owner = owner;
  player.state = {};
  player.fetching = player.fetchAgain = false;
  player.proxy = sdbus::createProxy(bus_, name, kPlayerPath);
  fetchProperties(player);
}

void MprisSource::removePlayer(const std::string& name) {
  // Its artwork leaves with it: nothing read or decoded for it is kept.
  loader_->forget(name);
  if (loading_ && loading_->owner == name) loading_.reset();
  players_.erase(name);
}

void MprisSource::fetchProperties(Player& player) {
  if (player.fetching) {  // a flood of invalidations asks once more, not once each
    player.fetchAgain = true;
    return;
  }
  player.fetching = true;
  std::string name = player.name;
  player.proxy->callMethodAsync("GetAll")
      .onInterface(kProperties)
      .withTimeout(kCallTimeout)
      .withArguments(std::string(kPlayerInterface))
      .uponReplyInvoke([this, name](const sdbus::Error* error, const Properties& properties) {
        auto it = players_.find(name);
        if (it == players_.end()) return;
        Player& player = it->second;
        player.fetching = false;
        if (!error) merge(player, properties);
        if (std::exchange(player.fetchAgain, false)) fetchProperties(player);
        scheduleUpdate();
      });
}

void MprisSource::merge(Player& player, const Properties& changed) {
  player.state.merge(changed);
  if (player.state.playing()) player.lastPlaying = ++clock_;
}

MprisSource::Player* MprisSource::followedPlayer() {
  Player* best = nullptr;
  for (auto& [name, player] : players_) {
    bool playing = player.state.playing();
    bool bestPlaying = best && best->state.playing();
    if (!best || (playing && !bestPlaying) || (playing == bestPlaying && player.lastPlaying > best->lastPlaying)) best = &player;
  }
  return best;
}

bool MprisSource::artworkReady(Player& player) {
  const std::string& url = player.state.artUrl;
  if (player.artworkUrl != url && (url.empty() || !artworkPath(url))) {  // nothing to read
    player.artworkUrl = url;
    player.artwork.reset();
  }
  if (player.artworkUrl == url) {
    if (loading_ && loading_->owner == player.name) {  // back to the cover it has
      loader_->cancel();
      loading_.reset();
    }
    return true;
  }
  ArtworkLoader::Request wanted{player.name, url};
  if (loading_ != wanted) {
    loading_ = wanted;
    loader_->request(wanted);
  }
  return false;
}

void MprisSource::artworkLoaded(ArtworkLoader::Result result) {
  if (loading_ != result.request) return;  // superseded, or its player has gone
  loading_.reset();
  auto it = players_.find(result.request.owner);
  if (it == players_.end()) return;
  it->second.artworkUrl = result.request.url;
  it->second.artwork = std::move(result.bytes);
  scheduleUpdate();
}

void MprisSource::scheduleUpdate() {
  if (std::exchange(updatePending_, true)) return;
  dispatch_async(dispatch_get_main_queue(), [weak = weak_from_this()] {
    if (auto self = weak.lock()) {
      self->updatePending_ = false;
      self->update();
    }
  });
}

void MprisSource::update() {
  Player* player = followedPlayer();
  std::string followed = player ? player->name : "";
  bool hasItem = player && player->state.hasMetadata;
  // A track is published together with its cover: until that is decoded, the previous stays.
  if (hasItem && !artworkReady(*player)) {
    std::lock_guard lock(mutex_);
    followed_ = std::move(followed);
    return;
  }
  std::optional<plist::Dictionary> info;
  if (hasItem)
    info = itemOf(player->state);
  else if (published_)
    info = emptyItem();  // the player that was shown has gone, or has nothing loaded
  std::shared_ptr<const plist::Data> artwork = hasItem ? player->artwork : nullptr;
  std::string artworkUrl = artwork ? player->artworkUrl : "";
  bool changed;
  {
    std::lock_guard lock(mutex_);
    changed = info != info_ || artwork != artwork_ || followed != followed_;
    info_ = std::move(info);
    artwork_ = std::move(artwork);
    artworkUrl_ = std::move(artworkUrl);
    followed_ = std::move(followed);
  }
  published_ = published_ || hasItem;
  if (changed) postChange();
}

void MprisSource::postChange() {
  // From a worker thread, as the phone's service posts; changes until it runs post once.
  if (postPending_.exchange(true)) return;
  dispatch_async(dispatch_get_global_queue(DISPATCH_QUEUE_PRIORITY_DEFAULT, 0), [self = shared_from_this()] {
    self->postPending_ = false;
    NSNotificationCenter::defaultCenter().postNotificationName(kMRMediaRemoteNowPlayingInfoDidChangeNotification);
  });
}

std::optional<plist::Dictionary> MprisSource::nowPlayingInfo() const {
  std::lock_guard lock(mutex_);
  auto info = info_;
  if (info && artwork_) (*info)[kMRMediaRemoteNowPlayingInfoArtworkData] = *artwork_;
  return info;
}

std::vector<int> MprisSource::commands() const {
  std::lock_guard lock(mutex_);
  return commands_.entries();
}

nlohmann::json MprisSource::describe() const {
  auto wanted = loader_->wanted();  // the cover being read and decoded
  std::lock_guard lock(mutex_);
  return {{"source", "mpris"},
          {"only", only_.empty() ? nlohmann::json(nullptr) : nlohmann::json(kNamePrefix + only_)},
          {"player", orNull(followed_)},
          {"artwork", {{"url", orNull(artworkUrl_)}, {"loading", wanted ? nlohmann::json(wanted->url) : nullptr}}},
          {"commandsDropped", commands_.dropped()},
          {"refused", refused_.entries()},
          {"refusedDropped", refused_.dropped()}};
}

bool MprisSource::performCommand(int command) {
  Player* player = followedPlayer();
  {
    std::lock_guard lock(mutex_);
    commands_.push_back(command);
  }
  if (!player) return false;
  return send(command, *player);
}

void MprisSource::refuse(std::string why) {
  std::lock_guard lock(mutex_);
  refused_.push_back(cutUtf8(std::move(why), MprisPlayerState::kTextLimit));  // a player's error text is its own
}

bool MprisSource::send(int command, Player& player) {
  const MprisPlayerState& s = player.state;
  const std::string prefix = std::to_string(command) + ": ";
  auto refused = [&](const std::string& why) {
    refuse(prefix + why);
    return false;
  };
  auto call = [&](const char* method) {
    auto reply = [this, why = prefix + player.name + " refused " + method + ": "](const sdbus::Error* error) {
      if (error) refuse(why + error->getMessage());
    };
    player.proxy->callMethodAsync(method).onInterface(kPlayerInterface).withTimeout(kCallTimeout).uponReplyInvoke(reply);
    return true;
  };
  switch (command) {
    case kMRTogglePlayPause:
      if (s.canPause == false && s.canPlay == false) return refused("the player can neither play nor pause");
      return call("PlayPause");
    case kMRNextTrack:
      if (s.canGoNext == false) return refused("CanGoNext is false");
      return call("Next");
    case kMRPreviousTrack:
      if (s.canGoPrevious == false) return refused("CanGoPrevious is false");
      return call("Previous");
    case kMRAdvanceShuffleMode:
      if (!s.shuffle) return refused("the player has no Shuffle");
      advance(player, prefix, "Shuffle", [](const sdbus::Variant& now) { return sdbus::Variant(!now.get<bool>()); });
      return true;
    case kMRAdvanceRepeatMode:
      if (!s.loopStatus) return refused("the player has no LoopStatus");
      // As the phone's repeat button: off -> all -> one -> off.
      advance(player, prefix, "LoopStatus", [](const sdbus::Variant& now) {
        const std::string loop = now.get<std::string>();
        return sdbus::Variant(std::string(loop == "None" ? "Playlist" : loop == "Playlist" ? "Track" : "None"));
      });
      return true;
    default:
      return refused("not a command the service carries out");
  }
}

void MprisSource::setProperty(Player& player, const std::string& prefix, const std::string& property, sdbus::Variant value) {
  auto reply = [this, why = prefix + player.name + " refused setting " + property + ": "](const sdbus::Error* error) {
    if (error) refuse(why + error->getMessage());
  };
  player.proxy->callMethodAsync("Set")
      .onInterface(kProperties)
      .withTimeout(kCallTimeout)
      .withArguments(std::string(kPlayerInterface), property, value)
      .uponReplyInvoke(reply);
}

void MprisSource::advance(Player& player, const std::string& prefix, const std::string& property,
                          std::function<sdbus::Variant(const sdbus::Variant&)> next) {
  std::string name = player.name;
  player.proxy->callMethodAsync("Get")
      .onInterface(kProperties)
      .withTimeout(kCallTimeout)
      .withArguments(std::string(kPlayerInterface), property)
      .uponReplyInvoke([this, name, prefix, property, next](const sdbus::Error* error, const sdbus::Variant& now) {
        auto it = players_.find(name);
        if (it == players_.end()) return;  // gone meanwhile
        if (error) {
          refuse(prefix + name + " refused reading " + property + ": " + error->getMessage());
          return;
        }
        sdbus::Variant value;
        try {
          value = next(now);
        } catch (const sdbus::Error&) {
          refuse(prefix + name + " gave " + property + " of another type");
          return;
        }
        setProperty(it->second, prefix, property, std::move(value));
      });
}
