#include "cli/video/Filming.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "cli/sim/SimExtension.hpp"
#include "cli/video/FilmedScreens.hpp"
#include "cli/video/VideoLibrary.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/dispatch/TimerFirings.hpp"
#include "platform/fs/DeviceRoot.hpp"

namespace video {

Filming::Filming(SimContext& sim, const VideoOptions& options) : sim_(sim), options_(options) {
  screens_ = std::make_unique<FilmedScreens>(deviceProfile().screen, options.zoom);
  if (!options.frames.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.frames, ec);
    if (ec) throw std::runtime_error(fmt::format("cannot make the frames folder '{}': {}", options.frames, ec.message()));
  }
  encoder_ = openEncoder(Format{options.file, options.container(), screens_->width(), screens_->height(), options.fps});
  start_ = sim_clock::now();
  firingsSeen_ = sim_clock::firingsByAdvance();
  sim_.passTime = [this](double seconds) { passTime(seconds); };
}

Filming::~Filming() { sim_.passTime = nullptr; }

int64_t Filming::framesTotal() const { return encoder_->frames(); }

// On the clock's nanosecond grid, as the clock itself keeps time.
double Filming::frameTime(int64_t index) const {
  return std::round((start_ + static_cast<double>(index) / options_.fps) * 1e9) / 1e9;
}

void Filming::passTime(double seconds) {
  const double target = std::round((sim_clock::now() + std::max(0.0, seconds)) * 1e9) / 1e9;
  changed_ = true;  // the commands since the last frame
  while (frameTime(next_) <= target + 0.5e-9) {
    sim_clock::advance(std::max(0.0, frameTime(next_) - sim_clock::now()));
    takeFrame();
  }
  sim_clock::advance(std::max(0.0, target - sim_clock::now()));
}

void Filming::finish() {
  if (changed_ || next_ == 0) takeFrame();
  encoder_->finish();
}

void Filming::takeFrame() {
  const uint64_t firings = sim_clock::firingsByAdvance();
  const bool moving = screensMoving(sim_);
  const bool draw = next_ == 0 || changed_ || firings != firingsSeen_ || moving || wasMoving_;
  if (draw) {
    screens_->draw(sim_);
    encoder_->addFrame(screens_->pixels(), screens_->stride());
    ++drawn_;
  } else {
    encoder_->repeatFrame();
  }
  if (!options_.frames.empty()) writeFramePng(draw);
  changed_ = false;
  wasMoving_ = moving;
  firingsSeen_ = firings;
  ++next_;
}

void Filming::writeFramePng(bool drawnNow) {
  if (drawnNow) png_ = screens_->png();
  const auto path = std::filesystem::path(options_.frames) / fmt::format("{:06}.png", next_);
  device_fs::writeOutputFile(path.string(), png_);
}

}  // namespace video
