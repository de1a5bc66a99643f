#include "platform/plist/PropertyList.hpp"

#include <glib.h>
#include <plist/plist.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

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

uint64_t bigEndian(const uint8_t* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

// Measures a binary list's object graph without building it. libplist's own reader recurses
// once per level and copies every shared reference, so a few hundred hostile bytes could stand
// for millions of values or a nesting deep enough to overflow the stack: those are refused here,
// before libplist sees them. Also refused: reference cycles and dictionary keys that are not
// strings or hold a NUL (libplist asserts on those). Linear in the number of objects and
// references, each visited once.
class BinaryGraph {
 public:
  BinaryGraph(std::span<const uint8_t> b, const Limits& limits) : b_(b), limits_(limits) {}

  // Reads the trailer; false when it is not one of a binary list or points outside the file.
  bool readTrailer() {
    if (b_.size() < 8 + 32 || std::memcmp(b_.data(), "bplist00", 8) != 0) return false;
    const uint8_t* trailer = b_.data() + b_.size() - 32;
    offsetSize_ = trailer[6];
    refSize_ = trailer[7];
    count_ = bigEndian(trailer + 8, 8);
    top_ = bigEndian(trailer + 16, 8);
    table_ = bigEndian(trailer + 24, 8);
    const uint64_t end = b_.size() - 32;
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return false;
    if (count_ == 0 || top_ >= count_ || table_ < 8 || table_ > end || count_ > (end - table_) / offsetSize_) return false;
    objects_.resize(count_);
    return true;
  }

  // Walks the graph depth first from the top object, without recursion, measuring each object
  // once all its children are measured.
  bool walk() {
    if (!enter(top_)) return false;
    while (!path_.empty()) {
      Step& step = path_.back();
      Object& o = objects_[step.index];
      if (step.next < children(o)) {
        uint64_t child = ref(o, step.next++);
        if (child >= count_) return false;
        if (objects_[child].state == 1) return false;  // a cycle
        if (objects_[child].state == 0 && !enter(child)) return false;
        continue;
      }
      if (!measure(o)) return false;
      path_.pop_back();
    }
    return true;
  }

 private:
  struct Object {
    uint64_t start = 0;   // first byte after the marker and length
    uint64_t length = 0;  // items of a container, bytes of a string or data
    uint8_t type = 0;
    uint8_t state = 0;   // 0 unseen, 1 on the path being walked, 2 measured
    uint32_t depth = 0;  // containers nested, itself included
    uint64_t nodes = 0, bytes = 0;
  };
  struct Step {
    uint64_t index, next;
  };

  // Reads one object's header; false when it lies outside the object area.
  bool header(uint64_t index) {
    Object& o = objects_[index];
    uint64_t at = bigEndian(b_.data() + table_ + index * offsetSize_, offsetSize_);
    if (at < 8 || at >= table_) return false;
    uint8_t marker = b_[at];
    o.type = marker >> 4;
    uint64_t length = marker & 0x0F;
    uint64_t pos = at + 1;
    bool sized =
        o.type == 0x4 || o.type == 0x5 || o.type == 0x6 || o.type == 0x7 || o.type == 0xA || o.type == 0xC || o.type == 0xD;
    if (sized && length == 0x0F) {
      if (pos >= table_ || (b_[pos] >> 4) != 0x1 || (b_[pos] & 0x0F) > 3) return false;
      size_t n = size_t{1} << (b_[pos] & 0x0F);
      if (pos + 1 + n > table_) return false;
      length = bigEndian(b_.data() + pos + 1, n);
      pos += 1 + n;
    }
    o.start = pos;
    o.length = length;
    uint64_t room = table_ - pos, unit = 0;
    switch (o.type) {
      case 0x4:
      case 0x5:
      case 0x7:
        unit = 1;
        break;
      case 0x6:
        unit = 2;
        break;
      case 0xA:
      case 0xC:
        unit = refSize_;
        break;
      case 0xD:
        unit = 2 * refSize_;
        break;
      default:
        return true;
    }
    return length <= room / unit;
  }

  uint64_t ref(const Object& o, uint64_t i) const { return bigEndian(b_.data() + o.start + i * refSize_, refSize_); }

  static uint64_t children(const Object& o) {
    return o.type == 0xD ? 2 * o.length : (o.type == 0xA || o.type == 0xC) ? o.length : 0;
  }

  // A dictionary key: a string without a NUL.
  bool plainKey(uint64_t index) const {
    const Object& k = objects_[index];
    const uint8_t* p = b_.data() + k.start;
    if (k.type == 0x5 || k.type == 0x7) return std::memchr(p, 0, k.length) == nullptr;
    if (k.type != 0x6) return false;
    for (uint64_t i = 0; i < k.length; ++i)
      if (p[2 * i] == 0 && p[2 * i + 1] == 0) return false;
    return true;
  }

  bool enter(uint64_t index) {
    if (!header(index)) return false;
    objects_[index].state = 1;
    path_.push_back({index, 0});
    return path_.size() <= limits_.maxDepth + 1;
  }

  // Every child measured: sums this object's values, bytes and depth against the limits.
  bool measure(Object& o) {
    uint64_t nodes = 1, bytes = (o.type >= 0x4 && o.type <= 0x7) ? o.length * (o.type == 0x6 ? 2 : 1) : 8;
    uint32_t depth = 0;
    for (uint64_t i = 0; i < children(o); ++i) {
      const Object& c = objects_[ref(o, i)];
      nodes += c.nodes;
      bytes += c.bytes;
      depth = std::max(depth, c.depth);
      if (nodes > limits_.maxNodes || bytes > limits_.maxExpandedBytes) return false;
    }
    if (o.type == 0xD)
      for (uint64_t i = 0; i < o.length; ++i)
        if (!plainKey(ref(o, i))) return false;
    o.nodes = nodes;
    o.bytes = bytes;
    o.depth = children(o) > 0 || o.type == 0xA || o.type == 0xC || o.type == 0xD ? depth + 1 : 0;
    if (o.depth > limits_.maxDepth) return false;
    o.state = 2;
    return true;
  }

  std::span<const uint8_t> b_;
  const Limits& limits_;
  size_t offsetSize_ = 0, refSize_ = 0;
  uint64_t count_ = 0, top_ = 0, table_ = 0;
  std::vector<Object> objects_;
  std::vector<Step> path_;
};

bool binaryWithinLimits(std::span<const uint8_t> b, const Limits& limits) {
  BinaryGraph graph(b, limits);
  return graph.readTrailer() && graph.walk();
}

// An XML list may not hold a NUL character, raw or as a character reference (XML forbids it,
// and libplist would hand it on to a string reader that asserts there is none).
bool xmlFreeOfNul(std::span<const uint8_t> b) {
  if (std::memchr(b.data(), 0, b.size())) return false;
  std::string_view text(reinterpret_cast<const char*>(b.data()), b.size());
  for (size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2)) {
    size_t i = at + 2;
    bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    bool digits = false, zero = true;
    while (i < text.size() &&
           (hex ? std::isxdigit(static_cast<unsigned char>(text[i])) : std::isdigit(static_cast<unsigned char>(text[i])))) {
      digits = true;
      if (text[i] != '0') zero = false;
      ++i;
    }
    if (digits && zero) return false;
  }
  return true;
}

