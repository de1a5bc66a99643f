#include "tests/support/ChildProcess.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string_view>

extern char** environ;

namespace test_process {
namespace {

void addStream(posix_spawn_file_actions_t& actions, const Stream& stream, int target) {
  const bool input = target == STDIN_FILENO;
  switch (stream.kind) {
    case Stream::Kind::Inherit:
      break;
    case Stream::Kind::Null:
      posix_spawn_file_actions_addopen(&actions, target, "/dev/null", input ? O_RDONLY : O_WRONLY, 0);
      break;
    case Stream::Kind::File:
      posix_spawn_file_actions_addopen(&actions, target, stream.file.c_str(), input ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC,
                                       0644);
      break;
    case Stream::Kind::Descriptor:
      posix_spawn_file_actions_adddup2(&actions, stream.descriptor, target);
      break;
  }
}

std::string nameOf(std::string_view setting) { return std::string(setting.substr(0, setting.find('='))); }

std::vector<std::string> environmentWith(const std::vector<std::string>& settings) {
  std::vector<std::string> env = settings;
  for (char** e = environ; *e; ++e) {
    bool replaced = false;
    for (const auto& setting : settings) replaced = replaced || nameOf(*e) == nameOf(setting);
    if (!replaced) env.emplace_back(*e);
  }
  return env;
}

std::vector<char*> pointersTo(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (auto& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

pid_t spawn(const std::vector<std::string>& argv, const SpawnOptions& options) {
  if (argv.empty()) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  addStream(actions, options.input, STDIN_FILENO);
  addStream(actions, options.output, STDOUT_FILENO);
  addStream(actions, options.error, STDERR_FILENO);
  std::vector<std::string> args = argv;
  std::vector<std::string> env = options.environment.empty() ? std::vector<std::string>{} : environmentWith(options.environment);
  std::vector<char*> argPointers = pointersTo(args), envPointers = pointersTo(env);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argPointers.data(),
                                 options.environment.empty() ? environ : envPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

int exitStatusOf(int waitStatus) { return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus); }

ShellResult runShell(const std::string& command, const std::filesystem::path& scratch) {
  const auto out = scratch / "stdout", err = scratch / "stderr";
  SpawnOptions options;
  options.output = Stream::toFile(out);
  options.error = Stream::toFile(err);
  ShellResult result;
  const pid_t pid = spawn({"/bin/sh", "-c", command}, options);
  int status = 0;
  if (pid > 0) {
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.waitStatus = status;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  result.out = readAll(out);
  result.err = readAll(err);
  return result;
}

}  // namespace test_process
