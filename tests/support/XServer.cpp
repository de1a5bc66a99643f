#include "tests/support/XServer.hpp"

#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <stdexcept>

using namespace std::chrono_literals;

namespace live_test {

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

XServer::XServer(const std::filesystem::path& logs, const std::string& screen) {
  server_ = Child({"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"}, logs, "xvfb");
  eventually([&] { return !server_.stdoutText().empty() && server_.stdoutText().back() == '\n'; }, 20s);
  std::string number = server_.stdoutText();
  while (!number.empty() && std::isspace(static_cast<unsigned char>(number.back()))) number.pop_back();
  if (number.empty()) throw std::runtime_error("Xvfb did not start: " + server_.stderrText());
  setenv("DISPLAY", (":" + number).c_str(), 1);
}

XServer::~XServer() {
  server_.stop(SIGTERM);
  unsetenv("DISPLAY");
}

}  // namespace live_test
