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

DemoStep step(std::string slug, std::string title, std::vector<std::string> script, bool showTree = false,
              std::vector<std::string> notes = {}) {
  return DemoStep{std::move(slug), std::move(title), std::move(script), showTree, std::move(notes), screenPicture};
}

}  // namespace

std::vector<DemoStep> demoSteps() {
  return {
      step("boot", "The home screen launches with the tweak loaded", {"supported", "boot", "idle", "supported"}, false,
           {"The tweak's hooks now answer the reachability question (NO before, YES after) and the home screen",
            "listens for now-playing changes. The welcome notice shows once per device."}),
      step("play", "The notice is closed and a built-in track plays", {"alert press Close", "media play-demo", "idle"}),
      step("activate", "Reachability activates: the overlay fills the window", {"activate", "idle"}, true),
      step("double-tap", "A double tap on the small cover shakes it and toggles play/pause", {"tap cover 2", "idle"}, true),
      step("swipe", "Swipes on the cover: up advances the repeat mode, down the shuffle mode",
           {"advance 1", "swipe cover up", "idle", "swipe cover down", "idle"}),
      step("pane", "The Settings app opens the pane", {"deactivate", "settings open", "advance 1"}, false,
           {"The title logo fades in after half a second."}),
      step("configuration", "Vibrancy labels are switched on in the configuration page",
           {"settings tap Configuration", "settings set useVibrancyLabels true", "idle"}, false,
           {"The pane writes the settings file atomically, then posts the change notification."}),
      step("vibrancy", "Back on the home screen, the next activation shows the repeat and shuffle labels",
           {"settings back", "settings back", "activate", "idle"}, true),
      step("radius-entry", "The corner radius is typed into the slider row's entry alert",
           {"deactivate", "settings open", "settings tap Configuration", "settings entry albumArtCornerRadius", "alert type 12"},
           false,
           {"An invisible strip over the right-hand end of the slider row opens the alert; the keyboard is a decimal pad."}),
      step("radius", "Enter stores the whole number within the row's bounds and the slider follows",
           {"alert press Enter", "idle"}, false,
           {"A value outside 0...20 would bring an \"Error\" alert, then the entry alert again."}),
      step("support", "The Support row composes the support e-mail",
           {"settings back", "settings tap Support", "settings mail-save support-mail.eml"}, false,
           {"The device line comes from the device-information service; the settings file and the list of installed",
            "packages (dpkg -l, run without a shell) are attached. support-mail.eml is the message as a MIME e-mail."}),
      step("rounded", "The mail is sent and closed; the next activation shows the typed corner radius",
           {"settings mail sent", "settings back", "activate", "idle"}, true),
      step("colorize", "The overlay coloured after the artwork by the colour analysis", {"send colorizeForArtwork: artwork.png"},
           true,
           {"colorizeForArtwork: is a public operation of the view; the product itself never sends it. It sets the",
            "view's own background (under the artwork backdrop and the blur, so the picture does not change) and the",
            "text colours of its two track labels, which the running overlay does not show."}),
      step("deactivate", "Reachability ends: the overlay's views leave the window", {"deactivate", "idle"}, true),
  };
}
