// Unit checks of the renderer: what draws and what does not, masks, the blur, text placement
// and measurement, effects, alerts, the registry and PNG output.
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "RenderTestSupport.hpp"
#include "platform/fs/TemporaryFolder.hpp"
#include "platform/text/Fonts.hpp"
#include "platform/text/TextMetrics.hpp"
#include "platform/uikit/UIAlertPanelLayout.hpp"
#include "platform/uikit/UIControl.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIVisualEffectView.hpp"
#include "render/BlurEffect.hpp"
#include "render/Painter.hpp"
#include "render/ViewPainter.hpp"

using namespace rendertest;

namespace {

constexpr uint32_t kWhite = 0xffffffffu;
constexpr uint32_t kRed = 0xffff0000u;

render::Image render1x(const UIView& root) { return render::renderViewTree(root, 1.0); }

UIViewRef whiteRoot(double w, double h) {
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, w, h));
  root->setBackgroundColor(UIColor::whiteColor());
  return root;
}

UIViewRef redView(CGRect frame) {
  auto v = std::make_shared<UIView>(frame);
  v->setBackgroundColor(UIColor::colorWithRed(1, 0, 0, 1));
  return v;
}

// Renders one label on white at scale 2 and returns the box of its ink.
Box labelInk(const std::string& text, long alignment, CGSize size, const std::string& font = "Helvetica") {
  auto root = whiteRoot(size.width, size.height);
  auto label = std::make_shared<UILabel>(CGRectMake(0, 0, size.width, size.height));
  label->setText(text);
  label->setFont(UIFont::fontWithName(font, 17));
  label->setTextAlignment(alignment);
  root->addSubview(label);
  return inkBox(render::renderViewTree(*root, 2.0), kWhite);
}

}  // namespace

// ---- What draws -------------------------------------------------------------------------

TEST(Visibility, HiddenAndTransparentViewsAndTheirSubviewsDrawNothing) {
  for (int mode = 0; mode < 2; ++mode) {
    auto root = whiteRoot(40, 40);
    auto parent = redView(CGRectMake(5, 5, 30, 30));
    parent->addSubview(redView(CGRectMake(2, 2, 10, 10)));
    if (mode == 0)
      parent->setHidden(true);
    else
      parent->setAlpha(0);
    root->addSubview(parent);
    auto image = render1x(*root);
    EXPECT_TRUE(inkBox(image, kWhite, 0).empty()) << (mode == 0 ? "hidden" : "alpha 0");
  }
  // The same tree visible does draw: the check above can fail.
  auto root = whiteRoot(40, 40);
  root->addSubview(redView(CGRectMake(5, 5, 30, 30)));
  auto box = inkBox(render1x(*root), kWhite, 0);
  EXPECT_EQ(box.x0, 5);
  EXPECT_EQ(box.x1, 34);
}

TEST(Visibility, AlphaIsGroupOpacity) {
  // Two overlapping opaque children of a half-transparent parent: the overlap looks like the
  // top child alone at half opacity, not like two half-transparent layers.
  auto root = whiteRoot(60, 20);
  auto parent = std::make_shared<UIView>(CGRectMake(0, 0, 60, 20));
  parent->setAlpha(0.5);
  auto blue = std::make_shared<UIView>(CGRectMake(0, 0, 40, 20));
  blue->setBackgroundColor(UIColor::colorWithRed(0, 0, 1, 1));
  parent->addSubview(blue);
  parent->addSubview(redView(CGRectMake(20, 0, 40, 20)));
  root->addSubview(parent);
  auto image = render1x(*root);
  auto overlap = channels(image.pixel(30, 10));
  auto redOnly = channels(image.pixel(50, 10));
  EXPECT_NEAR(overlap.r, redOnly.r, 2);
  EXPECT_NEAR(overlap.b, redOnly.b, 2);
  EXPECT_NEAR(redOnly.r, 255, 2);
  EXPECT_NEAR(redOnly.g, 128, 3);  // half red over white
  auto blueOnly = channels(image.pixel(10, 10));
  EXPECT_NEAR(blueOnly.r, 128, 3);
  EXPECT_NEAR(blueOnly.b, 255, 2);
}

