#include "platform/uikit/PreparedImages.hpp"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/process/ProcessState.hpp"

namespace prepared_images {
namespace {

struct Entry {
  Bytes bytes;
  UIImageRef image;
};

struct State {
  std::mutex mutex;
  std::deque<Entry> entries;  // latest first
};

State& state() {
  static auto* s = process_state::make<State>("prepared images", [](State&) { clear(); });  // lives as long as the process
  return *s;
}

bool same(const Bytes& kept, std::span<const uint8_t> bytes) {
  return kept->size() == bytes.size() &&
         (kept->data() == bytes.data() || std::memcmp(kept->data(), bytes.data(), bytes.size()) == 0);
}

// The entry for these bytes, or end(); mutex held.
std::deque<Entry>::iterator findLocked(State& s, std::span<const uint8_t> bytes) {
  return std::find_if(s.entries.begin(), s.entries.end(), [&](const Entry& e) { return same(e.bytes, bytes); });
}

}  // namespace

UIImageRef prepare(const Bytes& bytes) {
  if (!bytes) return nullptr;
  State& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (auto it = findLocked(s, *bytes); it != s.entries.end()) {
      Entry entry = std::move(*it);
      s.entries.erase(it);
      s.entries.push_front(entry);
      return entry.image;
    }
  }
  UIImageRef image = UIImage::decodedImage(*bytes);  // the long part, outside the lock
  if (!image) return nullptr;
  std::lock_guard lock(s.mutex);
  if (auto it = findLocked(s, *bytes); it != s.entries.end()) s.entries.erase(it);  // prepared meanwhile
  s.entries.push_front({bytes, image});
  while (s.entries.size() > kKept) s.entries.pop_back();
  return image;
}

UIImageRef find(std::span<const uint8_t> bytes) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  auto it = findLocked(s, bytes);
  return it == s.entries.end() ? nullptr : it->image;
}

void forget(std::span<const uint8_t> bytes) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (auto it = findLocked(s, bytes); it != s.entries.end()) s.entries.erase(it);
}

size_t count() {
  std::lock_guard lock(state().mutex);
  return state().entries.size();
}

void clear() {
  std::lock_guard lock(state().mutex);
  state().entries.clear();
}

}  // namespace prepared_images
