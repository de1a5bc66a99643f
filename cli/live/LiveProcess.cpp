#include "cli/live/LiveProcess.hpp"

#include <fmt/format.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "cli/Subcommand.hpp"
#include "cli/live/ControlService.hpp"
#include "cli/live/Recording.hpp"
#include "cli/live/WindowLibrary.hpp"
#include "cli/sim/HomeScreenOptions.hpp"
#include "cli/sim/SimExtension.hpp"
#include "cli/sim/SimSession.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/bus/SessionBus.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/mediaremote/MprisSource.hpp"

namespace fs = std::filesystem;

namespace live {
namespace {

void stopOnSignal(int) { main_loop::stop(); }

void installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = stopOnSignal;
  sigemptyset(&action.sa_mask);
  // A closed terminal stops the process as Ctrl-C does.
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// The home screen's now-playing source, before the tweak asks it anything.
void useMediaSource(const std::string& media, sdbus::IConnection& bus) {
  if (media == "builtin") return;
  std::string only = media == "mpris" ? "" : media.substr(6);
  media_remote::useSource(MprisSource::start(bus, only));
}

// What the process does once its session exists, before it serves anyone.
void startUp(Role role, SimSession& session) {
  if (role == Role::HomeScreen) {
    SpringBoardHost& springboard = session.context().springboard();
    springboard.loadTweak(SpringBoardHost::defaultTweakPath());
    springboard.finishLaunching();
  } else if (!SettingsHost::installPane()) {
    throw std::runtime_error("the build has no pane bundle (VLW.bundle) to install");
  }
  main_loop::drainMainQueue();
}

}  // namespace

void addProcessOptions(CLI::App& app, ProcessOptions& options) {
  app.add_option("--root", options.root,
                 "Device root folder standing for the phone's '/', made at first start (default: velloway/device "
                 "under $XDG_DATA_HOME, else ~/.local/share)");
  app.add_option("--name", options.name,
                 "Instance name in the process's bus name (default: derived from the device root); ctl --name finds it");
  gui::addGuiOptions(app, options.gui);
  app.add_option("--record", options.record,
                 "Record the session into FILE as a script for 'velloway sim FILE': the state it starts from, then every "
                 "input (window, ctl) with the time between them as 'advance' lines")
      ->option_text("FILE");
  app.add_flag("--record-join", options.recordJoin, "Append to the recording that velloway phone started in FILE")
      ->group("");  // velloway phone's own
}

namespace {

// The session bus with Darwin notifications carried over it; null, after a message, without one.
sdbus::IConnection* connectBus(const std::string& command) {
  try {
    sdbus::IConnection* bus = &session_bus::connect();
    session_bus::carryDarwinNotifications();
    return bus;
  } catch (const session_bus::Unavailable& e) {
    std::cerr << fmt::format(
        "{}: {}\nA live process needs a D-Bus session bus. Run it inside one, e.g. 'dbus-run-session -- {}', "
        "or start the whole phone with 'velloway phone', which starts a private bus when there is none.\n",
        system_log::sender(), e.what(), command);
    return nullptr;
  }
}

// What tells two windows apart: the process, the name it was given, its device root.
std::string windowTitle(const std::string& command, const std::string& name, const std::string& root) {
  return name.empty() ? fmt::format("{} — {}", command, root) : fmt::format("{} ({}) — {}", command, name, root);
}

// Starts the host, offers control under its bus name, and runs the loop (in a window with --gui)
// until it stops; the exit status.
int serve(Role role, const ProcessOptions& options, const std::string& command, sdbus::IConnection& bus,
          const std::string& name) {
  try {
    SimSession session(std::cout, fs::current_path().string(), role == Role::HomeScreen ? SimHost::HomeScreen : SimHost::Settings,
                       true);
    if (role == Role::HomeScreen) useMediaSource(options.media, bus);
    std::unique_ptr<Recording> recording;
    if (!options.record.empty()) {
      // The state it starts from, before the home screen's start changes it (the welcome flag).
      if (!options.recordJoin) Recording::start(options.record, roleWord(role));
      recording = std::make_unique<Recording>(options.record, options.recordJoin);
      recording->processStarted(role == Role::HomeScreen ? SimHost::HomeScreen : SimHost::Settings, options.media);
      session.onLineDone([&recording](const std::string& line) { recording->input(line); });
    }
    startUp(role, session);
    ControlService control(
        bus, session,
        {{"role", roleWord(role)}, {"root", device_fs::root().string()}, {"pid", std::to_string(getpid())}, {"name", name}});
    // The name last: whoever sees it can call at once.
    try {
      bus.requestName(name);
    } catch (const sdbus::Error& e) {
      std::cerr << fmt::format("{}: cannot own the bus name {} ({}): is another {} process serving this device root?\n",
                               system_log::sender(), name, e.getMessage(), roleWord(role));
      return 1;
    }
    std::cerr << fmt::format("{}: serving device root {} as {}\n", system_log::sender(), device_fs::root().string(), name);
    if (options.gui.enabled)
      window_library::runWithWindow(session, windowTitle(command, options.name, device_fs::root().string()), options.gui);
    else
      main_loop::run();
  } catch (const std::exception& e) {
    std::cerr << fmt::format("{}: {}\n", system_log::sender(), e.what());
    return 1;
  }
  return 0;
}

}  // namespace

int runProcess(Role role, const ProcessOptions& options) {
  const std::string command = fmt::format("velloway {}", roleWord(role));
  // What it prints names it: two processes share a terminal under `velloway phone`.
  system_log::setSender(fmt::format("{}[{}]", command, getpid()));
  fs::path root;
  std::string instance;
  try {
    root = options.root.empty() ? defaultDeviceRoot() : fs::path(options.root);
    instance = instanceName(root, options.name);
    device_fs::useRoot(root);
  } catch (const std::exception& e) {
    std::cerr << fmt::format("{}: {}\n", system_log::sender(), e.what());
    return 2;
  }

  if (std::string problem = options.gui.enabled ? window_library::prepareWindow(options.gui) : ""; !problem.empty()) {
    std::cerr << fmt::format("{} --gui: {}\n", command, problem);
    return 1;
  }
  main_loop::useRealTime();
  main_loop::claimMainThread();
  installSignalHandlers();
  sdbus::IConnection* bus = connectBus(command);
  if (!bus) return 1;

  printSystemLogToStderr();
  if (serve(role, options, command, *bus, busName(role, instance)) != 0) return 1;
  std::cout.flush();
  return session_bus::lost() ? 1 : 0;
}

const SubcommandRegistration springboardRegistration{Subcommand{
    "springboard", "Run the home screen with the tweak as a live process (real time, session bus, driven by ctl)",
    [](CLI::App& app) -> std::function<int()> {
      auto options = std::make_shared<ProcessOptions>();
      auto homeScreen = std::make_shared<HomeScreenOptions>();
      addProcessOptions(app, *options);
      homeScreen->addTo(app);
      app.add_option("--media", options->media,
                     "Now-playing source: builtin (the built-in player, default), mpris (the desktop's players: the one "
                     "playing, else the one that played last, else the first) or mpris:NAME (org.mpris.MediaPlayer2.NAME only)")
          ->check([](const std::string& v) {
            if (v == "builtin" || v == "mpris") return std::string();
            bool ok = v.rfind("mpris:", 0) == 0 && v.size() > 6 && v.size() < 200;
            for (size_t i = 6; ok && i < v.size(); ++i)
              ok = std::isalnum(static_cast<unsigned char>(v[i])) || v[i] == '_' || v[i] == '-' || v[i] == '.';
            return ok ? std::string() : std::string("expected builtin, mpris or mpris:NAME");
          });
      app.footer(
          "Runs until SIGINT, SIGTERM or SIGHUP (exit 0). Drive it with 'velloway ctl springboard LINE...' (the sim's command "
          "language; see velloway sim --help).");
      return [options, homeScreen] {
        if (!homeScreen->apply("velloway springboard")) return 2;
        return runProcess(Role::HomeScreen, *options);
      };
    },
    40}};

const SubcommandRegistration settingsRegistration{Subcommand{
    "settings", "Run the Settings app with the pane installed as a live process (real time, session bus, driven by ctl)",
    [](CLI::App& app) -> std::function<int()> {
      auto options = std::make_shared<ProcessOptions>();
      addProcessOptions(app, *options);
      addSimOptions(app, SimHost::Settings);
      app.footer(
          "Runs until SIGINT, SIGTERM or SIGHUP (exit 0); the pane is installed, not yet open. Drive it with 'velloway ctl "
          "settings LINE...', e.g. 'settings open'.");
      return [options] { return runProcess(Role::Settings, *options); };
    },
    41}};

}  // namespace live
