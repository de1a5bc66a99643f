// How parts of the simulator plug in: each file under cli/sim registers its commands, its
// device-profile options and its fields of `dump` with static registrations, so the script
// runner stays one small loop.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/foundation/PropertyList.hpp"

class SpringBoardHost;
class VLWView;

// A script line that cannot be carried out. The runner prefixes "FILE:LINE: ".
class SimError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The running simulation, handed to every command.
struct SimContext {
  SpringBoardHost& springboard;
  std::ostream& out;           // what commands print (dump, supported, ...)
  std::string scriptDirectory;  // relative file names in the script are read from here
  // A script file name as a host path (relative to the script's folder).
  std::string resolvePath(const std::string& name) const;

  // Overlays seen so far: the runner notes each new current overlay after every command.
  int overlaysMade = 0;
  std::weak_ptr<VLWView> lastOverlay;
};

struct SimCommand {
  std::string name;   // the first word of the line
  std::string usage;  // one line for --help, e.g. "tap TARGET [COUNT]"
  std::function<void(SimContext&, const std::vector<std::string>& args)> run;
};

struct SimRegistry {
  std::vector<SimCommand> commands;
  std::vector<std::pair<std::string, std::function<nlohmann::json(SimContext&)>>> dumpFields;
  std::vector<std::function<void(CLI::App&)>> options;
  // Tried in order by `prefs set` before it writes the settings file itself; one that
  // answers true has stored the value (and posted what it posts).
  std::vector<std::function<bool(SimContext&, const std::string& key, const plist::Value& value)>> prefsSetters;
  // Run once per simulation after the device root and profile are set, before the script.
  std::vector<std::function<void(SimContext&)>> starters;
  // Apps in front of the home screen (the Settings app while open): the first that answers
  // a view is what the screen shows.
  std::vector<std::function<std::shared_ptr<class UIView>(SimContext&)>> foregroundScreens;
};

SimRegistry& simRegistry();

struct SimCommandRegistration {
  explicit SimCommandRegistration(SimCommand c) { simRegistry().commands.push_back(std::move(c)); }
};
struct SimDumpFieldRegistration {
  SimDumpFieldRegistration(std::string name, std::function<nlohmann::json(SimContext&)> f) {
    simRegistry().dumpFields.emplace_back(std::move(name), std::move(f));
  }
};
struct SimOptionsRegistration {
  explicit SimOptionsRegistration(std::function<void(CLI::App&)> f) { simRegistry().options.push_back(std::move(f)); }
};
struct SimPrefsSetterRegistration {
  explicit SimPrefsSetterRegistration(std::function<bool(SimContext&, const std::string&, const plist::Value&)> f) {
    simRegistry().prefsSetters.push_back(std::move(f));
  }
};
struct SimForegroundScreenRegistration {
  explicit SimForegroundScreenRegistration(std::function<std::shared_ptr<class UIView>(SimContext&)> f) {
    simRegistry().foregroundScreens.push_back(std::move(f));
  }
};
struct SimStarterRegistration {
  explicit SimStarterRegistration(std::function<void(SimContext&)> f) { simRegistry().starters.push_back(std::move(f)); }
};

// Whether argument `index` of the line being run was written in double quotes.
bool simArgumentQuoted(size_t index);
void setSimArgumentsQuoted(std::vector<bool> quoted);

// A script value: true, false, an integer, a real, or a string (a quoted word is always a
// string).
plist::Value parseScriptValue(const std::string& word, bool quoted = false);
// "X,Y" in points.
bool parsePoint(const std::string& word, double& x, double& y);
