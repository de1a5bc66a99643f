#include "platform/text/Fonts.hpp"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/foundation/NSLog.hpp"
#include "platform/fs/ProgramFiles.hpp"

namespace {

namespace fs = std::filesystem;

constexpr const char* kRelativeConfig = "../share/velloway/fonts/fonts.conf";
constexpr const char* kConfigInData = "fonts/fonts.conf";

struct FontState {
  std::once_flag configured;
  std::string file;  // the file in use, or empty
};

FontState& state() {
  static FontState* s = new FontState;  // never destroyed: fontconfig keeps using it until exit
  return *s;
}

std::vector<fs::path> candidateFiles() {
  std::vector<fs::path> out;
  if (const char* env = std::getenv("VELLOWAY_FONTCONFIG"); env && *env) out.emplace_back(env);
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) out.push_back(exe.parent_path() / kRelativeConfig);
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&configureFonts), &info) && info.dli_fname) {
    fs::path lib = fs::absolute(info.dli_fname, ec);
    if (!ec) out.push_back(lib.parent_path() / kRelativeConfig);
    // The library's installed folder, lib/<triplet>/velloway, is deeper than a build tree's lib/.
    if (!ec) out.push_back((lib.parent_path() / program_files::dataFolderFromLibraryFolder() / kConfigInData).lexically_normal());
  }
  return out;
}

// Loads one file into a fresh configuration with its fonts and makes it current.
bool loadConfig(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return false;
  FcConfig* config = FcConfigCreate();
  if (!config) return false;
  if (!FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue) || !FcConfigBuildFonts(config) ||
      !FcConfigSetCurrent(config)) {
    FcConfigDestroy(config);
    return false;
  }
  FcConfigDestroy(config);  // FcConfigSetCurrent holds its own reference
  return true;
}

}  // namespace

std::string configureFonts(const std::string& configFile) {
  auto& s = state();
  std::call_once(s.configured, [&] {
    std::vector<fs::path> candidates;
    if (!configFile.empty())
      candidates.emplace_back(configFile);
    else
      candidates = candidateFiles();
    for (const auto& file : candidates) {
      if (loadConfig(file)) {
        s.file = fs::weakly_canonical(file).string();
        return;
      }
    }
    std::fprintf(stderr, "%s: font configuration %s not found; using the system's fonts\n", system_log::sender().c_str(),
                 configFile.empty() ? kRelativeConfig : configFile.c_str());
  });
  return s.file;
}

std::string fontConfigFile() { return state().file; }

namespace fonts {

std::recursive_mutex& mutex() {
  static std::recursive_mutex* m = new std::recursive_mutex;
  return *m;
}

PangoFontMap* fontMap() {
  static PangoFontMap* map = [] {
    configureFonts();
    return pango_cairo_font_map_new();
  }();
  return map;
}

void prepareContext(PangoContext* context) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context, FALSE);
}

PangoFontDescription* newFontDescription(const std::string& fontName, double pointSize) {
  std::string family = fontName;
  PangoWeight weight = PANGO_WEIGHT_NORMAL;
  PangoStyle style = PANGO_STYLE_NORMAL;
  // "Family-Style" PostScript-like names, as the toolkit's font names are spelt.
  static const std::array<std::pair<const char*, PangoWeight>, 7> weights{{{"Bold", PANGO_WEIGHT_BOLD},
                                                                           {"Light", PANGO_WEIGHT_LIGHT},
                                                                           {"Medium", PANGO_WEIGHT_MEDIUM},
                                                                           {"Thin", PANGO_WEIGHT_THIN},
                                                                           {"UltraLight", PANGO_WEIGHT_ULTRALIGHT},
                                                                           {"Semibold", PANGO_WEIGHT_SEMIBOLD},
                                                                           {"Regular", PANGO_WEIGHT_NORMAL}}};
  auto splitStyle = [&](char separator) {
    auto pos = family.rfind(separator);
    if (pos == std::string::npos || pos == 0) return;
    std::string suffix = family.substr(pos + 1);
    if (suffix == "Italic" || suffix == "Oblique") {
      style = PANGO_STYLE_ITALIC;
      family.resize(pos);
      return;
    }
    for (const auto& [name, w] : weights)
      if (suffix == name) {
        weight = w;
        family.resize(pos);
        return;
      }
  };
  splitStyle('-');
  if (weight == PANGO_WEIGHT_NORMAL && style == PANGO_STYLE_NORMAL) splitStyle(' ');
  if (family == "HelveticaNeue") family = "Helvetica Neue";
  // The light faces have their own family in the project's fontconfig file.
  if (weight == PANGO_WEIGHT_LIGHT && (family == "Helvetica" || family == "Helvetica Neue")) family += " Light";

  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, family.c_str());
  pango_font_description_set_weight(desc, weight);
  pango_font_description_set_style(desc, style);
  // Absolute size: one point of the views is one unit of the Cairo user space.
  pango_font_description_set_absolute_size(desc, pointSize * PANGO_SCALE);
  return desc;
}

void setLayoutText(PangoLayout* layout, const std::string& whole) {
  // Pango's wrapping shapes a word longer than a line again for each line it fills, so its cost
  // grows with the square of the word: only what a screen could ever show is laid out.
  std::string_view text(whole);
  if (text.size() > kMaxLayoutBytes) {
    size_t cut = kMaxLayoutBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole characters
    text = text.substr(0, cut);
  }
  const char* end = nullptr;
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end) && end == text.data() + text.size()) {
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    return;
  }
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  pango_layout_set_text(layout, valid, -1);
  g_free(valid);
}

}  // namespace fonts
