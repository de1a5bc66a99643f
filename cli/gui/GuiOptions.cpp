// The window's options and the checks that need no GTK: they are part of every live subcommand,
// while GTK itself is loaded only by a process that opens a window (cli/live/WindowLibrary).
#include <cstdlib>

#include "cli/gui/Gui.hpp"

namespace gui {

void addGuiOptions(CLI::App& app, GuiOptions& options) {
  CLI::Option* gui =
      app.add_flag("--gui", options.enabled,
                   "Show the screen in a desktop window (GTK 4) and take mouse and keys as touches and typing; needs a display");
  app.add_option("--zoom", options.zoom, "The window's starting zoom: 1 or 2 window pixels per point (Ctrl+1, Ctrl+2)")
      ->check(CLI::IsMember({1, 2}))
      ->needs(gui);
  app.add_option("--frame-times", options.frameTimes,
                 "Append each frame's drawing time in milliseconds to this file (for the frame-time benchmark)")
      ->needs(gui);
}

std::vector<std::string> guiArguments(const GuiOptions& options) {
  if (!options.enabled) return {};
  std::vector<std::string> args{"--gui", "--zoom", std::to_string(options.zoom)};
  if (!options.frameTimes.empty()) args.insert(args.end(), {"--frame-times", options.frameTimes});
  return args;
}

std::string displayProblem() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!x || !*x) && (!wayland || !*wayland))
    return "no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set); without a window use 'velloway sim', "
           "'velloway ctl' and 'render'";
  return {};
}

}  // namespace gui
