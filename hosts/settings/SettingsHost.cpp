// The Settings app itself: its window, its navigation controller and first page, opening the
// pane's entry and the navigation stack of the pane's pages.
#include "hosts/settings/SettingsHost.hpp"

#include <fmt/format.h>

#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/foundation/NSBundle.hpp"
#include "platform/foundation/NSUserDefaults.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UINavigationController.hpp"

namespace {

bool nestedNavigation() {
  double v = kCFCoreFoundationVersionNumber();
  return v >= 1140.1 && v <= 1141.18;
}

}  // namespace

SettingsHost::SettingsHost() {
  if (!device_fs::hasRoot()) throw SettingsHostError("the Settings app needs a device root");
  NSUserDefaults::setApplicationDomain("com.apple.Preferences");
  window_ = std::make_shared<UIWindow>(UIScreen::mainScreen()->bounds());
  settingsHome_ = std::make_shared<UIViewController>();
  settingsHome_->setTitle("Settings");
  settingsNav_ = std::make_shared<PSRootController>();
  settingsNav_->initWithRootViewController(settingsHome_);
  window_->addSubview(settingsNav_->view());
  window_->setHidden(false);
  // The app comes to the front.
  settingsNav_->viewWillAppear(false);
  settingsNav_->viewDidAppear(false);
}

SettingsHost::~SettingsHost() = default;
void SettingsHost::openPane(const std::string& entryName) {
  if (isPaneOpen()) throw SettingsHostError("the pane is open already");
  plist::Dictionary entry;
  auto bundle = loadPaneBundle(entryName, &entry);
  auto page = makePage(bundle->principalClass());
  if (!page) throw SettingsHostError(fmt::format("{} has no principal list controller", bundle->bundlePath()));
  // The entry is the link row that opened the page.
  page->setSpecifier(PSSpecifier::specifierWithDictionary(entry, nullptr));
  paneRoot_ = page;
  loadEntryIcon(entry, *bundle);
  if (nestedNavigation()) {
    paneNav_ = std::make_shared<UINavigationController>();
    paneNav_->initWithRootViewController(page);
    paneNav_->setNavigationBarHidden(true);
    settingsNav_->pushViewController(paneNav_, true);
  } else {
    settingsNav_->pushViewController(page, true);
  }
  displayPass();
}

void SettingsHost::loadEntryIcon(const plist::Dictionary& entry, const NSBundle& bundle) {
  auto text = [&](const char* key) -> std::optional<std::string> {
    auto it = entry.find(key);
    return it != entry.end() && it->second.isString() ? std::optional(*it->second.string()) : std::nullopt;
  };
  entryLabel_ = text("label");
  entryIconName_ = text("icon");
  entryIcon_ = nullptr;
  if (!entryIconName_) return;
  // The name is a file in the bundle: "icon.png" is the resource "icon" of type "png".
  std::filesystem::path name(*entryIconName_);
  if (name.has_parent_path()) return;
  std::string type = name.has_extension() ? name.extension().string().substr(1) : "png";
  if (auto path = bundle.pathForResource(name.stem().string(), type)) entryIcon_ = UIImage::imageWithContentsOfFile(*path);
}

nlohmann::json SettingsHost::describeEntry() const {
  if (!isPaneOpen()) return nullptr;
  nlohmann::json icon = nullptr;
  if (entryIcon_) icon = {{"name", *entryIconName_}, {"width", entryIcon_->size().width}, {"height", entryIcon_->size().height}};
  return {{"label", entryLabel_ ? nlohmann::json(*entryLabel_) : nlohmann::json(nullptr)},
          {"iconName", entryIconName_ ? nlohmann::json(*entryIconName_) : nlohmann::json(nullptr)},
          {"icon", icon}};
}

bool SettingsHost::isPaneOpen() const { return paneRoot_ != nullptr; }

std::vector<PSListControllerRef> SettingsHost::pages() const {
  std::vector<PSListControllerRef> out;
  if (!paneRoot_) return out;
  const auto& stack = paneNav_ ? paneNav_->viewControllers() : settingsNav_->viewControllers();
  for (const auto& vc : stack)
    if (auto page = std::dynamic_pointer_cast<PSListController>(vc)) out.push_back(page);
  return out;
}

PSListControllerRef SettingsHost::topPage() const {
  auto all = pages();
  return all.empty() ? nullptr : all.back();
}

UINavigationBarRef SettingsHost::visibleNavigationBar() const { return settingsNav_->visibleNavigationBar(); }

void SettingsHost::displayPass() {
  UIAppearance::applyToTree(*window_);
  layoutViewTree(*window_);
}

void SettingsHost::back() {
  if (!isPaneOpen()) throw SettingsHostError("the pane is not open");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  if (paneNav_ && paneNav_->viewControllers().size() > 1) {
    paneNav_->popViewControllerAnimated(true);
  } else if (!paneNav_ && settingsNav_->viewControllers().size() > 2) {
    settingsNav_->popViewControllerAnimated(true);
  } else {
    settingsNav_->popViewControllerAnimated(true);  // leaves the pane for the Settings app
    paneNav_.reset();
    paneRoot_.reset();
  }
  displayPass();
}

UIViewControllerRef SettingsHost::presentedSheet() const {
  auto all = pages();
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (auto sheet = (*it)->presentedViewController()) return sheet;
  // Sheets a page presents from its navigation controller.
  if (paneNav_)
    if (auto sheet = paneNav_->presentedViewController()) return sheet;
  if (isPaneOpen()) return settingsNav_->presentedViewController();
  return nullptr;
}
