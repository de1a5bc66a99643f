// An X server without a screen (Xvfb) of a test's or benchmark's own, and what drives it.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/LiveHarness.hpp"

namespace live_test {

// Whether a program is found on PATH.
bool onPath(const std::string& program);

// Xvfb started with -displayfd, its display put into DISPLAY; ended by its pid.
class XServer {
 public:
  explicit XServer(const std::filesystem::path& logs, const std::string& screen = "1700x1450x24");
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

 private:
  Child server_;
};

}  // namespace live_test
