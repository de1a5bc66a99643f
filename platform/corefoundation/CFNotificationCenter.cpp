#include "platform/corefoundation/CFNotificationCenter.hpp"

#include <algorithm>
#include <deque>
#include <mutex>

#include "platform/dispatch/Dispatch.hpp"

struct CFNotificationCenter {
  struct Observer {
    const void* observer;
    CFNotificationCallback callback;
    std::string name;
    CFNotificationSuspensionBehavior behavior;
    bool deliveryPending = false;
  };
  std::mutex mutex;
  std::vector<std::shared_ptr<Observer>> observers;
  std::deque<std::string> posted;
  std::map<std::string, size_t> deliveries;
  std::shared_ptr<darwin_notify::Transport> transport;  // null: within this process
};

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter() {
  static auto* center = new CFNotificationCenter;
  return center;
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callback,
                                     const std::string& name, const void*, CFNotificationSuspensionBehavior behavior) {
  if (!center || !callback) return;
  std::shared_ptr<darwin_notify::Transport> transport;
  {
    std::lock_guard lock(center->mutex);
    bool firstOfName = true;
    for (const auto& o : center->observers) firstOfName = firstOfName && o->name != name;
    center->observers.push_back(
        std::make_shared<CFNotificationCenter::Observer>(CFNotificationCenter::Observer{observer, callback, name, behavior}));
    if (firstOfName) transport = center->transport;
  }
  if (transport) transport->observe(name);
}

namespace {

// Schedules the name's observers on the main queue; the caller holds the center's mutex.
void scheduleObserversLocked(CFNotificationCenterRef center, const std::string& name) {
  for (auto& o : center->observers) {
    if (o->name != name) continue;
    if (o->behavior == CFNotificationSuspensionBehaviorCoalesce && o->deliveryPending) continue;
    o->deliveryPending = true;
    dispatch_async(dispatch_get_main_queue(), [center, o] {
      {
        std::lock_guard lock(center->mutex);
        o->deliveryPending = false;
        ++center->deliveries[o->name];
      }
      // Darwin notifications carry no object and no user information.
      o->callback(center, const_cast<void*>(o->observer), o->name, nullptr, nullptr);
    });
  }
}

}  // namespace

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void*, const void*,
                                          bool) {
  if (!center) return;
  std::shared_ptr<darwin_notify::Transport> transport;
  {
    std::lock_guard lock(center->mutex);
    center->posted.push_back(name);
    if (center->posted.size() > darwin_notify::kPostedKept) center->posted.pop_front();
    transport = center->transport;
    if (!transport) scheduleObserversLocked(center, name);
  }
  if (transport) transport->post(name);
}

namespace darwin_notify {

void useTransport(std::shared_ptr<Transport> transport) {
  auto* center = CFNotificationCenterGetDarwinNotifyCenter();
  std::vector<std::string> names;
  {
    std::lock_guard lock(center->mutex);
    center->transport = transport;
    for (const auto& o : center->observers)
      if (std::find(names.begin(), names.end(), o->name) == names.end()) names.push_back(o->name);
  }
  if (transport)
    for (const auto& name : names) transport->observe(name);
}

void deliverArrived(const std::string& name) {
  auto* center = CFNotificationCenterGetDarwinNotifyCenter();
  std::lock_guard lock(center->mutex);
  scheduleObserversLocked(center, name);
}

std::vector<std::string> posted() {
  auto* center = CFNotificationCenterGetDarwinNotifyCenter();
  std::lock_guard lock(center->mutex);
  return {center->posted.begin(), center->posted.end()};
}

std::map<std::string, size_t> deliveries() {
  auto* center = CFNotificationCenterGetDarwinNotifyCenter();
  std::lock_guard lock(center->mutex);
  return center->deliveries;
}

}  // namespace darwin_notify
