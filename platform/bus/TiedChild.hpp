// Child processes that die with their parent: the private bus daemon and the live processes
// that `velloway phone` starts (and the tests' own). Each is started with fork and exec; before
// the exec it asks the kernel for SIGTERM when the thread that started it ends
// (PR_SET_PDEATHSIG), and exits at once should that thread already be gone. A parent that ends
// in any way, SIGKILL included, so leaves none of them running.
// The signal comes when the starting *thread* ends: start them from the thread that outlives
// them (the main thread).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace session_bus {

struct ChildOptions {
  int stdoutFd = -1;            // the child's stdout when >= 0
  bool quietStderr = false;     // stderr to /dev/null
  bool ownProcessGroup = true;  // so that a terminal's Ctrl-C reaches only the parent
};

// Starts argv (argv[0] searched on PATH when it has no '/') with no signal blocked and every
// signal's default action. Its pid, or -1 with the reason (a missing program included) in
// `error`.
pid_t startTiedChild(const std::vector<std::string>& argv, const ChildOptions& options, std::string& error);

}  // namespace session_bus
