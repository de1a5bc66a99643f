// The entry point of the commands library: the subcommands its files registered as it loaded.
#include "cli/Subcommand.hpp"
#include "platform/process/ProcessState.hpp"

extern "C" std::vector<Subcommand>* velloway_commands() {
  // Asked for once, before any command line is parsed into the process state (the device
  // options go straight into the device profile): a run, simulated or live, starts from new.
  process_state::reset();
  return &subcommands();
}
