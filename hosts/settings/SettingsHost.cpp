// The Settings app itself: its window, its navigation controller and first page (the list),
// opening an entry's pane and the navigation stack of the pane's pages.
#include "hosts/settings/SettingsHost.hpp"

#include <fmt/format.h>

#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/foundation/NSBundle.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/foundation/NSUserDefaults.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UINavigationController.hpp"

SettingsHost::SettingsHost() {
  if (!device_fs::hasRoot()) throw SettingsHostError("the Settings app needs a device root");
  NSUserDefaults::setApplicationDomain("com.apple.Preferences");
  // The phone's package manager has put the pane in place before the app starts.
  installPane();
  window_ = std::make_shared<UIWindow>(UIScreen::mainScreen()->bounds());
  list_ = std::make_shared<SettingsListController>();
  list_->onOpen = [this](const SettingsEntry& entry) { openFromList(entry); };
  settingsNav_ = std::make_shared<PSRootController>();
  settingsNav_->initWithRootViewController(list_);
  window_->addSubview(settingsNav_->view());
  window_->setHidden(false);
  // The app comes to the front.
  settingsNav_->viewWillAppear(false);
  settingsNav_->viewDidAppear(false);
  displayPass();
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
  paneEntry_ = settingsEntryFrom(entryName, entry);
  if (PSRootController::nestsPaneNavigation()) {
    paneNav_ = std::make_shared<UINavigationController>();
    paneNav_->initWithRootViewController(page);
    paneNav_->setNavigationBarHidden(true);
    settingsNav_->pushViewController(paneNav_, true);
  } else {
    settingsNav_->pushViewController(page, true);
  }
  displayPass();
}

void SettingsHost::openFromList(const SettingsEntry& entry) {
  try {
    openPane(entry.name);
  } catch (const SettingsHostError& e) {
    NSLog(fmt::format("Settings: cannot open \"{}\": {}", entry.title(), e.what()));
  }
}

void SettingsHost::tapOnList(const std::string& label) {
  if (auto row = list_->rowTitled(label)) {
    openPane(list_->entries()[*row].name);
    return;
  }
  std::string known;
  for (const auto& e : list_->entries()) known += (known.empty() ? "" : ", ") + fmt::format("\"{}\"", e.title());
  throw SettingsHostError(
      fmt::format("no row labelled \"{}\" on the Settings list (rows: {})", label, known.empty() ? "none" : known));
}

nlohmann::json SettingsHost::describeEntry() const {
  if (paneEntry_) return paneEntry_->describe();
  for (const auto& e : list_->entries())
    if (e.name == "VLW") return e.describe();
  return nullptr;
}

nlohmann::json SettingsHost::describeList() const {
  nlohmann::json rows = nlohmann::json::array();
  for (const auto& e : list_->entries()) {
    nlohmann::json row = e.describe();
    row["entry"] = e.name;
    row["title"] = e.title();
    rows.push_back(row);
  }
  return {{"title", "Settings"}, {"onScreen", !isPaneOpen()}, {"rows", rows}};
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
  if (!isPaneOpen()) throw SettingsHostError("the Settings list is the first page: there is nothing to go back to");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  if (paneNav_ && paneNav_->viewControllers().size() > 1) {
    paneNav_->popViewControllerAnimated(true);
  } else if (!paneNav_ && settingsNav_->viewControllers().size() > 2) {
    settingsNav_->popViewControllerAnimated(true);
  } else {
    settingsNav_->popViewControllerAnimated(true);  // leaves the pane for the list
    paneNav_.reset();
    paneRoot_.reset();
    paneEntry_.reset();
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
