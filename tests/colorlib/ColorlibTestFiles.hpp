// What the library's tests share: a temporary folder, images written as raw RGBA and as PNG,
// running a command, and a colour as the command's JSON and the probe program print it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/ChildProcess.hpp"

namespace colorlib_test {

// Straight-alpha RGBA pixels, rows packed.
struct RgbaImage {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;
};

// Diagonal bands of saturated colours over a grey field with a coloured left edge, some of it
// translucent: every step of the analysis has something to do.
RgbaImage bandedImage(int width, int height);
RgbaImage solidImage(int width, int height, std::array<uint8_t, 4> rgba);

void writePng(const std::filesystem::path& path, const RgbaImage& image);
void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

using RunResult = test_process::ShellResult;
RunResult runCommand(const std::string& command, const std::filesystem::path& scratch);

// One result in a comparable form: per role its hex and exact components, and the missed roles.
struct Colours {
  std::array<std::string, 4> hex;
  std::array<std::array<double, 4>, 4> components{};
  std::vector<std::string> missed;
  bool operator==(const Colours&) const = default;
};
// From one line of `velloway colorart --json`.
Colours fromJson(const nlohmann::json& object);
// From the probe program's output ("ROLE HEX R G B A" lines, then "missed ...").
Colours fromProbe(const std::string& output);
std::string describe(const Colours& c);
// How GoogleTest shows one in a failure.
inline void PrintTo(const Colours& c, std::ostream* out) { *out << describe(c); }

}  // namespace colorlib_test
