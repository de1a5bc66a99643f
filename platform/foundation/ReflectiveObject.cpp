#include "platform/foundation/ReflectiveObject.hpp"

#include <mutex>
#include <set>

#include "platform/process/ProcessState.hpp"

namespace {

struct RegistryState {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<ClassInfo>, std::less<>> classes;
  std::set<std::string, std::less<>> withdrawn;
};

RegistryState& registryState() {
  // Never destroyed: classes outlive static teardown. They are code, defined as their libraries
  // load, so a reset brings back only the classes withdrawn.
  static RegistryState* state = process_state::make<RegistryState>("withdrawn classes", [](RegistryState& s) {
    std::lock_guard lock(s.mutex);
    s.withdrawn.clear();
  });
  return *state;
}

}  // namespace

bool ClassInfo::isSubclassOf(const ClassInfo& other) const {
  for (const ClassInfo* c = this; c; c = c->superclass)
    if (c == &other) return true;
  return false;
}

const ClassInfo::Method* ClassInfo::findMethod(std::string_view selector) const {
  for (const ClassInfo* c = this; c; c = c->superclass) {
    auto it = c->methods.find(selector);
    if (it != c->methods.end()) return &it->second;
  }
  return nullptr;
}

ReflectiveObjectRef ClassInfo::instantiate() const { return factory ? factory() : nullptr; }

const ClassInfo& ClassRegistry::define(std::string name, const ClassInfo* superclass, ClassInfo::Factory factory,
                                       std::map<std::string, ClassInfo::Method, std::less<>> methods) {
  auto& state = registryState();
  std::lock_guard lock(state.mutex);
  auto it = state.classes.find(name);
  if (it != state.classes.end()) return *it->second;
  auto info = std::make_unique<ClassInfo>();
  info->name = name;
  info->superclass = superclass;
  info->factory = std::move(factory);
  info->methods = std::move(methods);
  auto& stored = *info;
  state.classes.emplace(std::move(name), std::move(info));
  return stored;
}

const ClassInfo* ClassRegistry::find(std::string_view name) {
  auto& state = registryState();
  std::lock_guard lock(state.mutex);
  auto it = state.classes.find(name);
  return it == state.classes.end() || state.withdrawn.count(name) ? nullptr : it->second.get();
}

void ClassRegistry::withdraw(std::string_view name) {
  auto& state = registryState();
  std::lock_guard lock(state.mutex);
  state.withdrawn.emplace(name);
}

const ClassInfo* NSClassFromString(std::string_view name) { return ClassRegistry::find(name); }

const ClassInfo& ReflectiveObject::staticClassInfo() {
  static const ClassInfo& info =
      ClassRegistry::define("ReflectiveObject", nullptr, [] { return std::make_shared<ReflectiveObject>(); });
  return info;
}

bool ReflectiveObject::isKindOfClass(std::string_view name) const {
  for (const ClassInfo* c = &classInfo(); c; c = c->superclass)
    if (c->name == name) return true;
  return false;
}

bool ReflectiveObject::respondsToSelector(std::string_view selector) const { return classInfo().findMethod(selector) != nullptr; }

bool ReflectiveObject::performSelector(std::string_view selector, const ReflectiveObjectRef& argument) {
  const ClassInfo::Method* method = classInfo().findMethod(selector);
  if (!method) return false;
  (*method)(*this, argument);
  return true;
}