TEST(Visibility, RootIsDrawnAtItsOwnOriginAndSubviewsByFrameAndBounds) {
  auto root = std::make_shared<UIView>(CGRectMake(100, 200, 40, 40));  // frame origin ignored
  root->setBackgroundColor(UIColor::whiteColor());
  auto scroller = std::make_shared<UIView>(CGRectMake(10, 0, 30, 40));
  scroller->setBounds(CGRectMake(0, 10, 30, 40));  // content scrolled up by 10
  scroller->addSubview(redView(CGRectMake(0, 20, 5, 5)));
  root->addSubview(scroller);
  auto box = inkBox(render1x(*root), kWhite, 0);
  EXPECT_EQ(box.x0, 10);
  EXPECT_EQ(box.y0, 10);
  EXPECT_EQ(box.x1, 14);
  EXPECT_EQ(box.y1, 14);
}

// ---- Layers -----------------------------------------------------------------------------

TEST(Layers, CornerMaskingClearsTheCornersOfContent) {
  auto make = [](bool masks) {
    auto root = whiteRoot(100, 100);
    auto imageView = std::make_shared<UIImageView>(CGRectMake(0, 0, 100, 100));
    imageView->setImage(makeSolidImage(10, 10, kRed));
    imageView->layer()->cornerRadius = 30;
    imageView->layer()->masksToBounds = masks;
    root->addSubview(imageView);
    return render1x(*root);
  };
  auto masked = make(true);
  EXPECT_EQ(masked.pixel(1, 1), kWhite);
  EXPECT_EQ(masked.pixel(98, 98), kWhite);
  EXPECT_EQ(masked.pixel(50, 50), kRed);
  EXPECT_EQ(masked.pixel(50, 1), kRed);  // edges between the corners stay
  auto unmasked = make(false);
  EXPECT_EQ(unmasked.pixel(1, 1), kRed);
}

TEST(Layers, BackgroundFollowsCornerRadiusAndBorderLiesInside) {
  auto root = whiteRoot(100, 100);
  auto v = std::make_shared<UIView>(CGRectMake(10, 10, 80, 80));
  v->setBackgroundColor(UIColor::colorWithRed(0, 1, 0, 1));
  v->layer()->cornerRadius = 20;
  v->layer()->borderWidth = 4;
  v->layer()->borderColor = UIColor::colorWithRed(0, 0, 1, 1)->CGColor();
  root->addSubview(v);
  auto image = render1x(*root);
  EXPECT_EQ(image.pixel(11, 11), kWhite);           // rounded away
  EXPECT_EQ(channels(image.pixel(50, 11)).b, 255);  // border inside the top edge
  EXPECT_EQ(channels(image.pixel(50, 9)).b, 255 - 0) << "the border must not spill out";
  EXPECT_EQ(image.pixel(50, 9), kWhite);
  EXPECT_EQ(channels(image.pixel(50, 50)).g, 255);  // content inside
}

TEST(Layers, ShadowDarkensBelowTheViewButNotWhenMasked) {
  auto make = [](bool masks) {
    auto root = whiteRoot(100, 100);
    auto v = std::make_shared<UIView>(CGRectMake(20, 20, 60, 40));
    v->setBackgroundColor(UIColor::whiteColor());
    v->layer()->shadowColor = UIColor::blackColor()->CGColor();
    v->layer()->shadowOpacity = 0.8;
    v->layer()->shadowRadius = 4;
    v->layer()->shadowOffset = {0, 8};
    v->layer()->masksToBounds = masks;
    root->addSubview(v);
    return render1x(*root);
  };
  auto shadowed = make(false);
  EXPECT_LT(brightness(shadowed.pixel(50, 64)), 200);  // just below the view
  EXPECT_EQ(shadowed.pixel(50, 40), kWhite);           // the view covers its own shadow
  EXPECT_GT(brightness(shadowed.pixel(50, 16)), 250);  // the offset pushes it down, not up
  EXPECT_EQ(make(true).pixel(50, 64), kWhite);
}

// ---- Images -----------------------------------------------------------------------------

