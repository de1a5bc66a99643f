#include <gtest/gtest.h>

#include "platform/objc/ObjCRuntime.hpp"

using objc_support::send;

namespace {

int baseValue(id, SEL, int x) { return x + 1; }
int otherBaseValue(id, SEL, int x) { return x + 100; }
double baseScale(id, SEL, double a, double b) { return a * b; }
BOOL baseSupported(id, SEL) { return NO; }

IMP previousValue = nullptr;
int hookedValue(id self, SEL sel, int x) { return 10 * reinterpret_cast<int (*)(id, SEL, int)>(previousValue)(self, sel, x); }

IMP previousScale = nullptr;
double hookedScale(id self, SEL sel, double a, double b) {
  return reinterpret_cast<double (*)(id, SEL, double, double)>(previousScale)(self, sel, a, b) + 0.5;
}

IMP previousSupported = nullptr;
BOOL hookedSupported(id, SEL) { return YES; }

struct Classes {
  Class base, child, sibling;
};

// Fresh class names per test: runtime classes cannot be removed.
Classes makeClasses(const std::string& prefix) {
  Class base = objc_support::defineClass((prefix + "Base").c_str(), nullptr);
  class_addMethod(base, sel_registerName("value:"), reinterpret_cast<IMP>(baseValue), "i@:i");
  class_addMethod(base, sel_registerName("scale:by:"), reinterpret_cast<IMP>(baseScale), "d@:dd");
  class_addMethod(object_getClass(reinterpret_cast<id>(base)), sel_registerName("supported"),
                  reinterpret_cast<IMP>(baseSupported), "c@:");
  Class child = objc_support::defineClass((prefix + "Child").c_str(), base);
  Class sibling = objc_support::defineClass((prefix + "Sibling").c_str(), base);
  return {base, child, sibling};
}

}  // namespace

TEST(ObjCRuntime, InstanceVariablesDoNotOverlapIsa) {
  Class cls =
      objc_support::defineClass("IvarHolder", nullptr, [](Class c) { class_addIvar(c, "_window", sizeof(void*), 3, "^v"); });
  id object = objc_support::createInstance(cls);
  void** slot = objc_support::ivarPointer<void*>(object, "_window");
  ASSERT_NE(slot, nullptr);
  *slot = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(object_getClass(object), cls);  // isa intact
  EXPECT_EQ(objc_support::ivarPointer<void*>(object, "_missing"), nullptr);
}

TEST(ObjCRuntime, NilReceiverAnswersZero) {
  EXPECT_EQ((send<int, int>(nullptr, "value:", 3)), 0);
  EXPECT_EQ((send<double, double, double>(nullptr, "scale:by:", 2.0, 3.0)), 0.0);
}

TEST(MSHookMessageEx, HookingAnInheritedMethodLeavesSuperclassAndSiblingsAlone) {
  Classes c = makeClasses("Inherit");
  id child = objc_support::createInstance(c.child);
  id sibling = objc_support::createInstance(c.sibling);
  id base = objc_support::createInstance(c.base);
  EXPECT_EQ((send<int, int>(child, "value:", 1)), 2);  // dispatch tables installed before the hook

  MSHookMessageEx(c.child, sel_registerName("value:"), reinterpret_cast<IMP>(hookedValue), &previousValue);
  ASSERT_NE(previousValue, nullptr);
  EXPECT_EQ((send<int, int>(child, "value:", 1)), 20);
  EXPECT_EQ((send<int, int>(sibling, "value:", 1)), 2);
  EXPECT_EQ((send<int, int>(base, "value:", 1)), 2);

  // The previous implementation calls the superclass's implementation as it is at call
  // time, so a later change of the superclass shows through.
  class_replaceMethod(c.base, sel_registerName("value:"), reinterpret_cast<IMP>(otherBaseValue), "i@:i");
  EXPECT_EQ((send<int, int>(child, "value:", 1)), 1010);
  EXPECT_EQ((send<int, int>(sibling, "value:", 1)), 101);
}

TEST(MSHookMessageEx, CallingThroughPassesFloatingPointArguments) {
  Classes c = makeClasses("Floats");
  MSHookMessageEx(c.child, sel_registerName("scale:by:"), reinterpret_cast<IMP>(hookedScale), &previousScale);
  id child = objc_support::createInstance(c.child);
  EXPECT_DOUBLE_EQ((send<double, double, double>(child, "scale:by:", 1.5, 4.0)), 6.5);
}

TEST(MSHookMessageEx, OwnMethodIsReplacedAndPreviousReturned) {
  Classes c = makeClasses("Own");
  id base = objc_support::createInstance(c.base);
  id child = objc_support::createInstance(c.child);
  MSHookMessageEx(c.base, sel_registerName("value:"), reinterpret_cast<IMP>(hookedValue), &previousValue);
  EXPECT_EQ(previousValue, reinterpret_cast<IMP>(baseValue));
  EXPECT_EQ((send<int, int>(base, "value:", 2)), 30);
  EXPECT_EQ((send<int, int>(child, "value:", 2)), 30);  // subclasses inherit the hook
}

TEST(MSHookMessageEx, ClassMethodThroughTheMetaclass) {
  Classes c = makeClasses("Meta");
  id cls = reinterpret_cast<id>(c.base);
  EXPECT_EQ(send<BOOL>(cls, "supported"), NO);
  MSHookMessageEx(object_getClass(cls), sel_registerName("supported"), reinterpret_cast<IMP>(hookedSupported),
                  &previousSupported);
  EXPECT_EQ(send<BOOL>(cls, "supported"), YES);
  EXPECT_EQ(previousSupported, reinterpret_cast<IMP>(baseSupported));
}
