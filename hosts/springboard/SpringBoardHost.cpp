#include "hosts/springboard/SpringBoardHost.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>

#include "platform/device/DeviceProfile.hpp"
#include "platform/foundation/NSNotificationCenter.hpp"
#include "platform/fs/ProgramFiles.hpp"
#include "platform/mediaremote/MediaRemote.hpp"
#include "platform/process/ProcessState.hpp"
#include "platform/uikit/UILabel.hpp"

namespace {

// The home screen's own state, reached by its method implementations.
struct HomeScreenState {
  SpringBoardHost* host = nullptr;
  bool active = false;
  bool launched = false;
  SpringBoardHost::Counts counts;
  std::vector<SpringBoardHost::WindowTop> windowTops;
  // The views on top at the runs of the activation under way, told apart once it has ended.
  std::vector<std::optional<std::weak_ptr<UIView>>> topsThisActivation;
};

HomeScreenState& state() {
  // The host, while there is one, is its own: a reset starts the rest again.
  static HomeScreenState* s = process_state::make<HomeScreenState>("home screen", [](HomeScreenState& home) {
    SpringBoardHost* host = home.host;
    home = HomeScreenState{};
    home.host = host;
  });
  return *s;
}

BOOL stockReachabilitySupported(id, SEL) { return deviceProfile().reachabilitySupported ? YES : NO; }

void stockKeepAliveTimerFired(id, SEL, id) {
  ++state().counts.keepAlive;
  // The keep-alive timer running out ends reachability, through the workspace.
  if (state().host) objc_support::send(state().host->workspace(), "handleReachabilityModeDeactivated");
}

UIWindow* windowOf(id workspace) {
  UIWindow** slot = objc_support::ivarPointer<UIWindow*>(workspace, "_reachabilityEffectWindow");
  return slot ? *slot : nullptr;
}

void stockActivated(id self, SEL) {
  ++state().counts.activated;
  state().active = true;
  UIWindow* window = windowOf(self);
  const UIWindow* shown = window ? window : (state().host ? state().host->reachabilityWindow().get() : nullptr);
  if (shown && !shown->subviews().empty())
    state().topsThisActivation.emplace_back(shown->subviews().back());
  else
    state().topsThisActivation.emplace_back(std::nullopt);
  if (window) window->setHidden(false);
}

void stockDeactivated(id self, SEL) {
  ++state().counts.deactivated;
  state().active = false;
  if (UIWindow* window = windowOf(self)) window->setHidden(true);
}

void stockDidFinishLaunching(id, SEL, id) {
  ++state().counts.launch;
  state().launched = true;
}

template <class F>
IMP imp(F f) {
  return reinterpret_cast<IMP>(f);
}

void defineHomeScreenClasses() {
  Class manager = objc_support::defineClass("SBReachabilityManager", nullptr);
  class_addMethod(object_getClass(reinterpret_cast<id>(manager)), sel_registerName("reachabilitySupported"),
                  imp(stockReachabilitySupported), "c@:");
  class_addMethod(manager, sel_registerName("_keepAliveTimerFired:"), imp(stockKeepAliveTimerFired), "v@:@");

  Class workspace = objc_support::defineClass(
      "SBWorkspace", nullptr, [](Class cls) { class_addIvar(cls, "_reachabilityEffectWindow", sizeof(void*), 3, "@"); });
  class_addMethod(workspace, sel_registerName("handleReachabilityModeActivated"), imp(stockActivated), "v@:");
  class_addMethod(workspace, sel_registerName("handleReachabilityModeDeactivated"), imp(stockDeactivated), "v@:");

  // SpringBoard is the home screen's application class; UIApplication is its stock base.
  Class application = objc_support::defineClass("UIApplication", nullptr);
  Class springBoard = objc_support::defineClass("SpringBoard", application);
  class_addMethod(springBoard, sel_registerName("applicationDidFinishLaunching:"), imp(stockDidFinishLaunching), "v@:@");
}

// A plain home screen: a grid of app icons on a wallpaper, for pictures of the lowered
// screen.
UIWindowRef makeHomeScreen() {
  CGSize screen = deviceProfile().screen;
  auto window = std::make_shared<UIWindow>(CGRect{{0, 0}, screen});
  window->setBackgroundColor(UIColor::colorWithRed(0.16, 0.32, 0.52, 1));
  static const char* names[] = {"Messages", "Calendar",  "Photos", "Camera", "Weather", "Clock",    "Maps",  "Videos",
                                "Notes",    "Reminders", "Stocks", "Music",  "Mail",    "Settings", "Phone", "Safari"};
  const double icon = 60, gapX = (screen.width - 4 * icon) / 5, top = 28;
  for (int i = 0; i < 16; ++i) {
    int row = i / 4, col = i % 4;
    double x = gapX + col * (icon + gapX), y = top + row * (icon + 30);
    if (i >= 12) y = screen.height - icon - 24;  // the dock
    auto tile = std::make_shared<UIView>(CGRectMake(x, y, icon, icon));
    double hue = (i * 0.137) - static_cast<int>(i * 0.137);
    tile->setBackgroundColor(UIColor::colorWithHue(hue, 0.55, 0.9, 1));
    tile->layer()->cornerRadius = 13;
    tile->layer()->masksToBounds = true;
    window->addSubview(tile);
    auto label = std::make_shared<UILabel>(CGRectMake(x - 10, y + icon + 3, icon + 20, 14));
    label->setText(names[i]);
    label->setFont(UIFont::systemFontOfSize(11));
    label->setTextColor(UIColor::whiteColor());
    label->setTextAlignment(NSTextAlignmentCenter);
    if (i < 12) window->addSubview(label);
  }
  window->setHidden(false);
  return window;
}

}  // namespace