TEST(Images, ScaleToFillStretchesAndAspectFitLetterboxes) {
  // A 2 x 1 image: left half red, right half blue.
  auto image = std::make_shared<UIImage>(2, 1, std::vector<uint32_t>{kRed, 0xff0000ffu});
  auto root = whiteRoot(100, 100);
  auto fill = std::make_shared<UIImageView>(CGRectMake(0, 0, 100, 100));
  fill->setImage(image);
  root->addSubview(fill);
  auto filled = render1x(*root);
  EXPECT_EQ(filled.pixel(10, 5), kRed);
  EXPECT_EQ(filled.pixel(10, 95), kRed);
  EXPECT_EQ(filled.pixel(90, 50), 0xff0000ffu);

  fill->contentMode = UIViewContentModeScaleAspectFit;  // 100 x 50, centred
  auto fitted = render1x(*root);
  EXPECT_EQ(fitted.pixel(10, 10), kWhite);
  EXPECT_EQ(fitted.pixel(10, 50), kRed);
  EXPECT_EQ(fitted.pixel(90, 90), kWhite);
}

TEST(Images, DrawnAtTheDeviceScale) {
  auto root = whiteRoot(10, 10);
  root->addSubview(redView(CGRectMake(5, 0, 5, 10)));
  auto image = render::renderViewTree(*root, 3.0);
  EXPECT_EQ(image.width(), 30);
  EXPECT_EQ(image.pixel(14, 5), kWhite);
  EXPECT_EQ(image.pixel(15, 5), kRed);
}

// ---- Blur -------------------------------------------------------------------------------

TEST(Blur, BoxWidthsMatchTheGaussiansVariance) {
  for (double sigma : {1.0, 2.5, 7.0, 20.0, 28.0}) {
    auto widths = render::gaussianBoxWidths(sigma);
    double variance = 0;
    for (int w : widths) {
      EXPECT_EQ(w % 2, 1);
      variance += (double(w) * w - 1) / 12;
    }
    EXPECT_NEAR(std::sqrt(variance), sigma, 0.1 * sigma + 0.3) << sigma;
  }
}

TEST(Blur, SpreadsAStepEdgeLikeAGaussian) {
  // White on the left half, black on the right.
  const int w = 200, h = 8;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_rectangle(cr, 0, 0, w / 2, h);
  cairo_fill(cr);
  cairo_destroy(cr);
  const double sigma = 10;
  render::gaussianBlur(s, sigma);
  render::Image image(s, 1);
  auto value = [&](int x) { return brightness(image.pixel(x, 4)); };
  // Monotonic fall across the edge, symmetric about it.
  for (int x = 60; x < 140; ++x) EXPECT_GE(value(x) + 0.5, value(x + 1)) << x;
  EXPECT_NEAR(value(99) + value(100), 255, 4);
  // One sigma into the dark side: 1 - Phi(1) ~ 0.16 of white; far away: untouched.
  EXPECT_NEAR(value(100 + int(sigma)), 0.16 * 255, 0.04 * 255);
  EXPECT_NEAR(value(100 - 1 - int(sigma)), 0.84 * 255, 0.04 * 255);
  EXPECT_EQ(value(5), 255);
  EXPECT_EQ(value(195), 0);
  // Rows stay alike: the vertical pass does not smear the picture's edges inwards.
  EXPECT_EQ(image.pixel(110, 0), image.pixel(110, 7));
}

TEST(Blur, EffectViewBlursWhatLiesBehindItThenTints) {
  // Left half white, right half black behind a dark blur effect view covering everything.
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, 200, 60));
  root->setBackgroundColor(UIColor::blackColor());
  auto white = std::make_shared<UIView>(CGRectMake(0, 0, 100, 60));
  white->setBackgroundColor(UIColor::whiteColor());
  root->addSubview(white);
  auto blurView = UIVisualEffectView::create(UIBlurEffect::effectWithStyle(UIBlurEffectStyleDark));
  blurView->setFrame(CGRectMake(0, 0, 200, 60));
  root->addSubview(blurView);
  auto image = render1x(*root);
  const double farWhite = brightness(image.pixel(5, 30)), farBlack = brightness(image.pixel(195, 30));
  const double justRight = brightness(image.pixel(104, 30)), justLeft = brightness(image.pixel(95, 30));
  EXPECT_LT(farWhite, 160) << "the dark tint darkens white";
  EXPECT_GT(farWhite, farBlack + 60) << "the backdrop still shows through";
  EXPECT_GT(justRight, farBlack + 10) << "white has spread into the black side";
  EXPECT_LT(justLeft, farWhite - 10) << "black has spread into the white side";
  EXPECT_GT(farBlack, 5) << "the tint lightens black a little";
}

