// Simulator commands of the home-screen process: loading the tweak, launching, reachability,
// messages sent to the overlay, and taking away what the overlay needs.
#include <fmt/format.h>

#include <ostream>

#include "cli/sim/SimExtension.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/foundation/NSValueObjects.hpp"
#include "platform/foundation/ReflectiveObject.hpp"
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

ReflectiveObjectRef sendArgument(SimContext& sim, const std::string& selector, const std::string& word, bool quoted) {
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
    SimCommandRegistration{{"send", "send SELECTOR [ARG]  (send one of VLWView's messages to the current overlay)",
                            [](SimContext& sim, const auto& args) {
                              expectArgs(args, 1, 2, "send SELECTOR [ARG]");
                              auto overlay = sim.springboard().currentOverlay();
                              if (!overlay) throw SimError("there is no current overlay");
                              if (!overlay->respondsToSelector(args[0]))
                                throw SimError(fmt::format("VLWView does not respond to {}", args[0]));
                              ReflectiveObjectRef argument =
                                  args.size() > 1 ? sendArgument(sim, args[0], args[1], sim.argumentQuoted(1)) : nullptr;
                              overlay->performSelector(args[0], argument);
                            },
                            SimHost::HomeScreen}},
};

}  // namespace
