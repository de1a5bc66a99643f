// A hostile MPRIS player for the live benchmark, run as a child process on the benchmark's
// private bus as org.mpris.MediaPlayer2.bench:
//  - flood: PropertiesChanged with a new title, as fast as `perSecond` allows;
//  - churn: every `periodSeconds` a new title and mpris:artUrl, alternating between two
//    image files.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace bench_player {

constexpr const char* kName = "bench";  // org.mpris.MediaPlayer2.bench

pid_t startFlood(int perSecond);
pid_t startChurn(const std::filesystem::path& first, const std::filesystem::path& second, double periodSeconds);

// A side x side RGB PNG of a smooth two-colour gradient (quick to write, long to decode).
bool writeGradientPng(const std::filesystem::path& file, int side, unsigned seed);

}  // namespace bench_player
