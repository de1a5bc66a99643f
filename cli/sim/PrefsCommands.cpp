// Simulator commands on the settings file and its change notification.
#include <fmt/format.h>

#include "cli/sim/SimExtension.hpp"
#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "tweak/Settings.hpp"

namespace {

void postChange() {
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(), vlw_settings::kChangeNotification, nullptr,
                                       nullptr, true);
}

// Writes the value into the file as it is: no pane, no notification (a recording's start).
void prefsStore(const std::string& key, const plist::Value& value) {
  plist::Dictionary dict =
      plist::dictionaryWithContentsOfFile(vlw_settings::kSettingsPath, plist::kPreferencesLimits).value_or(plist::Dictionary{});
  dict[key] = value;
  if (!plist::writeToFile(dict, vlw_settings::kSettingsPath)) throw SimError("cannot write the settings file");
}

void prefsSet(SimContext& sim, const std::string& key, const plist::Value& value) {
  // The pane absorbs a failed write (and posts all the same); the simulator says so instead,
  // before anything is stored or posted.
  if (!device_fs::canWriteFile(vlw_settings::kSettingsPath)) throw SimError("cannot write the settings file");
  for (auto& setter : simRegistry().prefsSetters)
    if (setter(sim, key, value)) return;
  plist::Dictionary dict =
      plist::dictionaryWithContentsOfFile(vlw_settings::kSettingsPath, plist::kPreferencesLimits).value_or(plist::Dictionary{});
  dict[key] = value;
  if (!plist::writeToFile(dict, vlw_settings::kSettingsPath)) throw SimError("cannot write the settings file");
  postChange();
}

const SimCommandRegistration registration{
    {"prefs",
     "prefs set KEY VALUE | prefs store KEY VALUE (into the file only: no pane, no notification) | prefs raw FILE | "
     "prefs delete | prefs notify [COUNT]",
     [](SimContext& sim, const std::vector<std::string>& args) {
       const char* usage =
           "usage: prefs set KEY VALUE | prefs store KEY VALUE | prefs raw FILE | prefs delete | prefs notify [COUNT]";
       if (args.empty()) throw SimError(usage);
       const std::string& verb = args[0];
       if (verb == "set" && args.size() == 3) {
         prefsSet(sim, args[1], parseScriptValue(args[2], sim.argumentQuoted(2)));
       } else if (verb == "store" && args.size() == 3) {
         prefsStore(args[1], parseScriptValue(args[2], sim.argumentQuoted(2)));
       } else if (verb == "raw" && args.size() == 2) {
         std::string path = sim.resolvePath(args[1]);
         auto bytes = device_fs::readHostFile(path);
         if (!bytes) throw SimError(fmt::format("cannot read '{}'", path));
         if (!device_fs::writeFileAtomically(vlw_settings::kSettingsPath, *bytes))
           throw SimError("cannot write the settings file");
       } else if (verb == "delete" && args.size() == 1) {
         device_fs::removeFile(vlw_settings::kSettingsPath);
       } else if (verb == "notify" && args.size() <= 2) {
         // A burst of postings at once, as a pane rewriting several rows would send.
         long count = 1;
         if (args.size() == 2) {
           char* end = nullptr;
           count = std::strtol(args[1].c_str(), &end, 10);
           if (args[1].empty() || *end || count < 1 || count > 100000)
             throw SimError(fmt::format("bad count '{}': expected 1 to 100000", args[1]));
         }
         for (long i = 0; i < count; ++i) postChange();
       } else {
         throw SimError(usage);
       }
     }}};

}  // namespace
