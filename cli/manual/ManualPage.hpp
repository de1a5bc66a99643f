// Manual pages written from the command's own CLI11 definitions, the same ones --help prints, so
// that they cannot drift from it. What --help lacks (the command language, exit statuses, files)
// comes from hand-written section files, merged in as help2man's --include does:
//   [SECTION NAME]
//   roff text, up to the next [SECTION] line
// A section named like a written one (DESCRIPTION, OPTIONS, ...) is added at its end; any other
// follows OPTIONS, in the file's order.
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>
#include <vector>

namespace manual {

struct Section {
  std::string name;  // upper case, as in the file
  std::string text;  // roff
};

// The sections of a section file, in order.
std::vector<Section> readSections(std::istream& in);

struct PageSource {
  const CLI::App* root = nullptr;     // the velloway command
  const CLI::App* command = nullptr;  // its subcommand, or null for velloway(1) itself
  std::vector<Section> extra;         // from the section files
  std::string version;                // the footer's "velloway VERSION"
  std::string date;                   // the footer's date, e.g. "2026-12-09"
};

// The page as roff (man(7)): velloway(1) or velloway-SUBCOMMAND(1).
std::string page(const PageSource& source);

// Text made safe for roff: backslashes and dashes escaped, no line starting with a control
// character.
std::string escape(const std::string& text);

// Whether a subcommand is offered to users (shown in --help, given a page and a completion).
bool offered(const CLI::App* command);

}  // namespace manual
