#include "cli/sim/ScreenRenderer.hpp"

#include <fmt/format.h>

#include "cli/sim/SimExtension.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "render/Renderer.hpp"

void renderPhoneScreen(SimContext& sim, const std::string& path, bool windowOnly) {
  try {
    if (!sim.springboardHost) {
      // The Settings app's process: its window is the screen.
      if (windowOnly) throw SimError("render --window draws the home screen's reachability window (velloway ctl springboard ...)");
      render::Canvas canvas(deviceProfile().screen);
      canvas.drawView(*sim.settings().window());
      if (auto alert = alert_center::onScreen()) canvas.drawAlert(*alert);
      canvas.image().writePng(path);
      return;
    }
    SpringBoardHost& springboard = sim.springboard();
    const UIWindowRef& window = springboard.reachabilityWindow();
    if (windowOnly) {
      // The window as it is laid out, shown or not.
      bool hidden = window->isHidden();
      window->setHidden(false);
      render::writePng(*window, path);
      window->setHidden(hidden);
      return;
    }
    CGSize screen = deviceProfile().screen;
    render::Canvas canvas(screen);
    UIViewRef foreground;
    for (auto& provider : simRegistry().foregroundScreens)
      if ((foreground = provider(sim))) break;
    if (foreground) {
      canvas.drawView(*foreground);
    } else if (springboard.reachabilityActive()) {
      canvas.drawView(*springboard.homeScreenWindow(), {0, window->frame().size.height});
      canvas.drawView(*window);
    } else {
      canvas.drawView(*springboard.homeScreenWindow());
    }
    if (auto alert = alert_center::onScreen()) canvas.drawAlert(*alert);
    canvas.image().writePng(path);
  } catch (const SimError&) {
    throw;
  } catch (const std::exception& e) {
    throw SimError(fmt::format("cannot draw '{}': {}", path, e.what()));
  }
}

namespace {

const SimCommandRegistration registration{
    {"render", "render [--window] FILE  (draw the screen, or the reachability window alone, to a PNG file)",
     [](SimContext& sim, const std::vector<std::string>& args) {
       bool windowOnly = !args.empty() && args[0] == "--window";
       if (args.size() != (windowOnly ? 2u : 1u)) throw SimError("usage: render [--window] FILE");
       renderPhoneScreen(sim, sim.resolvePath(args.back()), windowOnly);
     }}};

}  // namespace
