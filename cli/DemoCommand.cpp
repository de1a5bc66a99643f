// velloway demo: a guided tour of the simulated phone, step by step, with a readable
// transcript (and a picture of each step where the renderer is built in).
#include <fmt/format.h>

#include <cmath>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/DemoSteps.hpp"
#include "cli/Subcommand.hpp"
#include "cli/sim/ScriptParser.hpp"
#include "cli/sim/SimSession.hpp"
#include "cli/video/Filming.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/foundation/NSLog.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"

namespace fs = std::filesystem;

namespace {

// One view per line, indented by depth: class, frame, and what the view shows.
void describeTree(const nlohmann::json& view, int depth, std::ostream& out) {
  const auto& f = view["frame"];
  std::string line = fmt::format("{:{}}{} ({:g}, {:g}, {:g}, {:g})", "", depth * 2, view["class"].get<std::string>(),
                                 f[0].get<double>(), f[1].get<double>(), f[2].get<double>(), f[3].get<double>());
  if (view.contains("property")) line += fmt::format(" [{}]", view["property"].get<std::string>());
  if (view.contains("current")) line += " [current overlay]";
  if (view.value("hidden", false)) line += " hidden";
  if (view.contains("text") && view["text"].is_string()) line += fmt::format(" text=\"{}\"", view["text"].get<std::string>());
  if (view.contains("image"))
    line += view["image"].is_null()
                ? " image=none"
                : fmt::format(" image={}x{}", view["image"]["width"].get<int>(), view["image"]["height"].get<int>());
  if (view.contains("effect") && view["effect"].is_object())
    line += fmt::format(" effect={}", view["effect"]["type"].get<std::string>());
  if (view.contains("gestures"))
    for (const auto& g : view["gestures"])
      line += fmt::format(" {}->{}", g["type"].get<std::string>(), g["action"].get<std::string>());
  if (view.contains("backgroundColor") && view["backgroundColor"].is_array()) {
    const auto& c = view["backgroundColor"];
    auto byte = [&](int i) { return static_cast<int>(std::lround(c[i].get<double>() * 255)); };
    line += fmt::format(" background=#{:02x}{:02x}{:02x}", byte(0), byte(1), byte(2));
    if (c[3].get<double>() < 1) line += fmt::format("/{:g}", c[3].get<double>());
  }
  if (view.contains("layer") && view["layer"].value("cornerRadius", 0.0) > 0)
    line += fmt::format(" cornerRadius={:g}", view["layer"]["cornerRadius"].get<double>());
  if (view.contains("layer") && !view["layer"]["animations"].empty()) line += " (animating)";
  out << line << '\n';
  if (view.contains("contentView")) describeTree(view["contentView"], depth + 1, out);
  for (const auto& sub : view["subviews"]) describeTree(sub, depth + 1, out);
}

// Empties the device root under the output folder and points the simulated phone at it.
// False (after a message) when the folder cannot be made.
bool prepareDevice(const fs::path& out) {
  fs::path root = out / "device";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(out, ec);
  if (ec) {
    std::cerr << fmt::format("velloway demo: cannot create '{}': {}\n", out.string(), ec.message());
    return false;
  }
  device_fs::useRoot(root);
  deviceProfile().reachabilityWindow = {deviceProfile().screen.width, std::round(deviceProfile().screen.height * 0.45)};
  // The first built-in track's artwork, for the colouring step.
  if (auto playlist = NowPlayingPlayer::builtInPlaylist(); !playlist.empty() && playlist[0].artwork)
    device_fs::writeHostFileAtomically(out / "artwork.png", *playlist[0].artwork);
  return true;
}

std::string stringOr(const nlohmann::json& value, const std::string& fallback = "") {
  return value.is_string() ? value.get<std::string>() : fallback;
}

// The tour's transcript: each step's commands and what changed since the step before.
class Tour {
 public:
  explicit Tour(const fs::path& out) : out_(out), transcript_(out / "transcript.txt"), session_(simOut_, out.string()) {}

  void say(const std::string& text) {
    std::cout << text;
    transcript_ << text;
  }

  // Runs the step's script lines; false (after saying why) when one fails.
  bool runScript(const DemoStep& step, int number) {
    for (const auto& line : step.script) {
      auto words = splitScriptLine(line);
      if (!words) continue;
      say(fmt::format("    > {}\n", line));
      try {
        session_.run(words->words, words->quoted);
      } catch (const std::exception& e) {
        say(fmt::format("velloway demo: step {}: {}\n", number, e.what()));
        return false;
      }
    }
    std::istringstream printed(simOut_.str());
    simOut_.str("");
    for (std::string line; std::getline(printed, line);) say(fmt::format("    {}\n", line));
    return true;
  }

  SimSession& session() { return session_; }

