#include "platform/foundation/NSNotificationCenter.hpp"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <vector>

#include "platform/objc/ObjCRuntime.hpp"
#include "platform/process/ProcessState.hpp"

struct NSNotificationCenter::State {
  struct Observer {
    std::string name;
    id object = nullptr;
    SEL selector = nullptr;
    std::function<void(const std::string&)> block;
    bool ofLoadedCode = false;  // registered by a library's load-time initialiser: kept by a reset
  };
  mutable std::mutex mutex;
  std::vector<Observer> observers;

  // The observers of loaded code only.
  void reset() {
    std::vector<Observer> dropped;  // released outside the lock: a block may own anything
    std::lock_guard lock(mutex);
    auto kept = std::stable_partition(observers.begin(), observers.end(), [](const Observer& o) { return o.ofLoadedCode; });
    dropped.assign(std::make_move_iterator(kept), std::make_move_iterator(observers.end()));
    observers.erase(kept, observers.end());
  }
};

NSNotificationCenter& NSNotificationCenter::defaultCenter() {
  static auto* center = new NSNotificationCenter;
  return *center;
}

NSNotificationCenter::State& NSNotificationCenter::state() const {
  static auto* s = process_state::make<State>("notification center");
  return *s;
}

void NSNotificationCenter::addObserver(id observer, SEL selector, const std::string& name, const void*) {
  if (!observer || !selector) return;
  std::lock_guard lock(state().mutex);
  state().observers.push_back({name, observer, selector, {}, process_state::loadingCode()});
}

void NSNotificationCenter::addObserverForName(const std::string& name, std::function<void(const std::string&)> block) {
  if (!block) return;
  std::lock_guard lock(state().mutex);
  state().observers.push_back({name, nullptr, nullptr, std::move(block), process_state::loadingCode()});
}

void NSNotificationCenter::postNotificationName(const std::string& name, const void*) {
  std::vector<State::Observer> targets;
  {
    std::lock_guard lock(state().mutex);
    for (const auto& o : state().observers)
      if (o.name == name) targets.push_back(o);
  }
  for (const auto& o : targets) {
    if (o.block) {
      o.block(name);
    } else {
      // The notification object itself is not modelled; observers get nil as argument.
      objc_support::send<void, id>(o.object, o.selector, nullptr);
    }
  }
}

size_t NSNotificationCenter::selectorObserverCount(const std::string& name) const {
  std::lock_guard lock(state().mutex);
  size_t n = 0;
  for (const auto& o : state().observers) n += (o.name == name && o.object);
  return n;
}
