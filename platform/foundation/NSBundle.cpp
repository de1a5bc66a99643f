#include "platform/foundation/NSBundle.hpp"

#include <dlfcn.h>

#include <filesystem>

#include "platform/device/DeviceProfile.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/process/ProcessState.hpp"

namespace fs = std::filesystem;

VW_DEFINE_CLASS(NSBundle, ReflectiveObject, nullptr)

namespace {

// Every bundle of the process and every executable loaded from one, in one place.
struct BundleState {
  std::mutex mutex;
  std::map<std::string, NSBundleRef> bundles;       // by host path of the folder
  std::map<std::string, std::string> loadedImages;  // path given to dlopen -> device path of its bundle
};

BundleState& bundleState() {
  // Bundles' executables are never unloaded, so a reset forgets only the bundle objects (read
  // again from their folders when next asked for), not what was loaded.
  static BundleState* s = process_state::make<BundleState>("bundles", [](BundleState& b) {
    std::map<std::string, NSBundleRef> dropped;  // released outside the lock
    std::lock_guard lock(b.mutex);
    dropped.swap(b.bundles);
  });
  return *s;
}

bool plainResourceName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos && name.find("..") == std::string::npos &&
         name.find('\0') == std::string::npos;
}

void appendUtf8(std::string& out, uint32_t cp) {
  if ((cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) cp = 0xFFFD;  // a lone surrogate is no character
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The text of a strings file as UTF-8: UTF-16 with a byte-order mark is converted, a UTF-8
// mark is dropped, anything else is taken as UTF-8.
std::string decodeText(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    bool little = bytes[0] == 0xFF;
    std::string out;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      uint32_t u = little ? (bytes[i] | (bytes[i + 1] << 8)) : ((bytes[i] << 8) | bytes[i + 1]);
      if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
        uint32_t lo = little ? (bytes[i + 2] | (bytes[i + 3] << 8)) : ((bytes[i + 2] << 8) | bytes[i + 3]);
        if (lo >= 0xDC00 && lo < 0xE000) {
          appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
          i += 2;
          continue;
        }
      }
      appendUtf8(out, u);
    }
    return out;
  }
  size_t start = (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ? 3 : 0;
  return std::string(bytes.begin() + static_cast<long>(start), bytes.end());
}

// The old text form: entries `"key" = "value";` (or `"key";`, whose value is the key), with
// C comments. A broken entry is skipped up to its ';'.
class StringsParser {
 public:
  explicit StringsParser(std::string text) : s_(std::move(text)) {}

  std::map<std::string, std::string> parse() {
    std::map<std::string, std::string> out;
    for (;;) {
      skipSpace();
      if (i_ >= s_.size()) break;
      size_t entryStart = i_;
      auto key = token();
      skipSpace();
      std::optional<std::string> value;
      bool ok = key.has_value();
      if (ok && i_ < s_.size() && s_[i_] == '=') {
        ++i_;
        skipSpace();
        value = token();
        ok = value.has_value();
        skipSpace();
      } else if (ok) {
        value = key;
      }
      if (ok && i_ < s_.size() && s_[i_] == ';') {
        ++i_;
        out[*key] = *value;
        continue;
      }
      // Broken entry: resume after the next ';' (at least one character further on).
      size_t semi = s_.find(';', std::max(i_, entryStart + 1));
      if (semi == std::string::npos) break;
      i_ = semi + 1;
    }
    return out;
  }

 private:
  void skipSpace() {
    for (;;) {
      while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
      if (s_.compare(i_, 2, "/*") == 0) {
        size_t end = s_.find("*/", i_ + 2);
        i_ = end == std::string::npos ? s_.size() : end + 2;
      } else if (s_.compare(i_, 2, "//") == 0) {
        size_t end = s_.find('\n', i_);
        i_ = end == std::string::npos ? s_.size() : end + 1;
      } else {
        return;
      }
    }
  }