TEST(Blur, BackdropReadsThroughOpenGroups) {
  // A blur inside a half-transparent view still sees the white behind the group.
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, 100, 40));
  root->setBackgroundColor(UIColor::blackColor());
  root->addSubview(std::make_shared<UIView>(CGRectMake(0, 0, 50, 40)));
  root->subviews()[0]->setBackgroundColor(UIColor::whiteColor());
  auto group = std::make_shared<UIView>(CGRectMake(0, 0, 100, 40));
  group->setAlpha(0.99);
  auto blurView = UIVisualEffectView::create(UIBlurEffect::effectWithStyle(UIBlurEffectStyleDark));
  blurView->setFrame(CGRectMake(0, 0, 100, 40));
  group->addSubview(blurView);
  root->addSubview(group);
  auto image = render1x(*root);
  EXPECT_GT(brightness(image.pixel(5, 20)), brightness(image.pixel(95, 20)) + 40);
}

TEST(Vibrancy, ContentLightensTheBlurredBackdropWithoutCoveringIt) {
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, 100, 40));
  root->setBackgroundColor(UIColor::colorWithRed(0.6, 0.1, 0.1, 1));
  auto blur = UIBlurEffect::effectWithStyle(UIBlurEffectStyleDark);
  auto blurView = UIVisualEffectView::create(blur);
  blurView->setFrame(CGRectMake(0, 0, 100, 40));
  auto vibrancy = UIVisualEffectView::create(UIVibrancyEffect::effectForBlurEffect(blur));
  vibrancy->setFrame(CGRectMake(0, 0, 100, 40));
  auto bar = std::make_shared<UIView>(CGRectMake(50, 0, 50, 40));
  bar->setBackgroundColor(UIColor::whiteColor());
  vibrancy->contentView()->addSubview(bar);
  blurView->contentView()->addSubview(vibrancy);
  root->addSubview(blurView);
  auto image = render1x(*root);
  auto under = channels(image.pixel(20, 20));
  auto through = channels(image.pixel(80, 20));
  EXPECT_GT(through.r, under.r + 60) << "lighter";
  EXPECT_LT(through.g, 250) << "not plain white";
  EXPECT_GT(through.r, through.g) << "keeps the backdrop's hue";
}

// ---- Text -------------------------------------------------------------------------------

TEST(Text, FontsComeFromTheProjectsConfiguration) {
  const std::string file = configureFonts();  // as a host does at start-up
  EXPECT_EQ(file, fontConfigFile());
  EXPECT_TRUE(std::filesystem::exists(file)) << file;
  EXPECT_EQ(std::filesystem::path(file).filename(), "fonts.conf");
  auto familyOf = [](const std::string& face) {
    std::lock_guard lock(fonts::mutex());
    PangoContext* context = pango_font_map_create_context(fonts::fontMap());
    PangoFontDescription* desc = fonts::newFontDescription(face, 17);
    PangoFont* font = pango_font_map_load_font(fonts::fontMap(), context, desc);
    PangoFontDescription* actual = pango_font_describe(font);
    std::string family = pango_font_description_get_family(actual);
    const int weight = pango_font_description_get_weight(actual);
    pango_font_description_free(actual);
    g_object_unref(font);
    pango_font_description_free(desc);
    g_object_unref(context);
    return family + "/" + std::to_string(weight);
  };
  EXPECT_EQ(familyOf("Helvetica"), "Nimbus Sans/400");
  EXPECT_EQ(familyOf("Helvetica-Bold"), "Nimbus Sans/700");
  EXPECT_EQ(familyOf("Helvetica Light"), "Roboto/300");
  EXPECT_EQ(familyOf("HelveticaNeue-Light"), "Roboto/300");
}

TEST(Text, LabelAlignmentAndVerticalCentring) {
  const CGSize size{200, 40};
  auto left = labelInk("Velloway", NSTextAlignmentLeft, size);
  auto centre = labelInk("Velloway", NSTextAlignmentCenter, size);
  auto right = labelInk("Velloway", NSTextAlignmentRight, size);
  ASSERT_FALSE(left.empty());
  EXPECT_LT(left.x0, 6);
  EXPECT_NEAR(centre.centreX(), 200, 4);  // 400 pixels wide at scale 2
  EXPECT_GT(right.x1, 392);
  EXPECT_NEAR(right.x1 - right.x0, left.x1 - left.x0, 1);
  // The line (cap height plus descender-free glyphs here) sits about the middle.
  EXPECT_NEAR(left.centreY(), 40, 6);
  EXPECT_EQ(left.y0, centre.y0);
}

