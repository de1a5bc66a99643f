// The progress line of a long `velloway colorart` run on a terminal: files done / total, rate
// and time left, redrawn in place on stderr. Shown only when stderr is a terminal, and only
// once the run has taken a moment; never when stderr is a file or a pipe.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace colorart_cli {

class Progress {
 public:
  // `enabled`: whether stderr is a terminal.
  Progress(size_t total, bool enabled);
  // Redraws the line if due (at most ten times a second, not in the first second).
  void update(size_t done);
  // Erases the line (before another line goes to stderr, and at the end).
  void clear();

  // The line for `done` of `total` after `seconds`: "done/total files, R files/s, Ns left".
  static std::string line(size_t done, size_t total, double seconds, int width);

 private:
  size_t total_;
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_, last_;
};

}  // namespace colorart_cli
