// Rendering benchmark: a full 375 x 667 screen at scale 2 (the reachability screen: the home
// screen lowered under the overlay with its dark blur and vibrancy; a settings page under the
// mail sheet), against its parts, so the ratios show where the time goes. Built as
// velloway-render-bench.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/messageui/MFMailComposeViewController.hpp"
#include "platform/uikit/UIControl.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UISlider.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "platform/uikit/UITableViewCell.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"
#include "platform/uikit/UIWindow.hpp"
#include "render/BlurEffect.hpp"
#include "render/Renderer.hpp"
#include "tests/support/Scenes.hpp"

namespace {

UILabelRef label(CGRect frame, const char* text, double size, long alignment) {
  auto l = std::make_shared<UILabel>(frame);
  l->setText(std::string(text));
  l->setFont(UIFont::systemFontOfSize(size));
  l->setTextColor(UIColor::whiteColor());
  l->setTextAlignment(alignment);
  return l;
}

UIViewRef homeScreen(double W, double H) {
  auto home = std::make_shared<UIView>(CGRectMake(0, 0, W, H));
  home->setBackgroundColor(UIColor::colorWithRed(0.12, 0.32, 0.55, 1));
  for (int i = 0; i < 24; ++i) {
    auto icon = std::make_shared<UIView>(CGRectMake(27 + (i % 4) * 87, 28 + (i / 4) * 88, 60, 60));
    icon->setBackgroundColor(UIColor::colorWithHue(i / 24.0, 0.7, 0.9, 1));
    icon->layer()->cornerRadius = 13;
    home->addSubview(icon);
    home->addSubview(label(CGRectMake(17 + (i % 4) * 87, 92 + (i / 4) * 88, 80, 14), "App", 11, NSTextAlignmentCenter));
  }
  return home;
}

struct Scene {
  UIViewRef home = homeScreen(375, 667);
  // The overlay as the tweak lays it out, with vibrancy and covers rounded by 4 points.
  UIViewRef window = test_support::makeOverlay(375, 300, true, 4);
};

Scene& scene() {
  static Scene s;
  return s;
}

render::RenderOptions at2x() {
  render::RenderOptions o;
  o.scale = 2;
  return o;
}

// The whole screen as the simulator draws it during reachability.
void BM_ReachabilityScreen(benchmark::State& state) {
  auto& s = scene();
  for (auto _ : state) {
    render::Canvas canvas({375, 667}, at2x());
    canvas.drawView(*s.home, {0, 300});
    canvas.drawView(*s.window, {0, 0});
    auto image = canvas.image();
    benchmark::DoNotOptimize(image.pixel(0, 0));
  }
}
BENCHMARK(BM_ReachabilityScreen)->Unit(benchmark::kMillisecond);

// A full screen whose whole area lies under a dark blur: the blur's worst case.
void BM_FullScreenBlur(benchmark::State& state) {
  auto& s = scene();
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, 375, 667));
  auto home = homeScreen(375, 667);
  root->addSubview(home);
  auto blurView = UIVisualEffectView::create(UIBlurEffect::effectWithStyle(UIBlurEffectStyleDark));
  blurView->setFrame(CGRectMake(0, 0, 375, 667));
  root->addSubview(blurView);
  for (auto _ : state) {
    auto image = render::renderViewTree(*root, at2x());
    benchmark::DoNotOptimize(image.pixel(0, 0));
  }
  (void)s;
}
BENCHMARK(BM_FullScreenBlur)->Unit(benchmark::kMillisecond);

// A settings page (translucent bar, switch, slider and link rows) under the mail sheet with two
// attachments, as the pane's support button shows it: the whole window, both layers drawn.
void BM_SettingsWithMailSheet(benchmark::State& state) {
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 375, 667));
  window->setHidden(false);
  auto nav = std::make_shared<UINavigationController>();
  auto page = std::make_shared<UIViewController>();
  page->setTitle("Configuration");
  page->navigationItem()->setRightBarButtonItem(
      std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemCompose, nullptr, "compose:"));
  nav->initWithRootViewController(std::make_shared<UIViewController>());
  nav->pushViewController(page, false);
  window->addSubview(nav->view());
  const UIViewRef content = page->view();
  content->setBackgroundColor(UIColor::colorWithRed(239 / 255.0, 239 / 255.0, 244 / 255.0, 1));
  for (int i = 0; i < 6; ++i) {
    auto cell = std::make_shared<UITableViewCell>();
    cell->initWithStyle(UITableViewCellStyleDefault, std::nullopt);
    cell->setFrame(CGRectMake(0, 35 + i * 44, 375, 44));
    cell->textLabel()->setText(std::string("Row ") + std::to_string(i));
    if (i % 3 == 0) cell->setAccessoryView(std::make_shared<UISwitch>());
    if (i % 3 == 1) cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    if (i % 3 == 2) cell->contentView()->addSubview(std::make_shared<UISlider>(CGRectMake(100, 6.5, 260, 31)));
    cell->layoutSubviews();
    content->addSubview(cell);
  }
  auto mail = std::make_shared<MFMailComposeViewController>();
  mail->setSubject("Velloway Support");
  mail->setToRecipients({"Velloway Makers <makers@example.org>"});
  mail->setMessageBody("\n\nDevice: iPhone7,2\nSystem: 9.0.2", false);
  mail->addAttachmentData(std::string(640, 'p'), "application/x-plist", "settings.plist");
  mail->addAttachmentData(std::string(23800, 'd'), "text/plain", "packages.txt");
  page->presentViewController(mail, false);
  for (auto _ : state) {
    auto image = render::renderViewTree(*window, at2x());
    benchmark::DoNotOptimize(image.pixel(0, 0));
  }
}
BENCHMARK(BM_SettingsWithMailSheet)->Unit(benchmark::kMillisecond);

// The parts, for the ratios.
void BM_HomeScreenOnly(benchmark::State& state) {
  auto& s = scene();
  for (auto _ : state) {
    auto image = render::renderViewTree(*s.home, at2x());
    benchmark::DoNotOptimize(image.pixel(0, 0));
  }
}
BENCHMARK(BM_HomeScreenOnly)->Unit(benchmark::kMillisecond);

void BM_GaussianBlurOnly(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 750, 1334);
  for (auto _ : state) render::gaussianBlur(surface, 28);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_GaussianBlurOnly)->Unit(benchmark::kMillisecond);

// The console report, then each case's time as a multiple of drawing the home screen alone
// (a screen of plain views and labels, no effects).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration) times_.emplace_back(run.benchmark_name(), run.GetAdjustedCPUTime());
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double base = 0;
    for (const auto& [name, t] : times_)
      if (name.find("HomeScreenOnly") != std::string::npos) base = t;
    if (base <= 0) return;
    std::printf("\nCPU time relative to BM_HomeScreenOnly:\n");
    for (const auto& [name, t] : times_) std::printf("  %-28s %6.2fx\n", name.c_str(), t / base);
  }

 private:
  std::vector<std::pair<std::string, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
