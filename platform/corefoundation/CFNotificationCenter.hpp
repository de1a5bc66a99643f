// Core Foundation stand-in: the Darwin notify center.
// Implements: observers registered by name with a callback and a suspension behaviour;
// posting records the name (every posting, in order, for dumps) and schedules each
// observer's callback on the main queue. With the coalescing behaviour, postings of a name
// that arrive while that observer's delivery is still pending are folded into it: one
// callback. The center serves every host of the simulated phone: it is system-wide.
// Leaves out: payloads (Darwin notifications carry none), the local and distributed
// centers, removing observers.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct CFNotificationCenter;
using CFNotificationCenterRef = CFNotificationCenter*;
using CFNotificationCallback = void (*)(CFNotificationCenterRef center, void* observer, const std::string& name,
                                        const void* object, const void* userInfo);

enum CFNotificationSuspensionBehavior : long {
  CFNotificationSuspensionBehaviorDrop = 1,
  CFNotificationSuspensionBehaviorCoalesce = 2,
  CFNotificationSuspensionBehaviorHold = 3,
  CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter();
void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callback,
                                     const std::string& name, const void* object, CFNotificationSuspensionBehavior behavior);
void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void* object,
                                          const void* userInfo, bool deliverImmediately);

namespace darwin_notify {

// Every name posted so far, in order.
std::vector<std::string> posted();
size_t observerCount(const std::string& name);

}  // namespace darwin_notify
