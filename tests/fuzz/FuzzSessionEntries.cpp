// The entry points that need a running host: artwork through the colour analysis, the
// slider's entry alert in a Settings app, a line of the command language in a simulator.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "cli/sim/ScriptParser.hpp"
#include "cli/sim/SimSession.hpp"
#include "colorart/UIImage+ColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/graphics/ImageDecoder.hpp"
#include "platform/plist/PropertyList.hpp"
#include "platform/preferences/PSListController.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIImage.hpp"
#include "tests/fuzz/FuzzEntries.hpp"

namespace fuzz_entry {
namespace {

// A device root for the whole run, under the temporary folder, removed at exit.
void useScratchRoot() {
  static const std::filesystem::path root = [] {
    auto dir = makeTemporaryRoot();
    device_fs::useRoot(dir);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(device_fs::root(), ec);
    });
    return dir;
  }();
  (void)root;
}

}  // namespace

int artwork(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  DecodeLimits limits;
  limits.maxSide = 1024;
  limits.maxPixels = 1024 * 1024;
  auto decoded = decodeImage(std::span<const uint8_t>(data, size), limits);
  if (!decoded) return 0;
  auto image = std::make_shared<UIImage>(decoded->width, decoded->height, std::move(decoded->pixels));
  // As the overlay colours itself: scaled down, then analysed.
  (void)colorArt(scaledToSize(image, CGSizeMake(0.8, 0.8)));
  return 0;
}

int sliderText(const uint8_t* data, size_t size) {
  // One Settings app for the run, on the page with the slider.
  static SettingsHost* host = [] {
    useScratchRoot();
    if (!SettingsHost::installPane()) std::abort();
    auto* h = new SettingsHost;
    h->openPane();
    h->tap("Configuration");
    main_loop::runUntilIdle();
    return h;
  }();
  const std::string key = "albumArtCornerRadius";
  auto row = host->topPage()->specifierForKey(key);
  if (!row) std::abort();
  const double min = row->propertyForKey("min").doubleValue(), max = row->propertyForKey("max").doubleValue();
  device_fs::removeFile("/var/mobile/Library/Preferences/com.dovrane.velloway.plist");
  host->touchValueEntry(key);
  auto alert = alert_center::onScreen();
  if (!alert || !alert->textFieldAtIndex(0)) std::abort();
  alert->textFieldAtIndex(0)->text = std::string(reinterpret_cast<const char*>(data), size);
  alert->dismissWithClickedButtonIndex(alert->indexOfButtonTitled("Enter"));
  main_loop::runUntilIdle();
  // A refused value shows the error alert; its OK brings the entry back; Cancel ends it.
  if (auto error = alert_center::onScreen()) {
    error->dismissWithClickedButtonIndex(0);
    if (auto again = alert_center::onScreen()) again->dismissWithClickedButtonIndex(again->indexOfButtonTitled("Cancel"));
  }
  main_loop::runUntilIdle();
  if (alert_center::onScreen()) std::abort();
  auto stored = plist::dictionaryWithContentsOfFile("/var/mobile/Library/Preferences/com.dovrane.velloway.plist",
                                                    plist::kPreferencesLimits);
  if (stored) {
    const auto& v = (*stored)[key];
    // Whatever was typed, what is stored is a whole number within the row's bounds.
    if (!v.isInteger() || v.integerValue() < std::floor(min) || v.integerValue() > max) std::abort();
  }
  alert_center::reset();
  return 0;
}

int simLine(const uint8_t* data, size_t size) {
  static std::ostringstream out;
  static SimSession* session = [] {
    useScratchRoot();
    return new SimSession(out, std::filesystem::temp_directory_path().string());
  }();
  std::string line(reinterpret_cast<const char*>(data), size);
  if (line.find('\n') != std::string::npos) return 0;  // one line
  try {
    auto words = splitScriptLine(line);
    if (!words || words->words.empty()) return 0;
    const auto& w = words->words;
    // Commands that write a host file the user names, or wait on the clock for long.
    for (const auto& word : w)
      if (word == "render" || word == "mail-save" || word == "keepalive") return 0;
    if (w[0] == "advance") return 0;
    session->run(words->words, words->quoted);
  } catch (const std::exception&) {
    // A refused line is an answer, not a fault.
  }
  out.str("");
  main_loop::runUntilIdle();
  return 0;
}

std::span<const Target> targets() {
  static const Target all[] = {
      {"settings", settingsFile}, {"panelists", specifierList}, {"strings", stringsTable},
      {"artwork", artwork},       {"slider", sliderText},       {"simline", simLine},
  };
  return all;
}

}  // namespace fuzz_entry
