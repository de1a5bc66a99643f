// velloway ctl: runs lines of the simulator's command language in a live process, over the
// session bus, and prints what each line printed.
#include <fmt/format.h>

#include <sdbus-c++/sdbus-c++.h>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>

#include "cli/Subcommand.hpp"
#include "cli/live/LiveNames.hpp"

namespace fs = std::filesystem;

namespace live {
namespace {

struct CtlOptions {
  std::string process;
  std::vector<std::string> lines;
  std::string root;
  std::string name;
  double timeout = 30;
  bool list = false;
};

std::unique_ptr<sdbus::IConnection> connectToBus() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address && *address) return sdbus::createSessionBusConnectionWithAddress(address);
  return sdbus::createSessionBusConnection();
}

bool isMissingService(const sdbus::Error& e) {
  return e.getName() == "org.freedesktop.DBus.Error.ServiceUnknown" || e.getName() == "org.freedesktop.DBus.Error.NameHasNoOwner";
}

bool isTimeout(const sdbus::Error& e) {
  return e.getName() == "org.freedesktop.DBus.Error.NoReply" || e.getName() == "org.freedesktop.DBus.Error.Timeout" ||
         e.getName() == "org.freedesktop.DBus.Error.TimedOut";
}

int list(sdbus::IConnection& bus, std::chrono::microseconds timeout) {
  auto daemon = sdbus::createProxy(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  std::vector<std::string> names;
  daemon->callMethod("ListNames").onInterface("org.freedesktop.DBus").withTimeout(timeout).storeResultsTo(names);
  std::sort(names.begin(), names.end());
  int found = 0;
  for (const auto& name : names) {
    if (name.rfind(kBusNamePrefix, 0) != 0) continue;
    std::map<std::string, std::string> identity;
    try {
      auto proxy = sdbus::createProxy(bus, name, kControlPath);
      proxy->callMethod("Describe").onInterface(kControlInterface).withTimeout(timeout).storeResultsTo(identity);
    } catch (const sdbus::Error&) {
      continue;  // gone meanwhile, or not one of ours
    }
    std::cout << fmt::format("{:<12} pid {:<8} {}  {}\n", identity["role"], identity["pid"], name, identity["root"]);
    ++found;
  }
  if (found == 0) std::cout << "no live velloway processes on this session bus\n";
  return 0;
}

int runLines(sdbus::IConnection& bus, Role role, const CtlOptions& o, std::chrono::microseconds timeout) {
  fs::path root;
  std::string instance;
  try {
    root = o.root.empty() ? defaultDeviceRoot() : fs::path(o.root);
    instance = instanceName(root, o.name);
  } catch (const std::exception& e) {
    std::cerr << fmt::format("velloway ctl: {}\n", e.what());
    return 2;
  }
  std::string name = busName(role, instance);
  auto proxy = sdbus::createProxy(bus, name, kControlPath);
  std::string directory = fs::current_path().string();
  for (const auto& line : o.lines) {
    if (std::string problem = lineLengthProblem(line); !problem.empty()) {
      std::cout.flush();
      std::cerr << fmt::format("velloway ctl {}: {}\n", roleWord(role), problem);
      return 2;
    }
    std::string output;
    try {
      proxy->callMethod("Run")
          .onInterface(kControlInterface)
          .withTimeout(timeout)
          .withArguments(line, directory)
          .storeResultsTo(output);
    } catch (const sdbus::Error& e) {
      std::cout.flush();
      if (e.getName() == kLineError) {
        std::cerr << fmt::format("velloway ctl {}: {}: {}\n", roleWord(role), startOf(line), e.getMessage());
        return 2;
      }
      if (isMissingService(e)) {
        std::cerr << fmt::format(
            "velloway ctl: no {} process is running for {} (bus name {}); start one with 'velloway {}{}' or 'velloway phone'\n",
            roleWord(role), o.name.empty() ? "device root " + root.string() : "name " + o.name, name, roleWord(role),
            o.root.empty() ? "" : " --root " + o.root);
        return 1;
      }
      if (isTimeout(e)) {
        std::cerr << fmt::format("velloway ctl: the {} process did not answer within {} s\n", roleWord(role), o.timeout);
        return 1;
      }
      std::cerr << fmt::format("velloway ctl: {}: {}\n", startOf(line), e.getMessage());
      return 1;
    }
    std::cout << output;
  }
  std::cout.flush();
  return 0;
}

int runCtl(const CtlOptions& o) {
  auto role = roleFromWord(o.process);
  if (!o.list && !role) {
    std::cerr << "velloway ctl: name the process, springboard or settings (or --list)\n";
    return 2;
  }
  if (!o.list && o.lines.empty()) {
    std::cerr << "velloway ctl: no LINE to run\n";
    return 2;
  }
  std::unique_ptr<sdbus::IConnection> bus;
  try {
    bus = connectToBus();
  } catch (const sdbus::Error& e) {
    std::cerr << fmt::format("velloway ctl: no session bus ({}); the live processes and ctl must share one\n", e.getMessage());
    return 1;
  }
  auto timeout = std::chrono::microseconds(static_cast<int64_t>(o.timeout * 1e6));
  try {
    return o.list ? list(*bus, timeout) : runLines(*bus, *role, o, timeout);
  } catch (const sdbus::Error& e) {
    std::cerr << fmt::format("velloway ctl: {}\n", e.getMessage());
    return 1;
  }
}

const SubcommandRegistration registration{Subcommand{
    "ctl", "Run lines of the sim's command language in a live springboard or settings process",
    [](CLI::App& app) -> std::function<int()> {
      auto o = std::make_shared<CtlOptions>();
      app.add_option("process", o->process, "springboard or settings")->check(CLI::IsMember({"springboard", "settings"}));
      app.add_option("lines", o->lines, "One line of the command language per argument (quote each), e.g. 'dump window'");
      app.add_option("--root", o->root, "The device root the process serves (default: the live processes' default root)");
      app.add_option("--name", o->name, "The process's instance name, when it was started with --name");
      app.add_option("--timeout", o->timeout, "Seconds to wait for each answer (default 30)")->check(CLI::Range(0.1, 3600.0));
      app.add_flag("--list", o->list, "List the live processes on this session bus");
      app.footer(
          "Prints what each line prints (a dump: its JSON) and exits 0. A refused or failed line (also one over 64 KiB): "
          "its message on stderr, exit 2 (the process keeps running). No such process, no answer in time or no bus: exit 1.");
      return [o] { return runCtl(*o); };
    },
    42}};

}  // namespace
}  // namespace live
