#include "platform/device/DeviceProfile.hpp"

#include "platform/process/ProcessState.hpp"

DeviceProfile& deviceProfile() {
  static DeviceProfile* profile =
      process_state::make<DeviceProfile>("device profile", [](DeviceProfile& p) { p = DeviceProfile{}; });
  return *profile;
}
