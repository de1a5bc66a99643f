// Core Foundation stand-in: the Darwin notify center.
// Implements: observers registered by name with a callback and a suspension behaviour;
// posting records the name (the latest postings, in order, for dumps) and hands it to the
// center's transport. The default transport delivers within this process, which serves every
// host of the simulated phone; a live process carries postings system-wide instead (over the
// session bus), and what arrives from there is delivered here. Delivery schedules each
// observer's callback on the main queue. With the coalescing behaviour, postings of a name
// that arrive while that observer's delivery is still pending are folded into it: one
// callback.
// Leaves out: payloads (Darwin notifications carry none), the local and distributed
// centers, removing observers.
#pragma once

#include <functional>
#include <map>
#include <memory>
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

// Where postings go beyond this process.
class Transport {
 public:
  virtual ~Transport() = default;
  // Carries one posting to every process that observes the name, this one included. Called on
  // any thread.
  virtual void post(const std::string& name) = 0;
  // This process has its first observer of the name: from now on postings of it must arrive.
  virtual void observe(const std::string& name) = 0;
};

// Replaces the in-process delivery with a transport; names observed already are handed to it.
void useTransport(std::shared_ptr<Transport> transport);

// A posting that arrived through the transport: schedules the name's observers.
void deliverArrived(const std::string& name);

// The latest names posted by this process, in order (at most kPostedKept).
constexpr size_t kPostedKept = 10000;
std::vector<std::string> posted();
// How many times observers' callbacks have run, by name.
std::map<std::string, size_t> deliveries();

}  // namespace darwin_notify
