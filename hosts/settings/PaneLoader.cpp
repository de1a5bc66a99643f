// The Settings app's first job: installing the pane from the build into the device root,
// loading its bundle from the entry that names it, and making its pages.
#include <fmt/format.h>

#include "hosts/settings/SettingsHost.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/WriteGate.hpp"

namespace fs = std::filesystem;

#ifndef VELLOWAY_BUILD_FOLDER
#define VELLOWAY_BUILD_FOLDER ""
#endif

namespace {

bool copyTree(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to, ec);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  return !ec;
}

}  // namespace

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
  device_fs::WriteScope writing;  // a copy into the device root
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
