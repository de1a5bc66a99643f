#include "platform/objc/ObjCRuntime.hpp"

#include <cstdlib>
#include <mutex>

namespace objc_support {
namespace {

id rootAlloc(id self, SEL) { return class_createInstance(reinterpret_cast<Class>(self), 0); }
id rootInit(id self, SEL) { return self; }
id rootNew(id self, SEL) { return rootInit(rootAlloc(self, nullptr), nullptr); }
Class rootClassOf(id self, SEL) { return object_getClass(self); }

unsigned char log2OfSize(size_t size) {
  unsigned char l = 0;
  while ((size_t{1} << l) < size) ++l;
  return l;
}

}  // namespace

Class rootClass() {
  static Class root = [] {
    if (Class existing = objc_getClass("NSObject")) return existing;
    Class cls = objc_allocateClassPair(Nil, "NSObject", 0);
    // The root class declares isa itself; without it the first instance variable of a
    // subclass would share the isa word.
    class_addIvar(cls, "isa", sizeof(Class), log2OfSize(sizeof(Class)), "#");
    Class meta = object_getClass(reinterpret_cast<id>(cls));
    class_addMethod(meta, sel_registerName("alloc"), reinterpret_cast<IMP>(rootAlloc), "@@:");
    class_addMethod(meta, sel_registerName("new"), reinterpret_cast<IMP>(rootNew), "@@:");
    class_addMethod(cls, sel_registerName("init"), reinterpret_cast<IMP>(rootInit), "@@:");
    class_addMethod(cls, sel_registerName("class"), reinterpret_cast<IMP>(rootClassOf), "#@:");
    objc_registerClassPair(cls);
    return cls;
  }();
  return root;
}

Class defineClass(const char* name, Class superclass, const std::function<void(Class)>& addIvars) {
  if (Class existing = objc_getClass(name)) return existing;
  Class cls = objc_allocateClassPair(superclass ? superclass : rootClass(), name, 0);
  if (addIvars) addIvars(cls);
  objc_registerClassPair(cls);
  return cls;
}

id createInstance(Class cls) { return cls ? class_createInstance(cls, 0) : nullptr; }

bool classImplementsOwn(Class cls, SEL sel) {
  unsigned int count = 0;
  Method* methods = class_copyMethodList(cls, &count);
  bool found = false;
  for (unsigned int i = 0; i < count && !found; ++i) found = sel_isEqual(method_getName(methods[i]), sel);
  std::free(methods);
  return found;
}

}  // namespace objc_support

// Calls through to a superclass at call time: each hook of an inherited method takes one
// slot of a fixed pool of machine-code trampolines (ObjCTrampolines.S). A trampoline saves
// the argument registers, asks vw_hook_resolve for the superclass's current implementation,
// restores them and jumps there, so any signature passes through unchanged.
namespace {

constexpr int kTrampolineCount = 64;

struct SuperCall {
  Class superclass = Nil;
  SEL sel = nullptr;
};

SuperCall superCalls[kTrampolineCount];
int superCallsUsed = 0;
std::mutex hookMutex;

}  // namespace

extern "C" {
extern char vw_hook_trampolines[];  // kTrampolineCount entries of 16 bytes
__attribute__((visibility("hidden"))) IMP vw_hook_resolve(long index) {
  const SuperCall& call = superCalls[index];
  return class_getMethodImplementation(call.superclass, call.sel);
}
}

extern "C" void MSHookMessageEx(Class cls, SEL sel, IMP replacement, IMP* result) {
  if (!cls || !sel || !replacement) {
    if (result) *result = nullptr;
    return;
  }
  std::lock_guard lock(hookMutex);
  // Look the implementation up once first: it makes the runtime install the class's
  // dispatch table, which would otherwise keep a stale entry after the change below.
  class_getMethodImplementation(cls, sel);
  if (objc_support::classImplementsOwn(cls, sel)) {
    Method own = class_getInstanceMethod(cls, sel);
    IMP previous = method_setImplementation(own, replacement);
    if (result) *result = previous;
    return;
  }
  Method inherited = class_getInstanceMethod(cls, sel);
  if (!inherited) {
    class_addMethod(cls, sel, replacement, "v@:");
    if (result) *result = nullptr;
    return;
  }
  IMP callSuper = nullptr;
  if (superCallsUsed < kTrampolineCount) {
    int index = superCallsUsed++;
    superCalls[index] = {class_getSuperclass(cls), sel};
    callSuper = reinterpret_cast<IMP>(vw_hook_trampolines + 16 * index);
  } else {
    // Pool exhausted: bind the superclass's implementation as it is now.
    callSuper = method_getImplementation(inherited);
  }
  class_addMethod(cls, sel, replacement, method_getTypeEncoding(inherited));
  if (result) *result = callSuper;
}
