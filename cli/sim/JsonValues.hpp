// Property-list values as JSON, for dumps: data becomes {"data": base64}, a date
// {"date": seconds since 2001}.
#pragma once

#include <nlohmann/json.hpp>

#include "platform/foundation/PropertyList.hpp"

nlohmann::json plistToJson(const plist::Value& value);
