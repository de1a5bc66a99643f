// Simulator commands that let time pass: nothing runs between commands otherwise.
#include <fmt/format.h>

#include <cmath>

#include "cli/sim/SimExtension.hpp"
#include "platform/dispatch/Dispatch.hpp"

namespace {

const SimCommandRegistration registrations[] = {
    SimCommandRegistration{{"idle", "idle  (run the main queue until nothing is pending)",
                            [](SimContext&, const std::vector<std::string>& args) {
                              if (!args.empty()) throw SimError("usage: idle");
                              main_loop::runUntilIdle();
                            }}},
    SimCommandRegistration{{"advance", "advance SECONDS  (move the clock on, firing timers and running the main queue)",
                            [](SimContext& sim, const std::vector<std::string>& args) {
                              if (args.size() != 1) throw SimError("usage: advance SECONDS");
                              char* end = nullptr;
                              double seconds = std::strtod(args[0].c_str(), &end);
                              // Decimal only: strtod would also take hexadecimal ("0x10") and "infinity".
                              bool decimal = args[0].find_first_not_of("0123456789.eE+-") == std::string::npos;
                              if (args[0].empty() || !decimal || *end || !std::isfinite(seconds) || seconds < 0 ||
                                  seconds > 86400)
                                throw SimError(fmt::format("bad duration '{}': expected seconds from 0 to 86400", args[0]));
                              if (sim.passTime)
                                sim.passTime(seconds);
                              else
                                sim_clock::advance(seconds);
                            },
                            SimHost::Any, "time passes by itself there"}},
};

}  // namespace
