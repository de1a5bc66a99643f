#include "cli/sim/HomeScreenOptions.hpp"

#include <fmt/format.h>

#include <cmath>
#include <iostream>

#include "cli/sim/SimSession.hpp"
#include "platform/device/DeviceProfile.hpp"

void HomeScreenOptions::addTo(CLI::App& app) {
  app.add_option("--screen", screen, "Screen size in points, WIDTHxHEIGHT (default 375x667)");
  app.add_option("--window", window,
                 "Reachability window size in points, WIDTHxHEIGHT (default: the screen's width x 45% of its height)");
  app.add_option("--reachability-supported", reachabilitySupported,
                 "Whether the home screen itself supports reachability (default no)")
      ->check(CLI::IsMember({"yes", "no"}));
}

bool HomeScreenOptions::apply(const std::string& command) const {
  DeviceProfile& profile = deviceProfile();
  if (!screen.empty() && !parseSize(screen, profile.screen.width, profile.screen.height)) {
    std::cerr << fmt::format("{}: bad --screen '{}': expected WIDTHxHEIGHT in points\n", command, screen);
    return false;
  }
  if (!window.empty()) {
    if (!parseSize(window, profile.reachabilityWindow.width, profile.reachabilityWindow.height)) {
      std::cerr << fmt::format("{}: bad --window '{}': expected WIDTHxHEIGHT in points\n", command, window);
      return false;
    }
  } else {
    profile.reachabilityWindow = {profile.screen.width, std::round(profile.screen.height * 0.45)};
  }
  if (!reachabilitySupported.empty()) profile.reachabilitySupported = reachabilitySupported == "yes";
  return true;
}
