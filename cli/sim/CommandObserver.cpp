#include "cli/sim/CommandObserver.hpp"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "cli/sim/SimExtension.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"
#include "platform/mediaremote/NowPlayingSource.hpp"
#include "platform/process/ProcessState.hpp"
#include "tweak/VLWView.hpp"

namespace {

// The built-in player, with a note of the cover's state at each command.
class ObservedPlayer final : public NowPlayingSource {
 public:
  void watch(SimContext* session) {
    std::lock_guard lock(mutex_);
    session_ = session;
  }

  std::optional<plist::Dictionary> nowPlayingInfo() const override { return NowPlayingPlayer::shared().nowPlayingInfo(); }
  bool performCommand(int command) override {
    {
      std::lock_guard lock(mutex_);
      sent_.push_back({{"command", command}, {"coverShaking", coverShaking()}});
    }
    return NowPlayingPlayer::shared().performCommand(command);
  }
  std::vector<int> commands() const override { return NowPlayingPlayer::shared().commands(); }
  std::string kind() const override { return "builtin"; }
  nlohmann::json describe() const override { return {{"source", "builtin"}}; }

  nlohmann::json sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
  }

 private:
  // Null while there is no overlay with a small cover.
  nlohmann::json coverShaking() const {
    auto overlay = session_ && session_->findSpringboard() ? session_->findSpringboard()->currentOverlay() : nullptr;
    if (!overlay || !overlay->smallCoverArt()) return nullptr;
    return overlay->smallCoverArt()->layer()->animationForKey("position") != nullptr;
  }

  mutable std::mutex mutex_;
  SimContext* session_ = nullptr;
  nlohmann::json sent_ = nlohmann::json::array();
};

// Made again after a reset, which gives the now-playing source back to the built-in player.
std::shared_ptr<ObservedPlayer>& observed() {
  static auto* player = process_state::make<std::shared_ptr<ObservedPlayer>>(
      "observed media commands", [](std::shared_ptr<ObservedPlayer>& p) { p.reset(); });
  return *player;
}

const SimDumpFieldRegistration field{
    "commandsSent", [](SimContext&) { return observed() ? observed()->sent() : nlohmann::json(nullptr); }, SimHost::HomeScreen};

}  // namespace

void observeMediaCommands(SimContext* session) {
  if (!observed()) {
    if (!session) return;
    observed() = std::make_shared<ObservedPlayer>();
    media_remote::useSource(observed());
  }
  observed()->watch(session);
}
