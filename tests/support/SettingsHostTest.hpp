// The Settings app on a fresh device: the built pane installed into the test's device root,
// a Settings host, the default device profile; and the pane's own methods (PaneAccess.hpp).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hosts/settings/SettingsHost.hpp"
#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "tests/support/DeviceRootTest.hpp"
#include "tests/support/PaneAccess.hpp"

namespace test_support {

inline constexpr const char* kSettingsPath = "/User/Library/Preferences/com.dovrane.velloway.plist";
inline constexpr const char* kNotification = "com.dovrane.velloway/settingschanged";
inline constexpr const char* kBundlePath = "/Library/PreferenceBundles/VLW.bundle";

// The pane's methods that no platform base class declares. Loads the pane bundle first when
// no test has yet; throws when the pane or the access module cannot be loaded.
const PaneAccess& paneAccess();

class SettingsHostTest : public DeviceRootTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path bundleFolder() const { return device_fs::hostPath(kBundlePath); }
  std::optional<plist::Dictionary> settingsFile() const { return plist::dictionaryWithContentsOfFile(kSettingsPath); }
  PSListControllerRef openRoot() {
    host_->openPane();
    return host_->topPage();
  }

  std::unique_ptr<SettingsHost> host_;
};

}  // namespace test_support
