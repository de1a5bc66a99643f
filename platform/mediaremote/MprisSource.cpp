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

const sdbus::Variant* find(const Properties& properties, const std::string& key) {
  auto it = properties.find(key);
  return it == properties.end() ? nullptr : &it->second;
}

std::optional<std::string> text(const sdbus::Variant* v) {
  if (v && v->containsValueOfType<std::string>()) return v->get<std::string>();
  return std::nullopt;
}

std::optional<bool> flag(const Properties& properties, const std::string& key) {
  auto v = find(properties, key);
  if (v && v->containsValueOfType<bool>()) return v->get<bool>();
  return std::nullopt;
}

// Players disagree on the integer type of times (x, t, i, u) and some send doubles.
std::optional<double> number(const sdbus::Variant* v) {
  if (!v) return std::nullopt;
  if (v->containsValueOfType<int64_t>()) return double(v->get<int64_t>());
  if (v->containsValueOfType<uint64_t>()) return double(v->get<uint64_t>());
  if (v->containsValueOfType<int32_t>()) return double(v->get<int32_t>());
  if (v->containsValueOfType<uint32_t>()) return double(v->get<uint32_t>());
  if (v->containsValueOfType<double>()) return v->get<double>();
  return std::nullopt;
}

// xesam:artist is a list of names (some players send one string).
std::optional<std::string> artists(const sdbus::Variant* v) {
  if (!v) return std::nullopt;
  if (v->containsValueOfType<std::string>()) return v->get<std::string>();
  if (!v->containsValueOfType<std::vector<std::string>>()) return std::nullopt;
  auto names = v->get<std::vector<std::string>>();
  if (names.empty()) return std::nullopt;
  std::string joined;
  for (const auto& n : names) joined += (joined.empty() ? "" : ", ") + n;
  return joined;
}

Properties metadataOf(const Properties& properties) {
  auto v = find(properties, "Metadata");
  if (v && v->containsValueOfType<Properties>()) return v->get<Properties>();
  return {};
}

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

}  // namespace

std::optional<plist::Data> MprisSource::readArtwork(const std::string& url) {
  std::string path;
  if (url.rfind("file:///", 0) == 0)
    path = percentDecoded(url.substr(7));
  else if (url.rfind("file://localhost/", 0) == 0)
    path = percentDecoded(url.substr(16));
  else
    return std::nullopt;  // not fetched: only the player's local files
  if (path.find('\0') != std::string::npos) return std::nullopt;
  // The player's file, read without blocking: a FIFO or a device cannot hold the home screen.
  return device_fs::readHostFile(path, kArtworkLimit);
}

MprisSource::MprisSource(sdbus::IConnection& bus, std::string only) : bus_(bus), only_(std::move(only)) {}

std::shared_ptr<MprisSource> MprisSource::start(sdbus::IConnection& bus, std::string only) {
  std::shared_ptr<MprisSource> source(new MprisSource(bus, std::move(only)));
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
        update();
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
        update();
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
  update();
}

void MprisSource::addPlayer(const std::string& name, const std::string& owner) {
  if (name.rfind(kNamePrefix, 0) != 0) return;
  if (!only_.empty() && name != kNamePrefix + only_) return;
  Player& player = players_[name];
  player.name = name;
  player.owner = owner;
  player.properties.clear();
  player.proxy = sdbus::createProxy(bus_, name, kPlayerPath);
  fetchProperties(player);
}

void MprisSource::removePlayer(const std::string& name) { players_.erase(name); }

void MprisSource::fetchProperties(Player& player) {
  std::string name = player.name;
  player.proxy->callMethodAsync("GetAll")
      .onInterface(kProperties)
      .withTimeout(kCallTimeout)
      .withArguments(std::string(kPlayerInterface))
      .uponReplyInvoke([this, name](const sdbus::Error* error, const Properties& properties) {
        auto it = players_.find(name);
        if (error || it == players_.end()) return;
        merge(it->second, properties);
        update();
      });
}

void MprisSource::merge(Player& player, const Properties& changed) {
  for (const auto& [key, value] : changed) player.properties[key] = value;
  if (text(find(player.properties, "PlaybackStatus")) == "Playing") player.lastPlaying = ++clock_;
  // The artwork is read when its URL changes, not at every change.
  std::string url = text(find(metadataOf(player.properties), "mpris:artUrl")).value_or("");
  if (url != player.artUrl) {
    player.artUrl = url;
    player.artwork = url.empty() ? std::nullopt : readArtwork(url);
  }
}

MprisSource::Player* MprisSource::followedPlayer() {
  Player* best = nullptr;
  for (auto& [name, player] : players_) {
    bool playing = text(find(player.properties, "PlaybackStatus")) == "Playing";
    bool bestPlaying = best && text(find(best->properties, "PlaybackStatus")) == "Playing";
    if (!best || (playing && !bestPlaying) || (playing == bestPlaying && player.lastPlaying > best->lastPlaying)) best = &player;
  }
  return best;
}

