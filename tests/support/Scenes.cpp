#include "tests/support/Scenes.hpp"

#include <cairo.h>

#include <algorithm>
#include <string>

#include "platform/uikit/UIControl.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"
#include "tests/support/Artwork.hpp"

namespace test_support {

namespace {

UILabelRef label(CGRect frame, const std::string& text, const std::string& font, double size, UIColorRef color,
                 long alignment = NSTextAlignmentLeft) {
  auto l = std::make_shared<UILabel>(frame);
  l->setText(text);
  l->setFont(UIFont::fontWithName(font, size));
  l->setTextColor(std::move(color));
  l->setTextAlignment(alignment);
  return l;
}

UIButtonRef transportButton(CGRect frame, const std::string& title) {
  auto b = UIButton::buttonWithType(UIButtonTypeSystem);
  b->setFrame(frame);
  b->setTitle(title, 0);
  return b;
}

// Media controls as the platform lays them out: time bar, title, artist, three buttons.
UIViewRef mediaControls(CGRect frame) {
  auto view = std::make_shared<UIView>(frame);
  view->setTintColor(UIColor::whiteColor());
  const double w = frame.size.width;
  auto bar = std::make_shared<UIView>(CGRectMake(0, 4, w, 2));
  bar->setBackgroundColor(UIColor::colorWithWhite(1, 0.3));
  auto fill = std::make_shared<UIView>(CGRectMake(0, 0, w * 0.35, 2));
  fill->setBackgroundColor(UIColor::whiteColor());
  bar->addSubview(fill);
  view->addSubview(bar);
  view->addSubview(
      label(CGRectMake(0, 16, w, 22), "Midnight Drive", "Helvetica", 17, UIColor::whiteColor(), NSTextAlignmentCenter));
  view->addSubview(label(CGRectMake(0, 40, w, 18), "The Vellos \u2014 Night Roads", "Helvetica", 13, UIColor::whiteColor(),
                         NSTextAlignmentCenter));
  const double spacing = std::min(88.0, w / 3);
  const char* titles[] = {"Previous", "Pause", "Next"};
  for (int i = 0; i < 3; ++i) {
    const double centre = w / 2 + (i - 1) * spacing;
    view->addSubview(transportButton(CGRectMake(centre - 22, 66, 44, 44), titles[i]));
  }
  return view;
}

}  // namespace

UIViewRef makeOverlay(double W, double H, bool vibrancy, double cornerRadius) {
  const double S = W;
  auto art = makeArtwork(600);
  auto overlay = std::make_shared<UIView>(CGRectMake(0, 0, W, H));
  auto backdrop = std::make_shared<UIImageView>(CGRectMake(0, 0.25 * W - 0.5 * H, W, W));
  backdrop->setImage(art);
  overlay->addSubview(backdrop);
  auto blur = UIBlurEffect::effectWithStyle(UIBlurEffectStyleDark);
  auto blurView = UIVisualEffectView::create(blur);
  blurView->setFrame(CGRectMake(0, 0, W, H + 90));
  auto controls = mediaControls(CGRectMake(10, 95, W - 20, 150));
  if (vibrancy) {
    auto vibrancyView = UIVisualEffectView::create(UIVibrancyEffect::effectForBlurEffect(blur));
    vibrancyView->setFrame(CGRectMake(0, 0, W, H));
    vibrancyView->contentView()->addSubview(
        label(CGRectMake(10, 0.88 * H, S, 30), "Repeat: All", "Helvetica", 14, UIColor::whiteColor()));
    vibrancyView->contentView()->addSubview(
        label(CGRectMake(0, 0.88 * H, S - 10, 30), "Shuffle: Off", "Helvetica", 14, UIColor::whiteColor(), NSTextAlignmentRight));
    vibrancyView->contentView()->addSubview(controls);
    blurView->contentView()->addSubview(vibrancyView);
    overlay->addSubview(blurView);
  } else {
    overlay->addSubview(blurView);
    overlay->addSubview(controls);
  }
  auto cover = std::make_shared<UIImageView>(CGRectMake(0.5 * W - 0.125 * W, 0.06 * H, 0.25 * W, 0.25 * W));
  cover->setImage(art);
  cover->layer()->cornerRadius = cornerRadius;
  cover->layer()->masksToBounds = true;
  overlay->addSubview(cover);
  return overlay;
}

UIViewRef makeHomeScreen(double W, double H) {
  auto home = std::make_shared<UIView>(CGRectMake(0, 0, W, H));
  auto wallpaper = std::make_shared<UIImageView>(CGRectMake(0, 0, W, H));
  {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 360);
    cairo_t* cr = cairo_create(s);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 360);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.12, 0.32, 0.55);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.45, 0.20, 0.50);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    cairo_destroy(cr);
    wallpaper->setImage(imageFromSurface(s));
    cairo_surface_destroy(s);
  }
  home->addSubview(wallpaper);
  const double colours[][3] = {{0.30, 0.85, 0.39}, {0.0, 0.48, 1.0}, {1.0, 0.58, 0.0},   {1.0, 0.23, 0.19},
                               {0.35, 0.34, 0.84}, {1.0, 0.8, 0.0},  {0.56, 0.56, 0.58}, {0.2, 0.78, 0.35}};
  const char* names[] = {"Messages", "Mail", "Photos", "Music", "Podcasts", "Notes", "Settings", "Maps"};
  const double icon = 60, gapX = (W - 4 * icon) / 5;
  for (int i = 0; i < 8; ++i) {
    const double x = gapX + (i % 4) * (icon + gapX), y = 28 + (i / 4) * 88;
    auto v = std::make_shared<UIView>(CGRectMake(x, y, icon, icon));
    v->setBackgroundColor(UIColor::colorWithRed(colours[i][0], colours[i][1], colours[i][2], 1));
    v->layer()->cornerRadius = 13;
    home->addSubview(v);
    home->addSubview(label(CGRectMake(x - 10, y + icon + 4, icon + 20, 14), names[i], "Helvetica", 11, UIColor::whiteColor(),
                           NSTextAlignmentCenter));
  }
  auto dock = std::make_shared<UIView>(CGRectMake(0, H - 96, W, 96));
  dock->setBackgroundColor(UIColor::colorWithWhite(1, 0.25));
  home->addSubview(dock);
  return home;
}

