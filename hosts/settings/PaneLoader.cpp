// The Settings app's first job: installing the pane from the program's own files (a build tree
// or an installation) into the device root (every write confined to the root), loading its
// bundle from the entry that names it, and making its pages.
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tuple>
#include <vector>

#include "hosts/settings/SettingsHost.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/fs/ProgramFiles.hpp"
#include "platform/fs/WriteGate.hpp"

namespace fs = std::filesystem;

namespace {

// Whether the device's copy of a program file is missing, not a plain file, of another size or
// older than the program's (a copy cut short by a crash is of another size). The copy is looked
// at inside the device root.
bool installedIsStale(const fs::path& built, const std::string& installed) {
  struct stat source {
  }, copy{};
  if (::stat(built.c_str(), &source) != 0) return true;
  int fd = device_fs::openInRoot(installed, O_PATH);
  if (fd < 0) return true;
  const bool found = ::fstat(fd, &copy) == 0 && S_ISREG(copy.st_mode);
  ::close(fd);
  if (!found || copy.st_size != source.st_size) return true;
  return std::tie(source.st_mtim.tv_sec, source.st_mtim.tv_nsec) > std::tie(copy.st_mtim.tv_sec, copy.st_mtim.tv_nsec);
}

// The copy can always be made again from the program's files: it need not wait for the disk.
bool copyFile(const fs::path& from, const std::string& to) {
  auto bytes = device_fs::readHostFile(from);
  return bytes && device_fs::writeFileAtomically(to, *bytes, device_fs::Durability::Cached);
}

// Copies every plain file under the program's folder `from` into the device folder `to`. Each is
// written whole by device_fs, whose folder walk keeps a link planted at the target or below it
// inside the device root. The library goes last: a copy cut short stays stale.
bool copyTree(const fs::path& from, const std::string& to, const fs::path& last) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::recursive_directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec) && it->path() != from / last) files.push_back(it->path());
  if (ec) return false;
  files.push_back(from / last);
  for (const auto& file : files)
    if (!copyFile(file, to + "/" + fs::relative(file, from).generic_string())) return false;
  return true;
}

}  // namespace

fs::path SettingsHost::defaultPaneFolder() {
  const void* here = reinterpret_cast<const void*>(&SettingsHost::defaultPaneFolder);
  return program_files::findBesideLibraries(here, "VLW.bundle/VLW.so").value_or(fs::path());
}

bool SettingsHost::installPane(const fs::path& paneFolder) {
  device_fs::WriteScope writing;  // a copy into the device root
  std::error_code ec;
  fs::path source = paneFolder / "VLW.bundle";
  if (paneFolder.empty() || !fs::exists(source / "VLW.so", ec)) return false;
  const std::string target = std::string(kBundleFolder) + "/VLW.bundle";
  bool stale = installedIsStale(source / "VLW.so", target + "/VLW.so");
  if (stale && !copyTree(source, target, "VLW.so")) return false;
  fs::path entrySource = paneFolder / "PreferenceLoader" / "VLW.plist";
  const std::string entryTarget = std::string(kEntryFolder) + "/VLW.plist";
  if ((stale || !device_fs::isRegularFile(entryTarget)) && fs::exists(entrySource, ec)) copyFile(entrySource, entryTarget);
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
