// One run of the command language: the device root and profile are set, the hosts of the
// process are up (in the simulator both the home screen and the Settings app, in a live
// process one of them), and lines are carried out one at a time.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/sim/SimExtension.hpp"

class SpringBoardHost;
class SettingsHost;

class SimSession {
 public:
  // The device root must be chosen (device_fs::useRoot) and the profile set before. `hosts`:
  // Any for the simulated phone (both processes in one), else the one live process.
  SimSession(std::ostream& out, std::string scriptDirectory, SimHost hosts = SimHost::Any, bool live = false);
  ~SimSession();

  // Carries out one line (its words, first the command). Throws SimError.
  void run(const std::vector<std::string>& words, const std::vector<bool>& quoted = {});
  // Carries out one line of text (blank and comment lines do nothing), printing to `out`: a
  // line from ctl, or from the process's window (input). File names in it are read from
  // `directory`.
  void runLine(const std::string& line, std::ostream& out, const std::string& directory);
  void input(const std::string& line);
  // Gets every line carried out by runLine or input once it has succeeded, except `dump`: the
  // inputs of the process, for a recording of it. File names in the line are absolute.
  void onLineDone(std::function<void(const std::string& line)> recorder) { recorder_ = std::move(recorder); }
  // The whole state, or only the named top-level fields (each computed only when named).
  // Throws SimError for a field this process does not have.
  nlohmann::json dump();
  nlohmann::json dump(const std::vector<std::string>& fields);
  SimContext& context() { return context_; }

  static std::string usage(SimHost hosts = SimHost::Any);  // every command's usage line

 private:
  void makeHosts(SimHost hosts);
  // `device OPTION...`: the device options, before anything else has run.
  void setDeviceOptions(const std::vector<std::string>& args);
  std::string recordedLine(const std::string& line, const std::vector<std::string>& words, const std::vector<bool>& quoted) const;

  SimHost kinds_;
  bool started_ = false;  // a command other than `device` has run
  std::function<void(const std::string&)> recorder_;
  std::unique_ptr<SpringBoardHost> springboard_;
  std::unique_ptr<SettingsHost> settings_;
  SimContext context_;
};

// The device options that a process of that kind reads, as they stand now, as a `device` line
// of the command language.
std::string deviceOptionsLine(SimHost hosts);

// Makes a fresh folder for a device root under the system's temporary folder.
std::filesystem::path makeTemporaryRoot();

// Prints the system log to stderr the way the hosts do: each line after the process's sender
// ("velloway[pid] line"; in a live process "velloway springboard[pid] line").
void printSystemLogToStderr();
