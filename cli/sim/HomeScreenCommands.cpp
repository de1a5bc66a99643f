// Simulator commands of the home-screen process: loading the tweak, launching, reachability,
// touches on the overlay and messages sent to it, and taking away what the overlay needs.
// `tap X,Y` is a finger on whatever is on screen, in either process: an alert takes it first.
#include <fmt/format.h>

#include <ostream>

#include "cli/sim/SimExtension.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/foundation/NSObject.hpp"
#include "platform/foundation/NSValueObjects.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "tweak/VLWView.hpp"

namespace {

void expectArgs(const std::vector<std::string>& args, size_t min, size_t max, const char* usage) {
  if (args.size() < min || args.size() > max) throw SimError(fmt::format("usage: {}", usage));
}

void load(SimContext& sim) {
  if (sim.springboard().tweakLoaded()) throw SimError("the tweak is loaded already");
  try {
    sim.springboard().loadTweak(SpringBoardHost::defaultTweakPath());
  } catch (const std::exception& e) {
    throw SimError(e.what());
  }
}

// The point in window coordinates that a TARGET names.
CGPoint targetPoint(SimContext& sim, const std::string& target) {
  if (target == "cover") {
    auto overlay = sim.springboard().currentOverlay();
    if (!overlay || !overlay->smallCoverArt()) throw SimError("there is no overlay with a small cover to touch");
    const auto& cover = overlay->smallCoverArt();
    CGRect bounds = cover->bounds();
    return cover->convertPointToRoot({bounds.midX(), bounds.midY()});
  }
  double x = 0, y = 0;
  if (!parsePoint(target, x, y)) throw SimError(fmt::format("bad target '{}': expected cover or X,Y", target));
  return {x, y};
}

unsigned parseCount(const std::string& word) {
  char* end = nullptr;
  long n = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end || n < 1 || n > 10) throw SimError(fmt::format("bad tap count '{}': expected 1 to 10", word));
  return static_cast<unsigned>(n);
}

// `tap cover` touches the cover itself. A tap at a point is a finger on the screen: the alert
// on screen takes it; else the Settings app when it is what the screen shows (its own process,
// or the simulator while its pane is open); else the reachability window.
void tapScreen(SimContext& sim, const std::string& target, unsigned count) {
  CGPoint p = targetPoint(sim, target);
  if (target == "cover") {
    sim.springboard().reachabilityWindow()->sendTap(p, count);
  } else if (alert_center::takeTap(p, count)) {
    if (sim.settingsHost) sim.settingsHost->displayPass();
  } else if (sim.settingsHost && (!sim.springboardHost || sim.settingsHost->isPaneOpen())) {
    sim.settingsHost->touch(p, count);
  } else {
    sim.springboard().reachabilityWindow()->sendTap(p, count);
  }
}

NSObjectRef sendArgument(SimContext& sim, const std::string& selector, const std::string& word, bool quoted) {
  if (selector == "colorizeForArtwork:") {
    std::string path = sim.resolvePath(word);
    auto bytes = device_fs::readHostFile(path);
    if (!bytes) throw SimError(fmt::format("cannot read image file '{}'", path));
    auto image = UIImage::imageWithData(*bytes);
    if (!image) throw SimError(fmt::format("'{}' is not a PNG or JPEG image", path));
    return image;
  }
  plist::Value value = parseScriptValue(word, quoted);
  if (value.isInteger() || value.isBool()) return NSNumber::numberWithInt(value.integerValue());
  if (value.isReal()) return NSNumber::numberWithDouble(value.doubleValue());
  return NSString::stringWithString(word);
}

// Takes away what the overlay's construction relies on, to see how it copes.
void without(SimContext& sim, const std::string& what) {
  if (what == "window")
    sim.springboard().detachReachabilityWindow();
  else if (what == "media-controls")
    ClassRegistry::withdraw("MPUSystemMediaControlsViewController");
  else
    throw SimError(fmt::format("bad 'without {}': expected window or media-controls", what));
}

