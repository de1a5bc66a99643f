#include "tweak/Hooks.hpp"

#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/foundation/NSNotificationCenter.hpp"
#include "platform/mediaremote/MediaRemote.hpp"
#include "platform/objc/ObjCRuntime.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "tweak/Globals.hpp"
#include "tweak/Settings.hpp"
#include "tweak/VLWView.hpp"

extern "C" {
__attribute__((visibility("default"))) std::atomic<std::shared_ptr<VLWView>> vlwViewManager;
__attribute__((visibility("default"))) std::shared_ptr<UIViewController> mediaView;
}

namespace vlw_hooks {

const char* const kWelcomeMessage =
    "Thanks for the continued interest in Velloway \n \n There were big changes in this update. For one I took out the "
    "swipes and added the stock media controls to the view. I like this look with vibrancy labels on :) \n By using the "
    "stock controls this gets rid of the song skipping crash so theres that. \n I have not tested how it looks on devices "
    "below iPhone 6 so send me screenshots of weird things. \n Dovrane";

namespace {

using VoidMethod = void (*)(id, SEL);
using ObjectMethod = void (*)(id, SEL, id);

// A home screen that lacks one of the hooked methods leaves its slot empty: nothing to call.
void callPrevious(IMP previous, id self, SEL sel) {
  if (previous) reinterpret_cast<VoidMethod>(previous)(self, sel);
}
void callPrevious(IMP previous, id self, SEL sel, id argument) {
  if (previous) reinterpret_cast<ObjectMethod>(previous)(self, sel, argument);
}

IMP previousReachabilitySupported = nullptr;
IMP previousKeepAliveTimerFired = nullptr;
IMP previousActivated = nullptr;
IMP previousDeactivated = nullptr;
IMP previousDidFinishLaunching = nullptr;

BOOL reachabilitySupported(id, SEL) { return YES; }

void keepAliveTimerFired(id self, SEL sel, id timer) {
  if (vlwEnabled) return;
  callPrevious(previousKeepAliveTimerFired, self, sel, timer);
}

void handleReachabilityModeActivated(id self, SEL sel) {
  callPrevious(previousActivated, self, sel);
  if (!vlwEnabled) return;

  UIView** slot = objc_support::ivarPointer<UIView*>(self, "_reachabilityEffectWindow");
  UIView* window = slot ? *slot : nullptr;
  auto overlay = std::make_shared<VLWView>(window ? window->bounds() : CGRectZero);
  // The previous overlay leaves the window: one overlay per activation would otherwise pile
  // up for as long as the process runs.
  if (auto previous = vlwViewManager.exchange(overlay)) previous->removeFromSuperview();

  overlay->loadUserSettings();
  overlay->updateMusicInformation();
  overlay->layoutMusicUI();
  if (window) window->addSubview(overlay);

  callPrevious(previousActivated, self, sel);
}

void handleReachabilityModeDeactivated(id self, SEL sel) {
  callPrevious(previousDeactivated, self, sel);
  if (!vlwEnabled) return;
  if (auto overlay = vlwViewManager.load()) overlay->removeTheViews();
}

void applicationDidFinishLaunching(id self, SEL sel, id application) {
  callPrevious(previousDidFinishLaunching, self, sel, application);

  if (CFPreferencesCopyAppValue("beta4-HasRun", vlw_settings::kDomain).isNil()) {
    // The alert center keeps the notice while it is on screen.
    auto notice = std::make_shared<UIAlertView>("Velloway", kWelcomeMessage, std::weak_ptr<UIAlertViewDelegate>{}, "Close",
                                                std::vector<std::string>{});
    notice->show();
    CFPreferencesSetAppValue("beta4-HasRun", kCFBooleanTrue, vlw_settings::kDomain);
  }

  if (vlwEnabled)
    NSNotificationCenter::defaultCenter().addObserver(self, sel_registerName("trackDidChange"),
                                                      kMRMediaRemoteNowPlayingInfoDidChangeNotification, nullptr);
}

void trackDidChange(id, SEL) {
  if (auto overlay = vlwViewManager.load()) overlay->updateMusicInformation();
}

}  // namespace

void install() {
  Class reachabilityManager = objc_getClass("SBReachabilityManager");
  MSHookMessageEx(object_getClass(reinterpret_cast<id>(reachabilityManager)), sel_registerName("reachabilitySupported"),
                  reinterpret_cast<IMP>(reachabilitySupported), &previousReachabilitySupported);
  MSHookMessageEx(reachabilityManager, sel_registerName("_keepAliveTimerFired:"), reinterpret_cast<IMP>(keepAliveTimerFired),
                  &previousKeepAliveTimerFired);

  Class workspace = objc_getClass("SBWorkspace");
  MSHookMessageEx(workspace, sel_registerName("handleReachabilityModeActivated"),
                  reinterpret_cast<IMP>(handleReachabilityModeActivated), &previousActivated);
  MSHookMessageEx(workspace, sel_registerName("handleReachabilityModeDeactivated"),
                  reinterpret_cast<IMP>(handleReachabilityModeDeactivated), &previousDeactivated);

  Class springBoard = objc_getClass("SpringBoard");
  MSHookMessageEx(springBoard, sel_registerName("applicationDidFinishLaunching:"),
                  reinterpret_cast<IMP>(applicationDidFinishLaunching), &previousDidFinishLaunching);
  class_addMethod(springBoard, sel_registerName("trackDidChange"), reinterpret_cast<IMP>(trackDidChange), "v@:");
}

}  // namespace vlw_hooks
