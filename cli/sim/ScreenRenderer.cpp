#include "cli/sim/ScreenRenderer.hpp"

#include <fmt/format.h>

#include "cli/sim/SimExtension.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "render/Renderer.hpp"

void drawPhoneScreen(SimContext& sim, render::Canvas& canvas) {
  if (!sim.findSpringboard()) {
    // The Settings app's process: its window is the screen.
    canvas.drawView(*sim.settings().window());
  } else {
    SpringBoardHost& springboard = sim.springboard();
    UIViewRef foreground;
    for (auto& provider : simRegistry().foregroundScreens)
      if ((foreground = provider(sim))) break;
    if (foreground) {
      canvas.drawView(*foreground);
    } else if (springboard.reachabilityActive()) {
      canvas.drawView(*springboard.homeScreenWindow(), {0, springboard.reachabilityWindow()->frame().size.height});
      canvas.drawView(*springboard.reachabilityWindow());
    } else {
      canvas.drawView(*springboard.homeScreenWindow());
    }
  }
  if (auto alert = alert_center::onScreen()) canvas.drawAlert(*alert);
}

namespace {

render::Image screenPicture(SimContext& sim, bool windowOnly, bool moving) {
  render::RenderOptions options;
  options.presentation = moving;
  if (!windowOnly) {
    render::Canvas canvas(deviceProfile().screen, options);
    drawPhoneScreen(sim, canvas);
    return canvas.image();
  }
  if (!sim.findSpringboard())
    throw SimError("render --window draws the home screen's reachability window (velloway ctl springboard ...)");
  // The window as it is laid out, shown or not.
  const UIWindowRef& window = sim.springboard().reachabilityWindow();
  bool hidden = window->isHidden();
  window->setHidden(false);
  render::Image picture = render::renderViewTree(*window, options);
  window->setHidden(hidden);
  return picture;
}

}  // namespace

void renderPhoneScreen(SimContext& sim, const std::string& path, bool windowOnly, bool moving) {
  render::Image picture;
  try {
    picture = screenPicture(sim, windowOnly, moving);
  } catch (const SimError&) {
    throw;
  } catch (const std::exception& e) {
    throw SimError(fmt::format("render: cannot draw the screen: {}", e.what()));
  }
  try {
    picture.writePng(path);
  } catch (const std::exception& e) {
    throw SimError(fmt::format("render: {}", e.what()));
  }
}

namespace {

const SimCommandRegistration registration{
    {"render",
     "render [--window] [--moving] FILE  (draw the screen, or the reachability window alone, to a PNG file; --moving: "
     "running animations as they are now)",
     [](SimContext& sim, const std::vector<std::string>& args) {
       bool windowOnly = false, moving = false;
       size_t flags = 0;
       for (; flags + 1 < args.size() && args[flags].rfind("--", 0) == 0; ++flags) {
         if (args[flags] == "--window" && !windowOnly)
           windowOnly = true;
         else if (args[flags] == "--moving" && !moving)
           moving = true;
         else
           break;
       }
       if (args.size() != flags + 1) throw SimError("usage: render [--window] [--moving] FILE");
       renderPhoneScreen(sim, sim.resolvePath(args.back()), windowOnly, moving);
     }}};

}  // namespace
