// How many timers the simulated clock has fired, for a caller that must know whether letting
// time pass ran anything (a video draws a frame anew only then, or while something moves).
#pragma once

#include <cstdint>

namespace sim_clock {

// Timers fired by advance() so far (a repeating timer counts each time it fires).
uint64_t firingsByAdvance();

}  // namespace sim_clock