  void reportStep(const DemoStep& step, int number) {
    nlohmann::json state = session_.dump();
    reportAlerts(state["alerts"]);
    if (state.contains("pane") && state["pane"].is_object()) reportMail(state["pane"]["presented"]);
    reportLogAndCommands();
    if (state.contains("posted")) {
      const auto& posted = state["posted"];
      for (; postedSeen_ < posted.size(); ++postedSeen_)
        say(fmt::format("    Darwin notification: {}\n", posted[postedSeen_].get<std::string>()));
    }
    reportHost(state["host"]);
    if (step.showTree) {
      std::ostringstream tree;
      describeTree(state["window"], 2, tree);
      say("    reachability window:\n" + tree.str());
    }
    for (const auto& note : step.notes) say("    " + note + "\n");
    if (step.picture)
      step.picture(session_, out_ / fmt::format("{:02}-{}.png", number, step.slug),
                   [this](const std::string& text) { say(text); });
  }

 private:
  void reportAlerts(const nlohmann::json& alerts) {
    for (; alertsSeen_ < alerts.size(); ++alertsSeen_) {
      const auto& alert = alerts[alertsSeen_];
      std::string message = stringOr(alert["message"]);
      std::replace(message.begin(), message.end(), '\n', ' ');
      if (message.size() > 72) message = message.substr(0, 69) + "...";
      say(fmt::format("    alert shown: \"{}\" — {} [{}]\n", stringOr(alert["title"]), message, stringOr(alert["cancel"])));
    }
  }

  void reportMail(const nlohmann::json& sheet) {
    if (!sheet.is_object() || sheet["type"] != "mail" || sheet == lastMail_) return;
    say(fmt::format("    mail composed: to {}, subject \"{}\"\n", sheet["to"].dump(), stringOr(sheet["subject"])));
    std::string body = sheet["body"].get<std::string>();
    say(fmt::format("    body: {}\n", nlohmann::json(body).dump()));
    for (const auto& a : sheet["attachments"])
      say(fmt::format("    attachment: {} ({}, {} bytes)\n", a["name"].get<std::string>(), a["mime"].get<std::string>(),
                      a["size"].get<size_t>()));
    lastMail_ = sheet;
  }

  void reportLogAndCommands() {
    auto log = system_log::lines();
    for (; logSeen_ < log.size(); ++logSeen_) say(fmt::format("    log: {}\n", log[logSeen_]));
    auto commands = NowPlayingPlayer::shared().commands();
    for (; commandsSeen_ < commands.size(); ++commandsSeen_)
      say(fmt::format("    media-remote command sent: {}\n", commands[commandsSeen_]));
  }

  void reportHost(const nlohmann::json& host) {
    say(fmt::format(
        "    home screen: reachability {}, activation ran {}x, deactivation {}x, keep-alive {}x, "
        "now-playing observers {}\n",
        host["reachabilityActive"].get<bool>() ? "active" : "inactive", host["activatedCalls"].get<int>(),
        host["deactivatedCalls"].get<int>(), host["keepAliveCalls"].get<int>(), host["nowPlayingObservers"].get<int>()));
  }

  fs::path out_;
  std::ofstream transcript_;
  std::ostringstream simOut_;
  SimSession session_;
  size_t logSeen_ = 0, commandsSeen_ = 0, postedSeen_ = 0, alertsSeen_ = 0;
  nlohmann::json lastMail_;
};

// On film, each step is held this long on the simulated clock, so that what it set moving plays
// out and a viewer can see what it shows.
constexpr double kFilmedStepSeconds = 1.0;

int tourSteps(Tour& tour, video::Filming* filming) {
  int number = 0;
  for (const DemoStep& step : demoSteps()) {
    ++number;
    tour.say(fmt::format("\n{:02}. {}\n", number, step.title));
    if (!tour.runScript(step, number)) return 1;
    tour.reportStep(step, number);
    if (filming) filming->passTime(kFilmedStepSeconds);
  }
  return 0;
}

int runDemo(const std::string& outDir, video::VideoOptions video) {
  if (std::string problem = video.complete(); !problem.empty()) {
    std::cerr << "velloway demo: " << problem << '\n';
    return 2;
  }
  fs::path out = outDir;
  if (!prepareDevice(out)) return 2;
  Tour tour(out);
  try {
    std::optional<video::Filming> filming;
    if (video.wanted()) filming.emplace(tour.session().context(), video);
    if (int status = tourSteps(tour, filming ? &*filming : nullptr); status != 0) return status;
    if (filming) {
      filming->finish();
      tour.say(fmt::format("\nVideo written to {}: {} frames at {} a second ({} drawn, the others repeated)\n", video.file,
                           filming->framesTotal(), video.fps, filming->framesDrawn()));
    }
  } catch (const std::exception& e) {
    std::cerr << fmt::format("velloway demo: video {}: {}\n", video.file, e.what());
    return 2;
  }
  tour.say(fmt::format("\nTranscript written to {}\n", (out / "transcript.txt").string()));
  return 0;
}

const SubcommandRegistration registration{
    Subcommand{"demo", "Tour the product on a fresh simulated phone, printing what happens at each step",
               [](CLI::App& app) -> std::function<int()> {
                 auto out = std::make_shared<std::string>("demo-out");
                 auto video = std::make_shared<video::VideoOptions>();
                 app.add_option("--out", *out, "Folder for transcript.txt, the pictures and the device root (default demo-out)");
                 video->addTo(app);
                 return [out, video] { return runDemo(*out, *video); };
               },
               10}};

}  // namespace
