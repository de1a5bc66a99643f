#include "hosts/settings/SettingsEntry.hpp"

#include <dirent.h>
#include <fmt/format.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <filesystem>

#include "hosts/settings/SettingsHost.hpp"
#include "platform/foundation/NSBundle.hpp"
#include "platform/fs/DeviceRoot.hpp"

namespace {

// No device lists more rows than a screen holds many times over.
constexpr size_t kMaxEntries = 64;

std::optional<std::string> text(const plist::Dictionary& entry, const char* key) {
  auto it = entry.find(key);
  return it != entry.end() && it->second.isString() ? std::optional(*it->second.string()) : std::nullopt;
}

// The icon names a file in the bundle: "icon.png" is the resource "icon" of type "png".
UIImageRef loadIcon(const std::string& iconName, const std::string& bundleName) {
  std::filesystem::path file(iconName);
  if (file.has_parent_path() || file.stem().empty()) return nullptr;
  auto bundle = NSBundle::bundleWithPath(fmt::format("{}/{}.bundle", SettingsHost::kBundleFolder, bundleName));
  if (!bundle) return nullptr;
  std::string type = file.has_extension() ? file.extension().string().substr(1) : "png";
  auto path = bundle->pathForResource(file.stem().string(), type);
  return path ? UIImage::imageWithContentsOfFile(*path) : nullptr;
}

// The names of the entry folder's ".plist" files (without the suffix).
std::vector<std::string> entryNames() {
  std::vector<std::string> names;
  int fd = device_fs::openFolder(SettingsHost::kEntryFolder, false);
  if (fd < 0) return names;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return names;
  }
  const std::string suffix = ".plist";
  while (dirent* e = readdir(dir)) {
    std::string file = e->d_name;
    if (file.size() > suffix.size() && file.ends_with(suffix) && file[0] != '.')
      names.push_back(file.substr(0, file.size() - suffix.size()));
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

nlohmann::json SettingsEntry::describe() const {
  nlohmann::json image = nullptr;
  if (icon) image = {{"name", *iconName}, {"width", icon->size().width}, {"height", icon->size().height}};
  return {{"label", label ? nlohmann::json(*label) : nlohmann::json(nullptr)},
          {"iconName", iconName ? nlohmann::json(*iconName) : nlohmann::json(nullptr)},
          {"icon", image}};
}

std::optional<SettingsEntry> settingsEntryFrom(const std::string& name, const plist::Dictionary& entry) {
  auto bundle = text(entry, "bundle");
  if (!bundle || bundle->empty() || bundle->find('/') != std::string::npos || *bundle == "..") return std::nullopt;
  SettingsEntry out{name, *bundle, text(entry, "label"), text(entry, "icon"), nullptr};
  if (out.iconName) out.icon = loadIcon(*out.iconName, *bundle);
  return out;
}

std::vector<SettingsEntry> installedSettingsEntries() {
  std::vector<SettingsEntry> out;
  for (const auto& name : entryNames()) {
    if (out.size() >= kMaxEntries) break;
    auto file = plist::dictionaryWithContentsOfFile(fmt::format("{}/{}.plist", SettingsHost::kEntryFolder, name));
    if (!file) continue;
    auto it = file->find("entry");
    if (it == file->end() || !it->second.isDictionary()) continue;
    if (auto entry = settingsEntryFrom(name, *it->second.dictionary())) out.push_back(std::move(*entry));
  }
  std::stable_sort(out.begin(), out.end(), [](const SettingsEntry& a, const SettingsEntry& b) {
    return strcasecmp(a.title().c_str(), b.title().c_str()) < 0;
  });
  return out;
}
