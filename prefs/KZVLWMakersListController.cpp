#include "prefs/KZVLWMakersListController.hpp"

#include "prefs/KZVLWLocalizer.hpp"

VW_DEFINE_CLASS(KZVLWMakersListController, KZVLWListController, factoryOf<KZVLWMakersListController>(),
                {{"tweetSupport:", selectorOf(&KZVLWMakersListController::tweetSupport)}})

PSSpecifierArray KZVLWMakersListController::specifiers() {
  if (!_specifiers) _specifiers = specifiersForPlistName("VLWMakers");
  setTitle(KZVLWLocalizer::sharedLocalizer()->localizedStringForKey("MAKERS"));
  return _specifiers;
}

void KZVLWMakersListController::loadView() {
  KZVLWListController::loadView();
  addComposeButton();
}

void KZVLWMakersListController::tweetSupport(const ReflectiveObjectRef&) { presentTweetComposer(); }
