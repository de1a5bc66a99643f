#include "cli/colorart/Progress.hpp"

#include <fmt/format.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace colorart_cli {

Progress::Progress(size_t total, bool enabled)
    : total_(total), enabled_(enabled), start_(std::chrono::steady_clock::now()), last_(start_) {}

std::string Progress::line(size_t done, size_t total, double seconds, int width) {
  const double rate = seconds > 0 ? done / seconds : 0;
  std::string tail = fmt::format(" {}/{} files, {:.1f} files/s", done, total, rate);
  if (rate > 0 && done < total) {
    const long left = std::lround((total - done) / rate);
    tail += left >= 60 ? fmt::format(", {}m{:02}s left", left / 60, left % 60) : fmt::format(", {}s left", left);
  }
  const int bar = std::max(0, std::min(40, width - static_cast<int>(tail.size()) - 3));
  const int filled = total ? static_cast<int>(bar * static_cast<double>(done) / total) : bar;
  return "[" + std::string(filled, '#') + std::string(bar - filled, '-') + "]" + tail;
}

void Progress::update(size_t done) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::seconds(1) || (shown_ && now - last_ < std::chrono::milliseconds(100))) return;
  last_ = now;
  winsize ws{};
  const int width = ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col : 80;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::fputs(("\r\033[K" + line(done, total_, seconds, width)).c_str(), stderr);
  std::fflush(stderr);
  shown_ = true;
}

void Progress::clear() {
  if (!shown_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace colorart_cli
