// The home screen's device options (screen, reachability window, whether the home screen
// itself supports reachability), shared by `velloway sim` and `velloway springboard`.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

struct HomeScreenOptions {
  std::string screen;
  std::string window;
  std::string reachabilitySupported;

  void addTo(CLI::App& app);
  // Sets the device profile; a bad value prints "COMMAND: bad ..." and answers false.
  bool apply(const std::string& command) const;
};
