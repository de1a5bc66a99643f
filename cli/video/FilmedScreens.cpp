#include "cli/video/FilmedScreens.hpp"

#include <cairo.h>

#include <cmath>

#include "cli/sim/SimExtension.hpp"
#include "hosts/settings/SettingsHost.hpp"
#include "hosts/springboard/SpringBoardHost.hpp"
#include "platform/quartz/CALayer.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "render/Renderer.hpp"

namespace video {
namespace {

int pixelsFor(double points, double zoom) { return std::max(1, static_cast<int>(std::ceil(points * zoom - 1e-6))); }
int even(int pixels) { return pixels + (pixels % 2); }

bool anyAnimation(const UIView& view) {
  if (view.isHidden()) return false;
  if (!view.layer()->animations().empty()) return true;
  // A navigation bar draws its top item's title view (the pane's logo, which fades in) without
  // holding it as a subview.
  if (const auto* bar = dynamic_cast<const UINavigationBar*>(&view))
    if (auto top = bar->topItem(); top && top->titleView && anyAnimation(*top->titleView)) return true;
  for (const auto& sub : view.subviews())
    if (anyAnimation(*sub)) return true;
  return false;
}

}  // namespace

FilmedScreens::FilmedScreens(CGSize screen, double zoom) : screen_(screen), zoom_(zoom) {
  sideWidth_ = pixelsFor(screen.width, zoom);
  width_ = even(2 * sideWidth_);
  height_ = even(pixelsFor(screen.height, zoom));
  render::RenderOptions options;
  options.scale = zoom;
  frame_ = std::make_unique<render::Canvas>(CGSize{width_ / zoom, height_ / zoom}, options);
}

FilmedScreens::~FilmedScreens() = default;

void FilmedScreens::draw(SimContext& sim) {
  cairo_t* cr = frame_->cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  drawSide(sim, false, 0);
  drawSide(sim, true, sideWidth_);
}

// One process's screen on a canvas of its own (an alert dims and centres on its screen alone),
// then copied into the frame.
void FilmedScreens::drawSide(SimContext& sim, bool settingsSide, int x) {
  render::RenderOptions options;
  options.scale = zoom_;
  options.presentation = true;
  render::Canvas side(screen_, options);
  if (settingsSide && sim.findSettings()) {
    side.drawView(*sim.findSettings()->window());
  } else if (!settingsSide && sim.findSpringboard()) {
    SpringBoardHost& springboard = *sim.findSpringboard();
    if (springboard.reachabilityActive()) {
      side.drawView(*springboard.homeScreenWindow(), {0, springboard.reachabilityWindow()->frame().size.height});
      side.drawView(*springboard.reachabilityWindow());
    } else {
      side.drawView(*springboard.homeScreenWindow());
    }
  }
  const bool paneOpen = sim.findSettings() && sim.findSettings()->isPaneOpen();
  if (auto alert = alert_center::onScreen(); alert && paneOpen == settingsSide) side.drawAlert(*alert);
  cairo_t* cr = frame_->cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_surface_t* picture = cairo_get_target(side.cairo());
  cairo_surface_flush(picture);
  cairo_set_source_surface(cr, picture, x, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_rectangle(cr, x, 0, cairo_image_surface_get_width(picture), cairo_image_surface_get_height(picture));
  cairo_fill(cr);
  cairo_restore(cr);
}

const uint8_t* FilmedScreens::pixels() const {
  cairo_surface_t* surface = cairo_get_target(frame_->cairo());
  cairo_surface_flush(surface);
  return cairo_image_surface_get_data(surface);
}

int FilmedScreens::stride() const { return cairo_image_surface_get_stride(cairo_get_target(frame_->cairo())); }

std::vector<uint8_t> FilmedScreens::png() const { return frame_->image().png(); }

bool screensMoving(SimContext& sim) {
  if (sim.findSettings() && anyAnimation(*sim.findSettings()->window())) return true;
  if (!sim.findSpringboard()) return false;
  SpringBoardHost& springboard = *sim.findSpringboard();
  return anyAnimation(*springboard.homeScreenWindow()) ||
         (springboard.reachabilityActive() && anyAnimation(*springboard.reachabilityWindow()));
}

}  // namespace video
