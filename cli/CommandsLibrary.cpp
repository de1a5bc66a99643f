// The entry point of the commands library: the subcommands its files registered as it loaded.
#include "cli/Subcommand.hpp"

extern "C" std::vector<Subcommand>* velloway_commands() { return &subcommands(); }