UIViewRef makeSettingsPage(double W, double H) {
  auto page = std::make_shared<UIView>(CGRectMake(0, 0, W, H));
  page->setBackgroundColor(UIColor::colorWithRed(0.937, 0.937, 0.957, 1));
  auto bar = std::make_shared<UIView>(CGRectMake(0, 0, W, 64));
  bar->setBackgroundColor(UIColor::colorWithWhite(0.97, 1));
  bar->addSubview(
      label(CGRectMake(0, 20, W, 44), "Velloway", "Helvetica-Bold", 17, UIColor::blackColor(), NSTextAlignmentCenter));
  page->addSubview(bar);
  const char* rows[] = {"Enabled", "Vibrancy Labels", "Invert Song Swipes", "Artwork Corner Radius"};
  for (int i = 0; i < 4; ++i) {
    auto row = std::make_shared<UIView>(CGRectMake(0, 100 + i * 44, W, 44));
    row->setBackgroundColor(UIColor::whiteColor());
    row->addSubview(label(CGRectMake(15, 0, W - 30, 44), rows[i], "Helvetica", 17,
                          UIColor::colorWithRed(68 / 255.0, 90 / 255.0, 101 / 255.0, 1)));
    if (i < 3) {
      auto sep = std::make_shared<UIView>(CGRectMake(15, 43.5, W - 15, 0.5));
      sep->setBackgroundColor(UIColor::colorWithWhite(0.78, 1));
      row->addSubview(sep);
    }
    page->addSubview(row);
  }
  return page;
}

}  // namespace test_support
