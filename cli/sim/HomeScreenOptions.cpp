#include "cli/sim/HomeScreenOptions.hpp"

#include <fmt/format.h>

#include <cmath>
#include <iostream>
#include <optional>

#include "cli/sim/SizeText.hpp"
#include "platform/device/DeviceProfile.hpp"

void HomeScreenOptions::addTo(CLI::App& app) {
  app.add_option("--screen", screen, "Screen size in points, WIDTHxHEIGHT (default 375x667)");
  app.add_option("--window", window,
                 "Reachability window size in points, WIDTHxHEIGHT (default: the screen's width x 45% of its height)");
  app.add_option("--reachability-supported", reachabilitySupported,
                 "Whether the home screen itself supports reachability (default no)")
      ->check(CLI::IsMember({"yes", "no"}));
}

namespace {

// A screen or window size, at most 10000 points a side.
std::optional<CGSize> deviceSize(const std::string& text) {
  std::optional<CGSize> size = parseSize(text);
  if (size && (size->width > 10000 || size->height > 10000)) return std::nullopt;
  return size;
}

}  // namespace

bool HomeScreenOptions::apply(const std::string& command) const {
  DeviceProfile& profile = deviceProfile();
  if (!screen.empty()) {
    std::optional<CGSize> size = deviceSize(screen);
    if (!size) {
      std::cerr << fmt::format("{}: bad --screen '{}': expected WIDTHxHEIGHT in points\n", command, screen);
      return false;
    }
    profile.screen = *size;
  }
  if (!window.empty()) {
    std::optional<CGSize> size = deviceSize(window);
    if (!size) {
      std::cerr << fmt::format("{}: bad --window '{}': expected WIDTHxHEIGHT in points\n", command, window);
      return false;
    }
    profile.reachabilityWindow = *size;
  } else {
    profile.reachabilityWindow = {profile.screen.width, std::round(profile.screen.height * 0.45)};
  }
  if (!reachabilitySupported.empty()) profile.reachabilitySupported = reachabilitySupported == "yes";
  return true;
}
