// velloway phone: the whole phone live: the home screen and the Settings app as two processes
// on one device root, and a private session bus when none is reachable. Ctrl-C stops exactly
// what it started.
#include <fmt/format.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <thread>

#include "cli/Subcommand.hpp"
#include "cli/gui/Gui.hpp"
#include "cli/live/LiveNames.hpp"
#include "platform/bus/PrivateBus.hpp"

extern char** environ;

namespace fs = std::filesystem;

namespace live {
namespace {

constexpr auto kStartLimit = std::chrono::seconds(20);

struct PhoneOptions {
  std::string root;
  std::string media;    // handed to the home screen
  gui::GuiOptions gui;  // passed on to both processes
};

// A process this command started, ended by its pid.
struct Started {
  std::string what;
  pid_t pid = -1;
};

bool sessionBusReachable() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address || !*address) return false;
  try {
    return sdbus::createSessionBusConnectionWithAddress(address) != nullptr;
  } catch (const sdbus::Error&) {
    return false;
  }
}

// A dbus-daemon of our own, as our child (so that we reap it); its address goes into our
// environment, for the processes we start.
std::optional<Started> startPrivateBus() {
  std::string error;
  auto bus = session_bus::startPrivateBus(error, true);  // its warnings about fd limits are noise here
  if (!bus) {
    std::cerr << fmt::format("velloway phone: no session bus, and {}\n", error);
    return std::nullopt;
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", bus->address.c_str(), 1);
  return Started{"session bus", bus->pid};
}

// Starts `velloway ROLE --root ROOT` in a process group of its own, so that the terminal's
// Ctrl-C reaches only us and we stop the processes in our order.
std::optional<Started> startProcess(Role role, const fs::path& root, const std::string& media,
                                    const std::vector<std::string>& extra) {
  std::string self = fs::read_symlink("/proc/self/exe").string();
  std::vector<std::string> args{self, roleWord(role), "--root", root.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  if (role == Role::HomeScreen && !media.empty()) args.insert(args.end(), {"--media", media});
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t pid;
  int error = posix_spawn(&pid, self.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (error != 0) {
    std::cerr << fmt::format("velloway phone: cannot start {}: {}\n", roleWord(role), std::strerror(error));
    return std::nullopt;
  }
  return Started{roleWord(role), pid};
}

// Polls (bounded) until the process owns its bus name; false when it exits or the time runs out.
bool waitUntilServing(const Started& process, const std::string& name) {
  auto bus = sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"));
  auto daemon = sdbus::createProxy(*bus, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    bool has = false;
    daemon->callMethod("NameHasOwner").onInterface("org.freedesktop.DBus").withArguments(name).storeResultsTo(has);
    if (has) return true;
    int status;
    if (waitpid(process.pid, &status, WNOHANG) == process.pid) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Ends one process we started: SIGTERM, a bounded wait, then SIGKILL.
void stopProcess(const Started& process) {
  if (process.pid <= 0) return;
  kill(process.pid, SIGTERM);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    pid_t reaped = waitpid(process.pid, nullptr, WNOHANG);
    if (reaped == process.pid || (reaped < 0 && errno == ECHILD)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::cerr << fmt::format("velloway phone: {} (pid {}) did not stop; killing it\n", process.what, process.pid);
  kill(process.pid, SIGKILL);
  waitpid(process.pid, nullptr, 0);
}

// The processes that make up the phone: the bus (when private), the home screen, Settings.
struct Phone {
  std::optional<Started> bus;
  std::vector<Started> children;

  // Starts each process and waits until it serves; false (the started ones stopped) on failure.
  bool start(const fs::path& root, const PhoneOptions& o) {
    if (!sessionBusReachable()) {
      bus = startPrivateBus();
      if (!bus) return false;
    }
    std::string instance = instanceName(root);
    for (Role role : {Role::HomeScreen, Role::Settings}) {
      auto child = startProcess(role, root, o.media, gui::guiArguments(o.gui));
      if (!child) {
        stop();
        return false;
      }
      children.push_back(*child);
      if (!waitUntilServing(*child, busName(role, instance))) {
        std::cerr << fmt::format("velloway phone: {} did not come up (see its messages above)\n", roleWord(role));
        stop();
        return false;
      }
    }
    return true;
  }

  // Until a stop signal (0) or one of the processes ending by itself (1): the phone is not
  // whole any more.
  int wait(const sigset_t& waited) {
    for (;;) {
      siginfo_t info;
      if (sigwaitinfo(&waited, &info) < 0) continue;
      if (info.si_signo != SIGCHLD) return 0;
      bool ours = false;
      for (Started* process : {&children[0], &children[1], bus ? &*bus : nullptr}) {
        if (!process || process->pid <= 0) continue;
        if (waitpid(process->pid, nullptr, WNOHANG) == process->pid) {
          std::cerr << fmt::format("velloway phone: {} (pid {}) ended\n", process->what, process->pid);
          process->pid = -1;
          ours = true;
        }
      }
      if (ours) return 1;
    }
  }

  void stop() {
    for (auto it = children.rbegin(); it != children.rend(); ++it) stopProcess(*it);
    if (bus) stopProcess(*bus);
  }
};

void printWelcome(const Phone& phone, const fs::path& root, const PhoneOptions& o) {
  std::string rootArg = o.root.empty() ? "" : fmt::format(" --root {}", root.string());
  std::cout << fmt::format("The phone is up on device root {}\n", root.string());
  std::cout << fmt::format("  home screen   pid {:<8} velloway ctl springboard{} 'activate' 'dump window'\n",
                           phone.children[0].pid, rootArg);
  std::cout << fmt::format("  Settings app  pid {:<8} velloway ctl settings{} 'settings open'\n", phone.children[1].pid, rootArg);
  if (phone.bus)
    std::cout << fmt::format(
        "  private session bus, pid {}: in another terminal first\n    export DBUS_SESSION_BUS_ADDRESS='{}'\n", phone.bus->pid,
        std::getenv("DBUS_SESSION_BUS_ADDRESS"));
  std::cout << "Ctrl-C stops them.\n" << std::flush;
}

int runPhone(const PhoneOptions& o) {
  fs::path root;
  try {
    root = o.root.empty() ? defaultDeviceRoot() : fs::absolute(o.root);
    fs::create_directories(root);
  } catch (const std::exception& e) {
    std::cerr << fmt::format("velloway phone: {}\n", e.what());
    return 2;
  }
  if (std::string problem = o.gui.enabled ? gui::displayProblem() : ""; !problem.empty()) {
    std::cerr << fmt::format("velloway phone --gui: {}\n", problem);
    return 1;
  }
  // Signals are taken synchronously from here on; the processes we start get them back.
  sigset_t waited;
  sigemptyset(&waited);
  sigaddset(&waited, SIGINT);
  sigaddset(&waited, SIGTERM);
  sigaddset(&waited, SIGCHLD);
  sigprocmask(SIG_BLOCK, &waited, nullptr);

  Phone phone;
  if (!phone.start(root, o)) return 1;
  printWelcome(phone, root, o);
  const int status = phone.wait(waited);
  phone.stop();
  std::cout << "Stopped.\n";
  return status;
}

const SubcommandRegistration registration{Subcommand{
    "phone", "Start the live home screen and Settings app on one device root (and a private session bus when there is none)",
    [](CLI::App& app) -> std::function<int()> {
      auto o = std::make_shared<PhoneOptions>();
      app.add_option("--root", o->root, "Device root (default: velloway/device under $XDG_DATA_HOME, else ~/.local/share)");
      app.add_option("--media", o->media, "The home screen's now-playing source: builtin (default), mpris or mpris:NAME");
      gui::addGuiOptions(app, o->gui);
      app.footer("Prints how to reach both processes with 'velloway ctl'; Ctrl-C (or SIGTERM) stops what it started.");
      return [o] { return runPhone(*o); };
    },
    43}};

}  // namespace
}  // namespace live
