#include "cli/manual/ManualPage.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <istream>
#include <sstream>

namespace manual {

namespace {

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string pageName(const CLI::App* command) { return command ? "velloway-" + command->get_name() : "velloway"; }

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \n") - first + 1);
}

// One option as --help shows it: its names in bold, its value's type in italics, its text.
std::string optionEntry(const CLI::Option* option, bool positional) {
  CLI::Formatter formatter;
  std::string names = trim(formatter.make_option_name(option, positional));
  std::string opts = trim(formatter.make_option_opts(option));
  std::string out = ".TP\n\\fB" + escape(names) + "\\fR";
  if (!opts.empty()) out += " \\fI" + escape(opts) + "\\fR";
  return out + "\n" + escape(trim(formatter.make_option_desc(option))) + "\n";
}

std::string optionsSection(const CLI::App& app) {
  std::string out;
  for (const CLI::Option* option : app.get_options([](const CLI::Option* o) { return o->get_positional(); }))
    if (!option->get_group().empty()) out += optionEntry(option, true);
  for (const CLI::Option* option : app.get_options([](const CLI::Option* o) { return o->nonpositional(); }))
    if (!option->get_group().empty()) out += optionEntry(option, false);
  return out;
}

std::string synopsis(const CLI::App* root, const CLI::App* command) {
  if (!command) return "\\fBvelloway\\fR \\fISUBCOMMAND\\fR [\\fIOPTIONS\\fR]\n";
  std::string out = "\\fBvelloway " + escape(command->get_name()) + "\\fR [\\fIOPTIONS\\fR]";
  for (const CLI::Option* option : command->get_options([](const CLI::Option* o) { return o->get_positional(); })) {
    std::string name = "\\fI" + escape(option->get_name(true)) + "\\fR";
    if (option->get_items_expected_max() > 1) name += "...";
    out += option->get_required() ? " " + name : " [" + name + "]";
  }
  return out + "\n";
}

// The footer as --help prints it: its paragraphs, and its indented lines (a list, such as the
// sim's commands) one under the other, each wrapped to the page's width.
std::string footer(const CLI::App& app) {
  std::string out;
  bool inList = false;
  std::istringstream lines(trim(app.get_footer()));
  for (std::string line; std::getline(lines, line);) {
    const bool indented = line.rfind("  ", 0) == 0;
    if (indented && !inList) out += ".RS 2\n.PD 0\n";
    if (!indented && inList) out += ".PD\n.RE\n";
    inList = indented;
    out += ".PP\n" + escape(trim(line)) + "\n";
  }
  if (inList) out += ".PD\n.RE\n";
  return out;
}

std::string subcommandsSection(const CLI::App& root) {
  std::string out;
  for (const CLI::App* sub : root.get_subcommands([](const CLI::App* s) { return offered(s); }))
    out += fmt::format(".TP\n\\fBvelloway {}\\fR\n{} See \\fB{}\\fR(1).\n", escape(sub->get_name()),
                       escape(sub->get_description()), escape(pageName(sub)));
  return out;
}

std::string seeAlso(const CLI::App& root, const CLI::App* command) {
  std::vector<std::string> pages;
  if (command) pages.push_back("\\fBvelloway\\fR(1)");
  for (const CLI::App* sub : root.get_subcommands([](const CLI::App* s) { return offered(s); }))
    if (sub != command) pages.push_back("\\fB" + escape(pageName(sub)) + "\\fR(1)");
  return fmt::format("{}\n", fmt::join(pages, ",\n"));
}

}  // namespace

bool offered(const CLI::App* command) { return command && !command->get_group().empty(); }

std::string escape(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
    lineStart = c == '\n';
  }
  return out;
}

std::vector<Section> readSections(std::istream& in) {
  std::vector<Section> sections;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      sections.push_back({upper(line.substr(1, line.size() - 2)), ""});
      continue;
    }
    if (!sections.empty()) sections.back().text += line + "\n";
  }
  for (auto& section : sections) section.text = trim(section.text) + "\n";
  return sections;
}

std::string page(const PageSource& source) {
  const CLI::App& root = *source.root;
  const CLI::App& app = source.command ? *source.command : root;
  std::vector<Section> written{{"NAME", escape(pageName(source.command)) + " \\- " + escape(app.get_description()) + "\n"},
                               {"SYNOPSIS", synopsis(source.root, source.command)},
                               {"DESCRIPTION", escape(app.get_description()) + ".\n" + footer(app)},
                               {"OPTIONS", optionsSection(app)}};
  if (!source.command) written.push_back({"SUBCOMMANDS", subcommandsSection(root)});
  const size_t lastWritten = written.size();
  for (const Section& extra : source.extra) {
    auto same =
        std::find_if(written.begin(), written.begin() + lastWritten, [&](const Section& s) { return s.name == extra.name; });
    if (same != written.begin() + lastWritten)
      same->text += ".PP\n" + extra.text;
    else
      written.push_back(extra);
  }
  written.push_back({"SEE ALSO", seeAlso(root, source.command)});
  std::string out = fmt::format(".TH {} 1 \"{}\" \"velloway {}\" \"User Commands\"\n", upper(escape(pageName(source.command))),
                                source.date, source.version);
  for (const Section& section : written) out += ".SH \"" + section.name + "\"\n" + section.text;
  return out;
}

}  // namespace manual
