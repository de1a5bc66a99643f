#include "hosts/settings/SettingsHost.hpp"

#include <fmt/format.h>
#include <glib.h>

#include <functional>

#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/foundation/NSUserDefaults.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/LayoutSolver.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIAppearance.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISlider.hpp"
#include "platform/uikit/UISwitch.hpp"

namespace fs = std::filesystem;

#ifndef VELLOWAY_BUILD_FOLDER
#define VELLOWAY_BUILD_FOLDER ""
#endif

namespace {

bool nestedNavigation() {
  double v = kCFCoreFoundationVersionNumber();
  return v >= 1140.1 && v <= 1141.18;
}

// The first view of a class (or subclass) in a tree.
template <class T>
std::shared_ptr<T> findView(const UIViewRef& root) {
  if (!root) return nullptr;
  if (auto v = std::dynamic_pointer_cast<T>(root)) return v;
  for (const auto& sub : root->subviews())
    if (auto v = findView<T>(sub)) return v;
  return nullptr;
}

bool copyTree(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to, ec);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  return !ec;
}

// Shows what is drawn: the alpha of a view that is being faded.
void drawnAlpha(const UIView& view, nlohmann::json& out) { out["alpha"] = view.presentationAlpha(); }

std::string describeValue(const plist::Value& v) { return propertyListJson(v).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

std::string sha256(const std::string& bytes) {
  gchar* hex = g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string out(hex);
  g_free(hex);
  return out;
}

nlohmann::json describeMail(const MFMailComposeViewController& mail) {
  nlohmann::json attachments = nlohmann::json::array();
  for (const auto& a : mail.attachments())
    attachments.push_back({{"name", a.fileName}, {"mime", a.mimeType}, {"size", a.data.size()}, {"digest", sha256(a.data)}});
  return {{"type", "mail"},
          {"subject", mail.subject() ? nlohmann::json(*mail.subject()) : nlohmann::json(nullptr)},
          {"to", mail.toRecipients()},
          {"body", mail.messageBody()},
          {"isHTML", mail.isHTML()},
          {"attachments", attachments},
          {"delegate", mail.hasMailComposeDelegate()}};
}

}  // namespace

nlohmann::json propertyListJson(const plist::Value& value) {
  const auto& s = value.storage();
  if (std::holds_alternative<std::monostate>(s)) return nullptr;
  if (auto b = std::get_if<bool>(&s)) return *b;
  if (auto i = std::get_if<int64_t>(&s)) return *i;
  if (auto d = std::get_if<double>(&s)) return *d;
  if (auto str = std::get_if<std::string>(&s)) return *str;
  if (auto data = std::get_if<plist::Data>(&s)) return {{"data", data->size()}};
  if (auto date = std::get_if<plist::Date>(&s)) return {{"date", date->secondsSinceReference}};
  if (auto a = std::get_if<plist::Array>(&s)) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& v : *a) out.push_back(propertyListJson(v));
    return out;
  }
  nlohmann::json out = nlohmann::json::object();
  for (const auto& [k, v] : std::get<plist::Dictionary>(s)) out[k] = propertyListJson(v);
  return out;
}

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

fs::path SettingsHost::defaultBuildFolder() {
  std::error_code ec;
  auto exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    fs::path beside = exe.parent_path().parent_path();
    if (fs::exists(beside / "VLW.bundle" / "VLW.so", ec)) return beside;
  }
  return fs::path(VELLOWAY_BUILD_FOLDER);
}

bool SettingsHost::installPane(const fs::path& buildFolder) {
  std::error_code ec;
  fs::path source = buildFolder / "VLW.bundle";
  if (buildFolder.empty() || !fs::exists(source / "VLW.so", ec)) return false;
  fs::path target = device_fs::hostPath(std::string(kBundleFolder) + "/VLW.bundle");
  bool stale = !fs::exists(target / "VLW.so", ec) ||
               fs::last_write_time(source / "VLW.so", ec) > fs::last_write_time(target / "VLW.so", ec);
  if (stale && !copyTree(source, target)) return false;
  fs::path entrySource = buildFolder / "PreferenceLoader" / "VLW.plist";
  fs::path entryTarget = device_fs::hostPath(std::string(kEntryFolder) + "/VLW.plist");
  if ((stale || !fs::exists(entryTarget, ec)) && fs::exists(entrySource, ec)) {
    fs::create_directories(entryTarget.parent_path(), ec);
    fs::copy_file(entrySource, entryTarget, fs::copy_options::overwrite_existing, ec);
  }
  return true;
}