TEST(Text, MeasuredSizeIsTheDrawnSize) {
  // A label exactly as wide as measureText says shows the whole text (no ellipsis): its ink
  // equals that of a much wider label.
  for (const char* face : {"Helvetica", "Helvetica-Bold", "HelveticaNeue-Light"}) {
    const std::string text = "Shuffle: Songs";
    const CGSize natural = measureText(face, 17, text);
    auto exact = labelInk(text, NSTextAlignmentLeft, natural, face);
    auto roomy = labelInk(text, NSTextAlignmentLeft, {natural.width + 100, natural.height}, face);
    EXPECT_EQ(exact.x0, roomy.x0) << face;
    EXPECT_EQ(exact.x1, roomy.x1) << face;
    EXPECT_GT(exact.x1, natural.width * 2 - 8) << face;  // the ink fills the measured width
    // A label narrower than that truncates.
    auto narrow = labelInk(text, NSTextAlignmentLeft, {natural.width - 20, natural.height}, face);
    EXPECT_LT(narrow.x1, exact.x1 - 20) << face;
  }
}

TEST(Text, NilOrEmptyTextDrawsNothingAndTextIsClippedToTheLabel) {
  auto root = whiteRoot(100, 40);
  auto label = std::make_shared<UILabel>(CGRectMake(0, 0, 100, 40));
  root->addSubview(label);
  EXPECT_TRUE(inkBox(render1x(*root), kWhite).empty());
  label->setText("");
  EXPECT_TRUE(inkBox(render1x(*root), kWhite).empty());
  label->setText("Tall");
  label->setFont(UIFont::systemFontOfSize(60));
  label->setFrame(CGRectMake(0, 10, 100, 20));
  auto box = inkBox(render1x(*root), kWhite);
  ASSERT_FALSE(box.empty());
  EXPECT_GE(box.y0, 10);
  EXPECT_LE(box.y1, 29);
}

// ---- Buttons and alerts -------------------------------------------------------------------

TEST(Controls, TransportTitlesDrawGlyphsAndSystemButtonsUseTheTint) {
  auto root = std::make_shared<UIView>(CGRectMake(0, 0, 44, 44));
  root->setBackgroundColor(UIColor::blackColor());
  root->setTintColor(UIColor::colorWithRed(0, 1, 0, 1));
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setFrame(CGRectMake(0, 0, 44, 44));
  button->setTitle("Play", 0);
  root->addSubview(button);
  auto play = render::renderViewTree(*root, 2.0);
  auto box = inkBox(play, 0xff000000u);
  ASSERT_FALSE(box.empty());
  EXPECT_NEAR(box.centreX(), 44, 6);
  EXPECT_NEAR(box.centreY(), 44, 6);
  auto c = channels(play.pixel(int(box.centreX()), int(box.centreY())));
  EXPECT_EQ(c.g, 255);
  EXPECT_EQ(c.r, 0);
  // A triangle pointing right: its left column is taller than its right column.
  auto columnHeight = [&](int x) {
    int n = 0;
    for (int y = 0; y < 88; ++y) n += channels(play.pixel(x, y)).g > 128;
    return n;
  };
  EXPECT_GT(columnHeight(box.x0 + 2), columnHeight(box.x1 - 2) + 10);
  button->setTitle("Pause", 0);
  auto pause = render::renderViewTree(*root, 2.0);
  // Two bars: a gap in the middle.
  EXPECT_LT(channels(pause.pixel(44, 44)).g, 64);
  EXPECT_GT(channels(pause.pixel(34, 44)).g, 192);
}

TEST(Alerts, PanelIsCentredOverADimmedBackdrop) {
  render::RenderOptions options;
  options.scale = 1;
  options.background = UIColor::whiteColor();
  render::Canvas canvas({320, 480}, options);
  UIAlertView alert("Title", "Message", {}, "Cancel", {"OK"});
  canvas.drawAlert(alert);
  auto image = canvas.image();
  EXPECT_NEAR(brightness(image.pixel(5, 5)), 0.6 * 255, 3) << "dimmed";
  EXPECT_GT(brightness(image.pixel(160, 240)), 225) << "light panel in the middle";
  // The panel is 270 points wide and centred.
  const double row = 240;
  int left = -1, right = -1;
  for (int x = 0; x < 320; ++x)
    if (brightness(image.pixel(x, int(row))) > 200) {
      if (left < 0) left = x;
      right = x;
    }
  EXPECT_EQ(left, 25);
  EXPECT_EQ(right, 294);
}

