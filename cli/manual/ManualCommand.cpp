// velloway manual: writes a manual page from the command's own definitions (cli/manual/
// ManualPage). Hidden: the build runs it to make velloway(1) and velloway-SUBCOMMAND(1).
#include <fmt/format.h>

#include <fstream>
#include <iostream>

#include "cli/Subcommand.hpp"
#include "cli/manual/ManualPage.hpp"

namespace {

struct ManualOptions {
  std::string command;
  std::vector<std::string> includes;
  std::string output;
};

int writeManual(const CLI::App& root, const ManualOptions& o) {
  manual::PageSource source{&root, nullptr, {}, VELLOWAY_VERSION, VELLOWAY_RELEASE_DATE};
  if (!o.command.empty()) {
    auto found = root.get_subcommands([&](const CLI::App* s) { return manual::offered(s) && s->get_name() == o.command; });
    if (found.empty()) {
      std::cerr << fmt::format("velloway manual: no subcommand '{}'\n", o.command);
      return 2;
    }
    source.command = found.front();
  }
  for (const auto& name : o.includes) {
    std::ifstream file(name);
    if (!file) {
      std::cerr << fmt::format("velloway manual: cannot read '{}'\n", name);
      return 2;
    }
    auto sections = manual::readSections(file);
    source.extra.insert(source.extra.end(), sections.begin(), sections.end());
  }
  std::string text = manual::page(source);
  if (o.output.empty()) {
    std::cout << text;
    return 0;
  }
  std::ofstream out(o.output, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::cerr << fmt::format("velloway manual: cannot write '{}'\n", o.output);
    return 1;
  }
  return 0;
}

const SubcommandRegistration registration{
    Subcommand{"manual", "Write the manual page of velloway or of one of its subcommands (roff)",
               [](CLI::App& app) -> std::function<int()> {
                 auto o = std::make_shared<ManualOptions>();
                 app.add_option("subcommand", o->command, "The subcommand (none: velloway(1) itself)");
                 app.add_option("--include", o->includes, "A section file to merge in ([SECTION] headings, roff)");
                 app.add_option("--output", o->output, "The file to write (default: stdout)");
                 return [o, &app] { return writeManual(*app.get_parent(), *o); };
               },
               900, true}};

}  // namespace
