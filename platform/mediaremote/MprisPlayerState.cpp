#include "platform/mediaremote/MprisPlayerState.hpp"

namespace {

using Properties = std::map<std::string, sdbus::Variant>;

std::optional<std::string> text(const sdbus::Variant& v, size_t limit) {
  if (!v.containsValueOfType<std::string>()) return std::nullopt;
  return cutUtf8(v.get<std::string>(), limit);
}

std::optional<std::string> word(const sdbus::Variant& v) {
  if (!v.containsValueOfType<std::string>()) return std::nullopt;
  auto w = v.get<std::string>();
  if (w.size() > MprisPlayerState::kWordLimit) return std::nullopt;
  return w;
}

std::optional<bool> flag(const sdbus::Variant& v) {
  if (v.containsValueOfType<bool>()) return v.get<bool>();
  return std::nullopt;
}

// Players disagree on the integer type of times (x, t, i, u) and some send doubles.
std::optional<double> number(const sdbus::Variant& v) {
  if (v.containsValueOfType<int64_t>()) return double(v.get<int64_t>());
  if (v.containsValueOfType<uint64_t>()) return double(v.get<uint64_t>());
  if (v.containsValueOfType<int32_t>()) return double(v.get<int32_t>());
  if (v.containsValueOfType<uint32_t>()) return double(v.get<uint32_t>());
  if (v.containsValueOfType<double>()) return v.get<double>();
  return std::nullopt;
}

// xesam:artist is a list of names (some players send one string).
std::optional<std::string> artists(const sdbus::Variant& v) {
  if (v.containsValueOfType<std::string>()) return text(v, MprisPlayerState::kTextLimit);
  if (!v.containsValueOfType<std::vector<std::string>>()) return std::nullopt;
  auto names = v.get<std::vector<std::string>>();
  if (names.empty()) return std::nullopt;
  std::string joined;
  for (size_t i = 0; i < names.size() && i < MprisPlayerState::kArtistsLimit && joined.size() <= MprisPlayerState::kTextLimit;
       ++i) {
    if (i > 0) joined += ", ";
    joined += cutUtf8(std::move(names[i]), MprisPlayerState::kTextLimit);
  }
  return cutUtf8(std::move(joined), MprisPlayerState::kTextLimit);
}

template <class T, class Read>
void take(const Properties& from, const char* key, std::optional<T>& into, Read read) {
  if (auto it = from.find(key); it != from.end()) into = read(it->second);
}

void mergeTrack(MprisPlayerState& s, const Properties& metadata) {
  auto bounded = [](const sdbus::Variant& v) { return text(v, MprisPlayerState::kTextLimit); };
  s.hasMetadata = !metadata.empty();
  s.title = s.artist = s.album = std::nullopt;
  s.length = std::nullopt;
  s.artUrl.clear();
  take(metadata, "xesam:title", s.title, bounded);
  take(metadata, "xesam:album", s.album, bounded);
  take(metadata, "xesam:artist", s.artist, artists);
  take(metadata, "mpris:length", s.length, number);
  if (auto it = metadata.find("mpris:artUrl"); it != metadata.end() && it->second.containsValueOfType<std::string>()) {
    auto url = it->second.get<std::string>();
    if (url.size() <= MprisPlayerState::kUrlLimit) s.artUrl = std::move(url);
  }
}

}  // namespace

std::string cutUtf8(std::string text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  // Back off continuation bytes (10xxxxxx) to the start of the character that would be split.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  text.shrink_to_fit();  // a cut text keeps no hidden megabytes
  return text;
}

void MprisPlayerState::merge(const Properties& changed) {
  if (!changed.empty()) known = true;
  take(changed, "PlaybackStatus", playbackStatus, word);
  take(changed, "LoopStatus", loopStatus, word);
  take(changed, "Shuffle", shuffle, flag);
  take(changed, "CanPlay", canPlay, flag);
  take(changed, "CanPause", canPause, flag);
  take(changed, "CanGoNext", canGoNext, flag);
  take(changed, "CanGoPrevious", canGoPrevious, flag);
  take(changed, "Rate", rate, number);
  take(changed, "Position", position, number);
  if (auto it = changed.find("Metadata"); it != changed.end())
    mergeTrack(*this, it->second.containsValueOfType<Properties>() ? it->second.get<Properties>() : Properties{});
}
