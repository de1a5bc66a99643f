#include "cli/sim/SimSession.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <iostream>

#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/graphics/Fonts.hpp"
#include "platform/foundation/NSLog.hpp"
#include "tweak/VLWView.hpp"

SimSession::SimSession(std::ostream& out, std::string scriptDirectory)
    : springboard_((configureFonts(), std::make_unique<SpringBoardHost>())),
      context_(std::make_unique<SimContext>(SimContext{*springboard_, out, std::move(scriptDirectory), 0, {}})) {
  for (auto& start : simRegistry().starters) start(*context_);
}

SimSession::~SimSession() = default;

void SimSession::run(const std::vector<std::string>& words, const std::vector<bool>& quoted) {
  if (words.empty()) return;
  const std::string& name = words[0];
  for (const auto& command : simRegistry().commands) {
    if (command.name != name) continue;
    std::vector<std::string> args(words.begin() + 1, words.end());
    std::vector<bool> argQuoted;
    if (quoted.size() > 1) argQuoted.assign(quoted.begin() + 1, quoted.end());
    setSimArgumentsQuoted(std::move(argQuoted));
    command.run(*context_, args);
    // Note every new current overlay, for the count in dumps.
    auto overlay = springboard_->currentOverlay();
    if (overlay && overlay != context_->lastOverlay.lock()) {
      ++context_->overlaysMade;
      context_->lastOverlay = overlay;
    }
    return;
  }
  if (name == "dump") {
    nlohmann::json state = dump();
    if (words.size() > 1) {
      // Only the fields asked for, in the order asked.
      nlohmann::json some = nlohmann::json::object();
      for (size_t i = 1; i < words.size(); ++i) {
        if (!state.contains(words[i])) {
          std::string known;
          for (const auto& [field, value] : state.items()) known += (known.empty() ? "" : ", ") + field;
          throw SimError(fmt::format("dump: no field '{}' (fields: {})", words[i], known));
        }
        some[words[i]] = state[words[i]];
      }
      state = std::move(some);
    }
    context_->out << state.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';  // a label may hold any bytes
    return;
  }
  throw SimError(fmt::format("unknown command '{}'", name));
}

nlohmann::json SimSession::dump() {
  nlohmann::json out = nlohmann::json::object();
  for (auto& [field, make] : simRegistry().dumpFields) out[field] = make(*context_);
  return out;
}

std::string SimSession::usage() {
  std::string text;
  for (const auto& command : simRegistry().commands) text += "  " + command.usage + "\n";
  text += "  dump [FIELD...]  (print the whole state, or only those top-level fields, as one line of JSON)\n";
  return text;
}

bool parseSize(const std::string& text, double& width, double& height) {
  auto x = text.find('x');
  if (x == std::string::npos) return false;
  std::string w = text.substr(0, x), h = text.substr(x + 1);
  char* end = nullptr;
  width = std::strtod(w.c_str(), &end);
  if (w.empty() || *end) return false;
  height = std::strtod(h.c_str(), &end);
  if (h.empty() || *end) return false;
  return std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0 && width <= 10000 && height <= 10000;
}

std::filesystem::path makeTemporaryRoot() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velloway-device-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary device root");
  return pattern;
}

void printSystemLogToStderr() {
  system_log::setPrinter([pid = getpid()](std::string_view line) { std::cerr << fmt::format("velloway[{}] {}\n", pid, line); });
}
