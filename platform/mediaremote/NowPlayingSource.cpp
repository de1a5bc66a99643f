#include "platform/mediaremote/NowPlayingSource.hpp"

#include <atomic>

#include "platform/mediaremote/NowPlayingPlayer.hpp"
#include "platform/process/ProcessState.hpp"

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

using CurrentSource = std::atomic<std::shared_ptr<NowPlayingSource>>;

// The built-in player's source, as at start.
void useBuiltIn(CurrentSource& source) { source.store(std::make_shared<BuiltInSource>()); }

CurrentSource& current() {
  static CurrentSource* source = [] {
    auto* made = process_state::make<CurrentSource>("now-playing source", useBuiltIn);
    useBuiltIn(*made);
    return made;
  }();
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
