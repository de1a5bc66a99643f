// Latency of the live processes, on a private session bus of its own:
//  - a Darwin notification posted in one process until its callback runs on the main queue of
//    another (both processes on the real-time main loop, one posting at a time);
//  - a control call (`dump`) to a running `velloway springboard`, from the bus call and from a
//    whole `velloway ctl` process;
//  - with mpv, mpv-mpris and ffmpeg installed: a track change asked of mpv over MPRIS until the
//    home screen's overlay (`velloway springboard --media mpris`) shows the new title;
//  - control calls to a home screen with its overlay up while a hostile player (BenchPlayer.hpp)
//    floods PropertiesChanged, and while it switches between two 8000 x 8000 PNG covers every
//    0.5 s; with the home screen's peak resident memory (VmHWM) in each case.
// Prints p50 and p99 of each. Not a test: nothing is asserted.
#include <fmt/format.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "BenchPlayer.hpp"
#include "platform/bus/PrivateBus.hpp"
#include "platform/bus/SessionBus.hpp"
#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/fs/TemporaryFolder.hpp"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPing = "com.velloway.bench/ping";
constexpr const char* kReady = "com.velloway.bench/ready";
int arrivals = -1;  // the observer's pipe to the poster

int64_t monotonicNanoseconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

void report(const char* what, std::vector<double> microseconds) {
  std::sort(microseconds.begin(), microseconds.end());
  auto at = [&](double q) { return microseconds[std::min(microseconds.size() - 1, size_t(q * microseconds.size()))]; };
  fmt::print("{:<58} n={:<5} p50 {:>9.1f} us   p99 {:>9.1f} us   max {:>9.1f} us\n", what, microseconds.size(), at(0.5), at(0.99),
             microseconds.back());
}

// The observing process: its callback writes the arrival time to the poster.
[[noreturn]] void observe(int pipeOut) {
  arrivals = pipeOut;
  main_loop::useRealTime();
  main_loop::claimMainThread();
  session_bus::carryDarwinNotifications();
  CFNotificationCenterAddObserver(
      CFNotificationCenterGetDarwinNotifyCenter(), nullptr,
      [](CFNotificationCenterRef, void*, const std::string&, const void*, const void*) {
        int64_t now = monotonicNanoseconds();
        [[maybe_unused]] ssize_t n = write(arrivals, &now, sizeof now);
      },
      kPing, nullptr, CFNotificationSuspensionBehaviorCoalesce);
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), kReady, nullptr, nullptr, true);
  main_loop::run();
  _exit(0);
}

