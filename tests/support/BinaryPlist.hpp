// Builds binary property lists object by object, so tests and seed corpora can make the shapes
// a writer never would: shared references, cycles, deep chains, NULs in keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_plist {

class BinaryPlist {
 public:
  // Each adder returns the new object's index.
  size_t array(const std::vector<uint32_t>& refs) { return add(container(0xA0, refs.size(), refs)); }
  size_t dict(const std::vector<uint32_t>& keys, const std::vector<uint32_t>& values) {
    std::vector<uint32_t> refs = keys;
    refs.insert(refs.end(), values.begin(), values.end());
    return add(container(0xD0, keys.size(), refs));
  }
  size_t string(const std::string& ascii) {
    auto o = header(0x50, ascii.size());
    o.insert(o.end(), ascii.begin(), ascii.end());
    return add(o);
  }
  size_t boolean(bool b) { return add({static_cast<uint8_t>(b ? 0x09 : 0x08)}); }
  size_t placeholder() { return add({}); }  // filled later with set()
  void setArray(size_t index, const std::vector<uint32_t>& refs) { objects_[index] = container(0xA0, refs.size(), refs); }

  std::vector<uint8_t> bytes(size_t top = 0) const {
    std::vector<uint8_t> out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    std::vector<uint64_t> offsets;
    for (const auto& o : objects_) {
      offsets.push_back(out.size());
      out.insert(out.end(), o.begin(), o.end());
    }
    uint64_t table = out.size();
    for (auto off : offsets) put(out, off, 4);
    std::vector<uint8_t> trailer(6, 0);
    trailer.push_back(4);  // offset size
    trailer.push_back(4);  // reference size
    put(trailer, objects_.size(), 8);
    put(trailer, top, 8);
    put(trailer, table, 8);
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
  }

 private:
  static void put(std::vector<uint8_t>& out, uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  static std::vector<uint8_t> header(uint8_t type, size_t length) {
    std::vector<uint8_t> o;
    if (length < 15) {
      o.push_back(static_cast<uint8_t>(type | length));
    } else {
      o.push_back(static_cast<uint8_t>(type | 0x0F));
      o.push_back(0x12);
      put(o, length, 4);
    }
    return o;
  }
  static std::vector<uint8_t> container(uint8_t type, size_t length, const std::vector<uint32_t>& refs) {
    auto o = header(type, length);
    for (auto r : refs) put(o, r, 4);
    return o;
  }
  size_t add(std::vector<uint8_t> o) {
    objects_.push_back(std::move(o));
    return objects_.size() - 1;
  }
  std::vector<std::vector<uint8_t>> objects_;
};

// A chain of arrays `depth` deep, each holding the next; binary.
inline std::vector<uint8_t> nestedBinary(size_t depth) {
  BinaryPlist b;
  for (size_t i = 0; i < depth; ++i) b.array({static_cast<uint32_t>(i + 1)});
  b.array({});
  return b.bytes();
}

// Arrays that each hold the next one twice: `levels` levels expand to 2^levels values.
inline std::vector<uint8_t> expandingBinary(size_t levels) {
  BinaryPlist b;
  for (size_t i = 0; i < levels; ++i) b.array({static_cast<uint32_t>(i + 1), static_cast<uint32_t>(i + 1)});
  b.boolean(true);
  return b.bytes();
}

// Arrays (or dicts) `depth` deep in XML.
inline std::string nestedXml(size_t depth, const std::string& open = "<array>", const std::string& close = "</array>") {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
  s.reserve(s.size() + depth * (open.size() + close.size()) + 16);
  for (size_t i = 0; i < depth; ++i) s += open;
  for (size_t i = 0; i < depth; ++i) s += close;
  return s + "</plist>\n";
}

}  // namespace test_plist
