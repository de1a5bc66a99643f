// MediaRemote stand-in: the now-playing information and the playback commands of the phone's
// media-remote service, served by the process's source (NowPlayingSource.hpp): the built-in
// player (NowPlayingPlayer.hpp), or the desktop's players over MPRIS.
// Implements: MRMediaRemoteGetNowPlayingInfo (answered once, asynchronously, on the queue
// given), MRMediaRemoteSendCommand for the codes 2 (toggle play/pause), 4 (next track),
// 5 (previous track), 6 (advance shuffle mode) and 7 (advance repeat mode), the info keys
// (their strings are their names, as on the phone) and the change notification, posted on
// the default notification center from the main queue after every change.
// Leaves out: the other command codes (recorded, no effect), command options, playback
// queues of other applications, origins and routes, artwork MIME types, the XPC connection.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/plist/PropertyList.hpp"

// Keys of the now-playing dictionary.
inline const std::string kMRMediaRemoteNowPlayingInfoTitle = "kMRMediaRemoteNowPlayingInfoTitle";                // string
inline const std::string kMRMediaRemoteNowPlayingInfoArtist = "kMRMediaRemoteNowPlayingInfoArtist";              // string
inline const std::string kMRMediaRemoteNowPlayingInfoAlbum = "kMRMediaRemoteNowPlayingInfoAlbum";                // string
inline const std::string kMRMediaRemoteNowPlayingInfoArtworkData = "kMRMediaRemoteNowPlayingInfoArtworkData";    // data
inline const std::string kMRMediaRemoteNowPlayingInfoRepeatMode = "kMRMediaRemoteNowPlayingInfoRepeatMode";      // integer
inline const std::string kMRMediaRemoteNowPlayingInfoShuffleMode = "kMRMediaRemoteNowPlayingInfoShuffleMode";    // integer
inline const std::string kMRMediaRemoteNowPlayingInfoPlaybackRate = "kMRMediaRemoteNowPlayingInfoPlaybackRate";  // real: 1 or 0
inline const std::string kMRMediaRemoteNowPlayingInfoDuration = "kMRMediaRemoteNowPlayingInfoDuration";          // real, seconds
inline const std::string kMRMediaRemoteNowPlayingInfoElapsedTime = "kMRMediaRemoteNowPlayingInfoElapsedTime";    // real, seconds

// Posted (no object, no payload) after every change of the now-playing information.
inline const std::string kMRMediaRemoteNowPlayingInfoDidChangeNotification = "kMRMediaRemoteNowPlayingInfoDidChangeNotification";

// The command codes the service carries out.
enum MRMediaRemoteCommand : int {
  kMRTogglePlayPause = 2,
  kMRNextTrack = 4,
  kMRPreviousTrack = 5,
  kMRAdvanceShuffleMode = 6,
  kMRAdvanceRepeatMode = 7,
};

// Calls the completion once, later, through dispatch_async on `queue`, with the now-playing
// dictionary as it is at the time of the call, or nothing when there is no now-playing item.
// Entries for a title, artist, album, artwork or duration that the item lacks are left out;
// the repeat mode, shuffle mode, playback rate and elapsed time are always there. A null
// queue or an empty completion: nothing happens.
void MRMediaRemoteGetNowPlayingInfo(dispatch_queue_t queue, std::function<void(std::optional<plist::Dictionary>)> completion);

// Asks the service to carry out a command (options are ignored). Every code is recorded in the
// source's command list, which keeps the latest. True when the command changed the now-playing
// state (the change notification follows on the main queue); false for an unknown code or with
// nothing to play.
bool MRMediaRemoteSendCommand(int command, const void* options);
