// The simulated home-screen process: its classes SBReachabilityManager, SBWorkspace (with
// the reachability window in _reachabilityEffectWindow) and SpringBoard, built in the
// object runtime with their stock behaviour, the home screen and the reachability window,
// and the loading of the tweak with dlopen. It counts every run of its own implementations
// and notes what the reachability window showed at each activation.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "hosts/input/InputHost.hpp"
#include "platform/objc/ObjCRuntime.hpp"
#include "platform/uikit/UIWindow.hpp"

class VLWView;

class SpringBoardHost : public InputHost {
 public:
  // Builds the classes (once per process) and the process's objects. One host per process.
  SpringBoardHost();
  ~SpringBoardHost();

  // dlopen the tweak: its load-time initialisers run, in their declared order.
  void loadTweak(const std::filesystem::path& library);
  bool tweakLoaded() const { return tweak_ != nullptr; }
  // The tweak beside this program's libraries (../lib/Velloway.so in a build tree, in the
  // installed library folder otherwise).
  static std::filesystem::path defaultTweakPath();

  // The home screen finishes launching: applicationDidFinishLaunching: on the application.
  void finishLaunching();
  // The user's reachability gesture: honoured only when the reachability manager says the
  // mode is supported.
  bool activateReachability();
  void deactivateReachability();
  // The reachability manager's keep-alive timer fires.
  void fireKeepAliveTimer();
  bool reachabilitySupported() const;

  bool reachabilityActive() const;
  const UIWindowRef& reachabilityWindow() const { return reachabilityWindow_; }
  const UIWindowRef& homeScreenWindow() const { return homeScreenWindow_; }

  struct Counts {
    int activated = 0, deactivated = 0, keepAlive = 0, launch = 0;
  };
  Counts counts() const;
  // For each run of the home screen's own activation implementation, what was then on top of
  // the reachability window: nothing, the overlay that this activation made (the tweak had
  // added it by then), or an earlier view.
  enum class WindowTop { Nothing, NewOverlay, Earlier };
  std::vector<WindowTop> windowTopsAtActivation() const;

  // From now on the workspace's _reachabilityEffectWindow holds nothing, as on a home screen
  // that has made no reachability window: the window stays, the workspace no longer names it.
  void detachReachabilityWindow();
  size_t nowPlayingObservers() const;

  // The tweak's exported current overlay, or null before it is loaded or before any
  // activation while enabled.
  std::shared_ptr<VLWView> currentOverlay() const;
  // A symbol exported by the tweak, or null.
  void* tweakSymbol(const char* name) const;

  // Touches go to the reachability window while it is shown; nothing takes them otherwise.
  UIWindowRef window() const override;
  nlohmann::json describe() const override { return reachabilityWindow_->describeTree(); }
  // A tap or swipe on the overlay's small cover itself, whatever is over it (taken by a
  // recognizer or not); false when there is no cover.
  bool tapCover(unsigned count);
  bool swipeCover(unsigned direction);

  id workspace() const { return workspace_; }
  id reachabilityManager() const { return manager_; }
  id application() const { return application_; }

 protected:
  // In the reachability window; a single tap on the lowered home screen under it ends
  // reachability, as the home screen does.
  bool touchScreen(CGPoint point, unsigned count) override;
  bool swipeScreen(CGPoint point, unsigned direction) override;
  // A tap on the small cover is `tap cover`.
  std::optional<std::string> nameTap(CGPoint point, unsigned count) const override;

 private:
  std::optional<CGPoint> coverCentre() const;

  void* tweak_ = nullptr;
  id workspace_ = nullptr;
  id manager_ = nullptr;
  id application_ = nullptr;
  UIWindowRef reachabilityWindow_;
  UIWindowRef homeScreenWindow_;
};
