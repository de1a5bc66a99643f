#include <gtest/gtest.h>

#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/plist/PropertyList.hpp"
#include "tests/support/DeviceRootTest.hpp"

using test_support::DeviceRootTest;

TEST_F(DeviceRootTest, PreferencesMergeIntoTheDomainFile) {
  EXPECT_TRUE(CFPreferencesCopyAppValue("beta4-HasRun", "com.dovrane.velloway").isNil());
  plist::writeToFile({{"isEnabled", false}}, "/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist");
  CFPreferencesSetAppValue("beta4-HasRun", kCFBooleanTrue, "com.dovrane.velloway");
  auto dict = plist::dictionaryWithContentsOfFile("/User/Library/Preferences/com.dovrane.velloway.plist");
  ASSERT_TRUE(dict);
  EXPECT_EQ((*dict)["isEnabled"], plist::Value(false));
  EXPECT_EQ((*dict)["beta4-HasRun"], plist::Value(true));
}
