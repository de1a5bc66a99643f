#include "prefs/VLWListController.hpp"

#include "platform/foundation/NSTimer.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "prefs/KZVLWCustomHeaderView.hpp"
#include "prefs/KZVLWLogoTableCell.hpp"

VW_DEFINE_CLASS(VLWListController, KZVLWListController, factoryOf<VLWListController>(),
                {{"increaseAlpha", selectorOf(&VLWListController::increaseAlpha)},
                 {"tweetSupport:", selectorOf(&VLWListController::tweetSupport)}})

PSSpecifierArray VLWListController::specifiers() {
  if (_specifiers) return _specifiers;
  _specifiers = specifiersForPlistName("VLW");
  return _specifiers;
}

void VLWListController::loadView() {
  KZVLWListController::loadView();
  addComposeButton();
}

void VLWListController::viewDidLoad() {
  auto logo = UIImage::imageWithContentsOfFile(kTitleLogoPath);
  auto logoView = std::make_shared<UIImageView>(logo);
  navigationItem()->setTitleView(logoView);
  navigationItem()->titleView->setAlpha(0.0);
  KZVLWListController::viewDidLoad();
  NSTimer::scheduledTimerWithTimeInterval(0.5, shared_from_this(), "increaseAlpha", nullptr, false);
}

void VLWListController::increaseAlpha() {
  // The animation keeps the controller until it has run.
  auto self = std::static_pointer_cast<VLWListController>(shared_from_this());
  UIView::animateWithDuration(0.5, [self] {
    if (auto titleView = self->navigationItem()->titleView) titleView->setAlpha(1.0);
  });
}

void VLWListController::tweetSupport(const NSObjectRef&) { presentTweetComposer(); }

UIViewRef VLWListController::tableViewViewForHeaderInSection(UITableView&, long section) {
  if (section == 0) return std::make_shared<KZVLWCustomHeaderView>()->init();
  if (section == 4) return std::make_shared<KZVLWLogoTableCell>()->init();
  return nullptr;
}

double VLWListController::tableViewHeightForHeaderInSection(UITableView&, long section) {
  if (section == 0) return 140.0;
  if (section == 4) return 30.0;
  return -1.0;
}
