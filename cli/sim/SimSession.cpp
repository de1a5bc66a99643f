#include "cli/sim/SimSession.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/sim/CommandObserver.hpp"
#include "cli/sim/HomeScreenOptions.hpp"
#include "cli/sim/ScriptParser.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "platform/text/Fonts.hpp"
#include "tweak/VLWView.hpp"

namespace {

bool servedBy(SimHost owner, const SimContext& context) {
  return owner == SimHost::Any || (owner == SimHost::HomeScreen && context.findSpringboard()) ||
         (owner == SimHost::Settings && context.findSettings());
}

}  // namespace

SimSession::SimSession(std::ostream& out, std::string scriptDirectory, SimHost hosts, bool live) : kinds_(hosts) {
  configureFonts();
  context_.output = &out;
  context_.scriptDirectory = std::move(scriptDirectory);
  context_.live = live;
  makeHosts(hosts);
}

SimSession::~SimSession() {
  if (springboard_ && !context_.live) observeMediaCommands(nullptr);
}

void SimSession::makeHosts(SimHost hosts) {
  if (springboard_ && !context_.live) observeMediaCommands(nullptr);
  context_.hosts.clear();
  springboard_.reset();
  settings_.reset();
  if (hosts != SimHost::Settings) springboard_ = std::make_unique<SpringBoardHost>();
  if (hosts != SimHost::HomeScreen) settings_ = std::make_unique<SettingsHost>();
  if (springboard_) context_.hosts.push_back(springboard_.get());
  if (settings_) context_.hosts.push_back(settings_.get());
  if (springboard_ && !context_.live) observeMediaCommands(&context_);
}

void SimSession::setDeviceOptions(const std::vector<std::string>& args) {
  if (context_.live) throw SimError("'device' has no meaning in a live process: its device options are on its command line");
  if (started_) throw SimError("'device' comes before every other command: the hosts read the device as they start");
  CLI::App app{"device"};
  app.name("device");
  HomeScreenOptions homeScreen;
  homeScreen.addTo(app);
  addSimOptions(app, SimHost::Any);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    throw SimError(fmt::format("device: {}", e.what()));
  }
  std::ostringstream problem;
  std::streambuf* previous = std::cerr.rdbuf(problem.rdbuf());
  bool applied = homeScreen.apply("device");
  std::cerr.rdbuf(previous);
  if (!applied) throw SimError(problem.str().substr(0, problem.str().find_last_not_of('\n') + 1));
  makeHosts(kinds_);  // made again, on the new device
}

void SimSession::runLine(const std::string& line, std::ostream& out, const std::string& directory) {
  auto words = splitScriptLine(line);
  if (!words) return;
  std::ostream* previousOut = context_.output;
  std::string previousDirectory = context_.scriptDirectory;
  context_.output = &out;
  context_.scriptDirectory = directory;
  context_.resolvedPaths.clear();
  try {
    run(words->words, words->quoted);
  } catch (...) {
    context_.output = previousOut;
    context_.scriptDirectory = previousDirectory;
    throw;
  }
  context_.output = previousOut;
  context_.scriptDirectory = previousDirectory;
  if (recorder_ && words->words[0] != "dump") recorder_(recordedLine(line, words->words, words->quoted));
}

void SimSession::input(const std::string& line) {
  std::ostringstream ignored;  // inputs print nothing
  runLine(line, ignored, context_.scriptDirectory);
}

// The line as given, unless it named files relative to its folder: then its words again, with
// those names absolute, so that the recording reads the same files wherever it is replayed.
std::string SimSession::recordedLine(const std::string& line, const std::vector<std::string>& words,
                                     const std::vector<bool>& quoted) const {
  bool relative = false;
  for (const auto& [name, path] : context_.resolvedPaths) relative |= name != path;
  if (!relative) return line;
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    std::string word = words[i];
    for (const auto& [name, path] : context_.resolvedPaths) {
      if (name == path || word.size() < name.size() || word.compare(word.size() - name.size(), name.size(), name) != 0) continue;
      size_t at = word.size() - name.size();
      if (at == 0 || word[at - 1] == '=') word = word.substr(0, at) + path;
    }
    bool wasQuoted = i < quoted.size() && quoted[i];
    out += (i ? " " : "") + scriptWord(word, wasQuoted);
  }
  return out;
}

