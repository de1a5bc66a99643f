// MediaRemote stand-in: where the media-remote service takes its now-playing information and
// sends its commands. The built-in player serves by default (the simulator, tests, a live
// home screen with --media builtin); a live home screen can follow the desktop's players over
// MPRIS instead (MprisSource.hpp). The tweak sees no difference: it only calls MediaRemote.hpp.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/plist/PropertyList.hpp"

class NowPlayingSource {
 public:
  virtual ~NowPlayingSource() = default;
  // The now-playing dictionary (keys of MediaRemote.hpp), or nothing without a current item.
  // Called on any thread.
  virtual std::optional<plist::Dictionary> nowPlayingInfo() const = 0;
  // Records the code and carries out the command; true when it was carried out (or sent).
  virtual bool performCommand(int command) = 0;
  // The latest command codes received, in order (older ones are counted in describe()'s
  // commandsDropped).
  virtual std::vector<int> commands() const = 0;
  // "builtin" or "mpris".
  virtual std::string kind() const = 0;
  // What the source follows, for dumps.
  virtual nlohmann::json describe() const = 0;
};

namespace media_remote {

// The process's source; the built-in player until another is set.
NowPlayingSource& source();
void useSource(std::shared_ptr<NowPlayingSource> source);

}  // namespace media_remote