TEST(Alerts, ContentComesFromTheAlertOrItsDescription) {
  UIAlertView alert("Radius", "Between 0 and 30", {}, "Cancel", {"OK", "Reset"});
  alert.setAlertViewStyle(UIAlertViewStylePlainTextInput);
  alert.textFieldAtIndex(0)->text = "12";
  auto direct = render::AlertContent::from(alert);
  auto described = render::AlertContent::fromDescription(alert.describeAlert());
  for (const auto* c : {&direct, &described}) {
    EXPECT_EQ(c->title, "Radius");
    EXPECT_EQ(c->message, "Between 0 and 30");
    EXPECT_EQ(c->cancel, "Cancel");
    EXPECT_EQ(c->others, (std::vector<std::string>{"OK", "Reset"}));
    EXPECT_TRUE(c->hasTextField);
    EXPECT_EQ(c->fieldText, "12");
  }
  UIAlertView plain("Hello", std::nullopt, {}, std::nullopt, {"OK"});
  auto p = render::AlertContent::fromDescription(plain.describeAlert());
  EXPECT_FALSE(p.hasTextField);
  EXPECT_FALSE(p.message);
  EXPECT_FALSE(p.cancel);
  // Three buttons stack (44 points each); two sit side by side.
  const double stacked = render::alertPanelSize(direct).height;
  direct.others.pop_back();
  const double sideBySide = render::alertPanelSize(direct).height;
  EXPECT_DOUBLE_EQ(stacked - sideBySide, 88);
}

TEST(Alerts, AFocusedFieldShowsACaretAfterItsText) {
  // Pixels of the tint's blue inside the field, over a white screen at scale 1.
  auto bluePixels = [](const render::AlertContent& content, double& leftmost) {
    render::RenderOptions options;
    options.scale = 1;
    options.background = UIColor::whiteColor();
    render::Canvas canvas({375, 667}, options);
    canvas.drawAlert(content);
    auto image = canvas.image();
    const CGRect field =
        layoutAlertPanel(content.title, content.message, true, content.cancel, content.others, {{0, 0}, {375, 667}}).field;
    int count = 0;
    leftmost = 1e9;
    for (int y = int(field.minY()); y < int(field.maxY()); ++y)
      for (int x = int(field.minX()); x < int(field.maxX()); ++x) {
        auto c = channels(image.pixel(x, y));
        if (c.b > 200 && c.r < 120 && c.g < 180) {
          ++count;
          leftmost = std::min(leftmost, double(x));
        }
      }
    return count;
  };
  UIAlertView alert("Radius", "Between 0 and 20.", {}, "Cancel", {"Enter"});
  alert.setAlertViewStyle(UIAlertViewStylePlainTextInput);
  auto content = render::AlertContent::from(alert);
  double at = 0, atEmpty = 0, atText = 0;
  EXPECT_EQ(bluePixels(content, at), 0) << "no caret without the keyboard";
  alert.textFieldAtIndex(0)->becomeFirstResponder();
  content = render::AlertContent::from(alert);
  EXPECT_TRUE(content.fieldFocused);
  EXPECT_GT(bluePixels(content, atEmpty), 20) << "a caret at the start of the empty field";
  alert.textFieldAtIndex(0)->insertText("12345");
  content = render::AlertContent::from(alert);
  EXPECT_GT(bluePixels(content, atText), 20);
  EXPECT_GT(atText, atEmpty + 20) << "the caret follows the text";
  EXPECT_TRUE(render::AlertContent::fromDescription(alert.describeAlert()).fieldFocused);
}

// ---- The registry ------------------------------------------------------------------------

namespace {
class GaugeView : public UIView {
  VW_DECLARE_CLASS()
 public:
  using UIView::UIView;
  double level = 0.5;
};
class SubGaugeView : public GaugeView {
  VW_DECLARE_CLASS()
 public:
  using GaugeView::GaugeView;
};
}  // namespace
VW_DEFINE_CLASS(GaugeView, UIView, nullptr)
VW_DEFINE_CLASS(SubGaugeView, GaugeView, nullptr)

