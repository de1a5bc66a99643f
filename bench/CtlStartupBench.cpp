// A whole `velloway ctl springboard 'dump host'` process, start to exit, against systemd's
// `busctl --user call` making the same control call (method Run, line and directory) to the
// same `velloway springboard`, on a private session bus of its own and a temporary device root.
// The two commands alternate, so that a change in the machine's load falls on both alike.
// Prints p50 and p99 of each, of the wall time and of the CPU time (user and system, which a
// loaded machine disturbs less), and their ratios. Not a test: nothing is asserted.
//
//   velloway-ctl-startup-bench [RUNS] [VELLOWAY]    (default 200 runs of each; bin/velloway)
#include <fcntl.h>
#include <fmt/format.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/bus/PrivateBus.hpp"
#include "platform/fs/TemporaryFolder.hpp"

extern char** environ;

namespace fs = std::filesystem;

namespace {

double monotonicMicroseconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// Starts argv with its output going to `output` (a file) or thrown away; -1 on failure.
pid_t spawn(const std::vector<std::string>& argv, const char* output = "/dev/null") {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

struct Cost {
  double wall = -1, cpu = -1;  // microseconds; negative when the run failed
};

// Runs argv to its end.
Cost timedRun(const std::vector<std::string>& argv, const char* output = "/dev/null") {
  double start = monotonicMicroseconds();
  pid_t pid = spawn(argv, output);
  if (pid < 0) return {};
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  auto us = [](const timeval& t) { return t.tv_sec * 1e6 + t.tv_usec; };
  return {monotonicMicroseconds() - start, us(usage.ru_utime) + us(usage.ru_stime)};
}

double percentile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, size_t(q * values.size()))];
}

void report(const std::string& what, const std::vector<double>& us) {
  fmt::print("{:<48} n={:<4} p50 {:>8.0f} us   p99 {:>8.0f} us\n", what, us.size(), percentile(us, 0.5), percentile(us, 0.99));
}

void ratio(const char* what, const std::vector<double>& ctl, const std::vector<double>& busctl) {
  fmt::print("{:<48} p50 {:.2f}   p99 {:.2f}\n", what, percentile(ctl, 0.5) / percentile(busctl, 0.5),
             percentile(ctl, 0.99) / percentile(busctl, 0.99));
}

// The home screen's bus name, once it serves (bounded wait); empty when it never did.
std::string waitForHomeScreen(sdbus::IConnection& bus) {
  auto daemon = sdbus::createProxy(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  for (int i = 0; i < 1500; ++i) {
    std::vector<std::string> names;
    daemon->callMethod("ListNames").onInterface("org.freedesktop.DBus").storeResultsTo(names);
    for (const auto& name : names)
      if (name.rfind("org.velloway.SpringBoard.", 0) == 0) return name;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

// One run of each with its output kept, to show that both made the same call.
bool showOutputs(const std::vector<std::string>& ctl, const std::vector<std::string>& busctl, const fs::path& folder) {
  for (const auto* argv : {&ctl, &busctl}) {
    fs::path file = folder / "output";
    if (timedRun(*argv, file.c_str()).wall < 0) {
      fmt::print(stderr, "velloway-ctl-startup-bench: {} failed\n", (*argv)[0]);
      return false;
    }
    fmt::print("{:<8} prints {} bytes\n", fs::path((*argv)[0]).filename().string(), fs::file_size(file));
  }
  return true;
}

int measure(const std::vector<std::string>& ctl, const std::vector<std::string>& busctl, int runs) {
  std::vector<double> ctlWall, ctlCpu, busctlWall, busctlCpu;
  for (int i = -10; i < runs; ++i) {  // ten warm-up runs of each first
    Cost a = timedRun(ctl), b = timedRun(busctl);
    if (a.wall < 0 || b.wall < 0) {
      fmt::print(stderr, "velloway-ctl-startup-bench: run {} failed ({})\n", i, a.wall < 0 ? "velloway ctl" : "busctl");
      return 1;
    }
    if (i < 0) continue;
    ctlWall.push_back(a.wall), ctlCpu.push_back(a.cpu);
    busctlWall.push_back(b.wall), busctlCpu.push_back(b.cpu);
  }
  report("wall: velloway ctl springboard 'dump host'", ctlWall);
  report("wall: busctl --user call ... Run ss 'dump host' DIR", busctlWall);
  ratio("wall ratio ctl / busctl:", ctlWall, busctlWall);
  report("cpu:  velloway ctl springboard 'dump host'", ctlCpu);
  report("cpu:  busctl --user call ... Run ss 'dump host' DIR", busctlCpu);
  ratio("cpu ratio ctl / busctl:", ctlCpu, busctlCpu);
  return 0;
}

int benchAgainst(const std::string& velloway, const fs::path& folder, int runs) {
  pid_t springboard = spawn({velloway, "springboard"});
  int status = 1;
  try {
    auto bus = sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"));
    std::string name = waitForHomeScreen(*bus);
    if (name.empty()) {
      fmt::print(stderr, "velloway-ctl-startup-bench: the home screen never came up\n");
    } else {
      fmt::print("home screen {} (pid {}), {} runs of each, load average before: ", name, springboard, runs);
      std::fflush(stdout);
      std::system("cut -d' ' -f1-3 /proc/loadavg");
      std::vector<std::string> ctl{velloway, "ctl", "springboard", "dump host"};
      std::vector<std::string> busctl{"busctl",
                                      "--user",
                                      "call",
                                      name,
                                      "/org/velloway/Control",
                                      "org.velloway.Control",
                                      "Run",
                                      "ss",
                                      "dump host",
                                      fs::current_path().string()};
      if (showOutputs(ctl, busctl, folder)) status = measure(ctl, busctl, runs);
    }
  } catch (const sdbus::Error& e) {
    fmt::print(stderr, "velloway-ctl-startup-bench: {}\n", e.what());
  }
  kill(springboard, SIGTERM);
  waitpid(springboard, nullptr, 0);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
  std::string velloway = argc > 2 ? argv[2] : (fs::read_symlink("/proc/self/exe").parent_path() / "velloway").string();
  std::string error;
  auto bus = session_bus::startPrivateBus(error, true);
  if (!bus) {
    fmt::print(stderr, "velloway-ctl-startup-bench: {}\n", error);
    return 1;
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", bus->address.c_str(), 1);
  // The live processes' default device root lives under XDG_DATA_HOME: a temporary one, so that
  // the command timed is exactly `velloway ctl springboard 'dump host'`.
  fs::path folder = device_fs::makeTemporaryFolder("velloway-ctl-startup-bench");
  setenv("XDG_DATA_HOME", folder.c_str(), 1);
  int status = benchAgainst(velloway, folder, runs);
  session_bus::stopPrivateBus(*bus);
  std::error_code ec;
  fs::remove_all(folder, ec);
  return status;
}
