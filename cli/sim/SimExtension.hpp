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

#include "platform/plist/PropertyList.hpp"

class SpringBoardHost;
class VLWView;

// A script line that cannot be carried out. The runner prefixes "FILE:LINE: ".
class SimError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SettingsHost;
class InputHost;

// Which process a command, a dump field or an option belongs to. The simulator runs both in
// one; a live process is one of them.
enum class SimHost { Any, HomeScreen, Settings };

// The running simulation (or live process), handed to every command.
struct SimContext {
  // The hosts of the process, each driven through its input interface: in the simulator both
  // the home screen and the Settings app, in a live process the one it runs.
  std::vector<InputHost*> hosts;
  std::ostream* output = nullptr;  // what commands print (dump, supported, ...)
  std::string scriptDirectory;     // relative file names are read from here
  bool live = false;               // a live process: real time, lines arrive from ctl
  std::vector<bool> quoted;        // which arguments of the line being run were quoted
  // How `advance` lets time pass; null: the clock moves on at once. A video stops at each frame.
  std::function<void(double seconds)> passTime;

  // The hosts by kind; null when the process has none of that kind.
  SpringBoardHost* findSpringboard() const;
  SettingsHost* findSettings() const;
  // The same, for the commands of one process: a command of the other process throws SimError.
  SpringBoardHost& springboard();
  SettingsHost& settings();
  // The host whose screen is in front, which takes touches at a point: the Settings app while
  // it shows (its own process, or the simulator while its pane is open), else the home screen.
  InputHost& front();
  std::ostream& out() { return *output; }
  // Whether argument `index` of the line being run was written in double quotes.
  bool argumentQuoted(size_t index) const { return index < quoted.size() && quoted[index]; }
  // A script file name as a host path (relative to the script's folder). Each is noted in
  // resolvedPaths (name, path) for the line being run.
  std::string resolvePath(const std::string& name) const;
  mutable std::vector<std::pair<std::string, std::string>> resolvedPaths;

  // Overlays seen so far: the runner notes each new current overlay after every command.
  int overlaysMade = 0;
  std::weak_ptr<VLWView> lastOverlay;
};

struct SimCommand {
  std::string name;   // the first word of the line
  std::string usage;  // one line for --help, e.g. "tap TARGET [COUNT]"
  std::function<void(SimContext&, const std::vector<std::string>& args)> run;
  SimHost host = SimHost::Any;
  std::string notLive = {};  // why the command has no meaning in a live process; empty when it has one
};

struct SimDumpField {
  std::string name;
  std::function<nlohmann::json(SimContext&)> make;
  SimHost host = SimHost::Any;
};

struct SimRegistry {
  std::vector<SimCommand> commands;
  std::vector<SimDumpField> dumpFields;
  // Device options, by the process that reads them.
  std::vector<std::pair<SimHost, std::function<void(CLI::App&)>>> options;
  // Tried in order by `prefs set` before it writes the settings file itself; one that
  // answers true has stored the value (and posted what it posts).
  std::vector<std::function<bool(SimContext&, const std::string& key, const plist::Value& value)>> prefsSetters;
  // Apps in front of the home screen (the Settings app while open): the first that answers
  // a view is what the screen shows.
  std::vector<std::function<std::shared_ptr<class UIView>(SimContext&)>> foregroundScreens;
};

SimRegistry& simRegistry();

struct SimCommandRegistration {
  explicit SimCommandRegistration(SimCommand c) { simRegistry().commands.push_back(std::move(c)); }
};
struct SimDumpFieldRegistration {
  SimDumpFieldRegistration(std::string name, std::function<nlohmann::json(SimContext&)> f, SimHost host = SimHost::Any) {
    simRegistry().dumpFields.push_back({std::move(name), std::move(f), host});
  }
};
struct SimOptionsRegistration {
  SimOptionsRegistration(SimHost host, std::function<void(CLI::App&)> f) {
    simRegistry().options.emplace_back(host, std::move(f));
  }
};
// Adds the device options of that process (Any: of both) to a command line.
void addSimOptions(CLI::App& app, SimHost host);
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

// A script value: true, false, an integer, a real, or a string (a quoted word is always a
// string).
plist::Value parseScriptValue(const std::string& word, bool quoted = false);
// "X,Y" in points.
bool parsePoint(const std::string& word, double& x, double& y);
