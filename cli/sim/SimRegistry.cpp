#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "cli/sim/SimExtension.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"

#include <fmt/format.h>

SimRegistry& simRegistry() {
  static SimRegistry registry;
  return registry;
}

std::string SimContext::resolvePath(const std::string& name) const {
  std::filesystem::path p(name);
  std::string path =
      p.is_absolute() || scriptDirectory.empty() ? p.string() : (std::filesystem::path(scriptDirectory) / p).string();
  resolvedPaths.emplace_back(name, path);
  return path;
}

SpringBoardHost* SimContext::findSpringboard() const {
  for (InputHost* host : hosts)
    if (auto* springboard = dynamic_cast<SpringBoardHost*>(host)) return springboard;
  return nullptr;
}

SettingsHost* SimContext::findSettings() const {
  for (InputHost* host : hosts)
    if (auto* settings = dynamic_cast<SettingsHost*>(host)) return settings;
  return nullptr;
}

SpringBoardHost& SimContext::springboard() {
  auto* host = findSpringboard();
  if (!host) throw SimError("this is the Settings app's process; the home screen runs in another (velloway ctl springboard ...)");
  return *host;
}

SettingsHost& SimContext::settings() {
  auto* host = findSettings();
  if (!host) throw SimError("this is the home screen's process; the Settings app runs in another (velloway ctl settings ...)");
  return *host;
}

InputHost& SimContext::front() {
  SettingsHost* settingsApp = findSettings();
  SpringBoardHost* homeScreen = findSpringboard();
  if (settingsApp && (!homeScreen || settingsApp->isPaneOpen())) return *settingsApp;
  if (homeScreen) return *homeScreen;
  throw SimError("this process has no screen");
}

void addSimOptions(CLI::App& app, SimHost host) {
  for (auto& [owner, add] : simRegistry().options)
    if (host == SimHost::Any || owner == SimHost::Any || owner == host) add(app);
}

plist::Value parseScriptValue(const std::string& word, bool quoted) {
  if (quoted) return plist::Value(word);
  if (word == "true") return plist::Value(true);
  if (word == "false") return plist::Value(false);
  if (!word.empty()) {
    char* end = nullptr;
    errno = 0;
    long long i = std::strtoll(word.c_str(), &end, 10);
    if (*end == '\0' && errno == 0) return plist::Value(static_cast<int64_t>(i));
    double d = std::strtod(word.c_str(), &end);
    if (*end == '\0' && std::isfinite(d)) return plist::Value(d);
  }
  return plist::Value(word);
}

bool parsePoint(const std::string& word, double& x, double& y) {
  auto comma = word.find(',');
  if (comma == std::string::npos) return false;
  std::string xs = word.substr(0, comma), ys = word.substr(comma + 1);
  char* end = nullptr;
  x = std::strtod(xs.c_str(), &end);
  if (xs.empty() || *end) return false;
  y = std::strtod(ys.c_str(), &end);
  if (ys.empty() || *end) return false;
  return std::isfinite(x) && std::isfinite(y);
}
