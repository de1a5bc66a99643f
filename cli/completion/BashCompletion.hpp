// Bash completion written from the command's own CLI11 definitions: its subcommands, each one's
// options (and the values an option lists, such as yes|no), and for `ctl` the process names and
// the first words of the command language that each process runs. Hidden subcommands are never
// offered.
#pragma once

#include <CLI/CLI.hpp>

#include <map>
#include <string>
#include <vector>

namespace completion {

struct Words {
  const CLI::App* root = nullptr;
  // The command language's first words a live process runs, by process name (ctl's PROCESS).
  std::map<std::string, std::vector<std::string>> lineWords;
};

// The script: one function, _velloway, bound with `complete -F` to velloway.
std::string bashScript(const Words& words);

// The values an option or argument lists in its help ("TEXT:{yes,no}" gives yes and no).
std::vector<std::string> listedValues(const CLI::Option* option);

}  // namespace completion
