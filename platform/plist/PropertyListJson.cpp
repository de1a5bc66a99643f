#include "platform/plist/PropertyListJson.hpp"

#include <glib.h>

namespace {

std::string base64(const plist::Data& data) {
  gchar* encoded = g_base64_encode(data.data(), data.size());
  std::string out(encoded);
  g_free(encoded);
  return out;
}

}  // namespace

nlohmann::json propertyListJson(const plist::Value& value) {
  return std::visit(
      [](const auto& v) -> nlohmann::json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return nullptr;
        } else if constexpr (std::is_same_v<T, plist::Data>) {
          return {{"data", base64(v)}};
        } else if constexpr (std::is_same_v<T, plist::Date>) {
          return {{"date", v.secondsSinceReference}};
        } else if constexpr (std::is_same_v<T, plist::Array>) {
          nlohmann::json a = nlohmann::json::array();
          for (const auto& item : v) a.push_back(propertyListJson(item));
          return a;
        } else if constexpr (std::is_same_v<T, plist::Dictionary>) {
          nlohmann::json d = nlohmann::json::object();
          for (const auto& [k, item] : v) d[k] = propertyListJson(item);
          return d;
        } else {
          return v;
        }
      },
      value.storage());
}
