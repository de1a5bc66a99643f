#include "tweak/VLWView.hpp"

#include "platform/foundation/NSValueObjects.hpp"
#include "platform/uikit/UIGestureRecognizer.hpp"
#include "platform/uikit/UIViewController.hpp"
#include "platform/uikit/UIWindow.hpp"
#include "tweak/Globals.hpp"
#include "tweak/Settings.hpp"

namespace {

void sendColorize(ReflectiveObject& self, const ReflectiveObjectRef& argument) {
  static_cast<VLWView&>(self).colorizeForArtwork(std::dynamic_pointer_cast<UIImage>(argument));
}

void sendUpdateSongTitle(ReflectiveObject& self, const ReflectiveObjectRef& argument) {
  auto name = std::dynamic_pointer_cast<NSString>(argument);
  static_cast<VLWView&>(self).updateSongTitleWithName(name ? name->text : std::string());
}

}  // namespace

VW_DEFINE_CLASS(VLWView, UIView, nullptr,
                {{"loadUserSettings", selectorOf(&VLWView::loadUserSettings)},
                 {"colorizeForArtwork:", sendColorize},
                 {"layoutMusicUI", selectorOf(&VLWView::layoutMusicUI)},
                 {"removeTheViews", selectorOf(&VLWView::removeTheViews)},
                 {"updateMusicInformation", selectorOf(&VLWView::updateMusicInformation)},
                 {"updateSongTitleWithName:", sendUpdateSongTitle},
                 {"albumArtShake", selectorOf(&VLWView::albumArtShake)},
                 {"playThatBassZindra:", selectorOf(&VLWView::playThatBassZindra)},
                 {"iWantZindraOneMoreTime:", selectorOf(&VLWView::iWantZindraOneMoreTime)},
                 {"ewwThisTrackSucksSkip:", selectorOf(&VLWView::ewwThisTrackSucksSkip)},
                 {"turnUpForWhat:", selectorOf(&VLWView::turnUpForWhat)},
                 {"turnDownForWhat:", selectorOf(&VLWView::turnDownForWhat)}})

void VLWView::loadUserSettings() { vlw_settings::readViewSettings(); }

namespace {

// The stock media controls, or nothing when the class is not available.
UIViewControllerRef makeMediaControls() {
  const ClassInfo* cls = NSClassFromString("MPUSystemMediaControlsViewController");
  if (!cls) return nullptr;
  auto controller = std::dynamic_pointer_cast<UIViewController>(cls->instantiate());
  if (controller) controller->performSelector("initWithStyle:", NSNumber::numberWithInt(2));
  return controller;
}

UILabelRef makeModeLabel(CGRect frame, long alignment) {
  auto label = std::make_shared<UILabel>(frame);
  label->setTextColor(UIColor::whiteColor());
  label->setFont(UIFont::systemFontOfSize(14));
  label->setTextAlignment(alignment);
  return label;
}

// An artwork view at full alpha without a border.
UIImageViewRef makeCoverView(CGRect frame) {
  auto cover = std::make_shared<UIImageView>(frame);
  cover->setAlpha(1.0);
  cover->layer()->borderWidth = 0;
  return cover;
}

// The small cover's gestures: a double tap plays or pauses, a swipe up or down changes track.
void addCoverGestures(UIView& cover, const ReflectiveObjectRef& target) {
  auto doubleTap = std::make_shared<UITapGestureRecognizer>(target, "playThatBassZindra:");
  doubleTap->numberOfTapsRequired = 2;
  cover.addGestureRecognizer(doubleTap);
  auto swipeUp = std::make_shared<UISwipeGestureRecognizer>(target, "turnUpForWhat:");
  swipeUp->direction = UISwipeGestureRecognizerDirectionUp;
  cover.addGestureRecognizer(swipeUp);
  auto swipeDown = std::make_shared<UISwipeGestureRecognizer>(target, "turnDownForWhat:");
  swipeDown->direction = UISwipeGestureRecognizerDirectionDown;
  cover.addGestureRecognizer(swipeDown);
}

}  // namespace

void VLWView::layoutMusicUI() {
  const double W = frame().size.width;
  const double H = frame().size.height;
  const double S = UIScreen::mainScreen()->bounds().size.width;

  // Backdrop: a square as wide as the overlay, its top at a quarter of the width less half the
  // height. Not centred: its middle lies at 0.75 W - 0.5 H, above the overlay's middle (0.5 H)
  // whenever the overlay is taller than three quarters of its width.
  _backgroundCoverArt = makeCoverView(CGRectMake(0, 0.25 * W - 0.5 * H, W, W));
  addSubview(_backgroundCoverArt);

  _blurEffect = UIBlurEffect::effectWithStyle(UIBlurEffectStyleDark);
  _blurEffectView = UIVisualEffectView::create(_blurEffect);
  _blurEffectView->setFrame(CGRectMake(0, 0, W, H + 90));
  _blurEffectView->setAlpha(1.0);

  const CGRect controlsFrame = CGRectMake(10, 95, W - 20, 150);
  if (vlwUseVibrancyLabels) {
    auto vibrancyView = UIVisualEffectView::create(UIVibrancyEffect::effectForBlurEffect(_blurEffect));
    vibrancyView->setFrame(CGRectMake(0, 0, W, H));
    _repeatLabel = makeModeLabel(CGRectMake(10, 0.88 * H, S, 30), NSTextAlignmentLeft);
    vibrancyView->contentView()->addSubview(_repeatLabel);
    _shuffleLabel = makeModeLabel(CGRectMake(0, 0.88 * H, S - 10, 30), NSTextAlignmentRight);
    vibrancyView->contentView()->addSubview(_shuffleLabel);
    mediaView = makeMediaControls();
    if (mediaView) {
      mediaView->view()->setFrame(controlsFrame);
      vibrancyView->contentView()->addSubview(mediaView->view());
    }
    _blurEffectView->contentView()->addSubview(vibrancyView);
    addSubview(_blurEffectView);
  } else {
    addSubview(_blurEffectView);
    mediaView = makeMediaControls();
    if (mediaView) {
      mediaView->view()->setFrame(controlsFrame);
      addSubview(mediaView->view());
    }
  }

  // Small cover: a quarter of the width, centred, its top at 6 % of the height.
  _smallCoverArt = makeCoverView(CGRectMake(0.5 * W - 0.125 * W, 0.06 * H, 0.25 * W, 0.25 * W));
  _smallCoverArt->layer()->cornerRadius = static_cast<double>(vlwAlbumArtCornerRadius);
  _smallCoverArt->layer()->masksToBounds = true;
  addSubview(_smallCoverArt);

  addCoverGestures(*_smallCoverArt, shared_from_this());
}

void VLWView::removeTheViews() {
  // The shuffle label leaves with the blur view it sits in. With vibrancy off the media
  // controls sit directly on the overlay and stay, as does the overlay itself.
  for (const UIViewRef& view : std::initializer_list<UIViewRef>{_blurEffectView, _songNameLabel, _artistAndAlbumLabel,
                                                                _repeatLabel, _smallCoverArt, _backgroundCoverArt})
    if (view) view->removeFromSuperview();
}
