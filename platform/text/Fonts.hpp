// Fonts for measuring and drawing text: the project's fontconfig file and the one Pango font
// map that both the text metrics (platform/text/TextMetrics) and the renderer (render/)
// use, so that a label's measured size is the size it is drawn at.
//
// The fontconfig file (render/fonts/fonts.conf, copied by the build to
// <build>/share/velloway/fonts/fonts.conf) maps the faces the views name onto installed clones
// and includes the system configuration for everything else.
//
// Hosts call configureFonts() once at start-up, before any text is measured or drawn. Anything
// that measures or draws first runs it with the default search itself, so the call is an early,
// explicit choice rather than a requirement.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

struct _PangoFontMap;
struct _PangoContext;
struct _PangoFontDescription;
struct _PangoLayout;

// Points fontconfig at the project's configuration file. An explicit path is used when given;
// otherwise the first file found of:
//   $VELLOWAY_FONTCONFIG,
//   <dir of the running binary>/../share/velloway/fonts/fonts.conf,
//   <dir of libvelloway-platform>/../share/velloway/fonts/fonts.conf,
//   <dir of libvelloway-platform>/../../../share/velloway/fonts/fonts.conf
// (the binaries and the libraries of a build tree sit in bin/ and lib/ beside share/; installed,
// the command is in bin/ beside share/ and the libraries in lib/<triplet>/velloway/).
// Only the first call has an effect (later calls return the first result). Returns the file in
// use, or an empty string when none could be loaded and the system configuration stays in force
// (one warning goes to stderr).
std::string configureFonts(const std::string& configFile = {});

// The file configureFonts() loaded ("" before the call or when none was found).
std::string fontConfigFile();

namespace fonts {

// The lock that serialises all use of the shared font map (Pango's font maps are not
// thread-safe). Recursive, so drawing code may measure while holding it.
std::recursive_mutex& mutex();

// The Pango/Cairo font map over the project's fontconfig configuration (configured on first
// use). Hold mutex() while using it or anything made from it.
_PangoFontMap* fontMap();

// Gives a context the font options that measuring and drawing share: no hinting of outlines or
// metrics and unrounded glyph positions, so text scales linearly with the device scale.
void prepareContext(_PangoContext* context);

// A new font description (free with pango_font_description_free) for a face name of the views
// at a size in points: "Helvetica", "Helvetica-Bold", "Helvetica Light", "HelveticaNeue-Light",
// other "Family-Style" names, or any family name.
_PangoFontDescription* newFontDescription(const std::string& fontName, double pointSize);

// Sets a layout's text. Text that is not valid UTF-8 (a stray byte, a NUL) is repaired first,
// each bad sequence becoming U+FFFD: Pango would warn and cut it. Text beyond kMaxLayoutBytes
// is left out: no screen shows that much in one view, and laying it out would cost time
// growing faster than its length.
inline constexpr size_t kMaxLayoutBytes = 8192;
void setLayoutText(_PangoLayout* layout, const std::string& text);

}  // namespace fonts
