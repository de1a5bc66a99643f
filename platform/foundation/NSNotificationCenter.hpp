// Foundation stand-in: the default (in-process) notification center.
// Implements: observers that are runtime objects with a selector (the object runtime sends
// it, with the notification as argument) and observers that are blocks; posting delivers
// synchronously, on the posting thread, to every observer of the name in the order they
// were added.
// Leaves out: the object filter (every observer here listens to any sender), removing
// observers, queues for block observers, user-info payloads.
#pragma once

#include <functional>
#include <string>

typedef struct objc_object* id;
typedef const struct objc_selector* SEL;

class NSNotificationCenter {
 public:
  static NSNotificationCenter& defaultCenter();

  // addObserver:selector:name:object: — the observer is not retained.
  void addObserver(id observer, SEL selector, const std::string& name, const void* object);
  // addObserverForName:object:queue:usingBlock: (queue nil: delivered on the posting thread).
  void addObserverForName(const std::string& name, std::function<void(const std::string& name)> block);
  void postNotificationName(const std::string& name, const void* object = nullptr);

  // Registrations of runtime objects for a name (hosts count them for dumps).
  size_t selectorObserverCount(const std::string& name) const;

 private:
  NSNotificationCenter() = default;
  struct State;
  State& state() const;
};
