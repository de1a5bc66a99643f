// Foundation stand-in: property-list values (NSString, NSNumber, NSData, NSDate, NSArray,
// NSDictionary as one value type) and their XML and binary forms through libplist.
// Implements: the value kinds of a property list, boolValue / floatValue / intValue
// conversions as Foundation does them, parsing either form, writing either form, and
// dictionaryWithContentsOfFile: / writeToFile:atomically: on device paths. Reading is bounded:
// a file over its size cap is not read, and a list nested too deep, or with too many values or
// bytes once shared references are expanded, reads as no list at all (checked before and while
// converting, never after), in time linear in its size.
// Leaves out: OpenStep-style text plists, NSKeyedArchiver payloads, UID values.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace plist {

class Value;
using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value>;
using Data = std::vector<uint8_t>;

struct Date {
  double secondsSinceReference = 0;  // seconds since 2001-01-01 00:00:00 UTC
  bool operator==(const Date&) const = default;
};

// One property-list value, or nil.
class Value {
 public:
  using Storage = std::variant<std::monostate, bool, int64_t, double, std::string, Data, Date, Array, Dictionary>;

  Value() = default;
  Value(bool b) : v_(b) {}
  Value(int i) : v_(static_cast<int64_t>(i)) {}
  Value(int64_t i) : v_(i) {}
  Value(double d) : v_(d) {}
  Value(const char* s) : v_(std::string(s)) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(Data d) : v_(std::move(d)) {}
  Value(Date d) : v_(d) {}
  Value(Array a) : v_(std::move(a)) {}
  Value(Dictionary d) : v_(std::move(d)) {}

  bool isNil() const { return std::holds_alternative<std::monostate>(v_); }
  explicit operator bool() const { return !isNil(); }
  bool isBool() const { return std::holds_alternative<bool>(v_); }
  bool isInteger() const { return std::holds_alternative<int64_t>(v_); }
  bool isReal() const { return std::holds_alternative<double>(v_); }
  bool isNumber() const { return isBool() || isInteger() || isReal(); }
  bool isString() const { return std::holds_alternative<std::string>(v_); }
  bool isDate() const { return std::holds_alternative<Date>(v_); }
  bool isArray() const { return std::holds_alternative<Array>(v_); }
  bool isDictionary() const { return std::holds_alternative<Dictionary>(v_); }

  // Foundation's conversions: numbers convert numerically; a string reads its leading
  // number (as NSString does); anything else is 0 / false.
  bool boolValue() const;
  float floatValue() const;
  double doubleValue() const;
  int intValue() const;
  int64_t integerValue() const;

  const std::string* string() const { return std::get_if<std::string>(&v_); }
  const Data* data() const { return std::get_if<Data>(&v_); }
  const Array* array() const { return std::get_if<Array>(&v_); }
  Array* array() { return std::get_if<Array>(&v_); }
  const Dictionary* dictionary() const { return std::get_if<Dictionary>(&v_); }
  Dictionary* dictionary() { return std::get_if<Dictionary>(&v_); }

  // objectForKey: on a dictionary value; nil for a missing key or a non-dictionary.
  const Value& operator[](std::string_view key) const;

  const Storage& storage() const { return v_; }
  bool operator==(const Value& other) const { return v_ == other.v_; }

 private:
  Storage v_;
};

const Value& nilValue();

enum class Format { Xml, Binary };

// What one property list may hold. Over any of these it is not a property list.
struct Limits {
  size_t maxFileBytes = size_t{64} << 20;       // the encoded form, file or buffer
  size_t maxDepth = 256;                        // containers inside containers
  size_t maxNodes = 4'000'000;                  // values, keys included, after expansion
  size_t maxExpandedBytes = size_t{256} << 20;  // string, key and data bytes after expansion
};
// Resources of a bundle (specifier lists, tables, Info.plist): the defaults.
inline constexpr Limits kResourceLimits{};
// Preference files (the settings file is a few hundred bytes).
inline constexpr Limits kPreferencesLimits{size_t{1} << 20, 128, 10'000, size_t{8} << 20};

// Either form; nothing when the bytes are not a property list or exceed the limits.
std::optional<Value> parse(std::span<const uint8_t> bytes, const Limits& limits = kResourceLimits);
std::vector<uint8_t> serialize(const Value& value, Format format = Format::Xml);

// dictionaryWithContentsOfFile: for a device path: the root dictionary, or nothing when the
// file is missing, unreadable, over the limits or not a dictionary property list.
std::optional<Dictionary> dictionaryWithContentsOfFile(std::string_view devicePath, const Limits& limits = kResourceLimits);
// writeToFile:atomically:YES for a device path. The XML form is written unless it would be
// out of all proportion to the content (deep nesting indents every line), then the binary one.
bool writeToFile(const Dictionary& dictionary, std::string_view devicePath, Format format = Format::Xml);

// NSString's floatValue / doubleValue: leading white space skipped, then the longest leading
// decimal number ('.' as separator, optional sign, digits, fraction, exponent); 0 otherwise.
double parseLeadingNumber(std::string_view text);

}  // namespace plist
