// Pictures of the simulated phone's screen as the user sees it.
#pragma once

#include <string>

struct SimContext;
namespace render {
class Canvas;
}

// What the screen shows, drawn on a canvas of the screen's size: the Settings app while it is
// open, otherwise the home screen (lowered under the reachability window while reachability
// is active), with the alert on screen on top.
void drawPhoneScreen(SimContext& sim, render::Canvas& canvas);

// The screen (as drawPhoneScreen) to a PNG file; windowOnly draws the reachability window
// alone; moving draws running animations as they are at the clock's time (as a window or a
// video shows them), else the views' model values. Throws SimError when the file cannot be
// written.
void renderPhoneScreen(SimContext& sim, const std::string& path, bool windowOnly, bool moving = false);