SpringBoardHost::SpringBoardHost() {
  if (state().host) throw std::logic_error("one home-screen host per process");
  state() = HomeScreenState{};
  state().host = this;
  defineHomeScreenClasses();
  manager_ = objc_support::createInstance(objc_getClass("SBReachabilityManager"));
  workspace_ = objc_support::createInstance(objc_getClass("SBWorkspace"));
  application_ = objc_support::createInstance(objc_getClass("SpringBoard"));

  const DeviceProfile& profile = deviceProfile();
  reachabilityWindow_ = std::make_shared<UIWindow>(CGRect{{0, 0}, profile.reachabilityWindow});
  reachabilityWindow_->windowLevel = 1;
  *objc_support::ivarPointer<UIWindow*>(workspace_, "_reachabilityEffectWindow") = reachabilityWindow_.get();
  homeScreenWindow_ = makeHomeScreen();
}

SpringBoardHost::~SpringBoardHost() {
  if (workspace_) *objc_support::ivarPointer<UIWindow*>(workspace_, "_reachabilityEffectWindow") = nullptr;
  state().host = nullptr;
}

std::filesystem::path SpringBoardHost::defaultTweakPath() {
  const void* here = reinterpret_cast<const void*>(&SpringBoardHost::defaultTweakPath);
  if (auto folder = program_files::findBesideLibraries(here, "Velloway.so")) return *folder / "Velloway.so";
  std::error_code ec;  // none found: the build tree's place, for dlopen's error to name
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return exe.parent_path().parent_path() / "lib" / "Velloway.so";
}

void SpringBoardHost::loadTweak(const std::filesystem::path& library) {
  if (tweak_) throw std::runtime_error("the tweak is loaded already");
  void* handle;
  {
    process_state::LoadingCode loading;  // its initialisers register what it keeps for good
    handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (!handle) throw std::runtime_error(std::string("cannot load the tweak: ") + dlerror());
  tweak_ = handle;  // never closed: hooks and globals live as long as the process
}

void* SpringBoardHost::tweakSymbol(const char* name) const { return tweak_ ? dlsym(tweak_, name) : nullptr; }

void SpringBoardHost::finishLaunching() {
  objc_support::send<void, id>(application_, "applicationDidFinishLaunching:", application_);
}

bool SpringBoardHost::reachabilitySupported() const {
  return objc_support::send<BOOL>(reinterpret_cast<id>(objc_getClass("SBReachabilityManager")), "reachabilitySupported");
}

bool SpringBoardHost::activateReachability() {
  if (!reachabilitySupported()) return false;
  auto before = currentOverlay();
  state().topsThisActivation.clear();
  objc_support::send(workspace_, "handleReachabilityModeActivated");
  auto made = currentOverlay();
  for (const auto& top : state().topsThisActivation) {
    if (!top)
      state().windowTops.push_back(WindowTop::Nothing);
    else if (made && made != before && !top->owner_before(made) && !made.owner_before(*top))  // the same object
      state().windowTops.push_back(WindowTop::NewOverlay);
    else
      state().windowTops.push_back(WindowTop::Earlier);
  }
  state().topsThisActivation.clear();
  return true;
}

void SpringBoardHost::deactivateReachability() { objc_support::send(workspace_, "handleReachabilityModeDeactivated"); }

void SpringBoardHost::fireKeepAliveTimer() { objc_support::send<void, id>(manager_, "_keepAliveTimerFired:", nullptr); }

bool SpringBoardHost::reachabilityActive() const { return state().active; }

SpringBoardHost::Counts SpringBoardHost::counts() const { return state().counts; }

std::vector<SpringBoardHost::WindowTop> SpringBoardHost::windowTopsAtActivation() const { return state().windowTops; }

void SpringBoardHost::detachReachabilityWindow() {
  *objc_support::ivarPointer<UIWindow*>(workspace_, "_reachabilityEffectWindow") = nullptr;
}

size_t SpringBoardHost::nowPlayingObservers() const {
  return NSNotificationCenter::defaultCenter().selectorObserverCount(kMRMediaRemoteNowPlayingInfoDidChangeNotification);
}

std::shared_ptr<VLWView> SpringBoardHost::currentOverlay() const {
  auto* global = static_cast<std::atomic<std::shared_ptr<VLWView>>*>(tweakSymbol("vlwViewManager"));
  return global ? global->load() : nullptr;
}
