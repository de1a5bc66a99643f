#include "platform/foundation/PropertyList.hpp"

#include <plist/plist.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/fs/DeviceRoot.hpp"

namespace plist {

const Value& nilValue() {
  static const Value nil;
  return nil;
}

double parseLeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    size_t expDigits = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j, ++expDigits;
    if (expDigits > 0) end = j;
  }
  std::string number(text.substr(start, end - start));
  return std::strtod(number.c_str(), nullptr);
}

double Value::doubleValue() const {
  if (auto b = std::get_if<bool>(&v_)) return *b ? 1.0 : 0.0;
  if (auto i = std::get_if<int64_t>(&v_)) return static_cast<double>(*i);
  if (auto d = std::get_if<double>(&v_)) return *d;
  if (auto s = std::get_if<std::string>(&v_)) return parseLeadingNumber(*s);
  return 0.0;
}

float Value::floatValue() const { return static_cast<float>(doubleValue()); }

int64_t Value::integerValue() const {
  if (auto b = std::get_if<bool>(&v_)) return *b ? 1 : 0;
  if (auto i = std::get_if<int64_t>(&v_)) return *i;
  double d = doubleValue();
  if (std::isnan(d)) return 0;
  if (d >= 9.2e18) return std::numeric_limits<int64_t>::max();
  if (d <= -9.2e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(d);
}

int Value::intValue() const {
  int64_t i = integerValue();
  return static_cast<int>(static_cast<uint32_t>(i));
}

bool Value::boolValue() const {
  if (auto b = std::get_if<bool>(&v_)) return *b;
  if (auto i = std::get_if<int64_t>(&v_)) return *i != 0;
  if (auto d = std::get_if<double>(&v_)) return *d != 0.0;
  if (auto s = std::get_if<std::string>(&v_)) {
    // NSString boolValue: skips white space and an optional sign and zeros; Y, y, T, t or a
    // digit 1-9 mean YES.
    size_t i = 0;
    while (i < s->size() && std::isspace(static_cast<unsigned char>((*s)[i]))) ++i;
    if (i < s->size() && ((*s)[i] == '+' || (*s)[i] == '-')) ++i;
    while (i < s->size() && (*s)[i] == '0') ++i;
    if (i >= s->size()) return false;
    char c = (*s)[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
  }
  return false;
}

const Value& Value::operator[](std::string_view key) const {
  auto d = dictionary();
  if (!d) return nilValue();
  auto it = d->find(std::string(key));
  return it == d->end() ? nilValue() : it->second;
}

namespace {

Value fromNode(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return Value(b != 0);
    }
    case PLIST_UINT: {
      // This libplist keeps every integer as 64 bits; negative ones come back two's complement.
      uint64_t u = 0;
      plist_get_uint_val(node, &u);
      return Value(static_cast<int64_t>(u));
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return Value(d);
    }
    case PLIST_STRING: {
      char* s = nullptr;
      plist_get_string_val(node, &s);
      std::string str = s ? s : "";
      std::free(s);
      return Value(std::move(str));
    }
    case PLIST_DATA: {
      char* d = nullptr;
      uint64_t len = 0;
      plist_get_data_val(node, &d, &len);
      Data data(reinterpret_cast<uint8_t*>(d), reinterpret_cast<uint8_t*>(d) + len);
      std::free(d);
      return Value(std::move(data));
    }
    case PLIST_DATE: {
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return Value(Date{sec + usec / 1e6});
    }
    case PLIST_ARRAY: {
      Array a;
      uint32_t n = plist_array_get_size(node);
      a.reserve(n);
      for (uint32_t i = 0; i < n; ++i) a.push_back(fromNode(plist_array_get_item(node, i)));
      return Value(std::move(a));
    }
    case PLIST_DICT: {
      Dictionary d;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &key, &item);
        if (!item) break;
        d[key ? key : ""] = fromNode(item);
        std::free(key);
      }
      std::free(it);
      return Value(std::move(d));
    }
    default:
      return Value();
  }
}

plist_t toNode(const Value& value) {
  return std::visit(
      [](const auto& v) -> plist_t {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return plist_new_string("");
        } else if constexpr (std::is_same_v<T, bool>) {
          return plist_new_bool(v);
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return plist_new_uint(static_cast<uint64_t>(v));
        } else if constexpr (std::is_same_v<T, double>) {
          return plist_new_real(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return plist_new_string(v.c_str());
        } else if constexpr (std::is_same_v<T, Data>) {
          return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
        } else if constexpr (std::is_same_v<T, Date>) {
          double whole = std::floor(v.secondsSinceReference);
          return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((v.secondsSinceReference - whole) * 1e6));
        } else if constexpr (std::is_same_v<T, Array>) {
          plist_t a = plist_new_array();
          for (const auto& item : v) plist_array_append_item(a, toNode(item));
          return a;
        } else {
          plist_t d = plist_new_dict();
          for (const auto& [key, item] : v) plist_dict_set_item(d, key.c_str(), toNode(item));
          return d;
        }
      },
      value.storage());
}

}  // namespace

std::optional<Value> parse(std::span<const uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &root);
  if (!root) return std::nullopt;
  Value v = fromNode(root);
  plist_free(root);
  return v;
}

std::vector<uint8_t> serialize(const Value& value, Format format) {
  plist_t node = toNode(value);
  char* out = nullptr;
  uint32_t len = 0;
  if (format == Format::Binary)
    plist_to_bin(node, &out, &len);
  else
    plist_to_xml(node, &out, &len);
  std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(out), reinterpret_cast<uint8_t*>(out) + len);
  if (format == Format::Binary)
    plist_to_bin_free(out);
  else
    plist_to_xml_free(out);
  plist_free(node);
  return bytes;
}

std::optional<Dictionary> dictionaryWithContentsOfFile(std::string_view devicePath) {
  auto bytes = device_fs::readFile(devicePath);
  if (!bytes) return std::nullopt;
  auto value = parse(*bytes);
  if (!value || !value->isDictionary()) return std::nullopt;
  return std::move(*value->dictionary());
}

bool writeToFile(const Dictionary& dictionary, std::string_view devicePath, Format format) {
  return device_fs::writeFileAtomically(devicePath, serialize(Value(dictionary), format));
}

}  // namespace plist
