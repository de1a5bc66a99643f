// One reachability activation with the tweak loaded: the activation hook (the home screen's
// own implementation twice, the overlay made, its settings read, the now-playing request, the
// layout) and then the now-playing answer applied on the main queue. With a 600 x 600 JPEG
// artwork the answer decodes it; without, it clears the image views.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"

namespace {

SpringBoardHost& host() {
  static std::unique_ptr<SpringBoardHost> h = [] {
    static const auto dir = device_fs::makeTemporaryFolder("velloway-activation-bench");
    std::atexit([] { std::filesystem::remove_all(dir); });
    device_fs::useRoot(dir);
    auto sb = std::make_unique<SpringBoardHost>();
    sb->loadTweak(SpringBoardHost::defaultTweakPath());
    sb->finishLaunching();
    main_loop::runUntilIdle();
    return sb;
  }();
  return *h;
}

void activate(benchmark::State& state, bool withArtwork) {
  SpringBoardHost& sb = host();
  NowPlayingItem item;
  item.title = "Velvet Morning";
  item.artist = "The Reachables";
  item.album = "Benchmarks";
  if (withArtwork) item.artwork = device_fs::readHostFile(ARTWORK_JPEG);
  if (withArtwork && !item.artwork) {
    state.SkipWithError("cannot read the artwork JPEG");
    return;
  }
  NowPlayingPlayer::shared().setCurrentItem(item, false);
  for (auto _ : state) {
    sb.activateReachability();
    main_loop::drainMainQueue();  // the now-playing answer
    state.PauseTiming();
    sb.deactivateReachability();
    main_loop::runUntilIdle();
    state.ResumeTiming();
  }
}

void BM_ActivationWithoutArtwork(benchmark::State& state) { activate(state, false); }
void BM_ActivationWith600x600Jpeg(benchmark::State& state) { activate(state, true); }

BENCHMARK(BM_ActivationWithoutArtwork)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ActivationWith600x600Jpeg)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
