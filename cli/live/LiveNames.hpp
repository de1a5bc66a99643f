// How live processes are found: the default device root, and the bus names and the control
// object through which `velloway ctl` reaches a process.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace live {

enum class Role { HomeScreen, Settings };

// "springboard" or "settings": the subcommand that runs the role, and the word ctl takes.
const char* roleWord(Role role);
std::optional<Role> roleFromWord(const std::string& word);

// The persistent device root of the live processes: velloway/device under the XDG data home
// ($XDG_DATA_HOME, else ~/.local/share).
std::filesystem::path defaultDeviceRoot();

// A process's instance name: --name when given (checked), else derived from the device root,
// so that two phones on two roots never answer each other's control calls. Throws
// std::invalid_argument for a name that cannot be part of a bus name.
std::string instanceName(const std::filesystem::path& root, const std::string& chosen = {});

// org.velloway.SpringBoard.INSTANCE or org.velloway.Settings.INSTANCE.
std::string busName(Role role, const std::string& instance);
constexpr const char* kBusNamePrefix = "org.velloway.";

// The control object every live process exports.
constexpr const char* kControlPath = "/org/velloway/Control";
constexpr const char* kControlInterface = "org.velloway.Control";
// The error a refused or failed line comes back as.
constexpr const char* kLineError = "org.velloway.Control.Error.Line";

// The longest control line a live process runs, in bytes: far beyond any line of the command
// language, small enough that a stray megabyte is refused before it is parsed.
constexpr size_t kLineLimit = 64 * 1024;
// Why a line is refused for its length ("" when it is within the limit), quoting its start.
std::string lineLengthProblem(const std::string& line);
// The start of a text that may be long, for a message: at most maxBytes of it, cut between
// UTF-8 characters, and "…" when something was left out.
std::string startOf(const std::string& text, size_t maxBytes = 60);

}  // namespace live
