// Simulator commands for the Settings app and its pane: the device options it reads (system
// version and build, model, idiom, language, social service, mail account), `settings ...`,
// the `pane` and `posted` fields of `dump`, and `prefs set` through the pane's value store.
#include <fmt/format.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

#include "cli/sim/SimExtension.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "tweak/Settings.hpp"

namespace {

std::string joined(const std::vector<std::string>& args, size_t from) {
  std::string out;
  for (size_t i = from; i < args.size(); ++i) out += (i > from ? " " : "") + args[i];
  return out;
}

const char* kUsage =
    "usage: settings open | tap LABEL | set KEY VALUE | entry KEY | back | compose | dismiss [post|cancel] | "
    "mail sent|saved|cancelled|failed | mail-save FILE";

const std::map<std::string, MFMailComposeResult> kMailResults{{"sent", MFMailComposeResultSent},
                                                              {"saved", MFMailComposeResultSaved},
                                                              {"cancelled", MFMailComposeResultCancelled},
                                                              {"failed", MFMailComposeResultFailed}};

void saveMail(SettingsHost& host, const std::string& path) {
  auto mail = host.presentedMail();
  if (!mail) throw SettingsHostError("no mail composer is on screen");
  std::string message = mail->mimeMessage();
  try {
    device_fs::writeOutputFile(path, std::vector<uint8_t>(message.begin(), message.end()));
  } catch (const std::runtime_error& e) {
    throw SimError(fmt::format("settings mail-save: {}", e.what()));
  }
}

void runSettings(SimContext& sim, const std::vector<std::string>& args) {
  if (args.empty()) throw SimError(kUsage);
  const std::string& verb = args[0];
  SettingsHost& app = sim.settings();
  try {
    if (verb == "open" && args.size() == 1) {
      app.openPane();
    } else if (verb == "tap" && args.size() >= 2) {
      app.tap(joined(args, 1));
    } else if (verb == "set" && args.size() == 3) {
      if (!device_fs::canWriteFile(vlw_settings::kSettingsPath)) throw SimError("cannot write the settings file");
      app.set(args[1], parseScriptValue(args[2], sim.argumentQuoted(2)));
    } else if (verb == "entry" && args.size() == 2) {
      app.touchValueEntry(args[1]);
    } else if (verb == "mail" && args.size() == 2) {
      auto result = kMailResults.find(args[1]);
      if (result == kMailResults.end()) throw SimError("usage: settings mail sent|saved|cancelled|failed");
      app.finishMail(result->second);
    } else if (verb == "mail-save" && args.size() == 2) {
      saveMail(app, sim.resolvePath(args[1]));
    } else if (verb == "back" && args.size() == 1) {
      app.back();
    } else if (verb == "compose" && args.size() == 1) {
      app.compose();
    } else if (verb == "dismiss" && args.size() <= 2) {
      bool posted = false;
      if (args.size() == 2) {
        if (args[1] == "post")
          posted = true;
        else if (args[1] != "cancel")
          throw SimError("usage: settings dismiss [post|cancel]");
      }
      app.dismiss(posted);
    } else {
      throw SimError(kUsage);
    }
  } catch (const SettingsHostError& e) {
    throw SimError(fmt::format("settings {}: {}", verb, e.what()));
  }
}

const SimCommandRegistration command{{"settings",
                                      "settings open (the VLW pane, as its row on the list does) | tap LABEL (a row of the "
                                      "list or of the pane's page on screen) | set KEY VALUE | entry KEY (touch a slider's "
                                      "value entry) | "
                                      "back | compose | dismiss [post|cancel] | mail sent|saved|cancelled|failed | "
                                      "mail-save FILE (the mail on screen as a MIME e-mail)",
                                      runSettings, SimHost::Settings}};

const SimDumpFieldRegistration paneField{"pane", [](SimContext& sim) { return sim.settings().describePane(); },
                                         SimHost::Settings};
const SimDumpFieldRegistration entryField{"entry", [](SimContext& sim) { return sim.settings().describeEntry(); },
                                          SimHost::Settings};
// The Settings app's first page: one row per installed pane entry.
const SimDumpFieldRegistration listField{"list", [](SimContext& sim) { return sim.settings().describeList(); },
                                         SimHost::Settings};
// The Settings app's window as a view tree (frames in their superviews' coordinates), for
// finding where a row or control is on screen.
const SimDumpFieldRegistration screenField{"screen", [](SimContext& sim) { return sim.settings().window()->describeTree(); },
                                           SimHost::Settings};
const SimDumpFieldRegistration postedField{"posted", [](SimContext&) { return nlohmann::json(darwin_notify::posted()); }};
// How often this process's observers have been called back, by notification name.
const SimDumpFieldRegistration deliveredField{"delivered",
                                              [](SimContext&) { return nlohmann::json(darwin_notify::deliveries()); }};

// The pane stores what it has a row for (the home screen's process never loads the pane).
const SimPrefsSetterRegistration prefsSetter{[](SimContext& sim, const std::string& key, const plist::Value& value) {
  return sim.findSettings() && sim.findSettings()->storeThroughPane(key, value);
}};

const SimOptionsRegistration options{
    SimHost::Settings, [](CLI::App& app) {
      app.add_option("--cf-version", deviceProfile().cfVersion,
                     "Core Foundation version of the simulated system (default 1240.10); 1140.1 to 1141.18 nest the "
                     "pane's navigation controller in the Settings app's")
          ->check(CLI::Range(0.0, 100000.0))
          ->check([](const std::string& v) {  // the range lets NaN through
            double d = std::strtod(v.c_str(), nullptr);
            bool decimal = !v.empty() && v.find_first_not_of("0123456789.eE+-") == std::string::npos;
            return decimal && std::isfinite(d) ? std::string() : std::string("a version is a decimal number");
          });
      app.add_option_function<std::string>(
             "--idiom", [](const std::string& v) { deviceProfile().idiom = v == "pad" ? DeviceIdiom::Pad : DeviceIdiom::Phone; },
             "Device idiom, phone or pad (default phone)")
          ->check(CLI::IsMember({"phone", "pad"}));
      app.add_option_function<std::string>(
             "--language", [](const std::string& v) { deviceProfile().language = v; },
             "Preferred language, a code such as en or de (default en)")
          ->check([](const std::string& v) {
            bool ok = !v.empty() && v.size() <= 16 &&
                      v.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-_") == std::string::npos;
            return ok ? std::string() : std::string("a language code is letters, '-' and '_'");
          });
      app.add_option("--product-type", deviceProfile().productType, "Model identifier the device reports (default iPhone7,2)");
      app.add_option("--product-version", deviceProfile().productVersion, "System version the device reports (default 9.0.2)");
      app.add_option("--build-version", deviceProfile().buildVersion, "System build the device reports (default 13A452)");
      app.add_option(
          "--mail-account", deviceProfile().mailAccount,
          "The device's mail account, as \"Name <address>\"; empty for none (default \"Phone Owner <owner@example.net>\")");
      app.add_option_function<std::string>(
             "--social", [](const std::string& v) { deviceProfile().socialAvailable = v == "yes"; },
             "Whether social posting is available (default yes)")
          ->check(CLI::IsMember({"yes", "no"}));
    }};

// While the pane is open the Settings app is what the screen shows.
const SimForegroundScreenRegistration settingsScreen{[](SimContext& sim) -> std::shared_ptr<UIView> {
  if (!sim.findSettings() || !sim.findSettings()->isPaneOpen()) return nullptr;
  return sim.findSettings()->window();
}};

}  // namespace
