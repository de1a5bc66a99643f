#include "platform/gestalt/MobileGestalt.hpp"

#include "platform/device/DeviceProfile.hpp"

std::optional<std::string> MGCopyAnswer(const std::string& key) {
  const DeviceProfile& device = deviceProfile();
  std::string answer;
  if (key == "ProductType")
    answer = device.productType;
  else if (key == "ProductVersion")
    answer = device.productVersion;
  else if (key == "BuildVersion")
    answer = device.buildVersion;
  else if (key == "DeviceClass")
    answer = device.idiom == DeviceIdiom::Pad ? "iPad" : "iPhone";
  if (answer.empty()) return std::nullopt;
  return answer;
}
