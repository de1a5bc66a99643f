#include "platform/mediaremote/MediaRemote.hpp"

#include "platform/mediaremote/NowPlayingSource.hpp"

void MRMediaRemoteGetNowPlayingInfo(dispatch_queue_t queue, std::function<void(std::optional<plist::Dictionary>)> completion) {
  if (!queue || !completion) return;
  // The service answers with the state it has when the request arrives.
  dispatch_async(queue, [info = media_remote::source().nowPlayingInfo(), completion = std::move(completion)]() mutable {
    completion(std::move(info));
  });
}

bool MRMediaRemoteSendCommand(int command, const void*) { return media_remote::source().performCommand(command); }
