#include "ColorlibTestFiles.hpp"

#include "tests/support/ChildProcess.hpp"

#include <png.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>

namespace colorlib_test {

namespace fs = std::filesystem;

RgbaImage bandedImage(int width, int height) {
  RgbaImage image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &image.bytes[(static_cast<size_t>(y) * width + x) * 4];
      const int band = ((x + y) / 37) % 5;
      const uint8_t bands[5][4] = {
          {60, 60, 64, 255}, {230, 40, 90, 255}, {20, 160, 220, 255}, {250, 230, 120, 200}, {90, 90, 90, 255}};
      const uint8_t* c = x < width / 20 ? (y * 3 < height ? bands[2] : bands[1]) : bands[band];
      p[0] = c[0], p[1] = static_cast<uint8_t>(c[1] + (y % 3)), p[2] = c[2], p[3] = c[3];
    }
  return image;
}

RgbaImage solidImage(int width, int height, std::array<uint8_t, 4> rgba) {
  RgbaImage image{width, height, {}};
  for (int i = 0; i < width * height; ++i) image.bytes.insert(image.bytes.end(), rgba.begin(), rgba.end());
  return image;
}

void writePng(const fs::path& path, const RgbaImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&png, path.c_str(), 0, image.bytes.data(), image.width * 4, nullptr))
    throw std::runtime_error(fmt::format("cannot write {}: {}", path.string(), png.message));
}

void writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

RunResult runCommand(const std::string& command, const fs::path& scratch) {
  return test_process::runShell("(" + command + ")", scratch);
}

namespace {
const char* const kRoles[] = {"background", "primary", "secondary", "detail"};
}

Colours fromJson(const nlohmann::json& object) {
  Colours c;
  for (int i = 0; i < 4; ++i) {
    const nlohmann::json& colour = object.at(kRoles[i]);
    c.hex[i] = colour.at("hex");
    c.components[i] = {colour.at("r"), colour.at("g"), colour.at("b"), colour.at("a")};
  }
  for (const auto& role : object.at("missed")) c.missed.push_back(role);
  return c;
}

Colours fromProbe(const std::string& output) {
  Colours c;
  std::istringstream lines(output);
  for (int i = 0; i < 4; ++i) {
    std::string role;
    lines >> role >> c.hex[i];
    std::string component;
    for (double& value : c.components[i]) {
      lines >> component;
      value = std::strtod(component.c_str(), nullptr);  // %.17g reads back exactly
    }
    if (role != kRoles[i]) throw std::runtime_error("probe printed " + role + " where " + kRoles[i] + " was due");
  }
  std::string word, line;
  lines >> word;
  std::getline(lines, line);
  std::istringstream missed(line);
  for (std::string role; missed >> role;) c.missed.push_back(role);
  return c;
}

std::string describe(const Colours& c) {
  std::string text;
  for (int i = 0; i < 4; ++i)
    text += fmt::format("{} {} ({}, {}, {}, {})\n", kRoles[i], c.hex[i], c.components[i][0], c.components[i][1],
                        c.components[i][2], c.components[i][3]);
  for (const std::string& role : c.missed) text += " missed " + role;
  return text;
}

}  // namespace colorlib_test