  static bool bareChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '+' || c == '/' || c == ':' || c == '.' ||
           c == '-';
  }

  std::optional<std::string> token() {
    if (i_ >= s_.size()) return std::nullopt;
    return s_[i_] == '"' ? quotedToken() : bareToken();
  }

  // Letters, digits and a few marks, without quotes.
  std::optional<std::string> bareToken() {
    size_t start = i_;
    while (i_ < s_.size() && bareChar(s_[i_])) ++i_;
    if (i_ == start) return std::nullopt;
    return s_.substr(start, i_ - start);
  }

  // A "quoted" string with its escapes; nothing when it is unterminated or an escape is broken.
  std::optional<std::string> quotedToken() {
    ++i_;
    std::string out;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size() || !escape(s_[i_++], out)) return std::nullopt;
    }
    if (i_ >= s_.size()) return std::nullopt;  // unterminated string
    ++i_;
    return out;
  }

  // Appends what the escape `\e` stands for; false when it is a broken \U escape.
  bool escape(char e, std::string& out) {
    switch (e) {
      case 'n':
        out += '\n';
        return true;
      case 't':
        out += '\t';
        return true;
      case 'r':
        out += '\r';
        return true;
      case 'U':
      case 'u':
        return unicodeEscape(out);
      default:  // \" and \\ among them: the character itself
        out += e;
        return true;
    }
  }

  // The hex digits after \U; a high surrogate followed by an escaped low one is one character.
  bool unicodeEscape(std::string& out) {
    auto cp = hexUnit();
    if (!cp) return false;
    if (*cp >= 0xD800 && *cp < 0xDC00 && s_.compare(i_, 1, "\\") == 0 && i_ + 1 < s_.size() &&
        (s_[i_ + 1] == 'U' || s_[i_ + 1] == 'u')) {
      size_t back = i_;
      i_ += 2;
      auto low = hexUnit();
      if (low && *low >= 0xDC00 && *low < 0xE000)
        cp = 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00);
      else
        i_ = back;
    }
    appendUtf8(out, *cp);
    return true;
  }

  // Up to four hex digits after \\U; nothing when there is none.
  std::optional<uint32_t> hexUnit() {
    uint32_t cp = 0;
    int n = 0;
    while (n < 4 && i_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[i_]))) {
      char c = s_[i_];
      cp = cp * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
      ++i_, ++n;
    }
    if (n == 0) return std::nullopt;
    return cp;
  }

  std::string s_;
  size_t i_ = 0;
};

bool looksLikePropertyList(const std::vector<uint8_t>& bytes) {
  static const std::string binary = "bplist";
  if (bytes.size() >= binary.size() && std::equal(binary.begin(), binary.end(), bytes.begin())) return true;
  std::string head(bytes.begin(), bytes.begin() + static_cast<long>(std::min<size_t>(bytes.size(), 64)));
  return head.find("<?xml") != std::string::npos || head.find("<plist") != std::string::npos;
}

}  // namespace

NSBundle::NSBundle(std::string devicePath, std::string hostPath) : path_(std::move(devicePath)), hostPath_(std::move(hostPath)) {
  if (auto info = device_fs::readFile(path_ + "/Info.plist"))
    if (auto value = plist::parse(*info); value && value->isDictionary()) info_ = *value->dictionary();
}

NSBundleRef NSBundle::bundleWithPath(const std::string& devicePath) {
  if (!device_fs::hasRoot()) return nullptr;
  fs::path host = device_fs::resolvedHostPath(devicePath);
  std::error_code ec;
  if (!device_fs::isDirectory(devicePath)) return nullptr;
  // Normalise the device path the way the host path was made, so spellings agree.
  std::string normal = "/" + fs::relative(host, device_fs::root(), ec).generic_string();
  if (ec || normal == "/.") normal = devicePath;
  auto& s = bundleState();
  std::lock_guard lock(s.mutex);
  auto& slot = s.bundles[host.string()];
  if (!slot) slot = std::make_shared<NSBundle>(normal, host.string());
  return slot;
}

NSBundleRef NSBundle::bundleForClass(const std::type_info& cls) {
  Dl_info info{};
  if (!dladdr(static_cast<const void*>(&cls), &info) || !info.dli_fname) return nullptr;
  std::string devicePath;
  {
    auto& s = bundleState();
    std::lock_guard lock(s.mutex);
    auto it = s.loadedImages.find(info.dli_fname);
    if (it == s.loadedImages.end()) return nullptr;
    devicePath = it->second;
  }
  // The same bundle path under the current device root.
  return bundleWithPath(devicePath);
}

plist::Value NSBundle::objectForInfoDictionaryKey(const std::string& key) const {
  auto it = info_.find(key);
  return it == info_.end() ? plist::Value{} : it->second;
}

