#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/dispatch/Dispatch.hpp"

namespace {
int deliveries = 0;
void countDelivery(CFNotificationCenterRef, void*, const std::string&, const void*, const void*) { ++deliveries; }
}  // namespace

TEST(DarwinNotifyCenter, CoalescesPostingsWhileADeliveryIsPending) {
  auto* center = CFNotificationCenterGetDarwinNotifyCenter();
  CFNotificationCenterAddObserver(center, nullptr, countDelivery, "test/coalesce", nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
  deliveries = 0;
  CFNotificationCenterPostNotification(center, "test/coalesce", nullptr, nullptr, true);
  CFNotificationCenterPostNotification(center, "test/coalesce", nullptr, nullptr, true);
  EXPECT_EQ(deliveries, 0);  // delivered on the main queue, not during the post
  main_loop::drainMainQueue();
  EXPECT_EQ(deliveries, 1);
  CFNotificationCenterPostNotification(center, "test/coalesce", nullptr, nullptr, true);
  main_loop::drainMainQueue();
  EXPECT_EQ(deliveries, 2);
  auto posted = darwin_notify::posted();
  EXPECT_EQ(std::count(posted.begin(), posted.end(), "test/coalesce"), 3);
}
