// The entry point of the window library (libvelloway-gui.so): what a live process that opens a
// window calls in it.
#include "cli/gui/Gui.hpp"
#include "cli/live/WindowLibrary.hpp"

extern "C" const window_library::Entries* velloway_windows() {
  static const window_library::Entries entries{&gui::prepareWindow, &gui::runWithWindow};
  return &entries;
}
