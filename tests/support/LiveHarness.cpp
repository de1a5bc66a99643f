#include "tests/support/LiveHarness.hpp"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "platform/bus/PrivateBus.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "tests/support/ChildProcess.hpp"

namespace fs = std::filesystem;

namespace live_test {
namespace {

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

FailureReporter& failureReporter() {
  static FailureReporter reporter = [](const std::string& message) { std::cerr << "live harness: " << message << "\n"; };
  return reporter;
}

void fail(const std::string& message) { failureReporter()(message); }

}  // namespace

Child::Child(const std::vector<std::string>& argv, const fs::path& outputFolder, const std::string& label)
    : out_(outputFolder / (label + ".out")), err_(outputFolder / (label + ".err")) {
  test_process::SpawnOptions options;
  options.input = test_process::Stream::null();
  options.output = test_process::Stream::toFile(out_);
  options.error = test_process::Stream::toFile(err_);
  pid_ = test_process::spawn(argv, options);
}

Child::Child(Child&& other) noexcept { *this = std::move(other); }

Child& Child::operator=(Child&& other) noexcept {
  if (this != &other) {
    if (pid_ > 0) kill9();
    pid_ = std::exchange(other.pid_, -1);
    status_ = other.status_;
    out_ = other.out_;
    err_ = other.err_;
  }
  return *this;
}

Child::~Child() {
  if (pid_ > 0) kill9();
}

bool Child::running() {
  if (pid_ <= 0) return false;
  int status;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = test_process::exitStatusOf(status);
    pid_ = -1;
    return false;
  }
  return true;
}

int Child::waitForExit(std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (running()) {
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status_;
}

int Child::stop(int signal, std::chrono::milliseconds limit) {
  if (pid_ <= 0) return status_;
  ::kill(pid_, signal);
  int status = waitForExit(limit);
  if (status < 0) kill9();
  return status;
}

void Child::kill9() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status;
  waitpid(pid_, &status, 0);
  status_ = 128 + SIGKILL;
  pid_ = -1;
}

std::string Child::stdoutText() const { return readAll(out_); }
std::string Child::stderrText() const { return readAll(err_); }

PrivateBus::PrivateBus() {
  std::string error;
  auto bus = session_bus::startPrivateBus(error, true);
  if (!bus) throw std::runtime_error(error);
  bus_ = *bus;
  setenv("DBUS_SESSION_BUS_ADDRESS", bus_.address.c_str(), 1);
}

