// The velloway command's subcommands register themselves here, one file each, so that adding
// a subcommand never means editing main.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

struct Subcommand {
  std::string name;
  std::string description;
  // Adds the subcommand's options to its CLI11 app and returns what runs it (its exit status).
  std::function<std::function<int()>(CLI::App& app)> setup;
  int order = 100;      // position in --help
  bool hidden = false;  // a tool of the build (manual pages, completion): not in --help, never completed
};

std::vector<Subcommand>& subcommands();

struct SubcommandRegistration {
  explicit SubcommandRegistration(Subcommand subcommand) { subcommands().push_back(std::move(subcommand)); }
};

// Every subcommand but ctl lives in the commands library (libvelloway-commands.so), which the
// executable loads only when one of them runs. The library's registrations go to a registry of
// its own; this entry point, a `CommandsEntry`, hands them over.
constexpr const char* kCommandsEntry = "velloway_commands";
using CommandsEntry = std::vector<Subcommand>* (*)();