// Builds the value from libplist's tree without recursion, one child at a time through
// libplist's iterators (indexing an array is linear in this libplist), counting values and
// bytes as it goes: the first value over a limit ends the conversion.
class Converter {
 public:
  explicit Converter(const Limits& limits) : limits_(limits) {}

  std::optional<Value> convert(plist_t root) {
    if (!isContainer(root)) return scalar(root);
    if (!open(root)) return std::nullopt;
    for (;;) {
      Frame& frame = stack_.back();
      plist_t item = nullptr;
      std::string key;
      if (frame.array) {
        plist_array_next_item(frame.node, frame.iter, &item);
      } else {
        char* k = nullptr;
        plist_dict_next_item(frame.node, frame.iter, &k, &item);
        if (k) key = k;
        std::free(k);
        if (item && !count(key.size())) return std::nullopt;
      }
      if (!item) {
        Value done = std::move(frame.value);
        stack_.pop_back();
        if (stack_.empty()) return done;
        attach(stack_.back(), std::move(done));
        continue;
      }
      if (isContainer(item)) {
        frame.pendingKey = std::move(key);
        if (stack_.size() >= limits_.maxDepth || !open(item)) return std::nullopt;
        continue;
      }
      auto value = scalar(item);
      if (!value) return std::nullopt;
      frame.pendingKey = std::move(key);
      attach(frame, std::move(*value));
    }
  }

 private:
  struct Frame {
    plist_t node = nullptr;
    bool array = false;
    void* iter = nullptr;
    Value value;
    std::string pendingKey;
    Frame() = default;
    Frame(Frame&& o) noexcept
        : node(o.node),
          array(o.array),
          iter(std::exchange(o.iter, nullptr)),
          value(std::move(o.value)),
          pendingKey(std::move(o.pendingKey)) {}
    ~Frame() { std::free(iter); }
  };

  static bool isContainer(plist_t node) {
    auto type = plist_get_node_type(node);
    return type == PLIST_ARRAY || type == PLIST_DICT;
  }

  bool count(size_t bytes) {
    ++nodes_;
    bytes_ += bytes;
    return nodes_ <= limits_.maxNodes && bytes_ <= limits_.maxExpandedBytes;
  }

