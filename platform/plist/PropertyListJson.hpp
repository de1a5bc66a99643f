// Property-list values as JSON, for dumps and screen descriptions: data becomes
// {"data": base64}, a date {"date": seconds since 2001}, the rest their JSON counterparts.
#pragma once

#include <nlohmann/json.hpp>

#include "platform/plist/PropertyList.hpp"

nlohmann::json propertyListJson(const plist::Value& value);
