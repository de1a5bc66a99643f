// The live processes' windows are in a library of their own, libvelloway-gui.so (cli/gui/, GTK 4),
// loaded by the first process that opens one: every other run of velloway, windowless live
// processes included, never loads GTK.
#pragma once

#include <string>

#include "cli/gui/Gui.hpp"

namespace window_library {

// gui::prepareWindow in the window library; why the window cannot be also when the library
// cannot be loaded.
std::string prepareWindow(const gui::GuiOptions& options);
// gui::runWithWindow in the window library, after prepareWindow succeeded (std::runtime_error
// otherwise).
void runWithWindow(SimSession& session, const std::string& title, const gui::GuiOptions& options);

// What the library hands over through its entry point, kEntry, a function returning a pointer
// to Entries.
struct Entries {
  std::string (*prepareWindow)(const gui::GuiOptions& options);
  void (*runWithWindow)(SimSession& session, const std::string& title, const gui::GuiOptions& options);
};
constexpr const char* kEntry = "velloway_windows";

}  // namespace window_library
