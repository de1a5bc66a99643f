// A run of the simulated phone filmed on its own clock. Frame k shows the moment k/fps seconds
// after filming began: while `advance` moves the clock, it stops at each frame's moment (firing
// the timers due by then) and the screens are drawn and encoded. A frame is drawn only when
// something may have changed since the last one (a command ran, a timer fired, an animation
// runs or has just ended); otherwise the encoder repeats the last frame, without drawing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/video/VideoOptions.hpp"

struct SimContext;

namespace video {

class Encoder;
class FilmedScreens;

class Filming {
 public:
  // Starts the file and takes over the context's `advance`; options completed (VideoOptions::
  // complete). Throws std::runtime_error when the video cannot be made.
  Filming(SimContext& sim, const VideoOptions& options);
  ~Filming();  // gives `advance` back

  // Lets `seconds` pass on the simulated clock, frame by frame.
  void passTime(double seconds);
  // Films the state the last commands left (when they changed anything since the last frame)
  // and writes the file's end. Throws std::runtime_error.
  void finish();

  int64_t framesDrawn() const { return drawn_; }
  int64_t framesTotal() const;

 private:
  double frameTime(int64_t index) const;
  void takeFrame();
  void writeFramePng(bool drawnNow);

  SimContext& sim_;
  VideoOptions options_;
  std::unique_ptr<FilmedScreens> screens_;
  std::unique_ptr<Encoder> encoder_;
  double start_ = 0;          // the clock's time at frame 0
  int64_t next_ = 0;          // the next frame's index
  bool changed_ = true;       // commands may have run since the last frame
  bool wasMoving_ = false;    // something was animating at the last frame
  uint64_t firingsSeen_ = 0;  // the clock's timer firings at the last frame
  int64_t drawn_ = 0;         // frames drawn (the others repeat the one before)
  std::vector<uint8_t> png_;  // the last drawn frame as a PNG, for --video-frames
};

}  // namespace video
