// Simulator commands that are a finger or a key: taps, swipes, drags and keys. Each goes through
// the input interface of the host in front, the same way a window's mouse and keyboard go, so
// that a recorded window session and its script do the same. The alert on screen comes first.
#include <fmt/format.h>

#include <map>

#include "cli/sim/SimExtension.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/uikit/UIGestureRecognizer.hpp"

namespace {

void expectArgs(const std::vector<std::string>& args, size_t min, size_t max, const char* usage) {
  if (args.size() < min || args.size() > max) throw SimError(fmt::format("usage: {}", usage));
}

CGPoint point(const std::string& word) {
  double x = 0, y = 0;
  if (!parsePoint(word, x, y)) throw SimError(fmt::format("bad point '{}': expected X,Y", word));
  return {x, y};
}

unsigned parseCount(const std::string& word) {
  char* end = nullptr;
  long n = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end || n < 1 || n > 10) throw SimError(fmt::format("bad tap count '{}': expected 1 to 10", word));
  return static_cast<unsigned>(n);
}

unsigned direction(const std::string& word) {
  if (word == "up") return UISwipeGestureRecognizerDirectionUp;
  if (word == "down") return UISwipeGestureRecognizerDirectionDown;
  if (word == "left") return UISwipeGestureRecognizerDirectionLeft;
  if (word == "right") return UISwipeGestureRecognizerDirectionRight;
  throw SimError(fmt::format("bad direction '{}': expected up, down, left or right", word));
}

// `tap cover` touches the cover itself, whatever is over it. A tap at a point is a finger on
// the screen: the alert on screen takes it; else the host in front.
void tap(SimContext& sim, const std::vector<std::string>& args) {
  expectArgs(args, 1, 2, "tap cover|X,Y [COUNT]");
  unsigned count = args.size() > 1 ? parseCount(args[1]) : 1;
  if (args[0] == "cover") {
    if (!sim.springboard().tapCover(count)) throw SimError("there is no overlay with a small cover to touch");
    return;
  }
  CGPoint p = point(args[0]);
  sim.front().touch(p, count);
}

void swipe(SimContext& sim, const std::vector<std::string>& args) {
  expectArgs(args, 2, 2, "swipe cover|X,Y up|down|left|right");
  unsigned towards = direction(args[1]);
  if (args[0] == "cover") {
    if (!sim.springboard().swipeCover(towards)) throw SimError("there is no overlay with a small cover to touch");
    return;
  }
  CGPoint p = point(args[0]);
  sim.front().swipe(p, towards);
}

void drag(SimContext& sim, const std::vector<std::string>& args) {
  expectArgs(args, 2, 2, "drag X,Y X,Y");
  CGPoint from = point(args[0]), to = point(args[1]);
  if (!sim.front().drag(from, to)) throw SimError(fmt::format("nothing to drag at {}: a drag moves a slider's thumb", args[0]));
}

const std::map<std::string, InputHost::Key> kKeys{
    {"return", InputHost::Key::Return}, {"escape", InputHost::Key::Escape}, {"backspace", InputHost::Key::BackSpace}};

void key(SimContext& sim, const std::vector<std::string>& args) {
  expectArgs(args, 1, 1, "key return|escape|backspace");
  auto found = kKeys.find(args[0]);
  if (found == kKeys.end()) throw SimError(fmt::format("bad key '{}': expected return, escape or backspace", args[0]));
  if (!sim.front().key(found->second)) throw SimError(fmt::format("nothing on screen takes the key {}", args[0]));
}

const SimCommandRegistration registrations[] = {
    SimCommandRegistration{{"tap",
                            "tap cover|X,Y [COUNT]  (touch the cover, or the screen at a point, COUNT times: the alert on "
                            "screen, else the Settings app when shown, else the reachability window, where a tap "
                            "under it ends reachability)",
                            tap}},
    SimCommandRegistration{
        {"swipe", "swipe cover|X,Y up|down|left|right  (a one-finger swipe on the cover, or on the screen at a point)", swipe}},
    SimCommandRegistration{{"drag", "drag X,Y X,Y  (a finger down on a slider, moved to the second point, lifted)", drag}},
    SimCommandRegistration{
        {"key", "key return|escape|backspace  (the alert's default or cancel button, or a deletion in its field)", key}},
};

}  // namespace
