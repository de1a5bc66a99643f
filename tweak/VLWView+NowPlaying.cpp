// The overlay's now-playing content and its playback commands.
#include <fmt/format.h>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/mediaremote/MediaRemote.hpp"
#include "platform/quartz/CALayer.hpp"
#include "tweak/Settings.hpp"
#include "tweak/VLWView.hpp"

namespace {

enum Command : int { kTogglePlayPause = 2, kNextTrack = 4, kPreviousTrack = 5, kAdvanceShuffle = 6, kAdvanceRepeat = 7 };

const std::string* stringEntry(const plist::Dictionary& info, const std::string& key) {
  auto it = info.find(key);
  return it == info.end() ? nullptr : it->second.string();
}

// The entry as an integer, or nothing when it is missing or not a number.
std::optional<int64_t> integerEntry(const plist::Dictionary& info, const std::string& key) {
  auto it = info.find(key);
  if (it == info.end() || !it->second.isNumber()) return std::nullopt;
  return it->second.integerValue();
}

void applyNowPlaying(VLWView& view, const std::optional<plist::Dictionary>& info) {
  if (!info) return;  // no now-playing item: the overlay keeps what it shows
  const std::string* titleEntry = stringEntry(*info, kMRMediaRemoteNowPlayingInfoTitle);
  std::optional<std::string> title = titleEntry ? std::optional<std::string>(*titleEntry) : std::nullopt;

  if (title && view.songNameLabel() && view.songNameLabel()->text() == title) return;

  UIImageRef artwork;
  if (auto it = info->find(kMRMediaRemoteNowPlayingInfoArtworkData); it != info->end() && it->second.data())
    artwork = UIImage::imageWithData(*it->second.data());
  if (view.backgroundCoverArt()) view.backgroundCoverArt()->setImage(artwork);
  if (view.smallCoverArt()) view.smallCoverArt()->setImage(artwork);

  if (auto repeat = integerEntry(*info, kMRMediaRemoteNowPlayingInfoRepeatMode); repeat && view.repeatLabel()) {
    if (*repeat == 0) view.repeatLabel()->setText("");
    if (*repeat == 1) view.repeatLabel()->setText("Repeat Song");
    if (*repeat == 2) view.repeatLabel()->setText("Repeat All");
  }
  if (auto shuffle = integerEntry(*info, kMRMediaRemoteNowPlayingInfoShuffleMode); shuffle && view.shuffleLabel()) {
    if (*shuffle == 0) view.shuffleLabel()->setText("");
    if (*shuffle == 2) view.shuffleLabel()->setText("Shuffle All");
  }

  NSLog("Velloway Notification Logging");

  if (title) {
    if (view.songNameLabel()) view.songNameLabel()->setText(*title);
    // A missing artist or album shows as an empty half.
    const std::string* artist = stringEntry(*info, kMRMediaRemoteNowPlayingInfoArtist);
    const std::string* album = stringEntry(*info, kMRMediaRemoteNowPlayingInfoAlbum);
    if (view.artistAndAlbumLabel())
      view.artistAndAlbumLabel()->setText(fmt::format("{} - {}", artist ? *artist : "", album ? *album : ""));
  } else {
    if (view.songNameLabel()) view.songNameLabel()->setText("Double Tap To Play");
    if (view.artistAndAlbumLabel()) view.artistAndAlbumLabel()->setText(" ");
  }
}

void sendCommand(int command) { MRMediaRemoteSendCommand(command, nullptr); }

}  // namespace

void VLWView::updateMusicInformation() {
  // The completion owns the overlay until it has run.
  auto self = std::static_pointer_cast<VLWView>(shared_from_this());
  MRMediaRemoteGetNowPlayingInfo(dispatch_get_main_queue(),
                                 [self](std::optional<plist::Dictionary> info) { applyNowPlaying(*self, info); });
}

void VLWView::updateSongTitleWithName(const std::string& name) {
  if (_songNameLabel) _songNameLabel->setText(name);
}

void VLWView::albumArtShake() {
  if (!_smallCoverArt) return;
  auto shake = CABasicAnimation::animationWithKeyPath("position");
  shake->duration = 0.05;
  shake->repeatCount = 2.0f;
  shake->autoreverses = true;
  CGPoint c = _smallCoverArt->center();
  shake->fromValue = CGPoint{c.x - 5, c.y};
  shake->toValue = CGPoint{c.x + 5, c.y};
  _smallCoverArt->layer()->addAnimation(*shake, "position");
}

void VLWView::playThatBassZindra(const ReflectiveObjectRef&) {
  albumArtShake();
  sendCommand(kTogglePlayPause);
}

void VLWView::iWantZindraOneMoreTime(const ReflectiveObjectRef&) {
  sendCommand(vlwInvertSongSwipes ? kNextTrack : kPreviousTrack);
  albumArtShake();
}

void VLWView::ewwThisTrackSucksSkip(const ReflectiveObjectRef&) {
  sendCommand(vlwInvertSongSwipes ? kPreviousTrack : kNextTrack);
  albumArtShake();
}

void VLWView::turnUpForWhat(const ReflectiveObjectRef&) { sendCommand(kAdvanceRepeat); }

void VLWView::turnDownForWhat(const ReflectiveObjectRef&) { sendCommand(kAdvanceShuffle); }
