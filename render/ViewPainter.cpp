#include "render/ViewPainter.hpp"

#include <map>
#include <mutex>
#include <shared_mutex>

#include "platform/uikit/UIView.hpp"

namespace render {

namespace {

struct Registry {
  std::shared_mutex mutex;
  // Node-based: the painters' addresses stay valid while others are added.
  std::map<std::string, ViewPainter, std::less<>> painters;
};

Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

}  // namespace

void registerViewPainter(std::string className, ViewPainter painter) {
  auto& r = registry();
  std::unique_lock lock(r.mutex);
  r.painters[std::move(className)] = std::move(painter);
}

const ViewPainter* findViewPainter(std::string_view className) {
  registerBuiltInPainters();
  auto& r = registry();
  std::shared_lock lock(r.mutex);
  auto it = r.painters.find(className);
  return it == r.painters.end() ? nullptr : &it->second;
}

const ViewPainter* findViewPainter(const UIView& view) {
  registerBuiltInPainters();
  auto& r = registry();
  std::shared_lock lock(r.mutex);
  for (const ClassInfo* cls = &view.classInfo(); cls; cls = cls->superclass) {
    auto it = r.painters.find(cls->name);
    if (it != r.painters.end()) return &it->second;
  }
  return nullptr;
}

void registerBuiltInPainters() {
  static std::once_flag once;
  std::call_once(once, [] {
    registerBasicViewPainters();
    registerEffectViewPainters();
    registerControlPainters();
    registerSettingsControlPainters();
    registerNavigationBarPainters();
    registerComposeSheetPainters();
  });
}

}  // namespace render
