// A window destroyed by another client (a window manager's kill, `xdotool windowclose`): each
// request of ours still on its way is an X error then, and GDK ends the process on an X error
// it did not expect, with exit status 1. Watched, the destruction ends the process's loop
// instead, as closing the window does.
#pragma once

#include <string>

typedef struct _GtkWindow GtkWindow;

namespace gui {

// Watches the shown window (X11; elsewhere nothing) until endWatch: `gone` runs once, on the
// main thread, when another client destroys it.
void watchForOutsideDestruction(GtkWindow* window, void (*gone)());
// After the window has been destroyed on our side: an X error that came while it was watched
// and that its destruction does not explain, as a message; else empty.
std::string endWatch();

}  // namespace gui