void SimSession::run(const std::vector<std::string>& words, const std::vector<bool>& quoted) {
  if (words.empty()) return;
  const std::string& name = words[0];
  if (name == "device") return setDeviceOptions(std::vector<std::string>(words.begin() + 1, words.end()));
  if (name != "dump") started_ = true;
  for (const auto& command : simRegistry().commands) {
    if (command.name != name) continue;
    if (!servedBy(command.host, context_))
      throw SimError(fmt::format("'{}' is a command of the {}, which runs in another process (velloway ctl {} ...)", name,
                                 command.host == SimHost::HomeScreen ? "home screen" : "Settings app",
                                 command.host == SimHost::HomeScreen ? "springboard" : "settings"));
    if (context_.live && !command.notLive.empty())
      throw SimError(fmt::format("'{}' has no meaning in a live process: {}", name, command.notLive));
    std::vector<std::string> args(words.begin() + 1, words.end());
    context_.quoted.clear();
    if (quoted.size() > 1) context_.quoted.assign(quoted.begin() + 1, quoted.end());
    command.run(context_, args);
    // Note every new current overlay, for the count in dumps.
    auto overlay = springboard_ ? springboard_->currentOverlay() : nullptr;
    if (overlay && overlay != context_.lastOverlay.lock()) {
      ++context_.overlaysMade;
      context_.lastOverlay = overlay;
    }
    return;
  }
  if (name == "dump") {
    nlohmann::json state = dump(std::vector<std::string>(words.begin() + 1, words.end()));
    context_.out() << state.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';  // a label may hold any bytes
    return;
  }
  throw SimError(fmt::format("unknown command '{}'", name));
}

nlohmann::json SimSession::dump() { return dump({}); }

nlohmann::json SimSession::dump(const std::vector<std::string>& names) {
  std::map<std::string, const SimDumpField*> served;
  for (const auto& field : simRegistry().dumpFields)
    if (servedBy(field.host, context_)) served.emplace(field.name, &field);
  nlohmann::json out = nlohmann::json::object();
  if (names.empty()) {
    for (const auto& [fieldName, field] : served) out[fieldName] = field->make(context_);
    return out;
  }
  // Only the fields asked for, each once: what is not printed is not computed. All are
  // checked first, so that a bad name computes nothing.
  for (const auto& fieldName : names) {
    if (served.count(fieldName)) continue;
    std::string known;
    for (const auto& [n, f] : served) known += (known.empty() ? "" : ", ") + n;
    throw SimError(fmt::format("dump: no field '{}' (fields: {})", fieldName, known));
  }
  for (const auto& fieldName : names)
    if (!out.contains(fieldName)) out[fieldName] = served[fieldName]->make(context_);
  return out;
}

std::string SimSession::usage(SimHost hosts) {
  std::string text;
  for (const auto& command : simRegistry().commands)
    if (hosts == SimHost::Any || command.host == SimHost::Any || command.host == hosts) text += "  " + command.usage + "\n";
  text += "  dump [FIELD...]  (print the whole state, or only those top-level fields, as one line of JSON)\n";
  if (hosts == SimHost::Any)
    text += "  device OPTION...  (the device options of velloway sim's command line, before every other command)\n";
  return text;
}

std::filesystem::path makeTemporaryRoot() { return device_fs::makeTemporaryFolder("velloway-device"); }

void printSystemLogToStderr() {
  system_log::setPrinter([](std::string_view line) { std::cerr << fmt::format("{} {}\n", system_log::sender(), line); });
}

std::string deviceOptionsLine(SimHost hosts) {
  const DeviceProfile& p = deviceProfile();
  std::string line = "device";
  if (hosts != SimHost::Settings)
    line += fmt::format(" --screen {}x{} --window {}x{} --reachability-supported {}", p.screen.width, p.screen.height,
                        p.reachabilityWindow.width, p.reachabilityWindow.height, p.reachabilitySupported ? "yes" : "no");
  if (hosts != SimHost::HomeScreen)
    line += fmt::format(
        " --cf-version {} --idiom {} --language {} --product-type {} --product-version {} --build-version {} --mail-account {} "
        "--social {}",
        p.cfVersion, p.idiom == DeviceIdiom::Pad ? "pad" : "phone", scriptWord(p.language), scriptWord(p.productType),
        scriptWord(p.productVersion), scriptWord(p.buildVersion), scriptWord(p.mailAccount, true),
        p.socialAvailable ? "yes" : "no");
  return line;
}
