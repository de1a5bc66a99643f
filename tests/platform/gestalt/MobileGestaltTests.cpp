#include <gtest/gtest.h>

#include "platform/device/DeviceProfile.hpp"
#include "platform/gestalt/MobileGestalt.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

// The device profile starts and ends at its defaults.
class MobileGestalt : public test_support::ProcessStateTest {};

TEST_F(MobileGestalt, AnswersTheDevicesFactsAndNothingForTheRest) {
  EXPECT_EQ(MGCopyAnswer("ProductType"), "iPhone7,2");
  EXPECT_EQ(MGCopyAnswer("ProductVersion"), "9.0.2");
  EXPECT_EQ(MGCopyAnswer("BuildVersion"), "13A452");
  EXPECT_EQ(MGCopyAnswer("DeviceClass"), "iPhone");
  deviceProfile().idiom = DeviceIdiom::Pad;
  deviceProfile().buildVersion = "";
  EXPECT_EQ(MGCopyAnswer("DeviceClass"), "iPad");
  EXPECT_EQ(MGCopyAnswer("BuildVersion"), std::nullopt);
  EXPECT_EQ(MGCopyAnswer("SerialNumber"), std::nullopt);
  EXPECT_EQ(MGCopyAnswer(""), std::nullopt);
}

}  // namespace
