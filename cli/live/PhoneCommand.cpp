// velloway phone: the whole phone live: the home screen and the Settings app as two processes
// on one device root, and a private session bus when none is reachable. Ctrl-C stops exactly
// what it started; whatever ends `phone` ends what it started; one of them ending stops the
// rest.
#include <fcntl.h>
#include <fmt/format.h>
#include <signal.h>
#include <sys/file.h>
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
#include "cli/live/Recording.hpp"
#include "platform/bus/PrivateBus.hpp"
#include "platform/bus/TiedChild.hpp"
#include "platform/fs/DeviceRoot.hpp"

namespace fs = std::filesystem;

namespace live {
namespace {

constexpr auto kStartLimit = std::chrono::seconds(20);

struct PhoneOptions {
  std::string root;
  std::string media;    // handed to the home screen
  gui::GuiOptions gui;  // passed on to both processes
  std::string record;   // one recording of both processes, started here
};

// A process this command started, ended by its pid.
struct Started {
  std::string what;  // springboard, settings, dbus-daemon
  pid_t pid = -1;
  pid_t startedAs = -1;  // the pid, kept for messages once it is reaped
  std::string label() const { return fmt::format("{}[{}]", what, startedAs); }
};

Started started(std::string what, pid_t pid) { return Started{std::move(what), pid, pid}; }

bool sessionBusReachable() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address || !*address) return false;
  try {
    return sdbus::createSessionBusConnectionWithAddress(address) != nullptr;
  } catch (const sdbus::Error&) {
    return false;
  }
}