void MprisSource::update() {
  Player* player = followedPlayer();
  std::optional<plist::Dictionary> info;
  if (player && !player->properties.empty()) {
    const Properties metadata = metadataOf(player->properties);
    const Properties& p = player->properties;
    plist::Dictionary d;
    if (auto title = text(find(metadata, "xesam:title"))) d[kMRMediaRemoteNowPlayingInfoTitle] = *title;
    if (auto artist = artists(find(metadata, "xesam:artist"))) d[kMRMediaRemoteNowPlayingInfoArtist] = *artist;
    if (auto album = text(find(metadata, "xesam:album"))) d[kMRMediaRemoteNowPlayingInfoAlbum] = *album;
    if (player->artwork) d[kMRMediaRemoteNowPlayingInfoArtworkData] = *player->artwork;
    if (auto length = number(find(metadata, "mpris:length")); length && *length > 0)
      d[kMRMediaRemoteNowPlayingInfoDuration] = *length / 1e6;
    d[kMRMediaRemoteNowPlayingInfoRepeatMode] = int64_t(repeatModeOf(text(find(p, "LoopStatus")).value_or("None")));
    d[kMRMediaRemoteNowPlayingInfoShuffleMode] = int64_t(flag(p, "Shuffle").value_or(false) ? 2 : 0);
    bool playing = text(find(p, "PlaybackStatus")) == "Playing";
    d[kMRMediaRemoteNowPlayingInfoPlaybackRate] = playing ? number(find(p, "Rate")).value_or(1.0) : 0.0;
    d[kMRMediaRemoteNowPlayingInfoElapsedTime] = number(find(p, "Position")).value_or(0) / 1e6;
    // A player with nothing loaded has no now-playing item.
    if (!metadata.empty()) info = std::move(d);
  }
  bool changed;
  {
    std::lock_guard lock(mutex_);
    std::string followed = player ? player->name : "";
    changed = info != info_ || followed != followed_;
    info_ = std::move(info);
    followed_ = std::move(followed);
  }
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
  return info_;
}

std::vector<int> MprisSource::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

nlohmann::json MprisSource::describe() const {
  std::lock_guard lock(mutex_);
  return {{"source", "mpris"},
          {"only", only_.empty() ? nlohmann::json(nullptr) : nlohmann::json(kNamePrefix + only_)},
          {"player", followed_.empty() ? nlohmann::json(nullptr) : nlohmann::json(followed_)},
          {"refused", refused_}};
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

bool MprisSource::send(int command, Player& player) {
  const Properties& p = player.properties;
  auto refuse = [&](const std::string& why) {
    std::lock_guard lock(mutex_);
    refused_.push_back(std::to_string(command) + ": " + why);
    return false;
  };
  auto call = [&](const char* method) {
    std::string name = player.name;
    player.proxy->callMethodAsync(method)
        .onInterface(kPlayerInterface)
        .withTimeout(kCallTimeout)
        .uponReplyInvoke([this, command, name, method = std::string(method)](const sdbus::Error* error) {
          if (error) {
            std::lock_guard lock(mutex_);
            refused_.push_back(std::to_string(command) + ": " + name + " refused " + method + ": " + error->getMessage());
          }
        });
    return true;
  };
  auto set = [&](const char* property, sdbus::Variant value) {
    std::string name = player.name;
    player.proxy->callMethodAsync("Set")
        .onInterface(kProperties)
        .withTimeout(kCallTimeout)
        .withArguments(std::string(kPlayerInterface), std::string(property), value)
        .uponReplyInvoke([this, command, name, property = std::string(property)](const sdbus::Error* error) {
          if (error) {
            std::lock_guard lock(mutex_);
            refused_.push_back(std::to_string(command) + ": " + name + " refused setting " + property + ": " +
                               error->getMessage());
          }
        });
    return true;
  };
  switch (command) {
    case kMRTogglePlayPause:
      if (flag(p, "CanPause") == false && flag(p, "CanPlay") == false) return refuse("the player can neither play nor pause");
      return call("PlayPause");
    case kMRNextTrack:
      if (flag(p, "CanGoNext") == false) return refuse("CanGoNext is false");
      return call("Next");
    case kMRPreviousTrack:
      if (flag(p, "CanGoPrevious") == false) return refuse("CanGoPrevious is false");
      return call("Previous");
    case kMRAdvanceShuffleMode:
      if (!flag(p, "Shuffle")) return refuse("the player has no Shuffle");
      return set("Shuffle", sdbus::Variant(!*flag(p, "Shuffle")));
    case kMRAdvanceRepeatMode: {
      auto loop = text(find(p, "LoopStatus"));
      if (!loop) return refuse("the player has no LoopStatus");
      // As the phone's repeat button: off -> all -> one -> off.
      std::string next = *loop == "None" ? "Playlist" : *loop == "Playlist" ? "Track" : "None";
      return set("LoopStatus", sdbus::Variant(next));
    }
    default:
      return refuse("not a command the service carries out");
  }
}
