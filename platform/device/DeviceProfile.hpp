// The simulated phone's fixed facts: screen, reachability window, system version, language,
// idiom and services. The hosts set it from the command line before anything runs; the
// stand-in frameworks read it (UIScreen, UIDevice, kCFCoreFoundationVersionNumber,
// MGCopyAnswer, NSBundle's language, the social service, the mail account).
#pragma once

#include <string>

#include "platform/graphics/Geometry.hpp"

enum class DeviceIdiom { Phone = 0, Pad = 1 };

struct DeviceProfile {
  CGSize screen{375, 667};  // points
  double scale = 2.0;       // pixels per point
  CGSize reachabilityWindow{375, 300};
  bool reachabilitySupported = false;  // what the home screen itself answers
  double cfVersion = 1240.10;          // kCFCoreFoundationVersionNumber
  DeviceIdiom idiom = DeviceIdiom::Phone;
  bool idiomAnswered = true;  // whether UIDevice responds to userInterfaceIdiom
  std::string language = "en";
  bool socialAvailable = true;
  std::string productType = "iPhone7,2";
  std::string productVersion = "9.0.2";
  std::string buildVersion = "13A452";
  // The mail account the composer sends from; empty when the device has none.
  std::string mailAccount = "Phone Owner <owner@example.net>";
};

DeviceProfile& deviceProfile();