std::vector<std::string> NSBundle::preferredLocalizations() {
  std::vector<std::string> out;
  auto add = [&](const std::string& l) {
    if (!l.empty() && std::find(out.begin(), out.end(), l) == out.end()) out.push_back(l);
  };
  const std::string& language = deviceProfile().language;
  if (plainResourceName(language)) {
    add(language);
    add(language.substr(0, language.find_first_of("-_")));
  }
  add("en");
  add("English");
  add("Base");
  return out;
}

std::optional<std::string> NSBundle::pathForResource(const std::string& name, const std::string& type) const {
  if (!plainResourceName(name) || (!type.empty() && !plainResourceName(type))) return std::nullopt;
  std::string file = type.empty() ? name : name + "." + type;
  if (device_fs::isRegularFile(path_ + "/" + file)) return path_ + "/" + file;
  for (const auto& lproj : preferredLocalizations())
    if (device_fs::isRegularFile(path_ + "/" + lproj + ".lproj/" + file)) return path_ + "/" + lproj + ".lproj/" + file;
  return std::nullopt;
}

std::map<std::string, std::string> NSBundle::parseStringsTable(const std::vector<uint8_t>& bytes) {
  std::map<std::string, std::string> out;
  if (bytes.empty()) return out;
  if (looksLikePropertyList(bytes)) {
    auto value = plist::parse(bytes);
    if (!value || !value->isDictionary()) return out;  // wrong shape: an empty table
    for (const auto& [k, v] : *value->dictionary())
      if (v.isString()) out[k] = *v.string();  // entries that are not strings are skipped
    return out;
  }
  return StringsParser(decodeText(bytes)).parse();
}

const std::map<std::string, std::string>* NSBundle::table(const std::string& lproj, const std::string& name) const {
  std::string cacheKey = lproj + "/" + name;
  std::lock_guard lock(mutex_);
  auto it = tables_.find(cacheKey);
  if (it == tables_.end()) {
    std::optional<std::map<std::string, std::string>> parsed;
    if (auto bytes = device_fs::readFile(path_ + "/" + lproj + ".lproj/" + name + ".strings")) parsed = parseStringsTable(*bytes);
    it = tables_.emplace(cacheKey, std::move(parsed)).first;
  }
  return it->second ? &*it->second : nullptr;
}

std::string NSBundle::localizedStringForKey(const std::string& key, const std::string& value,
                                            const std::optional<std::string>& tableName) const {
  std::string name = tableName && !tableName->empty() ? *tableName : "Localizable";
  if (plainResourceName(name)) {
    for (const auto& lproj : preferredLocalizations()) {
      if (const auto* t = table(lproj, name)) {
        auto it = t->find(key);
        if (it != t->end()) return it->second;
      }
    }
  }
  return value.empty() ? key : value;
}

bool NSBundle::load() {
  std::string executable;
  if (auto e = objectForInfoDictionaryKey("CFBundleExecutable"); e.isString()) executable = *e.string();
  if (executable.empty()) executable = fs::path(hostPath_).stem().string();
  if (!plainResourceName(executable)) {
    loadError_ = "bad executable name";
    return false;
  }
  std::string image = device_fs::resolvedHostPath(path_ + "/" + executable).string();
  {
    auto& s = bundleState();
    std::lock_guard lock(s.mutex);
    if (s.loadedImages.count(image)) return true;
  }
  // Never closed: the classes it registers live as long as the process.
  void* handle;
  {
    process_state::LoadingCode loading;
    handle = dlopen(image.c_str(), RTLD_NOW | RTLD_GLOBAL);
  }
  if (!handle) {
    const char* err = dlerror();
    loadError_ = err ? err : "dlopen failed";
    return false;
  }
  // dladdr names an image by the path it was opened with, or by the one it was already
  // opened with; remember both.
  auto& s = bundleState();
  std::lock_guard lock(s.mutex);
  s.loadedImages[image] = path_;
  return true;
}

bool NSBundle::isLoaded() const {
  std::string executable;
  if (auto e = objectForInfoDictionaryKey("CFBundleExecutable"); e.isString()) executable = *e.string();
  if (executable.empty()) executable = fs::path(hostPath_).stem().string();
  auto& s = bundleState();
  std::lock_guard lock(s.mutex);
  return s.loadedImages.count(device_fs::resolvedHostPath(path_ + "/" + executable).string()) > 0;
}

const ClassInfo* NSBundle::principalClass() const {
  if (!isLoaded()) return nullptr;
  auto name = objectForInfoDictionaryKey("NSPrincipalClass");
  return name.isString() ? NSClassFromString(*name.string()) : nullptr;
}
