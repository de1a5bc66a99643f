// A live process: the home screen or the Settings app running on its own, in real time, on a
// persistent device root, meeting the other only through the settings file and Darwin
// notifications carried over the session bus, and serving `velloway ctl` through its control
// object until SIGINT or SIGTERM.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

#include "cli/gui/Gui.hpp"
#include "cli/live/LiveNames.hpp"

namespace live {

struct ProcessOptions {
  std::string root;               // empty: defaultDeviceRoot()
  std::string name;               // empty: derived from the root
  std::string media = "builtin";  // the home screen's now-playing source: builtin, mpris or mpris:NAME
  gui::GuiOptions gui;
  std::string record;       // a file the session is recorded into, as a script; empty: none
  bool recordJoin = false;  // append to the recording that `velloway phone` started there
};

// Adds --root, --name, --gui and --zoom to a live subcommand.
void addProcessOptions(CLI::App& app, ProcessOptions& options);

// Runs the role until SIGINT or SIGTERM; answers the exit status.
int runProcess(Role role, const ProcessOptions& options);

}  // namespace live
