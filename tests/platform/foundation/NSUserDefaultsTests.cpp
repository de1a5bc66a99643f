#include <gtest/gtest.h>

#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/foundation/NSUserDefaults.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

class UserDefaults : public test_support::DeviceRootTest {};

TEST_F(UserDefaults, AnswerFromMemoryUntilSynchronizeThenSeeOtherWriters) {
  NSUserDefaults::setApplicationDomain("com.example.app");
  auto defaults = NSUserDefaults::standardUserDefaults();
  EXPECT_EQ(defaults, NSUserDefaults::standardUserDefaults());
  EXPECT_EQ(defaults->domain(), "com.example.app");
  EXPECT_TRUE(defaults->objectForKey("count").isNil());
  defaults->setObject(3, "count");
  EXPECT_EQ(CFPreferencesCopyAppValue("count", "com.example.app"), plist::Value(3)) << "written through";
  CFPreferencesSetAppValue("count", 4, "com.example.app");  // another writer
  EXPECT_EQ(defaults->objectForKey("count"), plist::Value(3));
  EXPECT_TRUE(defaults->synchronize());
  EXPECT_EQ(defaults->objectForKey("count"), plist::Value(4));
  defaults->setObject(plist::Value(), "count");
  EXPECT_TRUE(defaults->objectForKey("count").isNil());
  EXPECT_TRUE(CFPreferencesCopyAppValue("count", "com.example.app").isNil());
  NSUserDefaults::setApplicationDomain("com.apple.Preferences");
  EXPECT_EQ(NSUserDefaults::standardUserDefaults()->domain(), "com.apple.Preferences");
}

}  // namespace
