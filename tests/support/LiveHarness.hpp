// What the live tests, the window tests and the benchmarks of whole processes need around them:
// a private session bus, the velloway processes they start on temporary device roots, and ctl
// runs with bounded time. Everything is ended by its pid, never by name. It needs no test
// framework: what goes wrong is handed to the failure reporter (the tests make it a failure of
// the running test, see LiveHarnessFailures.cpp).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/bus/PrivateBus.hpp"
#include "tests/support/ViewTree.hpp"

namespace live_test {

// Told what went wrong when a process does not come up, a ctl line fails or a dump is not JSON;
// by default it is printed on stderr.
using FailureReporter = std::function<void(const std::string& message)>;
void setFailureReporter(FailureReporter reporter);

// A child process with its output in files.
class Child {
 public:
  Child() = default;
  Child(const std::vector<std::string>& argv, const std::filesystem::path& outputFolder, const std::string& label);
  Child(Child&& other) noexcept;
  Child& operator=(Child&& other) noexcept;
  ~Child();  // SIGKILL and reap, when still running

  pid_t pid() const { return pid_; }
  bool running();
  // Sends the signal and waits (bounded) for the exit; the exit status, or -1 when it did not end
  // in time (it is then killed).
  int stop(int signal, std::chrono::milliseconds limit = std::chrono::seconds(10));
  void kill9();
  // The status once it has ended by itself (bounded wait), or -1.
  int waitForExit(std::chrono::milliseconds limit);
  std::string stdoutText() const;
  std::string stderrText() const;

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  std::filesystem::path out_, err_;
};

// dbus-daemon --session --nofork as our child; its address is put into this process's
// environment, so that every process the test starts uses it.
class PrivateBus {
 public:
  PrivateBus();
  ~PrivateBus();
  const std::string& address() const { return bus_.address; }

 private:
  session_bus::PrivateBus bus_;
};

struct Result {
  int status;
  std::string out, err;
};

// Runs velloway with these arguments to its end (killed after `limit`).
Result velloway(const std::vector<std::string>& args, std::chrono::milliseconds limit = std::chrono::seconds(60));
// Runs a program (found on PATH) to its end, the same way.
Result run(const std::vector<std::string>& argv, std::chrono::milliseconds limit = std::chrono::seconds(60));

// A fresh temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Whether a process of that role serves that device root on the bus.
bool serving(const std::string& role, const std::filesystem::path& root);

// `velloway springboard|settings --root ROOT` started and serving (its name owned), or a
// reported failure.
Child startLive(const std::string& role, const std::filesystem::path& root, const std::filesystem::path& logs,
                const std::vector<std::string>& extra = {});

// ctl lines to the process of that role on that root; reports a failure unless it exits with 0,
// and answers stdout.
std::string ctl(const std::string& role, const std::filesystem::path& root, const std::vector<std::string>& lines);
// One `dump FIELD...` through ctl, parsed.
nlohmann::json dump(const std::string& role, const std::filesystem::path& root, const std::string& fields);

// Whether anything in a dumped state still moves (a view with running animations).
bool moving(const nlohmann::json& state);
// Where two dumped states differ (a JSON pointer and both values), or empty when they do not.
// A view's frame may differ by half a point: a playing track's progress bar grows with the time
// it has played, which a replay keeps to the millisecond and a live process does not. Fields
// that only a live process has (the media source's dropped commands) are left out.
std::string stateDifference(const nlohmann::json& live, const nlohmann::json& replayed, const std::string& at = "");
// The last line of some output, as JSON (what a script's last `dump` printed).
nlohmann::json lastJsonLine(const std::string& out);

// The view with that property name in a dumped view tree, or null.
using view_tree::findView;

// The CPU time (user and system, all threads) a process has used so far, in seconds, from
// /proc/PID/stat; negative when the process is gone.
double cpuSeconds(pid_t pid);

// Polls `probe` every 20 ms until it answers true or `limit` passes; answers the last probe.
bool eventually(const std::function<bool()>& probe, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace live_test