const SimCommandRegistration registrations[] = {
    SimCommandRegistration{{"load", "load  (inject the tweak into the home-screen process)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 0, 0, "load");
                              load(sim);
                            },
                            SimHost::HomeScreen, "the home screen loads the tweak as it starts"}},
    SimCommandRegistration{{"launch", "launch  (the home screen finishes launching)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 0, 0, "launch");
                              sim.springboard().finishLaunching();
                            },
                            SimHost::HomeScreen, "the home screen has finished launching as it starts"}},
    SimCommandRegistration{{"boot", "boot  (load, then launch)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 0, 0, "boot");
                              load(sim);
                              sim.springboard().finishLaunching();
                            },
                            SimHost::HomeScreen, "the home screen loads the tweak and finishes launching as it starts"}},
    SimCommandRegistration{{"activate", "activate  (the reachability gesture; ignored when not supported)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 0, 0, "activate");
                              sim.springboard().activateReachability();
                            },
                            SimHost::HomeScreen}},
    SimCommandRegistration{{"deactivate", "deactivate  (reachability ends)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 0, 0, "deactivate");
                              sim.springboard().deactivateReachability();
                            },
                            SimHost::HomeScreen}},
    SimCommandRegistration{{"without",
                            "without window|media-controls  (from now on the workspace's _reachabilityEffectWindow holds "
                            "nothing / the class MPUSystemMediaControlsViewController is not available)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 1, 1, "without window|media-controls");
                              without(sim, args[0]);
                            },
                            SimHost::HomeScreen}},
    SimCommandRegistration{{"keepalive", "keepalive  (the reachability keep-alive timer fires)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 0, 0, "keepalive");
                              sim.springboard().fireKeepAliveTimer();
                            },
                            SimHost::HomeScreen}},
    SimCommandRegistration{{"supported", "supported  (prints YES or NO: is reachability supported?)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 0, 0, "supported");
                              sim.out() << (sim.springboard().reachabilitySupported() ? "YES" : "NO") << '\n';
                            },
                            SimHost::HomeScreen}},
    SimCommandRegistration{{"tap",
                            "tap cover|X,Y [COUNT]  (touch the cover, or the screen at a point, COUNT times: the alert on "
                            "screen, else the Settings app when shown, else the reachability window)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 1, 2, "tap cover|X,Y [COUNT]");
                              tapScreen(sim, args[0], args.size() > 1 ? parseCount(args[1]) : 1);
                            }}},
    SimCommandRegistration{{"swipe", "swipe cover|X,Y up|down  (a one-finger swipe in the reachability window)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 2, 2, "swipe cover|X,Y up|down");
                              CGPoint p = targetPoint(sim, args[0]);
                              if (args[1] != "up" && args[1] != "down")
                                throw SimError(fmt::format("bad direction '{}': expected up or down", args[1]));
                              sim.springboard().reachabilityWindow()->sendSwipe(p, args[1] == "up"
                                                                                       ? UISwipeGestureRecognizerDirectionUp
                                                                                       : UISwipeGestureRecognizerDirectionDown);
                            },
                            SimHost::HomeScreen}},
    SimCommandRegistration{{"send", "send SELECTOR [ARG]  (send one of VLWView's messages to the current overlay)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 1, 2, "send SELECTOR [ARG]");
                              auto overlay = sim.springboard().currentOverlay();
                              if (!overlay) throw SimError("there is no current overlay");
                              if (!overlay->respondsToSelector(args[0]))
                                throw SimError(fmt::format("VLWView does not respond to {}", args[0]));
                              NSObjectRef argument =
                                  args.size() > 1 ? sendArgument(sim, args[0], args[1], sim.argumentQuoted(1)) : nullptr;
                              overlay->performSelector(args[0], argument);
                            },
                            SimHost::HomeScreen}},
};

}  // namespace
