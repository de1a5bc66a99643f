#include "cli/sim/JsonValues.hpp"

namespace {

std::string base64(const plist::Data& data) {
  static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < data.size(); i += 3) {
    uint32_t n = data[i] << 16;
    if (i + 1 < data.size()) n |= data[i + 1] << 8;
    if (i + 2 < data.size()) n |= data[i + 2];
    out += table[(n >> 18) & 63];
    out += table[(n >> 12) & 63];
    out += i + 1 < data.size() ? table[(n >> 6) & 63] : '=';
    out += i + 2 < data.size() ? table[n & 63] : '=';
  }
  return out;
}

}  // namespace

nlohmann::json plistToJson(const plist::Value& value) {
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
          for (const auto& item : v) a.push_back(plistToJson(item));
          return a;
        } else if constexpr (std::is_same_v<T, plist::Dictionary>) {
          nlohmann::json d = nlohmann::json::object();
          for (const auto& [k, item] : v) d[k] = plistToJson(item);
          return d;
        } else {
          return v;
        }
      },
      value.storage());
}
