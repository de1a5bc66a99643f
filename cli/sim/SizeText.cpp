#include "cli/sim/SizeText.hpp"

#include <cctype>
#include <charconv>
#include <cmath>

namespace {

// A whole side: a decimal number that fills the text, finite and positive.
std::optional<double> parseSide(std::string_view text) {
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.')) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || !(value > 0)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<CGSize> parseSize(std::string_view text) {
  const size_t x = text.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  const std::optional<double> width = parseSide(text.substr(0, x)), height = parseSide(text.substr(x + 1));
  if (!width || !height) return std::nullopt;
  return CGSize{*width, *height};
}
