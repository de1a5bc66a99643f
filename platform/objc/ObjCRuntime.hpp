// Object runtime helpers over GCC's Objective-C runtime (libobjc), and the code-injection
// host's method hooking.
// Implements: a root class "NSObject" (isa, +alloc, +new, -init, -class) to build runtime
// classes on from C++; class definition with instance variables; typed message sending
// (objc_msg_lookup, with a nil receiver answering zero); MSHookMessageEx.
// Leaves out: retain/release (runtime objects here live as long as the process), protocols,
// properties, exceptions, forwarding.
#pragma once

#include <objc/message.h>
#include <objc/runtime.h>

#include <functional>
#include <type_traits>

namespace objc_support {

// The runtime's root class, made on first use.
Class rootClass();

// Allocates, lets addIvars add instance variables (only possible before registration),
// registers. Returns the existing class when one of that name exists.
Class defineClass(const char* name, Class superclass, const std::function<void(Class)>& addIvars = {});

id createInstance(Class cls);

inline SEL selector(const char* name) { return sel_registerName(name); }

// Sends a message with exactly the given argument types. A nil receiver does nothing and
// answers a zero value, as the phone's runtime does.
template <class R = void, class... Args>
R send(id receiver, SEL sel, Args... args) {
  if (!receiver) {
    if constexpr (std::is_void_v<R>)
      return;
    else
      return R{};
  }
  IMP imp = objc_msg_lookup(receiver, sel);
  return reinterpret_cast<R (*)(id, SEL, Args...)>(imp)(receiver, sel, args...);
}

template <class R = void, class... Args>
R send(id receiver, const char* sel, Args... args) {
  return send<R, Args...>(receiver, selector(sel), args...);
}

// Whether the class itself (not a superclass) implements the selector.
bool classImplementsOwn(Class cls, SEL sel);

// The instance variable's storage in an object, or null when the class has no such variable.
template <class T>
T* ivarPointer(id object, const char* name) {
  if (!object) return nullptr;
  Ivar ivar = class_getInstanceVariable(object_getClass(object), name);
  if (!ivar) return nullptr;
  return reinterpret_cast<T*>(reinterpret_cast<char*>(object) + ivar_getOffset(ivar));
}

}  // namespace objc_support

// The code-injection host's hooking facility. From now on the selector sent to instances of
// cls (to the class itself when cls is a metaclass) runs replacement; *result receives what
// calls the behaviour in force before. A method that cls only inherits gets an override on
// cls alone, and *result then calls the superclass's implementation as it is at call time;
// the superclass and sibling classes are left untouched. A selector that cls does not answer
// at all is added with replacement and *result becomes null.
extern "C" void MSHookMessageEx(Class cls, SEL sel, IMP replacement, IMP* result);
