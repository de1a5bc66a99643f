#include "cli/Subcommand.hpp"

std::vector<Subcommand>& subcommands() {
  static std::vector<Subcommand> all;
  return all;
}
