// A live session written down as a script of the command language, for `velloway sim FILE` to
// replay on the simulated clock. It opens with the state the session started from (the device
// options, the settings file with the welcome flag, the home screen's start), then holds each
// input as the line that carried it out, with `advance` lines for the time between inputs.
//
// The two processes of `velloway phone` write one recording: each input is appended under a
// lock on the file, and ends in a comment with its time since the recording began ("# at 1.250
// s"), so that the next writer, in either process, knows how much time has passed since.
#pragma once

#include <string>

#include "cli/sim/SimExtension.hpp"

namespace live {

class Recording {
 public:
  // Starts a new recording in FILE (emptied first) with the state it starts from; or, with
  // `join`, appends to the one that `velloway phone` started there. Throws std::runtime_error
  // when the file cannot be written.
  Recording(const std::string& path, bool join);
  ~Recording();
  Recording(const Recording&) = delete;
  Recording& operator=(const Recording&) = delete;

  // Writes the state a new recording starts from (by whichever process starts it).
  static void start(const std::string& path, const std::string& by);
  // What the process does as it starts that a replay must do too (the home screen loads the
  // tweak and launches), and what of it cannot be replayed, as comments.
  void processStarted(SimHost role, const std::string& media);
  // An input, after an `advance` for the time since the last one.
  void input(const std::string& line);
  // A comment line (what cannot be replayed).
  void note(const std::string& text);

 private:
  void append(const std::string& text, bool timed);

  int fd_ = -1;
  double origin_ = 0;  // the recording's start, on the system's monotonic clock
};

// The monotonic clock in seconds, the same in every process.
double monotonicSeconds();

}  // namespace live