PrivateBus::~PrivateBus() {
  session_bus::stopPrivateBus(bus_);
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

void setFailureReporter(FailureReporter reporter) { failureReporter() = std::move(reporter); }

TempFolder::TempFolder() : path_(device_fs::makeTemporaryFolder("velloway-live")) {}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

Result velloway(const std::vector<std::string>& args, std::chrono::milliseconds limit) {
  std::vector<std::string> argv{VELLOWAY_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return run(argv, limit);
}

Result run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
  static std::atomic<int> counter{0};
  fs::path folder = fs::temp_directory_path();
  std::string label = "velloway-live-run-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  Child child(argv, folder, label);
  int status = child.waitForExit(limit);
  if (status < 0) child.kill9();
  Result result{status, child.stdoutText(), child.stderrText()};
  std::error_code ec;
  fs::remove(folder / (label + ".out"), ec);
  fs::remove(folder / (label + ".err"), ec);
  return result;
}

double cpuSeconds(pid_t pid) {
  std::string stat = readAll(fs::path("/proc") / std::to_string(pid) / "stat");
  // The command name, in parentheses, may hold spaces: the fields are counted after it.
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

bool eventually(const std::function<bool()>& probe, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (probe()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool serving(const std::string& role, const fs::path& root) {
  // Asked over the bus from here: cheaper than a ctl process per look.
  try {
    auto bus = sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"));
    auto daemon = sdbus::createProxy(*bus, "org.freedesktop.DBus", "/org/freedesktop/DBus");
    std::vector<std::string> names;
    daemon->callMethod("ListNames").onInterface("org.freedesktop.DBus").storeResultsTo(names);
    for (const auto& name : names) {
      if (name.rfind("org.velloway.", 0) != 0) continue;
      std::map<std::string, std::string> identity;
      auto control = sdbus::createProxy(*bus, name, "/org/velloway/Control");
      control->callMethod("Describe")
          .onInterface("org.velloway.Control")
          .withTimeout(std::chrono::seconds(5))
          .storeResultsTo(identity);
      if (identity["role"] == role && fs::weakly_canonical(identity["root"]) == fs::weakly_canonical(root)) return true;
    }
  } catch (const sdbus::Error&) {
  }
  return false;
}

Child startLive(const std::string& role, const fs::path& root, const fs::path& logs, const std::vector<std::string>& extra) {
  std::vector<std::string> argv{VELLOWAY_BINARY, role, "--root", root.string()};
  argv.insert(argv.end(), extra.begin(), extra.end());
  static std::atomic<int> counter{0};
  Child child(argv, logs, role + std::to_string(counter++));
  bool up = eventually([&] { return child.running() && serving(role, root); }, std::chrono::seconds(60));
  if (!up) fail(role + " did not come up: " + child.stderrText());
  return child;
}

std::string ctl(const std::string& role, const fs::path& root, const std::vector<std::string>& lines) {
  std::vector<std::string> args{"ctl", role, "--root", root.string()};
  args.insert(args.end(), lines.begin(), lines.end());
  Result r = velloway(args);
  if (r.status != 0) fail("ctl " + role + " ended with " + std::to_string(r.status) + ": " + r.err);
  return r.out;
}

nlohmann::json dump(const std::string& role, const fs::path& root, const std::string& fields) {
  std::string out = ctl(role, root, {"dump " + fields});
  try {
    return nlohmann::json::parse(out);
  } catch (const std::exception& e) {
    fail("dump " + fields + " is not JSON: " + out);
    return nullptr;
  }
}

bool moving(const nlohmann::json& state) {
  if (state.is_object()) {
    for (const auto& [key, value] : state.items())
      if ((key == "animations" && !value.empty()) || moving(value)) return true;
  } else if (state.is_array()) {
    for (const auto& value : state)
      if (moving(value)) return true;
  }
  return false;
}

nlohmann::json lastJsonLine(const std::string& out) {
  auto end = out.find_last_not_of('\n');
  if (end == std::string::npos) return nullptr;
  auto start = out.rfind('\n', end);
  start = start == std::string::npos ? 0 : start + 1;
  return nlohmann::json::parse(out.substr(start, end + 1 - start), nullptr, false);
}

std::string stateDifference(const nlohmann::json& live, const nlohmann::json& replayed, const std::string& at) {
  auto differ = [&] { return at + ": live " + live.dump() + ", replayed " + replayed.dump(); };
  if (live.is_object() && replayed.is_object()) {
    for (const auto& [key, value] : live.items()) {
      if (key == "commandsDropped") continue;
      if (!replayed.contains(key)) return at + "/" + key + ": not replayed";
      if (std::string d = stateDifference(value, replayed[key], at + "/" + key); !d.empty()) return d;
    }
    for (const auto& [key, value] : replayed.items())
      if (!live.contains(key)) return at + "/" + key + ": only replayed";
    return {};
  }
  if (live.is_array() && replayed.is_array()) {
    if (live.size() != replayed.size()) return differ();
    const bool frame = at.size() >= 6 && at.compare(at.size() - 6, 6, "/frame") == 0;
    for (size_t i = 0; i < live.size(); ++i) {
      if (frame && live[i].is_number() && replayed[i].is_number()) {
        if (std::abs(live[i].get<double>() - replayed[i].get<double>()) > 0.5) return differ();
      } else if (std::string d = stateDifference(live[i], replayed[i], at + "/" + std::to_string(i)); !d.empty()) {
        return d;
      }
    }
    return {};
  }
  return live == replayed ? std::string() : differ();
}

}  // namespace live_test
