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
#include "cli/sim/SizeText.hpp"
#include "colorart/engine/Artwork.hpp"
#include "colorart/engine/ColorHex.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/uikit/UIColor.hpp"
#include "platform/uikit/UIImage.hpp"

namespace {

struct ColorartOptions {
  bool json = false;
  bool verbose = false;
  bool native = false;
  int64_t threshold = colorart::kDefaultThreshold;
  std::string size;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::string previewDir, previewSheet;
  std::vector<std::string> images;
};

// "#rrggbb", and for a colour that is not exactly 8-bit and opaque, its exact components too.
std::string plainColor(const colorart::RGBA& c) {
  if (colorart::isExactlyHex(c)) return colorart::hexOf(c);
  return fmt::format("{} (r {}, g {}, b {}, a {})", colorart::hexOf(c), c.r, c.g, c.b, c.a);
}

// Every colour in one shape: the nearest "#rrggbb" and the exact components beside it.
nlohmann::ordered_json jsonColor(const colorart::RGBA& c) {
  return nlohmann::ordered_json{{"hex", colorart::hexOf(c)}, {"r", c.r}, {"g", c.g}, {"b", c.b}, {"a", c.a}};
}

// What one input came to, kept until it is printed in its turn.
struct Outcome {
  bool ready = false;
  std::string error;                  // the input failed: this line, nothing else
  std::vector<std::string> log;       // the analysis's log lines
  std::vector<std::string> failures;  // after the colours (a preview that could not be written)
  colorart::Analysis analysis;
};

const char* const kMissedLines[] = {"missed primary", "missed secondary", "missed detail"};

// The analysis's log lines of the job running on this thread.
thread_local std::vector<std::string>* currentLog = nullptr;

struct Run {
  const ColorartOptions& options;
  colorart::ArtworkOptions artworkOptions;
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
    const bool drawn = !previews.empty() || sheet;
    colorart::ArtworkResult artwork = colorart::analyseFile(input.path, artworkOptions, drawn);
    if (!artwork.ok) {
      outcome.error = std::move(artwork.error);
      return;
    }
    outcome.analysis = artwork.analysis;
    // The analysis's lines go to the system log, as SLColorArt writes them.
    currentLog = &outcome.log;
    for (int slot = colorart::kPrimary; slot <= colorart::kDetail; ++slot)
      if (outcome.analysis.missed[slot]) NSLog(kMissedLines[slot]);
    currentLog = nullptr;
    if (!drawn || !artwork.analysed) return;
    const UIImageRef analysed = std::make_shared<UIImage>(std::move(artwork.analysed));
    auto colour = [](const colorart::RGBA& c) { return UIColor::colorWithRed(c.r, c.g, c.b, c.a); };
    const colorart::Analysis& a = outcome.analysis;
    const colorart_cli::PreviewColours colours{colour(a.background), colour(a.primary), colour(a.secondary), colour(a.detail)};
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
  if (size && !colorart::analysisSizeAllowed(*size)) size.reset();
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

// One image's line of --json: its path (when there are several), the four colours, and which
// text colours were missed.
nlohmann::ordered_json jsonOutcome(const std::string* path, const colorart::Analysis& a) {
  nlohmann::ordered_json object;
  if (path) object["image"] = *path;
  object["background"] = jsonColor(a.background);
  object["primary"] = jsonColor(a.primary);
  object["secondary"] = jsonColor(a.secondary);
  object["detail"] = jsonColor(a.detail);
  nlohmann::ordered_json missed = nlohmann::ordered_json::array();
  const char* slots[] = {"primary", "secondary", "detail"};
  for (int slot = colorart::kPrimary; slot <= colorart::kDetail; ++slot)
    if (a.missed[slot]) missed.push_back(slots[slot]);
  object["missed"] = std::move(missed);
  return object;
}

// Prints one input's colours (or its error) and its log lines; the exit status it asks for.
int printOutcome(const ColorartOptions& o, const std::string& path, const Outcome& outcome, bool several, bool first) {
  if (!outcome.error.empty()) {
    std::cout.flush();
    std::cerr << fmt::format("velloway colorart: {}: {}\n", path, outcome.error);
    return 2;
  }
  if (o.verbose)
    for (const std::string& line : outcome.log) std::cerr << fmt::format("velloway colorart: {}: {}\n", path, line);
  const char* names[] = {"background", "primary", "secondary", "detail"};
  const colorart::Analysis& a = outcome.analysis;
  const colorart::RGBA* colours[] = {&a.background, &a.primary, &a.secondary, &a.detail};
  if (o.json) {
    std::cout << jsonOutcome(several ? &path : nullptr, a).dump() << "\n";
  } else {
    if (several) std::cout << (first ? "" : "\n") << path << ":\n";
    for (int c = 0; c < 4; ++c) std::cout << fmt::format("{}{:<11}{}\n", several ? "  " : "", names[c], plainColor(*colours[c]));
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
  Run run{o, {*size, o.native, o.threshold}, colorart_cli::expandArguments(o.images), {}, {}};
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
          "tweak's colorArt does. Images are analysed on every core, output in the order given. Colours print as "
          "#rrggbb; one that is not exactly 8-bit prints its exact components too. A text colour that is not found "
          "(white or black stands in) is written to the system log as \"missed primary\" and the like, and listed "
          "under \"missed\" in the JSON. An image that can't be read or decoded is reported on stderr and the "
          "others are still analysed; the exit status is then 2. Nothing else goes to stderr.");
      app.add_flag("--json", o->json,
                   "Print JSON: one object {background, primary, secondary, detail, missed} per image, one per line, "
                   "with an \"image\" field when there are several; each colour is {hex, r, g, b, a}: the nearest "
                   "\"#rrggbb\" and its exact components; missed lists the text colours not found");
      app.add_flag("--verbose,-v", o->verbose, "Also show the analysis's log lines (\"missed detail\" ...) on stderr");
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
