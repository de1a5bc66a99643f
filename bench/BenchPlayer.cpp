#include "BenchPlayer.hpp"

#include <fmt/format.h>
#include <png.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace bench_player {
namespace {

constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
using Properties = std::map<std::string, sdbus::Variant>;
using Clock = std::chrono::steady_clock;

// The player's object: what GetAll answers, and PropertiesChanged as the player changes.
class Player {
 public:
  Player()
      : bus_(sdbus::createSessionBusConnectionWithAddress(std::getenv("DBUS_SESSION_BUS_ADDRESS"))),
        object_(sdbus::createObject(*bus_, "/org/mpris/MediaPlayer2")) {
    object_->registerProperty("PlaybackStatus").onInterface(kPlayerInterface).withGetter([] { return std::string("Playing"); });
    object_->registerProperty("Metadata").onInterface(kPlayerInterface).withGetter([this] { return metadata_; });
    object_->finishRegistration();
    bus_->requestName(std::string("org.mpris.MediaPlayer2.") + kName);
  }

  void change(Properties metadata) {
    metadata_ = std::move(metadata);
    object_->emitSignal("PropertiesChanged")
        .onInterface("org.freedesktop.DBus.Properties")
        .withArguments(std::string(kPlayerInterface), Properties{{"Metadata", sdbus::Variant(metadata_)}},
                       std::vector<std::string>{});
  }
  // Answers what has arrived (GetAll) without waiting.
  void serve() {
    while (bus_->processPendingRequest()) {
    }
  }

 private:
  std::unique_ptr<sdbus::IConnection> bus_;
  std::unique_ptr<sdbus::IObject> object_;
  Properties metadata_{{"xesam:title", sdbus::Variant(std::string("Bench"))}};
};

Properties track(const std::string& title, const std::string& artUrl = {}) {
  Properties m{{"xesam:title", sdbus::Variant(title)}, {"mpris:trackid", sdbus::Variant(sdbus::ObjectPath("/bench/track"))}};
  if (!artUrl.empty()) m["mpris:artUrl"] = sdbus::Variant(artUrl);
  return m;
}

template <class Body>
pid_t forkPlayer(Body body) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid != 0) return pid;
  try {
    Player player;
    body(player);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench player: %s\n", e.what());
  }
  _exit(0);
}

void appendBytes(png_structp png, png_bytep bytes, png_size_t length) {
  std::fwrite(bytes, 1, length, static_cast<FILE*>(png_get_io_ptr(png)));
}

}  // namespace

pid_t startFlood(int perSecond) {
  return forkPlayer([perSecond](Player& player) {
    // Batches of a hundredth of a second, each as fast as the bus takes them.
    const int batch = std::max(1, perSecond / 100);
    auto next = Clock::now();
    for (uint64_t n = 0;;) {
      for (int i = 0; i < batch; ++i) player.change(track(fmt::format("Flood {}", ++n)));
      player.serve();
      next += std::chrono::milliseconds(10);
      std::this_thread::sleep_until(next);
    }
  });
}

pid_t startChurn(const fs::path& first, const fs::path& second, double periodSeconds) {
  return forkPlayer([=](Player& player) {
    auto next = Clock::now();
    for (uint64_t n = 0;; ++n) {
      const fs::path& cover = n % 2 ? second : first;
      player.change(track(fmt::format("Cover {}", n), "file://" + cover.string()));
      next += std::chrono::microseconds(int64_t(periodSeconds * 1e6));
      while (Clock::now() < next) {
        player.serve();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
  });
}

bool writeGradientPng(const fs::path& file, int side, unsigned seed) {
  FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<uint8_t> row(size_t(side) * 3);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    std::fclose(out);
    return false;
  }
  png_set_write_fn(png, out, appendBytes, nullptr);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, side, side, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      row[size_t(x) * 3] = uint8_t(x * 255 / side);
      row[size_t(x) * 3 + 1] = uint8_t(y * 255 / side);
      row[size_t(x) * 3 + 2] = uint8_t(seed * 97);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(out) == 0;
}

}  // namespace bench_player
