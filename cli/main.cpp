// velloway: one command for the simulated phone: the demo, the scriptable simulator, the live
// processes and ctl, the artwork colour analysis.
//
// The executable itself is thin: CLI11, fmt and sdbus-c++, with ctl, so that a script sending
// many ctl lines pays little more than the bus call for each. The other subcommands, with the
// platform, the hosts, the renderer and GTK, are in the commands library, loaded with dlopen
// when one of them runs and for the help that lists them all.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "cli/RuntimeLibrary.hpp"
#include "cli/Subcommand.hpp"

namespace {

// `velloway ctl ...` needs no other subcommand, unless it asks for every subcommand's help.
bool ctlAlone(int argc, char** argv) {
  if (argc < 2 || std::string_view(argv[1]) != "ctl") return false;
  for (int i = 2; i < argc; ++i)
    if (std::string_view(argv[i]) == "--help-all") return false;
  return true;
}

// Loads the commands library (in ../lib beside the executable) and adds its subcommands to ours.
// Never closed: they run from it.
bool loadCommands() {
  const std::string path = runtimeLibraryPath(VELLOWAY_COMMANDS_LIBRARY, reinterpret_cast<const void*>(&ctlAlone));
  void* library = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  auto entry = library ? reinterpret_cast<CommandsEntry>(dlsym(library, kCommandsEntry)) : nullptr;
  if (!entry) {
    const char* error = dlerror();
    std::fprintf(stderr, "velloway: cannot load its commands: %s\n", error ? error : VELLOWAY_COMMANDS_LIBRARY);
    return false;
  }
  std::vector<Subcommand>* theirs = entry();
  if (theirs != &subcommands()) subcommands().insert(subcommands().end(), theirs->begin(), theirs->end());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!ctlAlone(argc, argv) && !loadCommands()) return 1;
  CLI::App app{
      "velloway: music controls in the reachability window of a simulated phone, its settings pane, "
      "and the artwork colour analysis"};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Print help for every subcommand");
  app.set_version_flag("--version", "velloway " VELLOWAY_VERSION);

  auto& all = subcommands();
  std::sort(all.begin(), all.end(), [](const Subcommand& a, const Subcommand& b) { return a.order < b.order; });
  std::vector<std::pair<CLI::App*, std::function<int()>>> runners;
  for (auto& sub : all) {
    CLI::App* sc = app.add_subcommand(sub.name, sub.description);
    if (sub.hidden) sc->group("");  // CLI11 leaves a subcommand of no group out of the help
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
