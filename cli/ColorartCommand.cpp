// velloway colorart: the artwork colour analysis on image files.
#include <fmt/format.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/Subcommand.hpp"
#include "cli/colorart/ImageFiles.hpp"
#include "cli/colorart/Preview.hpp"
#include "cli/colorart/Progress.hpp"
#include "colorart/CountedColorSet.hpp"
#include "colorart/SLColorArt.hpp"
#include "colorart/UIImage+Scale.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/graphics/ImageDecoder.hpp"

namespace {

struct ColorartOptions {
  bool json = false;
  bool native = false;
  int64_t threshold = SLColorArt::kDefaultThreshold;
  std::string size;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::string previewDir, previewSheet;
  std::vector<std::string> images;
};

std::optional<CGSize> parseSize(const std::string& text) {
  auto x = text.find_first_of("xX");
  if (x == std::string::npos) return std::nullopt;
  try {
    size_t usedW = 0, usedH = 0;
    std::string w = text.substr(0, x), h = text.substr(x + 1);
    double width = std::stod(w, &usedW), height = std::stod(h, &usedH);
    if (usedW != w.size() || usedH != h.size()) return std::nullopt;
    if (!(width > 0) || !(height > 0) || std::ceil(width) > UIImage::kMaxSide || std::ceil(height) > UIImage::kMaxSide ||
        std::ceil(width) * std::ceil(height) > static_cast<double>(UIImage::kMaxPixels))
      return std::nullopt;
    return CGSizeMake(width, height);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Reads and decodes an image file; on failure, says why in `error`. An image that will be scaled
// down to fit `minSide` pixels a side may be decoded at a reduced size.
UIImageRef loadImage(const std::string& path, int minSide, std::string& error) {
  std::optional<std::vector<uint8_t>> bytes = colorart_cli::readImageFile(path, error);
  if (!bytes) return nullptr;
  if (!looksLikePng(*bytes) && !looksLikeJpeg(*bytes)) {
    error = "not a PNG or JPEG image";
    return nullptr;
  }
  std::string why;
  auto decoded = decodeImage(*bytes, {}, minSide, &why);
  if (!decoded) {
    error = fmt::format("cannot decode the {} image: {}", looksLikePng(*bytes) ? "PNG" : "JPEG", why);
    return nullptr;
  }
  return std::make_shared<UIImage>(decoded->width, decoded->height, std::move(decoded->pixels));
}

bool exactHex(const UIColor& c, std::string* hex) {
  colorart::ColorKey key;
  if (!colorart::keyOfColor(colorart::rgbaOf(c), &key)) return false;
  *hex = fmt::format("#{:02x}{:02x}{:02x}", colorart::keyRed(key), colorart::keyGreen(key), colorart::keyBlue(key));
  return true;
}

int toByte(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

// "#rrggbb", and for a colour that is not exactly 8-bit and opaque, its exact components too.
std::string plainColor(const UIColor& c) {
  std::string hex;
  if (exactHex(c, &hex)) return hex;
  return fmt::format("#{:02x}{:02x}{:02x} (r {}, g {}, b {}, a {})", toByte(c.red()), toByte(c.green()), toByte(c.blue()),
                     c.red(), c.green(), c.blue(), c.alpha());
}

nlohmann::ordered_json jsonColor(const UIColor& c) {
  std::string hex;
  if (exactHex(c, &hex)) return hex;
  return nlohmann::ordered_json{{"r", c.red()}, {"g", c.green()}, {"b", c.blue()}, {"a", c.alpha()}};
}

// What one input came to, kept until it is printed in its turn.
struct Outcome {
  bool ready = false;
  std::string error;                  // the input failed: this line, nothing else
  std::vector<std::string> log;       // the analysis's log lines
  std::vector<std::string> failures;  // after the colours (a preview that could not be written)
  UIColorRef colours[4];
};

// The analysis's log lines of the job running on this thread.
thread_local std::vector<std::string>* currentLog = nullptr;

struct Run {
  const ColorartOptions& options;
  CGSize size;
  int minSide;
  std::vector<colorart_cli::Input> inputs;
  std::vector<std::string> previews;  // one path per input, or none
  std::optional<colorart_cli::ContactSheet> sheet;

  // Called from several threads at once, for different inputs.
  void analyse(size_t index, Outcome& outcome) {
    const colorart_cli::Input& input = inputs[index];
    if (!input.error.empty()) {
      outcome.error = input.error;
      return;
    }
    UIImageRef image = loadImage(input.path, minSide, outcome.error);
    if (!image) return;
    UIImageRef analysed = options.native ? image : scaledToSize(image, size);
    image.reset();
    currentLog = &outcome.log;
    SLColorArt art(analysed, options.threshold);
    currentLog = nullptr;
    outcome.colours[0] = art.backgroundColor();
    outcome.colours[1] = art.primaryColor();
    outcome.colours[2] = art.secondaryColor();
    outcome.colours[3] = art.detailColor();
    if (previews.empty() && !sheet) return;
    const colorart_cli::PreviewColours colours{art.backgroundColor(), art.primaryColor(), art.secondaryColor(),
                                               art.detailColor()};
    const std::string title = std::filesystem::path(input.path).stem().string();
    std::string error;
    if (!previews.empty() && !colorart_cli::writePreview(previews[index], *analysed, colours, title, error))
      outcome.failures.push_back(error);
    if (sheet) sheet->place(index, *analysed, colours, title);
  }
};

// The analysis size from --size (512x512 without it); nothing, after a message, when unusable.
std::optional<CGSize> analysisSize(const ColorartOptions& o) {
  if (o.size.empty()) return CGSizeMake(512, 512);
  std::optional<CGSize> size = parseSize(o.size);
  if (!size)
    std::cerr << fmt::format(
        "velloway colorart: bad --size '{}': expected WIDTHxHEIGHT in points, both positive, at most {} a side\n", o.size,
        UIImage::kMaxSide);
  return size;
}

// Makes the --preview folder; false, after a message, when it cannot be made.
bool previewFolderReady(const ColorartOptions& o) {
  if (o.previewDir.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(o.previewDir, ec);
  if (std::filesystem::is_directory(o.previewDir, ec)) return true;
  std::cerr << fmt::format("velloway colorart: --preview {}: not a folder that can be made\n", o.previewDir);
  return false;
}

// Workers that take the inputs in order; the caller takes each outcome in its turn.
class Workers {
 public:
  Workers(Run& run, size_t jobs) : run_(run), outcomes_(run.inputs.size()) {
    for (size_t j = 0; j < jobs; ++j) threads_.emplace_back([this] { work(); });
  }
  ~Workers() {
    for (std::thread& thread : threads_) thread.join();
  }

  // Waits for input i's outcome, keeping the progress line up to date meanwhile.
  Outcome take(size_t i, colorart_cli::Progress& progress) {
    std::unique_lock lock(mutex_);
    while (!outcomes_[i].ready) {
      readyChanged_.wait_for(lock, std::chrono::milliseconds(100));
      lock.unlock();
      progress.update(i);
      lock.lock();
    }
    Outcome outcome = std::move(outcomes_[i]);
    outcomes_[i] = Outcome{};
    return outcome;
  }

 private:
  void work() {
    for (size_t i; (i = next_++) < outcomes_.size();) {
      Outcome outcome;
      run_.analyse(i, outcome);
      outcome.ready = true;
      {
        std::lock_guard lock(mutex_);
        outcomes_[i] = std::move(outcome);
      }
      readyChanged_.notify_all();
    }
  }

  Run& run_;
  std::vector<Outcome> outcomes_;
  std::mutex mutex_;
  std::condition_variable readyChanged_;
  std::atomic<size_t> next_{0};
  std::vector<std::thread> threads_;
};

// Prints one input's colours (or its error) and its log lines; the exit status it asks for.
int printOutcome(const ColorartOptions& o, const std::string& path, const Outcome& outcome, bool several, bool first) {
  if (!outcome.error.empty()) {
    std::cout.flush();
    std::cerr << fmt::format("velloway colorart: {}: {}\n", path, outcome.error);
    return 2;
  }
  for (const std::string& line : outcome.log) std::cerr << fmt::format("velloway colorart: {}: {}\n", path, line);
  const char* names[] = {"background", "primary", "secondary", "detail"};
  if (o.json) {
    nlohmann::ordered_json object;
    if (several) object["image"] = path;
    for (int c = 0; c < 4; ++c) object[names[c]] = jsonColor(*outcome.colours[c]);
    std::cout << object.dump() << "\n";
  } else {
    if (several) std::cout << (first ? "" : "\n") << path << ":\n";
    for (int c = 0; c < 4; ++c)
      std::cout << fmt::format("{}{:<11}{}\n", several ? "  " : "", names[c], plainColor(*outcome.colours[c]));
  }
  std::cout.flush();
  int status = 0;
  for (const std::string& failure : outcome.failures) {
    std::cerr << fmt::format("velloway colorart: {}\n", failure);
    status = 2;
  }
  return status;
}

int runColorart(const ColorartOptions& o) {
  std::optional<CGSize> size = analysisSize(o);
  if (!size || !previewFolderReady(o)) return 2;
  Run run{o,
          *size,
          o.native ? 0 : static_cast<int>(std::ceil(std::max(size->width, size->height))),
          colorart_cli::expandArguments(o.images),
          {},
          {}};
  const size_t total = run.inputs.size();
  if (!o.previewDir.empty()) {
    std::vector<std::string> paths;
    for (const auto& input : run.inputs) paths.push_back(input.path);
    run.previews = colorart_cli::previewPaths(o.previewDir, paths);
  }
  if (!o.previewSheet.empty()) run.sheet.emplace(total);

  // The analysis's log lines go with their image's output, naming it.
  system_log::setPrinter([](std::string_view line) {
    if (currentLog) currentLog->emplace_back(line);
  });
  colorart_cli::Progress progress(total, ::isatty(STDERR_FILENO) == 1);
  int status = 0;
  {
    Workers workers(run, std::min<size_t>(std::max(o.jobs, 1), std::max<size_t>(total, 1)));
    bool first = true;  // no colours printed yet
    for (size_t i = 0; i < total; ++i) {
      Outcome outcome = workers.take(i, progress);
      progress.clear();
      status = std::max(status, printOutcome(o, run.inputs[i].path, outcome, total > 1, first));
      if (!outcome.error.empty()) continue;
      first = false;
      system_log::clear();  // the lines were printed; the process-wide log need not keep them
    }
  }
  progress.clear();
  system_log::setPrinter({});
  if (run.sheet) {
    std::string error;
    if (!run.sheet->write(o.previewSheet, error)) {
      std::cerr << fmt::format("velloway colorart: {}\n", error);
      status = 2;
    }
  }
  return status;
}

SubcommandRegistration registration{Subcommand{
    "colorart", "Find an image's background, primary, secondary and detail colours (PNG or JPEG)",
    [](CLI::App& app) -> std::function<int()> {
      auto o = std::make_shared<ColorartOptions>();
      app.description(
          "Find the background colour (from the image's leftmost column) and the primary, secondary and detail text "
          "colours of each image. By default the image is scaled to 512x512 and analysed with threshold 2, as the "
          "tweak's colorArt does. Images are analysed on every core, output in the order given. Colours print as #rrggbb; one "
          "that is not exactly 8-bit prints its exact components "
          "too. Lines such as \"missed primary\" (no such colour found: white or black used) go to stderr. An image "
          "that can't be read or decoded is reported on stderr and the others are still analysed; the exit status "
          "is then 2.");
      app.add_flag("--json", o->json,
                   "Print JSON: one object {background, primary, secondary, detail} per image, one per line, with an "
                   "\"image\" field when there are several; a colour is \"#rrggbb\" when exactly 8-bit and opaque, "
                   "else {r, g, b, a}");
      auto native = app.add_flag("--native", o->native, "Analyse each image at its own pixel size, without scaling");
      app.add_option("--threshold", o->threshold,
                     "An edge colour must occur on more than N rows of the leftmost column (default 2; a negative N "
                     "admits none, so the background is white)")
          ->type_name("N");
      app.add_option("--size", o->size, "Scale each image to WxH points (one pixel per point) before analysing (default 512x512)")
          ->type_name("WxH")
          ->excludes(native);
      app.add_option("--jobs,-j", o->jobs, "Analyse N images at a time (default: the number of processor cores)")
          ->type_name("N")
          ->check(CLI::Range(1, 1024));
      app.add_option("--preview", o->previewDir,
                     "Write one PNG per image into DIR: the artwork beside its background colour, with sample lines "
                     "of text in the primary, secondary and detail colours as the overlay colours its labels")
          ->type_name("DIR");
      app.add_option("--preview-sheet", o->previewSheet, "Write one PNG contact sheet of all the images' previews")
          ->type_name("FILE");
      app.add_option("IMAGE", o->images,
                     "PNG or JPEG files, or folders: a folder stands for the PNG and JPEG files under it, sorted "
                     "(symbolic links are not followed out of it)")
          ->required()
          ->type_name("");
      return [o] { return runColorart(*o); };
    },
    30}};

}  // namespace
