#include "platform/bus/TiedChild.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace session_bus {
namespace {

// argv[0] itself when it names a path, else the first executable of that name on PATH; empty
// when there is none. Looked up before the fork, where anything may be called.
std::string programPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (size_t i = 0; i <= folders.size();) {
    size_t end = folders.find(':', i);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = (end > i ? folders.substr(i, end - i) : std::string(".")) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    i = end + 1;
  }
  return "";
}

// The child between fork and exec: async-signal-safe calls only. An exec that fails writes its
// errno to `report`.
[[noreturn]] void becomeChild(const char* program, char* const argv[], const ChildOptions& options, pid_t parent, int report) {
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal)
    if (signal != SIGKILL && signal != SIGSTOP) ::sigaction(signal, &byDefault, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  // Asked first, then checked: a parent that died before the request leaves us with init (or
  // a subreaper) as parent, and we go too.
  if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) ::_exit(127);
  if (options.ownProcessGroup) ::setpgid(0, 0);
  if (options.stdoutFd >= 0) ::dup2(options.stdoutFd, STDOUT_FILENO);
  if (options.quietStderr) {
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) ::dup2(null, STDERR_FILENO);  // the copy is inherited, the original closes at the exec
  }
  ::execve(program, argv, environ);
  int error = errno;
  ssize_t written = ::write(report, &error, sizeof error);
  (void)written;
  ::_exit(127);
}

}  // namespace

pid_t startTiedChild(const std::vector<std::string>& argv, const ChildOptions& options, std::string& error) {
  if (argv.empty()) {
    error = "no program to start";
    return -1;
  }
  std::string program = programPath(argv[0]);
  if (program.empty()) {
    error = "no program " + argv[0] + " on PATH";
    return -1;
  }
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    return -1;
  }
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) becomeChild(program.c_str(), args.data(), options, parent, report[1]);
  ::close(report[1]);
  int childError = 0;
  ssize_t n = -1;
  if (pid > 0) {
    // The pipe closes at the exec; an errno arrives when the exec failed.
    do n = ::read(report[0], &childError, sizeof childError);
    while (n < 0 && errno == EINTR);
  } else {
    childError = errno;
  }
  ::close(report[0]);
  if (pid > 0 && n != sizeof childError) return pid;
  if (pid > 0) ::waitpid(pid, nullptr, 0);
  error = "cannot start " + program + ": " + std::strerror(childError);
  return -1;
}

}  // namespace session_bus
