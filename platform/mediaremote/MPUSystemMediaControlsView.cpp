#include "platform/mediaremote/MPUSystemMediaControlsView.hpp"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSNotificationCenter.hpp"
#include "platform/mediaremote/MediaRemote.hpp"
#include "platform/mediaremote/NowPlayingSource.hpp"
#include "platform/process/ProcessState.hpp"

VW_DEFINE_CLASS(MPUSystemMediaControlsView, UIView,
                [] { return ReflectiveObjectRef(MPUSystemMediaControlsView::create(CGRectZero)); },
                {{"previousTrack:", selectorOf(&MPUSystemMediaControlsView::previousTrack)},
                 {"togglePlayPause:", selectorOf(&MPUSystemMediaControlsView::togglePlayPause)},
                 {"nextTrack:", selectorOf(&MPUSystemMediaControlsView::nextTrack)}})

namespace {

// The live control views, held weakly, and the one observer that refreshes them.
struct LiveControls {
  std::mutex mutex;
  std::vector<std::weak_ptr<MPUSystemMediaControlsView>> views;
  bool observing = false;  // a reset of the notification centre drops the observer too

  void reset() {
    std::lock_guard lock(mutex);
    views.clear();
    observing = false;
  }
};

LiveControls& liveControls() {
  static auto* live = process_state::make<LiveControls>("live media controls");  // lives as long as the process
  return *live;
}

void refreshLiveControls() {
  // Views are touched on the main thread only; a change posted elsewhere is handed over.
  if (!main_loop::isMainThread()) {
    dispatch_async(dispatch_get_main_queue(), refreshLiveControls);
    return;
  }
  std::vector<MPUSystemMediaControlsViewRef> views;
  {
    auto& live = liveControls();
    std::lock_guard lock(live.mutex);
    std::erase_if(live.views, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : live.views)
      if (auto view = weak.lock()) views.push_back(std::move(view));
  }
  for (const auto& view : views) view->refresh();
}

void track(const MPUSystemMediaControlsViewRef& view) {
  auto& live = liveControls();
  std::lock_guard lock(live.mutex);
  if (!live.observing) {
    NSNotificationCenter::defaultCenter().addObserverForName(kMRMediaRemoteNowPlayingInfoDidChangeNotification,
                                                             [](const std::string&) { refreshLiveControls(); });
    live.observing = true;
  }
  std::erase_if(live.views, [](const auto& weak) { return weak.expired(); });
  live.views.push_back(view);
}

UILabelRef makeLabel(double fontSize) {
  auto label = std::make_shared<UILabel>();
  label->setFont(UIFont::systemFontOfSize(fontSize));
  label->setTextColor(UIColor::whiteColor());
  label->setTextAlignment(NSTextAlignmentCenter);
  label->setUserInteractionEnabled(false);
  return label;
}

UIButtonRef makeButton(const char* title) {
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setTitle(title, 0);
  return button;
}

}  // namespace

MPUSystemMediaControlsView::MPUSystemMediaControlsView(CGRect frame, long style) : UIView(frame), style_(style) {
  timeBar_ = std::make_shared<UIView>();
  timeBar_->setBackgroundColor(UIColor::colorWithWhite(1.0, 0.3));
  timeBar_->setUserInteractionEnabled(false);
  timeBarFill_ = std::make_shared<UIView>();
  timeBarFill_->setBackgroundColor(UIColor::whiteColor());
  timeBarFill_->setUserInteractionEnabled(false);
  titleLabel_ = makeLabel(17);
  artistLabel_ = makeLabel(13);
  previousButton_ = makeButton("Previous");
  playPauseButton_ = makeButton("Play");
  nextButton_ = makeButton("Next");
}

