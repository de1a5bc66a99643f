// The live processes' windows: `velloway springboard|settings --gui` shows the process's screen
// in a desktop window (GTK 4), live, and turns the mouse and keys into touches and typing
// through the platform layer's own paths. Only this folder knows GTK.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

class SimSession;

namespace gui {

struct GuiOptions {
  bool enabled = false;
  int zoom = 1;            // 1 or 2: window pixels per point (times the display's own scale)
  std::string frameTimes;  // a file that gets each frame's drawing time in milliseconds, one a line
};

// Adds --gui and --zoom to a live subcommand.
void addGuiOptions(CLI::App& app, GuiOptions& options);
// The same options as arguments for a child process (empty when the window is off).
std::vector<std::string> guiArguments(const GuiOptions& options);

// Why no window can be opened here (no display named in the environment), or empty.
std::string displayProblem();
// Connects to the display and checks the options, before the process serves anyone: why the
// window cannot be, or empty when runWithWindow may follow.
std::string prepareWindow(const GuiOptions& options);

// Runs the process's main loop with its window open, until main_loop::stop() or the window
// closes (by its close button, or destroyed by another client). `title` names the process
// (and its --name) and its device root. Throws std::runtime_error when prepareWindow has not
// succeeded, or when the display reported an error the window's end does not explain.
void runWithWindow(SimSession& session, const std::string& title, const GuiOptions& options);

}  // namespace gui
