// velloway completion bash: writes the shell completion script (cli/completion/BashCompletion).
// Hidden, and never offered itself: the build runs it once for the installed script.
#include <algorithm>
#include <fstream>
#include <iostream>

#include "cli/Subcommand.hpp"
#include "cli/completion/BashCompletion.hpp"
#include "cli/sim/SimExtension.hpp"

namespace {

// The first words of the lines a live process of that kind runs (what ctl sends it).
std::vector<std::string> liveLineWords(SimHost host) {
  std::vector<std::string> words{"dump"};  // the runner's own command
  for (const SimCommand& command : simRegistry().commands)
    if ((command.host == SimHost::Any || command.host == host) && command.notLive.empty()) words.push_back(command.name);
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  return words;
}

const SubcommandRegistration registration{
    Subcommand{"completion", "Write the shell completion script for velloway",
               [](CLI::App& app) -> std::function<int()> {
                 auto shell = std::make_shared<std::string>(), output = std::make_shared<std::string>();
                 app.add_option("shell", *shell, "The shell")->required()->check(CLI::IsMember({"bash"}));
                 app.add_option("--output", *output, "The file to write (default: stdout)");
                 return [&app, shell, output] {
                   completion::Words words{
                       app.get_parent(),
                       {{"springboard", liveLineWords(SimHost::HomeScreen)}, {"settings", liveLineWords(SimHost::Settings)}}};
                   std::string script = completion::bashScript(words);
                   if (output->empty()) {
                     std::cout << script;
                     return 0;
                   }
                   std::ofstream file(*output, std::ios::binary | std::ios::trunc);
                   file << script;
                   file.close();
                   if (file) return 0;
                   std::cerr << "velloway completion: cannot write '" << *output << "'\n";
                   return 1;
                 };
               },
               901, true}};

}  // namespace