  bool open(plist_t node) {
    if (!count(0)) return false;
    Frame frame;
    frame.node = node;
    frame.array = plist_get_node_type(node) == PLIST_ARRAY;
    if (frame.array) {
      plist_array_new_iter(node, &frame.iter);
      frame.value = Value(Array{});
    } else {
      plist_dict_new_iter(node, &frame.iter);
      frame.value = Value(Dictionary{});
    }
    if (!frame.iter) return false;
    stack_.push_back(std::move(frame));
    return true;
  }

  static void attach(Frame& parent, Value child) {
    if (parent.array)
      parent.value.array()->push_back(std::move(child));
    else
      (*parent.value.dictionary())[std::move(parent.pendingKey)] = std::move(child);
  }

  std::optional<Value> scalar(plist_t node) {
    switch (plist_get_node_type(node)) {
      case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        if (!count(1)) return std::nullopt;
        return Value(b != 0);
      }
      case PLIST_UINT: {
        // This libplist keeps every integer as 64 bits; negative ones come back two's complement.
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        if (!count(8)) return std::nullopt;
        return Value(static_cast<int64_t>(u));
      }
      case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        if (!count(8)) return std::nullopt;
        return Value(d);
      }
      case PLIST_STRING: {
        // Read with its length: a string may hold a NUL.
        uint64_t length = 0;
        const char* s = plist_get_string_ptr(node, &length);
        if (!count(length)) return std::nullopt;
        return Value(s ? std::string(s, length) : std::string());
      }
      case PLIST_DATA: {
        uint64_t length = 0;
        const char* d = plist_get_data_ptr(node, &length);
        if (!count(length)) return std::nullopt;
        auto p = reinterpret_cast<const uint8_t*>(d);
        return Value(d ? Data(p, p + length) : Data());
      }
      case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        if (!count(8)) return std::nullopt;
        return Value(Date{sec + usec / 1e6});
      }
      default:
        if (!count(0)) return std::nullopt;
        return Value();
    }
  }

  const Limits& limits_;
  std::vector<Frame> stack_;
  size_t nodes_ = 0, bytes_ = 0;
};

// libplist's binary writer turns a string that is not valid UTF-8 into a file no reader
// accepts: such strings (and keys) are repaired first, each bad sequence becoming U+FFFD.
std::string validUtf8(const std::string& text) {
  const char* end = nullptr;
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end) && end == text.data() + text.size()) return text;
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string out(valid);
  g_free(valid);
  return out;
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
          return plist_new_string(validUtf8(v).c_str());
        } else if constexpr (std::is_same_v<T, Data>) {
          return plist_new_data(reinterpret_cast<const char*>(v.data()), v.size());
        } else if constexpr (std::is_same_v<T, Date>) {
          // This libplist keeps whole seconds in 32 bits: a date beyond them (or NaN, which a
          // binary list can hold) is written as the nearest it can keep.
          double seconds = std::isnan(v.secondsSinceReference) ? 0.0 : v.secondsSinceReference;
          seconds = std::clamp(seconds, double(std::numeric_limits<int32_t>::min()), double(std::numeric_limits<int32_t>::max()));
          double whole = std::floor(seconds);
          return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((seconds - whole) * 1e6));
        } else if constexpr (std::is_same_v<T, Array>) {
          plist_t a = plist_new_array();
          for (const auto& item : v) plist_array_append_item(a, toNode(item));
          return a;
        } else {
          plist_t d = plist_new_dict();
          for (const auto& [key, item] : v) plist_dict_set_item(d, validUtf8(key).c_str(), toNode(item));
          return d;
        }
      },
      value.storage());
}

}  // namespace

std::optional<Value> parse(std::span<const uint8_t> bytes, const Limits& limits) {
  if (bytes.empty() || bytes.size() > limits.maxFileBytes || bytes.size() > std::numeric_limits<uint32_t>::max())
    return std::nullopt;
  bool binary = bytes.size() >= 6 && std::memcmp(bytes.data(), "bplist", 6) == 0;
  if (binary ? !binaryWithinLimits(bytes, limits) : !xmlFreeOfNul(bytes)) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &root);
  if (!root) return std::nullopt;
  auto v = Converter(limits).convert(root);
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

std::optional<Dictionary> dictionaryWithContentsOfFile(std::string_view devicePath, const Limits& limits) {
  auto bytes = device_fs::readFile(devicePath, limits.maxFileBytes);
  if (!bytes) return std::nullopt;
  auto value = parse(*bytes, limits);
  if (!value || !value->isDictionary()) return std::nullopt;
  return std::move(*value->dictionary());
}

bool writeToFile(const Dictionary& dictionary, std::string_view devicePath, Format format) {
  Value value(dictionary);
  auto bytes = serialize(value, format);
  if (format == Format::Xml && bytes.size() > (size_t{64} << 10)) {
    auto binary = serialize(value, Format::Binary);
    if (bytes.size() > 8 * binary.size()) bytes = std::move(binary);
  }
  return device_fs::writeFileAtomically(devicePath, bytes);
}

}  // namespace plist
