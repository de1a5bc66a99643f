#include "cli/completion/BashCompletion.hpp"

#include <fmt/format.h>

#include "cli/manual/ManualPage.hpp"

namespace completion {

namespace {

// The part of the script that does not depend on the definitions. It finds the subcommand (the
// first word not an option), then completes by the word before the cursor: an option that
// takes a value gets the values it lists, else file names; otherwise an option, or the
// subcommand's next argument.
constexpr const char* kDriver = R"bash(
_velloway() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  local i sub="" word
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in -*) ;; *) sub=${COMP_WORDS[i]}; break ;; esac
  done
  COMPREPLY=()
  if [[ -z $sub ]]; then
    if [[ $cur == -* ]]; then word=$(_velloway_options ""); else word=$(_velloway_subcommands); fi
    COMPREPLY=($(compgen -W "$word" -- "$cur"))
    return
  fi
  if _velloway_takes_value "$sub" "$prev"; then
    word=$(_velloway_values "$sub" "$prev")
    if [[ -n $word ]]; then COMPREPLY=($(compgen -W "$word" -- "$cur")); else COMPREPLY=($(compgen -f -- "$cur")); fi
    return
  fi
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_velloway_options "$sub")" -- "$cur"))
    return
  fi
#The arguments before this one : words after the subcommand that are neither options nor
#their values.
  local -a arguments=()
  for ((i = i + 1; i < COMP_CWORD; i++));
do
    case ${COMP_WORDS[i]} in
      -*) _velloway_takes_value "$sub" "${COMP_WORDS[i]}" && ((i++)) ;;
      *) arguments+=("${COMP_WORDS[i]}") ;;
    esac
  done
  word=$(_velloway_argument "$sub" "${#arguments[@]}" "${arguments[0]-}")
  if [[ $word == "<files>" ]]; then
    COMPREPLY=($(compgen -f -- "$cur"))
  else
    local quote=""
    [[ $cur == [\'\"]* ]] && quote=${cur:0:1}
    COMPREPLY=($(compgen -P "$quote" -W "$word" -- "${cur#$quote}"))
  fi
}
complete -o filenames -F _velloway velloway
)bash";

std::string joined(const std::vector<std::string>& words) { return fmt::format("{}", fmt::join(words, " ")); }

std::vector<std::string> optionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options([](const CLI::Option* o) { return o->nonpositional(); })) {
    if (option->get_group().empty()) continue;
    for (const auto& name : option->get_snames()) names.push_back("-" + name);
    for (const auto& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

std::vector<const CLI::App*> offeredSubcommands(const CLI::App& root) {
  auto subs = root.get_subcommands([](const CLI::App* s) { return manual::offered(s); });
  return {subs.begin(), subs.end()};
}

// _velloway_options SUB, _velloway_takes_value SUB OPTION, _velloway_values SUB OPTION.
std::string optionFunctions(const CLI::App& root) {
  std::string options = fmt::format("    \"\") echo \"{}\" ;;\n", joined(optionNames(root)));
  std::string takesValue, values;
  for (const CLI::App* sub : offeredSubcommands(root)) {
    options += fmt::format("    {}) echo \"{}\" ;;\n", sub->get_name(), joined(optionNames(*sub)));
    for (const CLI::Option* option : sub->get_options([](const CLI::Option* o) { return o->nonpositional(); })) {
      if (option->get_group().empty() || option->get_expected_max() == 0) continue;  // a flag
      std::vector<std::string> names;
      for (const auto& name : option->get_snames()) names.push_back(sub->get_name() + " -" + name);
      for (const auto& name : option->get_lnames()) names.push_back(sub->get_name() + " --" + name);
      std::string pattern = fmt::format("\"{}\"", fmt::join(names, "\"|\""));
      takesValue += "    " + pattern + ") return 0 ;;\n";
      if (auto listed = listedValues(option); !listed.empty())
        values += fmt::format("    {}) echo \"{}\" ;;\n", pattern, joined(listed));
    }
  }
  return fmt::format("_velloway_options() {{\n  case $1 in\n{}  esac\n}}\n", options) +
         fmt::format("_velloway_takes_value() {{\n  case \"$1 $2\" in\n{}  esac\n  return 1\n}}\n", takesValue) +
         fmt::format("_velloway_values() {{\n  case \"$1 $2\" in\n{}  esac\n}}\n", values);
}

// _velloway_argument SUB INDEX FIRST: the words for the argument at INDEX, or <files>. ctl's
// second argument on are lines of the command language, for the process named first.
std::string argumentFunction(const Words& words) {
  std::string cases;
  for (const CLI::App* sub : offeredSubcommands(*words.root)) {
    auto positionals = sub->get_options([](const CLI::Option* o) { return o->get_positional(); });
    for (size_t index = 0; index < positionals.size(); ++index) {
      std::string values = joined(listedValues(positionals[index]));
      if (!values.empty()) cases += fmt::format("    \"{} {}\") echo \"{}\" ; return ;;\n", sub->get_name(), index, values);
    }
  }
  std::string lines;
  for (const auto& [process, firstWords] : words.lineWords)
    lines += fmt::format("    \"ctl {}\") echo \"{}\" ; return ;;\n", process, joined(firstWords));
  return fmt::format(
      "_velloway_argument() {{\n  case \"$1 $2\" in\n{}  esac\n  if [[ $1 == ctl ]]; then\n    case \"$1 $3\" in\n{}    "
      "esac\n"
      "    return\n  fi\n  echo \"<files>\"\n}}\n",
      cases, lines);
}

}  // namespace

std::vector<std::string> listedValues(const CLI::Option* option) {
  CLI::Formatter formatter;
  std::string opts = formatter.make_option_opts(option);
  auto open = opts.find(":{");
  auto close = opts.find('}', open);
  if (open == std::string::npos || close == std::string::npos) return {};
  std::vector<std::string> values;
  std::string inside = opts.substr(open + 2, close - open - 2);
  for (size_t start = 0; start <= inside.size();) {
    size_t comma = inside.find(',', start);
    if (comma == std::string::npos) comma = inside.size();
    if (comma > start) values.push_back(inside.substr(start, comma - start));
    start = comma + 1;
  }
  return values;
}

std::string bashScript(const Words& words) {
  std::vector<std::string> subcommands;
  for (const CLI::App* sub : offeredSubcommands(*words.root)) subcommands.push_back(sub->get_name());
  return "# bash completion for velloway, written by `velloway completion bash` from its own definitions\n" +
         fmt::format("_velloway_subcommands() {{\n  echo \"{}\"\n}}\n", joined(subcommands)) + optionFunctions(*words.root) +
         argumentFunction(words) + kDriver;
}

}  // namespace completion