TEST(Registry, PaintersAreFoundByClassNameOrNearestSuperclass) {
  EXPECT_NE(render::findViewPainter("UILabel"), nullptr);
  EXPECT_NE(render::findViewPainter("UIVisualEffectView"), nullptr);
  auto sub = std::make_shared<SubGaugeView>(CGRectMake(0, 0, 100, 10));
  EXPECT_EQ(render::findViewPainter(*sub), nullptr);  // plain views have no painter of their own
  render::registerViewPainter("GaugeView", {[](render::Painter& p, const UIView& v) {
                                cairo_rectangle(p.cr(), 0, 0, v.frame().size.width * static_cast<const GaugeView&>(v).level,
                                                v.frame().size.height);
                                cairo_set_source_rgb(p.cr(), 1, 0, 0);
                                cairo_fill(p.cr());
                              }});
  EXPECT_EQ(render::findViewPainter(*sub), render::findViewPainter("GaugeView"));
  auto root = whiteRoot(100, 10);
  sub->level = 0.3;
  root->addSubview(sub);
  auto box = inkBox(render1x(*root), kWhite);
  EXPECT_EQ(box.x0, 0);
  EXPECT_EQ(box.x1, 29);
}

// ---- Output ------------------------------------------------------------------------------

TEST(Output, PngRoundTripsAndWriteFailuresNameTheFile) {
  auto overlay = makeOverlay(200, 160, true, 8);
  auto image = render::renderViewTree(*overlay, 2.0);
  const auto folder = device_fs::makeTemporaryFolder("velloway-render");
  const auto path = folder / "roundtrip.png";
  image.writePng(path.string());
  auto back = render::Image::readPng(path.string());
  std::filesystem::remove_all(folder);
  ASSERT_EQ(back.width(), 400);
  ASSERT_EQ(back.height(), 320);
  for (int y = 0; y < 320; y += 7)
    for (int x = 0; x < 400; x += 5) ASSERT_EQ(back.pixel(x, y), image.pixel(x, y)) << x << "," << y;
  auto bytes = render::renderPng(*overlay);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes[1], 'P');
  try {
    image.writePng("/nonexistent-dir/x.png");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent-dir/x.png"), std::string::npos);
  }
  EXPECT_TRUE(render::Image::readPng("/nonexistent-dir/x.png").empty());
}

TEST(Blur, AnUnchangedBackdropGivesTheSameBlurAndAChangedOneANewBlur) {
  // A blur view over a half red, half white root; the same tree drawn again after another
  // backdrop has been blurred must come out as the first time.
  auto make = [](double split) {
    auto root = whiteRoot(60, 40);
    root->addSubview(redView(CGRectMake(0, 0, split, 40)));
    auto blur = std::make_shared<UIVisualEffectView>(UIBlurEffect::effectWithStyle(UIBlurEffectStyleLight));
    blur->setFrame(CGRectMake(10, 5, 40, 30));
    root->addSubview(blur);
    return root;
  };
  auto first = make(30), other = make(20);
  render::Image a = render1x(*first), b = render1x(*other), again = render1x(*first);
  bool differs = false, same = true;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      differs = differs || a.pixel(x, y) != b.pixel(x, y);
      same = same && a.pixel(x, y) == again.pixel(x, y);
    }
  EXPECT_TRUE(differs);
  EXPECT_TRUE(same);
}

TEST(Presentation, RunningAnimationsAreDrawnOnlyWhenAsked) {
  auto root = whiteRoot(60, 20);
  auto box = redView(CGRectMake(20, 0, 10, 20));
  root->addSubview(box);
  auto slide = CABasicAnimation::animationWithKeyPath("position");
  slide->duration = 1000;  // still running whatever the clock says
  slide->fromValue = CGPoint{45, 10};
  slide->toValue = CGPoint{45, 10};
  box->layer()->addAnimation(*slide, "position");
  render::RenderOptions model, presentation;
  model.scale = presentation.scale = 1;
  presentation.presentation = true;
  render::Image still = render::renderViewTree(*root, model), moving = render::renderViewTree(*root, presentation);
  EXPECT_EQ(still.pixel(25, 10), kRed);
  EXPECT_EQ(still.pixel(45, 10), kWhite);
  EXPECT_EQ(moving.pixel(25, 10), kWhite);  // its centre is at 45 while the animation runs
  EXPECT_EQ(moving.pixel(45, 10), kRed);
}
