// Child processes of the tests and the benchmarks, started one way: posix_spawn with the
// standard streams and the environment said here. Waiting and ending are the caller's (by pid).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace test_process {

// Where one standard stream of the child goes.
struct Stream {
  enum class Kind { Inherit, Null, File, Descriptor };
  Kind kind = Kind::Inherit;
  std::filesystem::path file;  // File: read from (standard input), or made or emptied and written
  int descriptor = -1;         // Descriptor: one of ours, which the child gets as that stream

  static Stream inherit() { return {}; }
  static Stream null() { return {Kind::Null, {}, -1}; }
  static Stream toFile(const std::filesystem::path& path) { return {Kind::File, path, -1}; }
  static Stream fromDescriptor(int fd) { return {Kind::Descriptor, {}, fd}; }
};

struct SpawnOptions {
  Stream input, output, error;
  // NAME=VALUE settings put before ours; ours of the same names are left out.
  std::vector<std::string> environment;
};

// Starts argv[0] (looked up on PATH when it holds no slash) with argv; its pid, or -1 when it
// could not be started.
pid_t spawn(const std::vector<std::string>& argv, const SpawnOptions& options = {});

// The status a child ended with: its exit status, or 128 + the signal that ended it.
int exitStatusOf(int waitStatus);

struct ShellResult {
  int status = -1;      // the exit status; -1 when the shell did not end normally
  int waitStatus = -1;  // as waitpid gave it; -1 when the shell could not be started
  std::string out, err;
};

// Runs a command line through /bin/sh, as std::system does, and waits for it however long it
// takes; its output goes through files in `scratch` (an existing folder), read back when it ends.
ShellResult runShell(const std::string& command, const std::filesystem::path& scratch);

}  // namespace test_process
