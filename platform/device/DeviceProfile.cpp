#include "platform/device/DeviceProfile.hpp"

DeviceProfile& deviceProfile() {
  static DeviceProfile* profile = new DeviceProfile;
  return *profile;
}
