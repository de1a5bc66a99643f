#include "platform/corefoundation/CFNotificationCenter.hpp"

#include <memory>
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
  std::vector<std::string> posted;
};

CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter() {
  static auto* center = new CFNotificationCenter;
  return center;
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer, CFNotificationCallback callback,
                                     const std::string& name, const void*, CFNotificationSuspensionBehavior behavior) {
  if (!center || !callback) return;
  std::lock_guard lock(center->mutex);
  center->observers.push_back(std::make_shared<CFNotificationCenter::Observer>(
      CFNotificationCenter::Observer{observer, callback, name, behavior}));
}

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, const std::string& name, const void*, const void*,
                                          bool) {
  if (!center) return;
  std::lock_guard lock(center->mutex);
  center->posted.push_back(name);
  for (auto& o : center->observers) {
    if (o->name != name) continue;
    if (o->behavior == CFNotificationSuspensionBehaviorCoalesce && o->deliveryPending) continue;
    o->deliveryPending = true;
    dispatch_async(dispatch_get_main_queue(), [center, o] {
      {
        std::lock_guard lock(center->mutex);
        o->deliveryPending = false;
      }
      // Darwin notifications carry no object and no user information.
      o->callback(center, const_cast<void*>(o->observer), o->name, nullptr, nullptr);
    });
  }
}

namespace darwin_notify {

std::vector<std::string> posted() {
  auto* center = CFNotificationCenterGetDarwinNotifyCenter();
  std::lock_guard lock(center->mutex);
  return center->posted;
}

size_t observerCount(const std::string& name) {
  auto* center = CFNotificationCenterGetDarwinNotifyCenter();
  std::lock_guard lock(center->mutex);
  size_t n = 0;
  for (auto& o : center->observers) n += o->name == name;
  return n;
}

}  // namespace darwin_notify