MPUSystemMediaControlsViewRef MPUSystemMediaControlsView::create(CGRect frame, long style) {
  auto view = std::make_shared<MPUSystemMediaControlsView>(frame, style);
  // The stock controls draw their glyphs in white over the dark overlay.
  view->setTintColor(UIColor::whiteColor());
  view->addSubview(view->timeBar_);
  view->timeBar_->addSubview(view->timeBarFill_);
  view->addSubview(view->titleLabel_);
  view->addSubview(view->artistLabel_);
  view->addSubview(view->previousButton_);
  view->addSubview(view->playPauseButton_);
  view->addSubview(view->nextButton_);
  // The buttons hold their target weakly and are owned by it: no cycle.
  view->previousButton_->addTarget(view, "previousTrack:", UIControlEventTouchUpInside);
  view->playPauseButton_->addTarget(view, "togglePlayPause:", UIControlEventTouchUpInside);
  view->nextButton_->addTarget(view, "nextTrack:", UIControlEventTouchUpInside);
  view->layoutControls();
  view->refresh();
  track(view);
  return view;
}

void MPUSystemMediaControlsView::setFrame(CGRect frame) {
  bool resized = frame.size != this->frame().size;
  UIView::setFrame(frame);
  if (resized) layoutControls();
}

void MPUSystemMediaControlsView::layoutControls() {
  double w = frame().size.width;
  timeBar_->setFrame(CGRectMake(0, kTimeBarY, w, kTimeBarHeight));
  layoutTimeBarFill();
  titleLabel_->setFrame(CGRectMake(0, kTitleY, w, kTitleHeight));
  artistLabel_->setFrame(CGRectMake(0, kArtistY, w, kArtistHeight));
  // Three buttons centred on the middle; closer together when the view is narrow.
  double spacing = std::min(kButtonSpacing, w / 3);
  double mid = w / 2;
  const UIButtonRef* buttons[] = {&previousButton_, &playPauseButton_, &nextButton_};
  for (int i = 0; i < 3; ++i) {
    double centre = mid + (i - 1) * spacing;
    (*buttons[i])->setFrame(CGRectMake(centre - kButtonSide / 2, kButtonsY, kButtonSide, kButtonSide));
  }
}

void MPUSystemMediaControlsView::layoutTimeBarFill() {
  timeBarFill_->setFrame(CGRectMake(0, 0, frame().size.width * elapsedShare_, kTimeBarHeight));
}

void MPUSystemMediaControlsView::refresh() {
  // One consistent reading of the player.
  auto info = media_remote::source().nowPlayingInfo();
  const plist::Value none;
  auto entry = [&](const std::string& key) -> const plist::Value& {
    if (!info) return none;
    auto it = info->find(key);
    return it == info->end() ? none : it->second;
  };
  auto text = [&](const std::string& key) {
    const std::string* s = entry(key).string();
    return s ? *s : std::string();
  };
  titleLabel_->setText(text(kMRMediaRemoteNowPlayingInfoTitle));
  artistLabel_->setText(text(kMRMediaRemoteNowPlayingInfoArtist));
  playPauseButton_->setTitle(entry(kMRMediaRemoteNowPlayingInfoPlaybackRate).doubleValue() > 0 ? "Pause" : "Play", 0);
  double duration = entry(kMRMediaRemoteNowPlayingInfoDuration).doubleValue();
  double elapsed = entry(kMRMediaRemoteNowPlayingInfoElapsedTime).doubleValue();
  elapsedShare_ = duration > 0 ? std::clamp(elapsed / duration, 0.0, 1.0) : 0.0;
  layoutTimeBarFill();
}

void MPUSystemMediaControlsView::previousTrack(const ReflectiveObjectRef&) {
  MRMediaRemoteSendCommand(kMRPreviousTrack, nullptr);
}
void MPUSystemMediaControlsView::togglePlayPause(const ReflectiveObjectRef&) {
  MRMediaRemoteSendCommand(kMRTogglePlayPause, nullptr);
}
void MPUSystemMediaControlsView::nextTrack(const ReflectiveObjectRef&) { MRMediaRemoteSendCommand(kMRNextTrack, nullptr); }
