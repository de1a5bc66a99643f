#include "cli/live/Recording.hpp"

#include <fcntl.h>
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "cli/sim/SimSession.hpp"
#include "hosts/input/InputHost.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/plist/PropertyList.hpp"
#include "tweak/Settings.hpp"

namespace live {
namespace {

constexpr char kOriginMark[] = "# clock origin ";
constexpr char kTimeMark[] = "  # at ";

// Holds the recording's lock (shared by the processes that write it) while in scope.
class FileLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FileLock() { flock(fd_, LOCK_UN); }

 private:
  int fd_;
};

void writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error(fmt::format("cannot write the recording: {}", std::strerror(errno)));
    done += static_cast<size_t>(n);
  }
}

std::string readSome(int fd, off_t from, size_t size) {
  std::string text(size, '\0');
  ssize_t n = pread(fd, text.data(), size, from);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

// A value of the settings file as a word of the command language; nothing for the kinds the
// language cannot write.
std::optional<std::string> valueWord(const plist::Value& value) {
  if (value.isBool()) return value.boolValue() ? "true" : "false";
  if (value.isInteger()) return fmt::format("{}", value.integerValue());
  if (value.isReal()) {
    if (!std::isfinite(value.doubleValue())) return std::nullopt;
    std::string word = fmt::format("{}", value.doubleValue());
    if (word.find_first_of(".e") == std::string::npos) word += ".0";  // stays a real number
    return word;
  }
  if (const std::string* text = value.string(); text && text->find_first_of("\n\r") == std::string::npos)
    return scriptWord(*text, true);
  return std::nullopt;
}

// The settings file as it is now, as lines that make it so on a fresh device.
std::string settingsLines() {
  std::string lines = "prefs delete\n";
  if (!device_fs::isRegularFile(vlw_settings::kSettingsPath)) return lines;
  auto dict = plist::dictionaryWithContentsOfFile(vlw_settings::kSettingsPath, plist::kPreferencesLimits);
  if (!dict) return lines + "# The settings file could not be read as a property list: the replay starts without it.\n";
  for (const auto& [key, value] : *dict) {
    auto word = valueWord(value);
    if (word && key.find_first_of("\n\r") == std::string::npos)
      lines += fmt::format("prefs store {} {}\n", scriptWord(key, true), *word);
    else
      lines += "# A value of the settings file that the command language cannot write is not replayed.\n";
  }
  return lines;
}

}  // namespace

double monotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void Recording::start(const std::string& path, const std::string& by) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error(fmt::format("cannot write the recording '{}': {}", path, std::strerror(errno)));
  try {
    FileLock lock(fd);
    auto now = std::chrono::system_clock::now();
    writeAll(fd, fmt::format("# A session of velloway {}, recorded from {:%Y-%m-%d %H:%M:%S} UTC. Replay: velloway sim FILE\n"
                             "{}{:.6f} (the times below count from it)\n"
                             "{}\n{}",
                             by, std::chrono::floor<std::chrono::seconds>(now), kOriginMark, monotonicSeconds(),
                             deviceOptionsLine(SimHost::Any), settingsLines()));
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

Recording::Recording(const std::string& path, bool join) {
  fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error(fmt::format("cannot write the recording '{}': {}", path, std::strerror(errno)));
  std::string head = readSome(fd_, 0, 4096);
  auto mark = head.find(kOriginMark);
  if (mark == std::string::npos) {
    ::close(fd_);
    throw std::runtime_error(fmt::format("'{}' is no recording that {}", path, join ? "velloway phone started" : "was started"));
  }
  origin_ = std::strtod(head.c_str() + mark + std::strlen(kOriginMark), nullptr);
}

Recording::~Recording() {
  if (fd_ >= 0) ::close(fd_);
}

void Recording::processStarted(SimHost role, const std::string& media) {
  if (role == SimHost::HomeScreen) {
    append("boot", false);
    if (media != "builtin" && !media.empty())
      note(
          "The now-playing item came from the desktop's players (MPRIS), which a replay cannot reach: the replay has "
          "the built-in player, which plays nothing unless a line below sets it.");
  }
}

void Recording::input(const std::string& line) { append(line, true); }

void Recording::note(const std::string& text) { append("# " + text, false); }

void Recording::append(const std::string& text, bool timed) {
  FileLock lock(fd_);
  if (!timed) return writeAll(fd_, text + "\n");
  // The last input's time, from the end of the file: whichever process wrote it.
  double last = 0;
  off_t size = lseek(fd_, 0, SEEK_END);
  std::string tail = readSome(fd_, size > 512 ? size - 512 : 0, 512);
  if (auto mark = tail.rfind(kTimeMark); mark != std::string::npos)
    last = std::strtod(tail.c_str() + mark + std::strlen(kTimeMark), nullptr);
  double now = std::round((monotonicSeconds() - origin_) * 1000) / 1000;
  std::string lines;
  if (now - last >= 0.0005) lines += fmt::format("advance {:.3f}\n", now - last);
  lines += fmt::format("{}{}{:.3f} s\n", text, kTimeMark, std::max(now, last));
  writeAll(fd_, lines);
}

}  // namespace live