void notificationLatency(int posts) {
  int fds[2];
  if (pipe(fds) != 0) return;
  fflush(nullptr);
  pid_t observer = fork();
  if (observer == 0) {
    close(fds[0]);
    observe(fds[1]);
  }
  close(fds[1]);
  auto bus = sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"));
  auto object = sdbus::createObject(*bus, session_bus::kDarwinPath);
  object->registerSignal(session_bus::kDarwinInterface, session_bus::kDarwinSignal, "s");
  object->finishRegistration();
  // Wait until the observer's match is in place: it says so with a posting of its own.
  bool ready = false;
  auto slot = bus->addMatch(std::string("type='signal',arg0='") + kReady + "'", [&](sdbus::Message&) { ready = true; });
  for (int i = 0; i < 1000 && !ready; ++i) {
    bus->processPendingRequest();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::vector<double> latencies;
  for (int i = 0; i < posts && ready; ++i) {
    int64_t sent = monotonicNanoseconds();
    object->emitSignal(session_bus::kDarwinSignal).onInterface(session_bus::kDarwinInterface).withArguments(std::string(kPing));
    int64_t arrived;
    if (read(fds[0], &arrived, sizeof arrived) != sizeof arrived) break;
    latencies.push_back((arrived - sent) / 1000.0);
  }
  kill(observer, SIGTERM);
  waitpid(observer, nullptr, 0);
  close(fds[0]);
  if (!latencies.empty()) report("Darwin notification, post -> callback in another process", latencies);
}

void controlLatency(const std::string& velloway, int calls) {
  fs::path root = device_fs::makeTemporaryFolder("velloway-live-bench");
  fflush(nullptr);
  pid_t springboard = fork();
  if (springboard == 0) {
    freopen("/dev/null", "w", stderr);
    execl(velloway.c_str(), velloway.c_str(), "springboard", "--root", root.c_str(), "--name", "bench", nullptr);
    _exit(127);
  }
  auto bus = sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"));
  auto proxy = sdbus::createProxy(*bus, "org.velloway.SpringBoard.bench", "/org/velloway/Control");
  auto call = [&](const std::string& line) {
    std::string out;
    proxy->callMethod("Run").onInterface("org.velloway.Control").withArguments(line, std::string("/")).storeResultsTo(out);
    return out;
  };
  bool up = false;
  for (int i = 0; i < 500 && !up; ++i) {
    try {
      call("idle");
      up = true;
    } catch (const sdbus::Error&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  if (up) {
    call("alert press Close");
    call("media play-demo");
    call("activate");
    size_t bytes = call("dump").size();
    std::vector<double> direct, whole;
    for (int i = 0; i < calls; ++i) {
      auto t0 = std::chrono::steady_clock::now();
      call("dump");
      direct.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    report(fmt::format("ctl dump ({} bytes), bus call", bytes).c_str(), direct);
    std::string command = fmt::format("{} ctl springboard --name bench dump > /dev/null", velloway);
    for (int i = 0; i < std::max(20, calls / 10); ++i) {
      auto t0 = std::chrono::steady_clock::now();
      if (std::system(command.c_str()) != 0) break;
      whole.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    if (!whole.empty()) report("ctl dump, whole velloway ctl process", whole);
  }
  kill(springboard, SIGTERM);
  waitpid(springboard, nullptr, 0);
  std::error_code ec;
  fs::remove_all(root, ec);
}

// A process started with its output thrown away.
pid_t spawnQuiet(const std::vector<std::string>& argv) {
  fflush(nullptr);  // or the child writes our buffered output again
  pid_t pid = fork();
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

// mpv's command line over three tagged tones of a minute each ("Track 1" to "Track 3"), made
// in `folder` with ffmpeg.
std::vector<std::string> tonePlayer(const fs::path& folder, const char* plugin) {
  std::vector<std::string> player{"mpv",       "--no-config",         "--no-video",
                                  "--ao=null", "--loop-playlist=inf", std::string("--script=") + plugin};
  for (int i = 1; i <= 3; ++i) {
    std::string file = (folder / fmt::format("t{}.ogg", i)).string();
    std::system(fmt::format("ffmpeg -loglevel error -y -f lavfi -i sine=frequency={}:duration=60 -metadata 'title=Track {}' {}",
                            300 + 100 * i, i, file)
                    .c_str());
    player.push_back(file);
  }
  return player;
}

// The home screen's overlay, seen through its control interface, and mpv's track changes as
// they reach any process on the bus.
class OverlayProbe {
 public:
  explicit OverlayProbe(const std::string& name)
      : bus_(sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"))),
        control_(sdbus::createProxy(*bus_, "org.velloway.SpringBoard." + name, "/org/velloway/Control")),
        mpris_(sdbus::createProxy(*bus_, "org.mpris.MediaPlayer2.mpv", "/org/mpris/MediaPlayer2")) {
    bus_->addMatch(
        "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',path='/org/mpris/MediaPlayer2'",
        [this](sdbus::Message& m) {
          std::string interface;
          std::map<std::string, sdbus::Variant> properties;
          m >> interface >> properties;
          if (properties.count("Metadata") && !changed_) changed_ = std::chrono::steady_clock::now();
        },
        sdbus::floating_slot);
  }

  std::string run(const std::string& line) {
    std::string out;
    control_->callMethod("Run").onInterface("org.velloway.Control").withArguments(line, std::string("/")).storeResultsTo(out);
    return out;
  }

  // Waits for the home screen to serve, then opens the overlay.
  bool bringUp() {
    for (int i = 0; i < 500; ++i) {
      try {
        run("alert press Close");
        run("activate");
        return true;
      } catch (const sdbus::Error&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    return false;
  }

  bool waitFor(const std::string& title, std::chrono::seconds limit) {
    std::string needle = fmt::format("\"text\":\"{}\"", title);
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      while (bus_->processPendingRequest()) {
      }
      try {
        if (run("dump window").find(needle) != std::string::npos) return true;
      } catch (const sdbus::Error&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    return false;
  }

  // Skips to the next track `changes` times: from the call, and from the player's own change
  // signal (the start of our part), to the overlay showing the new title.
  void measure(int changes, std::vector<double>& latencies, std::vector<double>& ours) {
    for (int i = 0; i < changes; ++i) {
      std::string next = fmt::format("Track {}", (i + 1) % 3 + 1);
      changed_.reset();
      auto t0 = std::chrono::steady_clock::now();
      mpris_->callMethod("Next").onInterface("org.mpris.MediaPlayer2.Player");
      if (!waitFor(next, std::chrono::seconds(10))) break;
      auto shown = std::chrono::steady_clock::now();
      latencies.push_back(std::chrono::duration<double, std::micro>(shown - t0).count());
      if (changed_) ours.push_back(std::chrono::duration<double, std::micro>(shown - *changed_).count());
    }
  }

 private:
  std::unique_ptr<sdbus::IConnection> bus_;
  std::unique_ptr<sdbus::IProxy> control_, mpris_;
  std::optional<std::chrono::steady_clock::time_point> changed_;
};

void mprisLatency(const std::string& velloway, int changes) {
  const char* plugin = "/usr/lib/mpv-mpris/mpris.so";
  if (std::system("command -v mpv > /dev/null && command -v ffmpeg > /dev/null") != 0 || !fs::exists(plugin)) {
    fmt::print("MPRIS track change -> overlay: skipped (needs mpv, mpv-mpris and ffmpeg)\n");
    return;
  }
  fs::path folder = device_fs::makeTemporaryFolder("velloway-mpris-bench");
  pid_t mpv = spawnQuiet(tonePlayer(folder, plugin));
  pid_t springboard = spawnQuiet(
      {velloway, "springboard", "--root", (folder / "device").string(), "--name", "mprisbench", "--media", "mpris:mpv"});
  std::vector<double> latencies, ours;
  try {
    OverlayProbe probe("mprisbench");
    if (probe.bringUp() && probe.waitFor("Track 1", std::chrono::seconds(20))) probe.measure(changes, latencies, ours);
  } catch (const sdbus::Error& e) {
    fmt::print(stderr, "velloway-live-bench: {}\n", e.what());
  }
  for (pid_t pid : {springboard, mpv}) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  if (!latencies.empty()) report("MPRIS Next -> overlay shows the new title (mpv)", latencies);
  if (!ours.empty()) report("MPRIS PropertiesChanged(Metadata) -> overlay shows it", ours);
}

// The peak resident memory of a process, in MB (VmHWM), or -1.
double peakRssMegabytes(pid_t pid) {
  FILE* status = std::fopen(fmt::format("/proc/{}/status", pid).c_str(), "r");
  if (!status) return -1;
  char line[256];
  double kb = -1;
  while (std::fgets(line, sizeof line, status))
    if (std::sscanf(line, "VmHWM: %lf kB", &kb) == 1) break;
  std::fclose(status);
  return kb < 0 ? -1 : kb / 1024;
}

// Control calls (`supported`, one after another: a line that reads no state, so the trip is the wait
// for the main loop) for `seconds` to a home screen following the
// player that `startPlayer` starts, with the overlay up.
void underHostilePlayer(const std::string& velloway, const char* what, const std::function<pid_t()>& startPlayer,
                        double seconds) {
  fs::path root = device_fs::makeTemporaryFolder("velloway-hostile-bench");
  std::string name = fmt::format("hostile{}", getpid());
  pid_t springboard = spawnQuiet(
      {velloway, "springboard", "--root", root.string(), "--name", name, "--media", std::string("mpris:") + bench_player::kName});
  pid_t player = -1;
  bool up = false;
  std::vector<double> trips;
  try {
    auto bus = sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"));
    auto control = sdbus::createProxy(*bus, "org.velloway.SpringBoard." + name, "/org/velloway/Control");
    auto call = [&](const std::string& line) {
      std::string out;
      control->callMethod("Run").onInterface("org.velloway.Control").withArguments(line, std::string("/")).storeResultsTo(out);
    };
    for (int i = 0; i < 500 && !up; ++i) {
      try {
        call("alert press Close");
        call("activate");
        up = true;
      } catch (const sdbus::Error&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    player = up ? startPlayer() : -1;
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (up && std::chrono::steady_clock::now() < end) {
      auto t0 = std::chrono::steady_clock::now();
      call("supported");
      trips.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  } catch (const sdbus::Error& e) {
    fmt::print(stderr, "velloway-live-bench: {}: {}\n", what, e.what());
  }
  double peak = peakRssMegabytes(springboard);
  for (pid_t pid : {player, springboard}) {
    if (pid <= 0) continue;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  if (!trips.empty()) report(fmt::format("ctl supported, bus call, {}", what).c_str(), trips);
  fmt::print("{:<58} peak RSS of the home screen {:.1f} MB\n", "", peak);
}

void hostilePlayers(const std::string& velloway, double seconds) {
  underHostilePlayer(
      velloway, "no player", [] { return 0; }, seconds);
  underHostilePlayer(
      velloway, "27,000 PropertiesChanged/s", [] { return bench_player::startFlood(27000); }, seconds);
  fs::path folder = device_fs::makeTemporaryFolder("velloway-covers-bench");
  fs::path a = folder / "a.png", b = folder / "b.png";
  if (bench_player::writeGradientPng(a, 8000, 1) && bench_player::writeGradientPng(b, 8000, 2))
    underHostilePlayer(
        velloway, "covers of 8000 x 8000 switched every 0.5 s", [&] { return bench_player::startChurn(a, b, 0.5); }, seconds);
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace

int main(int argc, char** argv) {
  int posts = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
  // `velloway-live-bench POSTS players`: only the hostile players' cases.
  bool playersOnly = argc > 2 && std::string(argv[2]) == "players";
  std::string error;
  auto bus = session_bus::startPrivateBus(error, true);
  if (!bus) {
    fmt::print(stderr, "velloway-live-bench: {}\n", error);
    return 1;
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", bus->address.c_str(), 1);
  fmt::print("private session bus {} (pid {}), {} postings, {} control calls\n", bus->address, bus->pid, posts, posts / 5);
  // VELLOWAY: another build's velloway to measure (say, before a change).
  const char* other = std::getenv("VELLOWAY");
  std::string velloway = other && *other ? other : (fs::read_symlink("/proc/self/exe").parent_path() / "velloway").string();
  fmt::print("velloway: {}\n", velloway);
  if (!playersOnly) {
    notificationLatency(posts);
    controlLatency(velloway, posts / 5);
    mprisLatency(velloway, 30);
  }
  hostilePlayers(velloway, 10);
  session_bus::stopPrivateBus(*bus);
  return 0;
}
