// Shared set-up of the pane's tests: a fresh device root with the built pane installed, a
// Settings app, the default device profile, and access to the few methods of the pane's
// classes that no platform base class declares.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "hosts/settings/SettingsHost.hpp"
#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/UIAlertView.hpp"

namespace prefs_test {

inline constexpr const char* kSettingsPath = "/User/Library/Preferences/com.dovrane.velloway.plist";
inline constexpr const char* kNotification = "com.dovrane.velloway/settingschanged";
inline constexpr const char* kBundlePath = "/Library/PreferenceBundles/VLW.bundle";

inline std::filesystem::path makeTemporaryFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vlw-prefs-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

inline void writeHostFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  ASSERT_TRUE(device_fs::writeHostFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end())));
}

// A fresh device root per test, the pane installed from the build, a Settings app.
class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = makeTemporaryFolder();
    device_fs::useRoot(root_);
    deviceProfile() = DeviceProfile{};
    alert_center::reset();
    ASSERT_TRUE(SettingsHost::installPane(VELLOWAY_BUILD_FOLDER)) << "the build has no VLW.bundle";
    host_ = std::make_unique<SettingsHost>();
    main_loop::runUntilIdle();
  }
  void TearDown() override {
    host_.reset();
    main_loop::runUntilIdle();
    alert_center::reset();
    deviceProfile() = DeviceProfile{};
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  std::filesystem::path bundleFolder() const { return device_fs::hostPath(kBundlePath); }
  std::optional<plist::Dictionary> settingsFile() const { return plist::dictionaryWithContentsOfFile(kSettingsPath); }
  static size_t postedCount() { return darwin_notify::posted().size(); }
  // The notifications posted since `from` postings.
  static std::vector<std::string> postedSince(size_t from) {
    auto all = darwin_notify::posted();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
  }
  PSListControllerRef openRoot() {
    host_->openPane();
    return host_->topPage();
  }

  std::filesystem::path root_;
  std::unique_ptr<SettingsHost> host_;
};

// A function of the loaded pane bundle, by its symbol. The pane's classes live in VLW.so,
// loaded at run time as the Settings app loads it; methods that no platform base class
// declares are reached this way. Member functions take the object as their first argument
// (after the hidden result pointer, which the declared return type supplies).
template <class Fn>
Fn paneFunction(const char* symbol) {
  void* f = dlsym(RTLD_DEFAULT, symbol);
  if (!f) throw std::runtime_error(std::string("the pane bundle has no ") + symbol);
  return reinterpret_cast<Fn>(f);
}

}  // namespace prefs_test
