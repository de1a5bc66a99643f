#include "cli/live/LiveNames.hpp"

#include <fmt/format.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace fs = std::filesystem;

namespace live {

const char* roleWord(Role role) { return role == Role::HomeScreen ? "springboard" : "settings"; }

std::optional<Role> roleFromWord(const std::string& word) {
  if (word == "springboard") return Role::HomeScreen;
  if (word == "settings") return Role::Settings;
  return std::nullopt;
}

fs::path defaultDeviceRoot() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  fs::path base;
  if (dataHome && *dataHome && fs::path(dataHome).is_absolute()) {
    base = dataHome;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) throw std::runtime_error("neither XDG_DATA_HOME nor HOME is set: choose a device root with --root");
    base = fs::path(home) / ".local" / "share";
  }
  return base / "velloway" / "device";
}

std::string instanceName(const fs::path& root, const std::string& chosen) {
  if (!chosen.empty()) {
    bool ok = chosen.size() <= 64 && !(chosen[0] >= '0' && chosen[0] <= '9');
    for (char c : chosen) ok = ok && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    if (!ok)
      throw std::invalid_argument(
          fmt::format("bad name '{}': letters, digits and '_', not starting with a digit, at most 64", chosen));
    return chosen;
  }
  // FNV-1a over the root's absolute, normalised path.
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(fs::absolute(root), ec);
  if (ec) canonical = fs::absolute(root).lexically_normal();
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : canonical.string()) hash = (hash ^ c) * 1099511628211ull;
  return fmt::format("r{:016x}", hash);
}

std::string busName(Role role, const std::string& instance) {
  return fmt::format("{}{}.{}", kBusNamePrefix, role == Role::HomeScreen ? "SpringBoard" : "Settings", instance);
}

std::string startOf(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;  // not inside a character
  return text.substr(0, end) + "…";
}

std::string lineLengthProblem(const std::string& line) {
  if (line.size() <= kLineLimit) return "";
  return fmt::format("the line '{}' is {} bytes long; a control line is at most {} bytes", startOf(line), line.size(),
                     kLineLimit);
}

}  // namespace live