// A dbus-daemon of our own, as our child (so that we reap it, and it ends with us); its address
// goes into our environment, for the processes we start.
std::optional<Started> startPrivateBus() {
  std::string error;
  auto bus = session_bus::startPrivateBus(error, true);  // its warnings about fd limits are noise here
  if (!bus) {
    std::cerr << fmt::format("velloway phone: no session bus, and {}\n", error);
    return std::nullopt;
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", bus->address.c_str(), 1);
  return started("dbus-daemon", bus->pid);
}

// Starts `velloway ROLE --root ROOT` in a process group of its own, so that the terminal's
// Ctrl-C reaches only us and we stop the processes in our order; tied to us, so that it ends
// when we do, however we end.
std::optional<Started> startProcess(Role role, const fs::path& root, const std::string& media,
                                    const std::vector<std::string>& extra) {
  std::vector<std::string> args{fs::read_symlink("/proc/self/exe").string(), roleWord(role), "--root", root.string()};
  args.insert(args.end(), extra.begin(), extra.end());
  if (role == Role::HomeScreen && !media.empty()) args.insert(args.end(), {"--media", media});
  std::string error;
  pid_t pid = session_bus::startTiedChild(args, session_bus::ChildOptions{}, error);
  if (pid < 0) {
    std::cerr << fmt::format("velloway phone: cannot start {}: {}\n", roleWord(role), error);
    return std::nullopt;
  }
  return started(roleWord(role), pid);
}

// The pid of the process that owns a bus name; 0 when nobody does.
pid_t nameOwner(sdbus::IConnection& bus, const std::string& name) {
  auto daemon = sdbus::createProxy(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  uint32_t pid = 0;
  try {
    daemon->callMethod("GetConnectionUnixProcessID").onInterface("org.freedesktop.DBus").withArguments(name).storeResultsTo(pid);
  } catch (const sdbus::Error&) {
    return 0;  // no owner
  }
  return static_cast<pid_t>(pid);
}

std::unique_ptr<sdbus::IConnection> connectToOurBus() {
  return sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"));
}

// Polls (bounded) until the process itself owns its bus name; false when it exits or the time
// runs out.
bool waitUntilServing(const Started& process, const std::string& name) {
  auto bus = connectToOurBus();
  auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (nameOwner(*bus, name) == process.pid) return true;
    int status;
    if (waitpid(process.pid, &status, WNOHANG) == process.pid) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Why the phone cannot start on this root ("" when it can): a process on the session bus
// already serves it.
std::string rootServedOnBus(const fs::path& root) {
  if (!sessionBusReachable()) return "";
  auto bus = connectToOurBus();
  std::string instance = instanceName(root);
  for (Role role : {Role::HomeScreen, Role::Settings})
    if (pid_t owner = nameOwner(*bus, busName(role, instance)))
      return fmt::format("device root {} is already served: {} pid {} runs on it on this session bus", root.string(),
                         roleWord(role), owner);
  return "";
}

// Ends one process we started: SIGTERM, a bounded wait, then SIGKILL.
void stopProcess(Started& process) {
  if (process.pid <= 0) return;
  kill(process.pid, SIGTERM);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    pid_t reaped = waitpid(process.pid, nullptr, WNOHANG);
    if (reaped == process.pid || (reaped < 0 && errno == ECHILD)) {
      process.pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::cerr << fmt::format("velloway phone: {} did not stop; killing it\n", process.label());
  kill(process.pid, SIGKILL);
  waitpid(process.pid, nullptr, 0);
  process.pid = -1;
}

// "exit status 3", "killed by SIGSEGV".
std::string describeStatus(int status) {
  if (WIFEXITED(status)) return fmt::format("exit status {}", WEXITSTATUS(status));
  if (WIFSIGNALED(status)) {
    const char* name = sigabbrev_np(WTERMSIG(status));
    return name ? fmt::format("killed by SIG{}", name) : fmt::format("killed by signal {}", WTERMSIG(status));
  }
  return "stopped";
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
      std::vector<std::string> extra = gui::guiArguments(o.gui);
      if (!o.record.empty()) extra.insert(extra.end(), {"--record", o.record, "--record-join"});
      auto child = startProcess(role, root, o.media, extra);
      if (!child) {
        stop();
        return false;
      }
      children.push_back(*child);
      if (!waitUntilServing(*child, busName(role, instance))) {
        std::cerr << fmt::format("velloway phone: {} did not come up (see its messages above)\n", child->label());
        stop();
        return false;
      }
    }
    return true;
  }

  // Until a stop signal (0) or one of the processes ending by itself: the phone is not whole
  // any more. A window closed (its process ended with exit 0) is 0; a failure is 1.
  int wait(const sigset_t& waited) {
    for (;;) {
      siginfo_t info;
      if (sigwaitinfo(&waited, &info) < 0) continue;
      if (info.si_signo != SIGCHLD) return 0;
      if (auto status = reapEnded()) return *status;
    }
  }

  std::optional<int> reapEnded() {
    for (Started* process : {bus ? &*bus : nullptr, &children[0], &children[1]}) {
      int status = 0;
      if (!process || process->pid <= 0 || waitpid(process->pid, &status, WNOHANG) != process->pid) continue;
      process->pid = -1;
      const bool isBus = bus && process == &*bus;
      if (!isBus && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::cerr << fmt::format(
            "velloway phone: {} ended (its window was closed, or it was asked to stop); stopping the phone\n", process->label());
        return 0;
      }
      // A process that lost the bus exits with a status; the bus may be the one to blame.
      if (!isBus && WIFEXITED(status) && busEnded(status)) process = &*bus;
      std::cerr << fmt::format("velloway phone: {} failed ({}); stopping the phone\n", process->label(), describeStatus(status));
      return 1;
    }
    return std::nullopt;
  }

  // Whether our bus has ended (its status then in `status`), waiting a little for it: a bus that
  // dies closes its connections before it can be reaped, so the processes on it may end first.
  bool busEnded(int& status) {
    if (!bus || bus->pid <= 0) return false;
    for (int i = 0; i < 100; ++i) {
      if (waitpid(bus->pid, &status, WNOHANG) == bus->pid) {
        bus->pid = -1;
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
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

// Held while this phone runs (released by the kernel however it ends): a second phone on the
// same device root, even on a bus of its own, finds it taken. -1 with a message when it is.
int lockRoot(const fs::path& root) {
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    std::cerr << fmt::format("velloway phone: cannot open device root {}: {}\n", root.string(), std::strerror(errno));
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    std::cerr << fmt::format("velloway phone: device root {} is already served by another velloway phone{}\n", root.string(),
                             errno == EWOULDBLOCK ? "" : fmt::format(" ({})", std::strerror(errno)));
    ::close(fd);
    return -1;
  }
  return fd;
}

// The signals we take synchronously from here on (the processes we start get them back):
// Ctrl-C, SIGTERM, a closed terminal, and our children ending.
sigset_t takeSignals() {
  sigset_t waited;
  sigemptyset(&waited);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&waited, signal);
  sigprocmask(SIG_BLOCK, &waited, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a closed terminal or pipe must not cut the stopping short
  return waited;
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
  if (std::string served = rootServedOnBus(root); !served.empty()) {
    std::cerr << fmt::format("velloway phone: {}; stop it first, or give another --root\n", served);
    return 1;
  }
  const int lock = lockRoot(root);
  if (lock < 0) return 1;
  PhoneOptions options = o;
  if (!o.record.empty()) {
    try {
      // Started here, from the device as it is before either process changes it.
      options.record = fs::absolute(o.record).string();
      device_fs::useRoot(root);
      Recording::start(options.record, "phone");
    } catch (const std::exception& e) {
      std::cerr << fmt::format("velloway phone: {}\n", e.what());
      ::close(lock);
      return 1;
    }
  }
  const sigset_t waited = takeSignals();

  Phone phone;
  if (!phone.start(root, options)) return 1;
  printWelcome(phone, root, options);
  const int status = phone.wait(waited);
  phone.stop();
  std::cout << "Stopped.\n" << std::flush;
  ::close(lock);
  return status;
}

const SubcommandRegistration registration{Subcommand{
    "phone", "Start the live home screen and Settings app on one device root (and a private session bus when there is none)",
    [](CLI::App& app) -> std::function<int()> {
      auto o = std::make_shared<PhoneOptions>();
      app.add_option("--root", o->root, "Device root (default: velloway/device under $XDG_DATA_HOME, else ~/.local/share)");
      app.add_option("--media", o->media, "The home screen's now-playing source: builtin (default), mpris or mpris:NAME");
      gui::addGuiOptions(app, o->gui);
      app.add_option("--record", o->record,
                     "Record the session of both processes into FILE, as one script for 'velloway sim FILE' (see velloway "
                     "springboard --help)")
          ->option_text("FILE");
      app.footer(
          "Prints how to reach both processes with 'velloway ctl'. Ctrl-C, SIGTERM or SIGHUP stops what it started (exit 0), "
          "as does closing a window; a process that fails stops the phone with exit 1. A device root that another phone or "
          "process already serves is refused at once (exit 1). Whatever ends 'phone', even SIGKILL, ends its processes too.");
      return [o] { return runPhone(*o); };
    },
    43}};

}  // namespace
}  // namespace live
