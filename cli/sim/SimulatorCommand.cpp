// velloway sim: a scriptable simulated phone.
#include <fmt/format.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>

#include "cli/Subcommand.hpp"
#include "cli/sim/HomeScreenOptions.hpp"
#include "cli/sim/ScriptParser.hpp"
#include "cli/sim/SimSession.hpp"
#include "cli/video/Filming.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/WriteGate.hpp"

namespace {

struct SimOptions {
  std::string script;
  std::string root;
  HomeScreenOptions homeScreen;
  video::VideoOptions video;
};

int runScript(std::istream& in, const std::string& fileName, SimSession& session) {
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    try {
      auto words = splitScriptLine(line);
      if (!words) continue;
      session.run(words->words, words->quoted);
      session.context().out().flush();
    } catch (const std::exception& e) {
      std::cout.flush();
      std::cerr << fmt::format("velloway sim: {}:{}: {}\n", fileName, number, e.what());
      return 2;
    }
  }
  return 0;
}

// SIGTERM, SIGINT or SIGHUP still remove the temporary device root, whatever the main thread is
// doing: the signals are taken by a thread of their own (blocked everywhere else, so threads made
// later inherit the block). It closes the device's write gate, which waits for a write in progress
// and holds every later one, so nothing is added to the tree while it is removed; then it ends the
// process as the signal would have. The folder is named to it once made; a signal before that
// finds none, and one while it is being made waits for it (making it is a write too).
class TerminationCleanup {
 public:
  TerminationCleanup() {
    sigemptyset(&signals_);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals_, sig);
    if (pthread_sigmask(SIG_BLOCK, &signals_, nullptr) != 0) return;
    std::thread([this] { takeSignal(); }).detach();
  }
  // Makes the temporary root, and removes it if the process is terminated from now on.
  std::filesystem::path makeRoot() {
    device_fs::WriteScope writing;
    auto folder = makeTemporaryRoot();
    std::lock_guard lock(mutex_);
    folder_ = folder;
    return folder;
  }

 private:
  void takeSignal() {
    int sig = 0;
    while (sigwait(&signals_, &sig) != 0) {
    }
    device_fs::closeForRemoval();
    std::filesystem::path folder;
    {
      std::lock_guard lock(mutex_);
      folder = folder_;
    }
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    std::signal(sig, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &signals_, nullptr);
    ::raise(sig);
    ::_exit(128 + sig);
  }

  sigset_t signals_{};
  std::mutex mutex_;
  std::filesystem::path folder_;
};

// The script run, and filmed when a video is asked for: a script that stops at a bad line still
// gets the video of what ran.
int filmScript(std::istream& in, const std::string& fileName, SimSession& session, const video::VideoOptions& options) {
  if (!options.wanted()) return runScript(in, fileName, session);
  try {
    video::Filming filming(session.context(), options);
    int status = runScript(in, fileName, session);
    filming.finish();
    std::cerr << fmt::format("velloway sim: video {}: {} frames, {} drawn, at {} a second\n", options.file, filming.framesTotal(),
                             filming.framesDrawn(), options.fps);
    return status;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << fmt::format("velloway sim: video {}: {}\n", options.file, e.what());
    return 2;
  }
}

int runSim(SimOptions o) {
  if (!o.homeScreen.apply("velloway sim")) return 2;
  if (std::string problem = o.video.complete(); !problem.empty()) {
    std::cerr << "velloway sim: " << problem << '\n';
    return 2;
  }
  std::ifstream file;
  std::istream* in = &std::cin;
  std::string fileName = "<stdin>";
  std::string scriptDirectory;
  if (!o.script.empty() && o.script != "-") {
    file.open(o.script);
    if (!file) {
      std::cerr << fmt::format("velloway sim: cannot read script '{}'\n", o.script);
      return 2;
    }
    in = &file;
    fileName = o.script;
    scriptDirectory = std::filesystem::path(o.script).parent_path().string();
  }

  std::filesystem::path temporaryRoot;
  try {
    if (o.root.empty()) {
      static TerminationCleanup* cleanup = new TerminationCleanup;  // lives until the process ends
      temporaryRoot = cleanup->makeRoot();
      device_fs::useRoot(temporaryRoot);
    } else {
      device_fs::useRoot(o.root);
    }
  } catch (const std::exception& e) {
    std::cerr << fmt::format("velloway sim: cannot use device root '{}': {}\n", o.root, e.what());
    return 2;
  }
  printSystemLogToStderr();
  int status;
  {
    SimSession session(std::cout, scriptDirectory);
    status = filmScript(*in, fileName, session, o.video);
    std::cout.flush();
  }
  if (!temporaryRoot.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(temporaryRoot, ec);
  }
  return status;
}

const SubcommandRegistration registration{Subcommand{
    "sim", "Run a script against a simulated phone (home screen with the tweak, Settings app with the pane)",
    [](CLI::App& app) -> std::function<int()> {
      auto options = std::make_shared<SimOptions>();
      app.add_option("script", options->script, "Script file, one command a line ('#' starts a comment); - or none reads stdin");
      app.add_option("--root", options->root,
                     "Device root folder standing for the phone's '/'; an existing one is used as it stands "
                     "(default: a fresh temporary folder, removed afterwards)");
      options->homeScreen.addTo(app);
      options->video.addTo(app);
      addSimOptions(app, SimHost::Any);
      app.footer("Commands:\n" + SimSession::usage() +
                 "A bad line stops the script with 'velloway sim: FILE:LINE: message' and exit status 2.");
      return [options] { return runSim(*options); };
    },
    20}};

}  // namespace
