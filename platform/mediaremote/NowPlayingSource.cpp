#include "platform/mediaremote/NowPlayingSource.hpp"

#include <atomic>

#include "platform/mediaremote/NowPlayingPlayer.hpp"

namespace {

class BuiltInSource final : public NowPlayingSource {
 public:
  std::optional<plist::Dictionary> nowPlayingInfo() const override { return NowPlayingPlayer::shared().nowPlayingInfo(); }
  bool performCommand(int command) override { return NowPlayingPlayer::shared().performCommand(command); }
  std::vector<int> commands() const override { return NowPlayingPlayer::shared().commands(); }
  std::string kind() const override { return "builtin"; }
  nlohmann::json describe() const override {
    return {{"source", "builtin"}, {"commandsDropped", NowPlayingPlayer::shared().commandsDropped()}};
  }
};

std::atomic<std::shared_ptr<NowPlayingSource>>& current() {
  static auto* source = new std::atomic<std::shared_ptr<NowPlayingSource>>(std::make_shared<BuiltInSource>());
  return *source;
}

}  // namespace

namespace media_remote {

NowPlayingSource& source() {
  // Sources live as long as the process once set (a reader on another thread may hold one).
  static thread_local std::shared_ptr<NowPlayingSource> held;
  held = current().load();
  return *held;
}

void useSource(std::shared_ptr<NowPlayingSource> source) {
  if (source) current().store(std::move(source));
}

}  // namespace media_remote