NSBundleRef SettingsHost::loadPaneBundle(const std::string& entryName, plist::Dictionary* entryOut) const {
  if (entryName.empty() || entryName.find('/') != std::string::npos || entryName.find("..") != std::string::npos)
    throw SettingsHostError(fmt::format("no settings entry named '{}'", entryName));
  std::string entryPath = fmt::format("{}/{}.plist", kEntryFolder, entryName);
  if (entryName == "VLW") installPane();
  auto file = plist::dictionaryWithContentsOfFile(entryPath);
  if (!file) throw SettingsHostError(fmt::format("no settings entry at {}", entryPath));
  const plist::Value root(std::move(*file));
  const auto& entry = root["entry"];
  if (!entry.isDictionary() || !entry["bundle"].isString())
    throw SettingsHostError(fmt::format("the settings entry {} names no bundle", entryPath));
  if (entryOut) *entryOut = *entry.dictionary();
  std::string bundlePath = fmt::format("{}/{}.bundle", kBundleFolder, *entry["bundle"].string());
  auto bundle = NSBundle::bundleWithPath(bundlePath);
  if (!bundle) throw SettingsHostError(fmt::format("no bundle at {}", bundlePath));
  if (!bundle->load()) throw SettingsHostError(fmt::format("cannot load {}: {}", bundlePath, bundle->loadError()));
  return bundle;
}

PSListControllerRef SettingsHost::makePage(const ClassInfo* cls) const {
  if (!cls || !cls->isSubclassOf(PSListController::staticClassInfo())) return nullptr;
  return std::dynamic_pointer_cast<PSListController>(cls->instantiate());
}

