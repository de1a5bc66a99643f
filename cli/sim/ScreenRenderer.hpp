// Pictures of the simulated phone's screen as the user sees it.
#pragma once

#include <string>

struct SimContext;

// The Settings app while it is open, otherwise the home screen (lowered under the
// reachability window while reachability is active), with the alert on screen on top.
// windowOnly draws the reachability window alone. Throws SimError when the file cannot be
// written.
void renderPhoneScreen(SimContext& sim, const std::string& path, bool windowOnly);
