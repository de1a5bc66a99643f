// Simulator commands of the media-remote service: the now-playing item.
#include <fmt/format.h>

#include "cli/sim/SimExtension.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"
#include "platform/mediaremote/NowPlayingSource.hpp"

namespace {

int parseMode(const std::string& key, const std::string& value) {
  char* end = nullptr;
  long n = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end || n < -1000 || n > 1000) throw SimError(fmt::format("bad {} '{}': expected an integer", key, value));
  return static_cast<int>(n);
}

void mediaSet(SimContext& sim, const std::vector<std::string>& args) {
  if (args.size() < 2) throw SimError("usage: media set title=.. artist=.. album=.. artwork=FILE repeat=N shuffle=N");
  NowPlayingItem item;
  std::optional<int> repeat, shuffle;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto eq = arg.find('=');
    if (eq == std::string::npos) throw SimError(fmt::format("bad media field '{}': expected KEY=VALUE", arg));
    std::string key = arg.substr(0, eq), value = arg.substr(eq + 1);
    if (key == "title") {
      item.title = value;
    } else if (key == "artist") {
      item.artist = value;
    } else if (key == "album") {
      item.album = value;
    } else if (key == "artwork") {
      std::string path = sim.resolvePath(value);
      auto bytes = device_fs::readHostFile(path);
      if (!bytes) throw SimError(fmt::format("cannot read artwork file '{}'", path));
      item.artwork = std::move(*bytes);
    } else if (key == "repeat") {
      repeat = parseMode(key, value);
    } else if (key == "shuffle") {
      shuffle = parseMode(key, value);
    } else {
      throw SimError(fmt::format("unknown media field '{}': expected title, artist, album, artwork, repeat or shuffle", key));
    }
  }
  auto& player = NowPlayingPlayer::shared();
  player.setCurrentItem(std::move(item), false);
  if (repeat) player.setRepeatMode(*repeat, false);
  if (shuffle) player.setShuffleMode(*shuffle, false);
  NowPlayingPlayer::postChange();
}

const SimCommandRegistration registration{
    {"media", "media set title=.. artist=.. album=.. artwork=FILE repeat=N shuffle=N | media play-demo | media clear",
     [](SimContext& sim, const std::vector<std::string>& args) {
       if (args.empty()) throw SimError("usage: media set ... | media clear");
       if (media_remote::source().kind() != "builtin")
         throw SimError("the now-playing item comes from the desktop's media players (--media mpris): play something there");
       if (args[0] == "set") return mediaSet(sim, args);
       if (args[0] == "play-demo" && args.size() == 1) {
         // The built-in playlist, playing from its first track.
         auto& player = NowPlayingPlayer::shared();
         player.setPlaylist(NowPlayingPlayer::builtInPlaylist(), 0, false);
         player.setPlaying(true, false);
         NowPlayingPlayer::postChange();
         return;
       }
       if (args[0] == "clear" && args.size() == 1) {
         NowPlayingPlayer::shared().clear(true);
         return;
       }
       throw SimError("usage: media set ... | media clear");
     },
     SimHost::HomeScreen}};

}  // namespace