void SettingsHost::openPane(const std::string& entryName) {
  if (isPaneOpen()) throw SettingsHostError("the pane is open already");
  plist::Dictionary entry;
  auto bundle = loadPaneBundle(entryName, &entry);
  auto page = makePage(bundle->principalClass());
  if (!page) throw SettingsHostError(fmt::format("{} has no principal list controller", bundle->bundlePath()));
  // The entry is the link row that opened the page.
  page->setSpecifier(PSSpecifier::specifierWithDictionary(entry, nullptr));
  paneRoot_ = page;
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

void SettingsHost::tap(const std::string& label) {
  auto page = topPage();
  if (!page) throw SettingsHostError("the pane is not open");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  auto table = page->table();
  const auto& sections = page->sectionRows();
  std::vector<std::string> labels;
  for (size_t s = 0; s < sections.size(); ++s)
    for (size_t r = 0; r < sections[s].size(); ++r) {
      const auto& specifier = sections[s][r];
      if (!specifier->name()) continue;
      labels.push_back(*specifier->name());
      if (*specifier->name() != label) continue;
      NSIndexPath ip{static_cast<long>(s), static_cast<long>(r)};
      auto cell = table ? table->cellForRowAtIndexPath(ip) : nullptr;
      if (auto sw = cell ? findView<UISwitch>(cell) : nullptr)
        sw->toggleByUser();
      else if (table)
        table->selectRowByUser(ip);
      displayPass();
      return;
    }
  std::string known;
  for (const auto& l : labels) known += (known.empty() ? "" : ", ") + fmt::format("\"{}\"", l);
  throw SettingsHostError(fmt::format("no row labelled \"{}\" on this page (rows: {})", label, known.empty() ? "none" : known));
}

void SettingsHost::set(const std::string& key, const plist::Value& value) {
  auto page = topPage();
  if (!page) throw SettingsHostError("the pane is not open");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  PSSpecifierRef specifier;
  std::optional<NSIndexPath> ip;
  for (size_t s = 0; s < page->sectionRows().size() && !specifier; ++s)
    for (size_t r = 0; r < page->sectionRows()[s].size(); ++r)
      if (page->sectionRows()[s][r]->key() == key) {
        specifier = page->sectionRows()[s][r];
        ip = NSIndexPath{static_cast<long>(s), static_cast<long>(r)};
        break;
      }
  if (!specifier) throw SettingsHostError(fmt::format("no row with key '{}' on this page", key));
  auto cell = page->table() ? page->table()->cellForRowAtIndexPath(*ip) : nullptr;
  if (auto sw = cell ? findView<UISwitch>(cell) : nullptr) {
    if (!value.isBool() && !value.isInteger())
      throw SettingsHostError(fmt::format("the switch '{}' takes true or false", key));
    // The user flicks the switch to that position.
    sw->setOn(value.boolValue());
    sw->sendActionsForControlEvents(UIControlEventValueChanged);
  } else if (auto slider = cell ? findView<UISlider>(cell) : nullptr) {
    if (!value.isInteger() && !value.isReal())
      throw SettingsHostError(fmt::format("the slider '{}' takes a number", key));
    slider->dragByUser(static_cast<float>(value.doubleValue()));
  } else if (auto segments = cell ? findView<UISegmentedControl>(cell) : nullptr) {
    const auto& values = specifier->values();
    long index = -1;
    for (size_t i = 0; i < values.size(); ++i)
      if (values[i] == value || (values[i].isNumber() && value.isNumber() && values[i].doubleValue() == value.doubleValue()))
        index = static_cast<long>(i);
    if (index < 0) throw SettingsHostError(fmt::format("'{}' offers no value {}", key, describeValue(value)));
    segments->selectByUser(index);
  } else if (specifier->cellType() == PSLinkListCell) {
    const auto& values = specifier->values();
    bool offered = false;
    for (const auto& v : values) offered = offered || v == value || (v.isNumber() && value.isNumber() && v.doubleValue() == value.doubleValue());
    if (!offered) throw SettingsHostError(fmt::format("'{}' offers no value {}", key, describeValue(value)));
    page->setPreferenceValue(value, specifier);
    page->reloadSpecifier(specifier);
  } else if (specifier->cellType() == PSEditTextCell) {
    page->setPreferenceValue(value, specifier);
    page->reloadSpecifier(specifier);
  } else {
    throw SettingsHostError(fmt::format("the row '{}' has no value a user can change", key));
  }
  displayPass();
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

void SettingsHost::compose() {
  auto page = topPage();
  if (!page) throw SettingsHostError("the pane is not open");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  auto button = page->navigationItem()->rightBarButtonItem;
  if (!button) throw SettingsHostError("this page has no compose button");
  button->press();
  displayPass();
}

void SettingsHost::dismiss(bool posted) {
  auto sheet = presentedSheet();
  if (!sheet) throw SettingsHostError("no sheet is presented");
  if (auto composer = std::dynamic_pointer_cast<SLComposeViewController>(sheet))
    composer->finish(posted ? SLComposeViewControllerResultDone : SLComposeViewControllerResultCancelled);
  else if (auto mail = std::dynamic_pointer_cast<MFMailComposeViewController>(sheet))
    mail->finish(posted ? MFMailComposeResultSent : MFMailComposeResultCancelled);
  else
    sheet->dismissViewControllerAnimated(true);
  displayPass();
}

MFMailComposeViewControllerRef SettingsHost::presentedMail() const {
  return std::dynamic_pointer_cast<MFMailComposeViewController>(presentedSheet());
}

void SettingsHost::finishMail(MFMailComposeResult result) {
  auto mail = presentedMail();
  if (!mail) throw SettingsHostError("no mail composer is on screen");
  mail->finish(result);
  displayPass();
}

void SettingsHost::touchValueEntry(const std::string& key) {
  auto page = topPage();
  if (!page) throw SettingsHostError("the pane is not open");
  if (presentedSheet()) throw SettingsHostError("a sheet covers the pane");
  if (alert_center::onScreen()) throw SettingsHostError("an alert covers the pane");
  for (size_t s = 0; s < page->sectionRows().size(); ++s)
    for (size_t r = 0; r < page->sectionRows()[s].size(); ++r) {
      if (page->sectionRows()[s][r]->key() != key) continue;
      auto cell = page->table() ? page->table()->cellForRowAtIndexPath({static_cast<long>(s), static_cast<long>(r)}) : nullptr;
      if (!cell || !findView<UISlider>(cell)) throw SettingsHostError(fmt::format("the row '{}' is not a slider", key));
      // A finger on the row's right-hand end, halfway down.
      CGRect b = cell->bounds();
      UIViewRef hit = cell->hitTest(CGPoint{b.origin.x + b.size.width - 25, b.origin.y + b.size.height / 2});
      for (UIViewRef v = hit; v && v != cell; v = v->superview())
        if (auto control = std::dynamic_pointer_cast<UIControl>(v); control && control->hasActionsFor(UIControlEventTouchUpInside)) {
          control->sendActionsForControlEvents(UIControlEventTouchUpInside);
          displayPass();
          return;
        }
      throw SettingsHostError(fmt::format("the slider '{}' has no value entry at its right-hand end", key));
    }
  throw SettingsHostError(fmt::format("no row with key '{}' on this page", key));
}

bool SettingsHost::storeThroughPane(const std::string& key, const plist::Value& value) {
  // The pages on screen first, the page on top before those below it.
  auto open = pages();
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if (auto specifier = (*it)->specifierForKey(key)) {
      (*it)->setPreferenceValue(value, specifier);
      (*it)->reloadSpecifier(specifier);
      displayPass();
      return true;
    }
  // Otherwise the pane's pages, made off screen: the root and the pages its links name.
  NSBundleRef bundle;
  try {
    bundle = loadPaneBundle("VLW", nullptr);
  } catch (const SettingsHostError&) {
    return false;
  }
  std::vector<PSListControllerRef> queue;
  if (auto root = makePage(bundle->principalClass())) queue.push_back(root);
  for (size_t i = 0; i < queue.size() && i < 16; ++i) {
    auto page = queue[i];
    if (auto specifier = page->specifierForKey(key)) {
      page->setPreferenceValue(value, specifier);
      return true;
    }
    auto rows = page->specifiers();
    for (const auto& specifier : *rows)
      if (specifier && specifier->cellType() == PSLinkCell)
        if (auto name = specifier->detailControllerClassName())
          if (auto child = makePage(NSClassFromString(*name))) {
            child->setSpecifier(specifier);
            queue.push_back(child);
          }
  }
  return false;
}

nlohmann::json SettingsHost::describePane() const {
  if (!isPaneOpen()) return nullptr;
  nlohmann::json out;
  auto all = pages();
  nlohmann::json pageNames = nlohmann::json::array();
  for (const auto& p : all) pageNames.push_back(std::string(p->className()));
  out["pages"] = pageNames;
  auto page = all.empty() ? nullptr : all.back();
  out["title"] = page && page->title() ? nlohmann::json(*page->title()) : nlohmann::json(nullptr);

  auto bar = visibleNavigationBar();
  nlohmann::json barJson;
  barJson["tintColor"] = colorJson(bar ? bar->tintColor() : nullptr);
  auto item = page ? page->navigationItem() : nullptr;
  barJson["titleView"] = item && item->titleView ? item->titleView->describeTree(drawnAlpha) : nlohmann::json(nullptr);
  if (item && item->rightBarButtonItem)
    barJson["rightButton"] = {{"systemItem", item->rightBarButtonItem->systemItem}, {"action", item->rightBarButtonItem->action}};
  else
    barJson["rightButton"] = nullptr;
  out["navigationBar"] = barJson;

  nlohmann::json sections = nlohmann::json::array();
  if (page && page->table()) {
    auto table = page->table();
    for (long s = 0; s < table->numberOfSections(); ++s) {
      nlohmann::json section;
      auto header = table->headerViewForSection(s);
      section["header"] = header ? header->describeTree(drawnAlpha) : nlohmann::json(nullptr);
      section["headerHeight"] = table->askedHeaderHeightForSection(s);
      auto footer = table->footerTitleForSection(s);
      section["footer"] = footer ? nlohmann::json(*footer) : nlohmann::json(nullptr);
      nlohmann::json rows = nlohmann::json::array();
      for (long r = 0; r < table->numberOfRowsInSection(s); ++r) {
        auto specifier = page->specifierAtIndexPath({s, r});
        auto cell = std::dynamic_pointer_cast<PSTableCell>(table->cellForRowAtIndexPath({s, r}));
        nlohmann::json row;
        row["label"] = specifier && specifier->name() ? nlohmann::json(*specifier->name()) : nlohmann::json(nullptr);
        row["cell"] = specifier ? propertyListJson(specifier->propertyForKey("cell")) : nlohmann::json(nullptr);
        row["cellClass"] = cell ? nlohmann::json(std::string(cell->className())) : nlohmann::json(nullptr);
        row["key"] = specifier && specifier->key() ? nlohmann::json(*specifier->key()) : nlohmann::json(nullptr);
        plist::Value value;
        if (specifier && specifier->hasValue())
          if (auto target = std::dynamic_pointer_cast<PSListController>(specifier->target())) value = target->readPreferenceValue(specifier);
        row["value"] = propertyListJson(value);
        row["min"] = specifier ? propertyListJson(specifier->propertyForKey("min")) : nlohmann::json(nullptr);
        row["max"] = specifier ? propertyListJson(specifier->propertyForKey("max")) : nlohmann::json(nullptr);
        row["titleColor"] = cell && cell->titleLabel() ? colorJson(cell->titleLabel()->textColor()) : nlohmann::json(nullptr);
        row["view"] = cell ? cell->describeTree(drawnAlpha) : nlohmann::json(nullptr);
        rows.push_back(row);
      }
      section["rows"] = rows;
      sections.push_back(section);
    }
  }
  out["sections"] = sections;
  out["appearance"] = UIAppearance::describe();

  auto sheet = presentedSheet();
  if (auto composer = std::dynamic_pointer_cast<SLComposeViewController>(sheet))
    out["presented"] = {{"type", "compose"},
                        {"text", composer->initialText() ? nlohmann::json(*composer->initialText()) : nlohmann::json(nullptr)}};
  else if (auto mail = std::dynamic_pointer_cast<MFMailComposeViewController>(sheet))
    out["presented"] = describeMail(*mail);
  else if (sheet)
    out["presented"] = {{"type", std::string(sheet->className())}};
  else
    out["presented"] = nullptr;
  return out;
}
