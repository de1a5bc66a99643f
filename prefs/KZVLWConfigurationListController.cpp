#include "prefs/KZVLWConfigurationListController.hpp"

#include "prefs/KZVLWLocalizer.hpp"

VW_DEFINE_CLASS(KZVLWConfigurationListController, KZVLWListController, factoryOf<KZVLWConfigurationListController>(),
                {{"tweetSupport:", selectorOf(&KZVLWConfigurationListController::tweetSupport)}})

PSSpecifierArray KZVLWConfigurationListController::specifiers() {
  if (!_specifiers) _specifiers = specifiersForPlistName("VLWConfiguration");
  setTitle(KZVLWLocalizer::sharedLocalizer()->localizedStringForKey("CONFIGURATION"));
  return _specifiers;
}

void KZVLWConfigurationListController::loadView() {
  KZVLWListController::loadView();
  addComposeButton();
}

void KZVLWConfigurationListController::tweetSupport(const ReflectiveObjectRef&) { presentTweetComposer(); }
