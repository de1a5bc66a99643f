// Device-information service stand-in.
// Implements: MGCopyAnswer for "ProductType" (model identifier), "ProductVersion" (system
// version), "BuildVersion" (system build) and "DeviceClass" ("iPhone" or "iPad"), answered
// from the device profile; an unknown key, or a fact the profile leaves empty, has no answer.
// Leaves out: every other key, hardware facts, the cache.
#pragma once

#include <optional>
#include <string>

std::optional<std::string> MGCopyAnswer(const std::string& key);
