#include "cli/DemoSteps.hpp"

#include "cli/sim/ScreenRenderer.hpp"
#include "cli/sim/SimSession.hpp"
#include "platform/mediaremote/NowPlayingPlayer.hpp"

namespace {

// Every step draws the screen as the user sees it.
void screenPicture(SimSession& session, const std::filesystem::path& file, const std::function<void(const std::string&)>& say) {
  renderPhoneScreen(session.context(), file.string(), false);
  say("    picture: " + file.string() + "\n");
}

}  // namespace

std::vector<DemoStep> demoSteps() {
  std::vector<DemoStep> steps = {
      {"boot", "The home screen launches with the tweak loaded",
       {"supported", "boot", "idle", "supported"}, false,
       {"The tweak's hooks now answer the reachability question (NO before, YES after) and the home screen",
        "listens for now-playing changes. The welcome notice shows once per device."}},
      {"play", "The notice is closed and a built-in track plays", {"alert press Close", "media play-demo", "idle"}},
      {"activate", "Reachability activates: the overlay fills the window", {"activate", "idle"}, true},
      {"double-tap", "A double tap on the small cover shakes it and toggles play/pause", {"tap cover 2", "idle"}, true},
      {"swipe", "Swipes on the cover: up advances the repeat mode, down the shuffle mode",
       {"advance 1", "swipe cover up", "idle", "swipe cover down", "idle"}},
      {"pane", "The Settings app opens the pane", {"deactivate", "settings open", "advance 1"}, false,
       {"The title logo fades in after half a second."}},
      {"configuration", "Vibrancy labels are switched on in the configuration page",
       {"settings tap Configuration", "settings set useVibrancyLabels true", "idle"}, false,
       {"The pane writes the settings file atomically, then posts the change notification."}},
      {"vibrancy", "Back on the home screen, the next activation shows the repeat and shuffle labels",
       {"settings back", "settings back", "activate", "idle"}, true},
      {"radius-entry", "The corner radius is typed into the slider row's entry alert",
       {"deactivate", "settings open", "settings tap Configuration", "settings entry albumArtCornerRadius", "alert type 12"},
       false,
       {"An invisible strip over the right-hand end of the slider row opens the alert; the keyboard is a decimal pad."}},
      {"radius", "Enter stores the whole number within the row's bounds and the slider follows",
       {"alert press Enter", "idle"}, false,
       {"A value outside 0...20 would bring an \"Error\" alert, then the entry alert again."}},
      {"support", "The Support row composes the support e-mail",
       {"settings back", "settings tap Support", "settings mail-save support-mail.eml"}, false,
       {"The device line comes from the device-information service; the settings file and the list of installed",
        "packages (dpkg -l, run without a shell) are attached. support-mail.eml is the message as a MIME e-mail."}},
      {"rounded", "The mail is sent and closed; the next activation shows the typed corner radius",
       {"settings mail sent", "settings back", "activate", "idle"}, true},
      {"colorize", "The overlay coloured after the artwork by the colour analysis",
       {"send colorizeForArtwork: artwork.png"}, false,
       {"colorizeForArtwork: is a public operation of the view; the product itself never sends it."}},
      {"deactivate", "Reachability ends: the overlay's views leave the window", {"deactivate", "idle"}, true},
  };
  for (auto& step : steps) step.picture = screenPicture;
  return steps;
}
