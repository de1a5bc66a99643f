#include "platform/uikit/UIAppearance.hpp"

#include <mutex>
#include <nlohmann/json.hpp>
#include <vector>

#include "platform/process/ProcessState.hpp"
#include "platform/uikit/UIViewController.hpp"

VW_DEFINE_CLASS(UIAppearanceProxy, ReflectiveObject, nullptr)

namespace {

// Every proxy of the process, in the order made.
struct AppearanceState {
  std::mutex mutex;
  std::vector<UIAppearanceProxyRef> proxies;
};

AppearanceState& appearanceState() {
  static AppearanceState* s = process_state::make<AppearanceState>("appearance proxies", [](AppearanceState& a) {
    std::vector<UIAppearanceProxyRef> dropped;  // released outside the lock
    std::lock_guard lock(a.mutex);
    dropped.swap(a.proxies);
  });
  return *s;
}

std::vector<UIAppearanceProxyRef> allProxies() {
  auto& s = appearanceState();
  std::lock_guard lock(s.mutex);
  return s.proxies;
}

// The classes enclosing a view, nearest first: each superview and the controller it belongs to.
std::vector<const ClassInfo*> containersOf(const UIView& view) {
  std::vector<const ClassInfo*> out;
  for (auto v = view.superview(); v; v = v->superview()) {
    if (auto controller = owningViewController(*v)) out.push_back(&controller->classInfo());
    out.push_back(&v->classInfo());
  }
  return out;
}

void applyTo(UIView& view, const std::vector<UIAppearanceProxyRef>& proxies) {
  view.applyAppearance(UIAppearanceLookup(view, proxies));
  for (const auto& sub : view.subviews()) applyTo(*sub, proxies);
}

}  // namespace

UIColorRef UIAppearanceLookup::find(UIColorRef (UIAppearanceProxy::*setting)() const) const {
  for (const ClassInfo* container : containersOf(view_))
    for (auto it = proxies_.rbegin(); it != proxies_.rend(); ++it) {
      const auto& p = *it;
      if (view_.isKindOfClass(p->controlClass) && container->isSubclassOf(p->container))
        if (UIColorRef c = ((*p).*setting)()) return c;
    }
  return nullptr;
}

UIColorRef UIAppearanceLookup::onTintColor() const { return find(&UIAppearanceProxy::onTintColor); }
UIColorRef UIAppearanceLookup::tintColor() const { return find(&UIAppearanceProxy::tintColor); }

void UIAppearanceProxy::setOnTintColor(UIColorRef color) {
  std::lock_guard lock(appearanceState().mutex);
  onTint_ = std::move(color);
}
void UIAppearanceProxy::setTintColor(UIColorRef color) {
  std::lock_guard lock(appearanceState().mutex);
  tint_ = std::move(color);
}
UIColorRef UIAppearanceProxy::onTintColor() const {
  std::lock_guard lock(appearanceState().mutex);
  return onTint_;
}
UIColorRef UIAppearanceProxy::tintColor() const {
  std::lock_guard lock(appearanceState().mutex);
  return tint_;
}

UIAppearanceProxyRef UIAppearance::proxy(const ClassInfo& controlClass, const ClassInfo& container) {
  auto& s = appearanceState();
  std::lock_guard lock(s.mutex);
  for (auto& p : s.proxies)
    if (&p->controlClass == &controlClass && &p->container == &container) return p;
  auto p = std::make_shared<UIAppearanceProxy>(controlClass, container);
  s.proxies.push_back(p);
  return p;
}

void UIAppearance::applyToTree(UIView& root) { applyTo(root, allProxies()); }

nlohmann::json UIAppearance::describe() {
  nlohmann::json out = nlohmann::json::object();
  for (const auto& p : allProxies()) {
    auto& entry = out[std::string(p->container.name)][std::string(p->controlClass.name)];
    if (auto c = p->onTintColor()) entry["onTintColor"] = colorJson(c);
    if (auto c = p->tintColor()) entry["tintColor"] = colorJson(c);
    if (entry.is_null()) out[std::string(p->container.name)].erase(std::string(p->controlClass.name));
  }
  for (auto it = out.begin(); it != out.end();) it = it->empty() ? out.erase(it) : std::next(it);
  return out;
}

std::shared_ptr<ReflectiveObject> owningViewController(const UIView& view) { return view.viewDelegate(); }
