// One run of the simulated phone: the device root and profile are set, the home-screen host
// is up, and script lines are carried out one at a time.
#pragma once

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/sim/SimExtension.hpp"

class SpringBoardHost;

class SimSession {
 public:
  // The device root must be chosen (device_fs::useRoot) and the profile set before.
  SimSession(std::ostream& out, std::string scriptDirectory);
  ~SimSession();

  // Carries out one line (its words, first the command). Throws SimError.
  void run(const std::vector<std::string>& words, const std::vector<bool>& quoted = {});
  nlohmann::json dump();
  SimContext& context() { return *context_; }
  SpringBoardHost& springboard() { return *springboard_; }

  static std::string usage();  // every command's usage line

 private:
  std::unique_ptr<SpringBoardHost> springboard_;
  std::unique_ptr<SimContext> context_;
};

// Parses "WxH" into a size; false when malformed or not positive.
bool parseSize(const std::string& text, double& width, double& height);

// Makes a fresh folder for a device root under the system's temporary folder.
std::filesystem::path makeTemporaryRoot();

// Prints the system log to stderr the way the hosts do: "velloway[pid] line".
void printSystemLogToStderr();
