// The home-screen process's fields of `dump`.
#include <nlohmann/json.hpp>

#include "cli/sim/SimExtension.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/mediaremote/NowPlayingSource.hpp"
#include "platform/plist/PropertyListJson.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIViewController.hpp"
#include "tweak/Settings.hpp"
#include "tweak/VLWView.hpp"

namespace {

template <class T>
nlohmann::json tweakValue(SimContext& sim, const char* name) {
  auto* p = static_cast<T*>(sim.springboard().tweakSymbol(name));
  return p ? nlohmann::json(*p) : nlohmann::json(nullptr);
}

nlohmann::json settings(SimContext& sim) {
  return {{"enabled", tweakValue<bool>(sim, "vlwEnabled")},
          {"invert", tweakValue<bool>(sim, "vlwInvertSongSwipes")},
          {"vibrancy", tweakValue<bool>(sim, "vlwUseVibrancyLabels")},
          {"cornerRadius", tweakValue<float>(sim, "vlwAlbumArtCornerRadius")}};
}

// For each run of the home screen's own activation: null when the window showed nothing, "new"
// when the overlay of that activation was on top of it, "earlier" when another view was.
nlohmann::json windowTopsAtActivation(SimContext& sim) {
  nlohmann::json tops = nlohmann::json::array();
  for (auto top : sim.springboard().windowTopsAtActivation()) {
    if (top == SpringBoardHost::WindowTop::Nothing)
      tops.push_back(nullptr);
    else
      tops.push_back(top == SpringBoardHost::WindowTop::NewOverlay ? "new" : "earlier");
  }
  return tops;
}

nlohmann::json host(SimContext& sim) {
  auto counts = sim.springboard().counts();
  return {{"reachabilitySupported", sim.springboard().reachabilitySupported()},
          {"reachabilityActive", sim.springboard().reachabilityActive()},
          {"activatedCalls", counts.activated},
          {"windowTopAtActivation", windowTopsAtActivation(sim)},
          {"deactivatedCalls", counts.deactivated},
          {"keepAliveCalls", counts.keepAlive},
          {"launchCalls", counts.launch},
          {"nowPlayingObservers", sim.springboard().nowPlayingObservers()}};
}

nlohmann::json alerts(SimContext&) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& alert : alert_center::history()) list.push_back(alert->describeAlert());
  return list;
}

nlohmann::json preferences(SimContext&) {
  auto dict = plist::dictionaryWithContentsOfFile(vlw_settings::kSettingsPath, plist::kPreferencesLimits);
  return dict ? propertyListJson(plist::Value(*dict)) : nlohmann::json(nullptr);
}

nlohmann::json window(SimContext& sim) {
  auto overlay = sim.springboard().currentOverlay();
  std::vector<std::pair<const char*, const UIView*>> properties;
  if (overlay) properties = overlay->viewProperties();
  return sim.springboard().reachabilityWindow()->describeTree([&](const UIView& view, nlohmann::json& out) {
    if (overlay && &view == overlay.get()) out["current"] = true;
    for (const auto& [name, v] : properties)
      if (v == &view) out["property"] = name;
  });
}

// The current overlay's views by property, whether or not they are still in the window: a
// stripped overlay keeps its views, and now-playing changes still reach them.
nlohmann::json overlay(SimContext& sim) {
  auto current = sim.springboard().currentOverlay();
  if (!current) return nullptr;
  const UIView& window = *sim.springboard().reachabilityWindow();
  nlohmann::json out = nlohmann::json::object();
  for (const auto& [name, view] : current->viewProperties()) {
    if (!view) {
      out[name] = nullptr;
      continue;
    }
    nlohmann::json described = view->describeTree();
    described["inWindow"] = view->isDescendantOfView(window);
    out[name] = std::move(described);
  }
  return out;
}

// The current overlay itself, and the media controls its layout made (the tweak's global
// mediaView): a frame, where the overlay was added, and the controller's class, or null.
nlohmann::json overlayView(SimContext& sim) {
  auto current = sim.springboard().currentOverlay();
  if (!current) return nullptr;
  auto* controls = static_cast<std::shared_ptr<UIViewController>*>(sim.springboard().tweakSymbol("mediaView"));
  auto superview = current->superview();
  return {{"frame", current->describeTree()["frame"]},
          {"superview", superview ? nlohmann::json(superview->className()) : nlohmann::json(nullptr)},
          {"inWindow", current->isDescendantOfView(*sim.springboard().reachabilityWindow())},
          {"mediaView", controls && *controls ? nlohmann::json((*controls)->className()) : nlohmann::json(nullptr)}};
}

const SimDumpFieldRegistration fields[] = {
    {"settings", settings, SimHost::HomeScreen},
    {"host", host, SimHost::HomeScreen},
    {"commands", [](SimContext&) { return nlohmann::json(media_remote::source().commands()); }, SimHost::HomeScreen},
    {"media", [](SimContext&) { return media_remote::source().describe(); }, SimHost::HomeScreen},
    {"log", [](SimContext&) { return nlohmann::json(system_log::lines()); }},
    {"alerts", alerts},
    {"preferences", preferences},
    {"overlays", [](SimContext& sim) { return nlohmann::json(sim.overlaysMade); }, SimHost::HomeScreen},
    {"window", window, SimHost::HomeScreen},
    {"overlay", overlay, SimHost::HomeScreen},
    {"overlayView", overlayView, SimHost::HomeScreen},
};

}  // namespace
