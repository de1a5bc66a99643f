// Foundation stand-in: ReflectiveObject, the C++ base class of the platform's objects, which
// know their class by name and answer selectors by name, and the process's registry of those
// classes. (The Objective-C runtime's root class, "NSObject", is another thing: platform/objc.)
// Implements: class descriptions with a superclass chain, a factory for plain alloc/init, a
// table of selectors each class answers (used for target/action, timers, scripted sends),
// NSClassFromString (with classes withdrawn by name, for a system that lacks them),
// isKindOfClass:, respondsToSelector:, performSelector:withObject:.
// Leaves out: reference counting (std::shared_ptr does it), method swizzling (the Objective-C
// runtime side in platform/objc does hooking), protocols, KVO.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class ReflectiveObject;
using ReflectiveObjectRef = std::shared_ptr<ReflectiveObject>;

// What the process knows about one class.
struct ClassInfo {
  // A selector's implementation: the receiver and the one optional object argument.
  using Method = std::function<void(ReflectiveObject& self, const ReflectiveObjectRef& argument)>;
  using Factory = std::function<ReflectiveObjectRef()>;

  std::string name;
  const ClassInfo* superclass = nullptr;
  Factory factory;  // empty for classes that cannot be made with plain alloc/init
  std::map<std::string, Method, std::less<>> methods;

  bool isSubclassOf(const ClassInfo& other) const;  // true for the class itself too
  const Method* findMethod(std::string_view selector) const;
  ReflectiveObjectRef instantiate() const;  // null when the class has no factory of its own
};

// All classes of the process, by name. Thread-safe.
class ClassRegistry {
 public:
  // Defines (or, when called again with the same name, returns) a class.
  static const ClassInfo& define(std::string name, const ClassInfo* superclass, ClassInfo::Factory factory,
                                 std::map<std::string, ClassInfo::Method, std::less<>> methods = {});
  static const ClassInfo* find(std::string_view name);
  // Takes a class out of reach by name, as on a system whose frameworks lack it: find and
  // NSClassFromString answer null from then on. Its description and its objects stay valid.
  static void withdraw(std::string_view name);
};

// The class registered under that name, or null ("Nil") when no such class is loaded.
const ClassInfo* NSClassFromString(std::string_view name);

// Binds a member function as a selector implementation.
template <class C>
ClassInfo::Method selectorOf(void (C::*method)()) {
  return [method](ReflectiveObject& self, const ReflectiveObjectRef&) { (static_cast<C&>(self).*method)(); };
}
template <class C, class A>
ClassInfo::Method selectorOf(void (C::*method)(const std::shared_ptr<A>&)) {
  return [method](ReflectiveObject& self, const ReflectiveObjectRef& argument) {
    (static_cast<C&>(self).*method)(std::dynamic_pointer_cast<A>(argument));
  };
}

// Declares the class-description accessors inside a class body. The matching definition is
// VW_DEFINE_CLASS in the .cpp file.
#define VW_DECLARE_CLASS()                   \
 public:                                     \
  static const ClassInfo& staticClassInfo(); \
  const ClassInfo& classInfo() const override { return staticClassInfo(); }

// Defines the class description and registers it when the library is loaded, so that
// NSClassFromString finds it. FACTORY may be nullptr; the optional last argument is the
// selector table.
#define VW_DEFINE_CLASS(Class, Super, FACTORY, ...)                                                                              \
  const ClassInfo& Class::staticClassInfo() {                                                                                    \
    static const ClassInfo& info = ClassRegistry::define(#Class, &Super::staticClassInfo(), FACTORY __VA_OPT__(, ) __VA_ARGS__); \
    return info;                                                                                                                 \
  }                                                                                                                              \
  [[maybe_unused]] static const ClassInfo& registered_##Class = Class::staticClassInfo();

template <class C>
ClassInfo::Factory factoryOf() {
  return [] { return std::make_shared<C>(); };
}

// The root of the platform's C++ classes (views, controllers, layers, values), registered as
// "ReflectiveObject".
class ReflectiveObject : public std::enable_shared_from_this<ReflectiveObject> {
 public:
  ReflectiveObject() = default;
  ReflectiveObject(const ReflectiveObject&) = delete;
  ReflectiveObject& operator=(const ReflectiveObject&) = delete;
  virtual ~ReflectiveObject() = default;

  static const ClassInfo& staticClassInfo();
  virtual const ClassInfo& classInfo() const { return staticClassInfo(); }

  std::string_view className() const { return classInfo().name; }
  bool isKindOfClass(const ClassInfo& cls) const { return classInfo().isSubclassOf(cls); }
  bool isKindOfClass(std::string_view name) const;
  virtual bool respondsToSelector(std::string_view selector) const;
  // Sends a selector from the class's table; false (and nothing happens) when the receiver
  // does not answer it.
  bool performSelector(std::string_view selector, const ReflectiveObjectRef& argument = nullptr);
};
