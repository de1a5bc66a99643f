// velloway: one command for the simulated phone: the demo, the scriptable simulator, the
// artwork colour analysis.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli/Subcommand.hpp"

int main(int argc, char** argv) {
  CLI::App app{
      "velloway: music controls in the reachability window of a simulated phone, its settings pane, "
      "and the artwork colour analysis"};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Print help for every subcommand");

  auto& all = subcommands();
  std::sort(all.begin(), all.end(), [](const Subcommand& a, const Subcommand& b) { return a.order < b.order; });
  std::function<int()> run;
  std::vector<std::pair<CLI::App*, std::function<int()>>> runners;
  for (auto& sub : all) {
    CLI::App* sc = app.add_subcommand(sub.name, sub.description);
    runners.emplace_back(sc, sub.setup(*sc));
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    // CLI11 answers 0 for --help; usage errors get 2 like other bad input.
    return status == 0 ? 0 : 2;
  }
  for (auto& [sc, runner] : runners)
    if (sc->parsed()) return runner();
  return 2;
}
