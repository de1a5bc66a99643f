// The pane's pages, localizer, header view and cells, loaded from the built bundle.
#include <map>

#include "platform/preferences/PSSliderTableCell.hpp"
#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UIImageView.hpp"
#include "platform/uikit/UINavigationController.hpp"
#include "platform/uikit/UISegmentedControl.hpp"
#include "platform/uikit/UISwitch.hpp"
#include "tests/support/SettingsHostTest.hpp"

using namespace test_support;

namespace {

std::vector<UILabelRef> labelsOf(const UIViewRef& view) {
  std::vector<UILabelRef> out;
  for (const auto& sub : view->subviews())
    if (auto label = std::dynamic_pointer_cast<UILabel>(sub)) out.push_back(label);
  return out;
}

class PaneTest : public SettingsHostTest {
 protected:
  ReflectiveObjectRef localizer() { return paneAccess().sharedLocalizer(); }
  PSSpecifierArray localize(const PSSpecifierArray& specifiers) {
    return paneAccess().localizedSpecifiersForSpecifiers(*localizer(), specifiers);
  }
  std::string translate(const std::string& key) { return paneAccess().localizedStringForKey(*localizer(), key); }
  // The root page's header view of a section, as its table would ask for it.
  UIViewRef header(const PSListControllerRef& page, long section) {
    return page->tableViewViewForHeaderInSection(*page->table(), section);
  }
  PSTableCellRef developerCell(plist::Dictionary properties) {
    auto cls = NSClassFromString("KZVLWDeveloperTableCell");
    auto cell = std::dynamic_pointer_cast<PSTableCell>(cls->instantiate());
    properties["cellClass"] = "KZVLWDeveloperTableCell";
    return cell->initWithStyle(3, "ignored", PSSpecifier::specifierWithDictionary(properties, nullptr));
  }
  PSListControllerRef pushPage(const std::string& label) {
    host_->tap(label);
    return host_->topPage();
  }
};

TEST_F(PaneTest, TheRootPageLoadsItsRowsOnceAndKeepsTheSameArray) {
  auto page = openRoot();
  auto first = page->specifiers();
  ASSERT_GE(first->size(), 9u);
  // The resource is not read again: without it the same rows come back.
  std::filesystem::remove(bundleFolder() / "VLW.plist");
  EXPECT_EQ(page->specifiers(), first);
  EXPECT_EQ(page->specifiers()->size(), first->size());
  size_t groups = 0;
  for (auto& s : *first) groups += s->cellType() == PSGroupCell;
  EXPECT_GE(groups, 5u);
}

TEST_F(PaneTest, TheRootPageHasTheComposeButtonTheFadingLogoAndItsHeaders) {
  double start = sim_clock::now();
  auto page = openRoot();
  auto item = page->navigationItem();
  ASSERT_TRUE(item->rightBarButtonItem);
  EXPECT_EQ(item->rightBarButtonItem->systemItem, UIBarButtonSystemItemCompose);
  EXPECT_EQ(item->rightBarButtonItem->action, "tweetSupport:");
  auto logo = std::dynamic_pointer_cast<UIImageView>(item->titleView);
  ASSERT_TRUE(logo && logo->image());
  EXPECT_EQ(logo->frame().size, logo->image()->size());
  // Invisible for 0.5 s, then fading in over 0.5 s.
  EXPECT_EQ(logo->presentationAlpha(), 0.0);
  sim_clock::advance(0.5 - (sim_clock::now() - start) - 1e-6);
  EXPECT_EQ(logo->presentationAlpha(), 0.0);
  sim_clock::advance(0.25 + 1e-6);
  EXPECT_NEAR(logo->presentationAlpha(), 0.5, 1e-3);
  sim_clock::advance(0.25);
  EXPECT_EQ(logo->presentationAlpha(), 1.0);
  EXPECT_EQ(logo->alpha(), 1.0);

  std::map<long, double> heights;
  for (long s = 0; s <= 6; ++s) heights[s] = page->tableViewHeightForHeaderInSection(*page->table(), s);
  EXPECT_EQ(heights, (std::map<long, double>{{0, 140}, {1, -1}, {2, -1}, {3, -1}, {4, 30}, {5, -1}, {6, -1}}));
  EXPECT_EQ(header(page, 0)->className(), "KZVLWCustomHeaderView");
  EXPECT_EQ(header(page, 4)->className(), "KZVLWLogoTableCell");
  for (long s : {1, 2, 3, 5}) EXPECT_EQ(header(page, s), nullptr);
  EXPECT_NE(header(page, 0), header(page, 0)) << "a new header each time";
  // The table shows them at those heights.
  EXPECT_EQ(page->table()->headerViewForSection(0)->frame().size.height, 140);
  EXPECT_EQ(page->table()->headerViewForSection(4)->frame().size.height, 30);
}

TEST_F(PaneTest, WithoutTheLogoResourceTheTitleViewHasNoImageAndStillFadesIn) {
  std::filesystem::remove(bundleFolder() / "headerLogo.png");
  double start = sim_clock::now();
  auto page = openRoot();
  auto logo = std::dynamic_pointer_cast<UIImageView>(page->navigationItem()->titleView);
  ASSERT_TRUE(logo) << "an image view all the same";
  EXPECT_EQ(logo->image(), nullptr);
  EXPECT_EQ(logo->presentationAlpha(), 0.0);
  sim_clock::advance(0.75 - (sim_clock::now() - start));
  EXPECT_NEAR(logo->presentationAlpha(), 0.5, 1e-3);
  sim_clock::advance(0.25);
  EXPECT_EQ(logo->presentationAlpha(), 1.0);
  EXPECT_EQ(logo->alpha(), 1.0);
}

TEST_F(PaneTest, ComposeNeedsTheSocialServiceAndEveryEndDismissesTheComposer) {
  deviceProfile().socialAvailable = false;
  auto page = openRoot();
  host_->compose();
  EXPECT_EQ(page->presentedViewController(), nullptr);
  deviceProfile().socialAvailable = true;
  for (bool posted : {false, true}) {
    host_->compose();
    auto composer = std::dynamic_pointer_cast<SLComposeViewController>(page->presentedViewController());
    ASSERT_TRUE(composer);
    EXPECT_EQ(composer->serviceType(), SLServiceTypeTwitter);
    EXPECT_EQ(composer->initialText(), "#VLW is awesome!");
    EXPECT_TRUE(composer->hasCompletionHandler());
    host_->dismiss(posted);
    EXPECT_EQ(page->presentedViewController(), nullptr);
  }
  // A sub-page presents from itself, and only while the service is available.
  auto config = pushPage("Configuration");
  deviceProfile().socialAvailable = false;
  host_->compose();
  EXPECT_EQ(config->presentedViewController(), nullptr);
  EXPECT_EQ(page->presentedViewController(), nullptr);
  deviceProfile().socialAvailable = true;
  host_->compose();
  EXPECT_TRUE(std::dynamic_pointer_cast<SLComposeViewController>(config->presentedViewController()));
  EXPECT_EQ(page->presentedViewController(), nullptr);
  host_->dismiss();
}

TEST_F(PaneTest, ASubPageWithoutItsResourceCachesNoRowsAndStillSetsItsTitle) {
  std::filesystem::remove(bundleFolder() / "VLWMakers.plist");
  openRoot();
  auto makers = pushPage("Makers");
  auto rows = makers->specifiers();
  ASSERT_TRUE(rows);
  EXPECT_TRUE(rows->empty());
  EXPECT_EQ(makers->table()->numberOfSections(), 0);
  // The resource appearing later changes nothing: the empty rows are the cache.
  std::filesystem::copy_file(bundleFolder() / "VLWConfiguration.plist", bundleFolder() / "VLWMakers.plist");
  makers->setTitle("changed");
  EXPECT_EQ(makers->specifiers(), rows);
  EXPECT_TRUE(rows->empty());
  EXPECT_EQ(makers->title(), "Makers");
}

TEST_F(PaneTest, SubPagesLoadOnceAndSetTheirTitleOnEveryCall) {
  openRoot();
  auto config = pushPage("Configuration");
  EXPECT_EQ(config->className(), "KZVLWConfigurationListController");
  EXPECT_EQ(config->title(), "Configuration");
  auto rows = config->specifiers();
  config->setTitle("changed");
  EXPECT_EQ(config->specifiers(), rows);
  EXPECT_EQ(config->title(), "Configuration");
  ASSERT_TRUE(config->navigationItem()->rightBarButtonItem);
  EXPECT_EQ(config->navigationItem()->titleView, nullptr);
  auto slider = config->specifierForKey("albumArtCornerRadius");
  ASSERT_TRUE(slider);
  EXPECT_EQ(slider->cellClassName(), "KZVLWSliderCell");
  auto ip = config->indexPathForSpecifier(slider);
  ASSERT_TRUE(ip);
  auto cell = config->table()->cellForRowAtIndexPath(*ip);
  EXPECT_EQ(cell->className(), "KZVLWSliderCell");
  EXPECT_TRUE(std::dynamic_pointer_cast<PSSliderTableCell>(cell));
  host_->back();
  auto makers = pushPage("Makers");
  EXPECT_EQ(makers->className(), "KZVLWMakersListController");
  EXPECT_EQ(makers->title(), "Makers");
  for (long s = 0; s < makers->table()->numberOfSections(); ++s) EXPECT_EQ(makers->table()->askedHeaderHeightForSection(s), -1);
}

TEST_F(PaneTest, UntranslatedTitlesShowTheirKeyAndAnotherLanguageTranslatesFromTheBinaryTable) {
  std::filesystem::remove(bundleFolder() / "en.lproj" / "Localizable.strings");
  openRoot();
  EXPECT_EQ(pushPage("Configuration")->title(), "CONFIGURATION");
  host_->back();
  EXPECT_EQ(pushPage("Makers")->title(), "MAKERS");
  host_->back();
  host_->back();

  deviceProfile().language = "de";
  auto root = openRoot();
  auto names = [](const PSListControllerRef& page) {
    std::vector<std::string> out;
    for (auto& s : *page->specifiers())
      if (s->name()) out.push_back(*s->name());
    return out;
  };
  auto german = names(root);
  EXPECT_NE(std::find(german.begin(), german.end(), "Konfiguration"), german.end());
  EXPECT_NE(std::find(german.begin(), german.end(), "Aktiviert"), german.end());
  EXPECT_EQ(pushPage("Konfiguration")->title(), "Konfiguration");
  EXPECT_EQ(root->groupSpecifierForSection(0)->propertyForKey("footerText"),
            plist::Value("Änderungen wirken beim nächsten Öffnen des einhändigen Modus."));
}

TEST_F(PaneTest, TheLocalizerTranslatesNamesFootersAndTitlesInPlace) {
  openRoot();
  EXPECT_EQ(localizer(), localizer());
  EXPECT_EQ(translate("CONFIGURATION"), "Configuration");
  EXPECT_EQ(translate("Not in any table"), "Not in any table");

  deviceProfile().language = "de";
  auto array = std::make_shared<std::vector<PSSpecifierRef>>();
  auto named = PSSpecifier::specifierWithDictionary({{"label", "Enabled"}, {"footerText", "Gestures"}}, nullptr);
  auto bare = PSSpecifier::specifierWithDictionary({{"cell", "PSGroupCell"}}, nullptr);
  auto list = PSSpecifier::specifierWithDictionary({{"label", "Unknown words"},
                                                    {"validValues", plist::Array{2, 1, 3}},
                                                    {"validTitles", plist::Array{"Makers", "Help", 9}},
                                                    {"shortTitles", plist::Array{"Design"}}},
                                                   nullptr);
  *array = {named, bare, list};
  auto before = *array;
  auto result = localize(array);
  EXPECT_EQ(result, array) << "the same array object";
  EXPECT_EQ(*result, before) << "the same members in the same order";
  EXPECT_EQ(named->name(), "Aktiviert");
  EXPECT_EQ(named->propertyForKey("footerText"), plist::Value("Gesten"));
  EXPECT_EQ(bare->name(), std::nullopt);
  EXPECT_TRUE(bare->propertyForKey("footerText").isNil());
  EXPECT_EQ(list->name(), "Unknown words");
  PSTitleDictionary titles{{2, "Macher"}, {1, "Hilfe"}, {3, 9}};
  EXPECT_EQ(*list->titleDictionary(), titles);
  EXPECT_EQ(*list->shortTitleDictionary(), (PSTitleDictionary{{2, "Gestaltung"}}));
  auto empty = std::make_shared<std::vector<PSSpecifierRef>>();
  EXPECT_EQ(localize(empty), empty);
  EXPECT_TRUE(empty->empty());
}

TEST_F(PaneTest, TheHeaderViewSizesItsLinesByIdiomAndPlacesThemByConstraints) {
  auto page = openRoot();
  auto sizes = [&] {
    auto view = header(page, 0);
    std::vector<double> out;
    for (auto& l : labelsOf(view)) out.push_back(l->font()->pointSize);
    return out;
  };
  EXPECT_EQ(sizes(), (std::vector<double>{36, 17, 15}));
  deviceProfile().idiom = DeviceIdiom::Pad;
  EXPECT_EQ(sizes(), (std::vector<double>{44, 22, 15}));
  deviceProfile().idiomAnswered = false;  // a device that does not answer userInterfaceIdiom
  EXPECT_EQ(sizes(), (std::vector<double>{36, 17, 15}));
  deviceProfile() = DeviceProfile{};

  for (double height : {140.0, 200.0}) {
    auto view = header(page, 0);
    view->setFrame(CGRectMake(0, 0, 320, height));
    layoutViewTree(*view);
    auto labels = labelsOf(view);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(*labels[0]->text(), "Velloway");
    EXPECT_EQ(*labels[1]->text(), "Music Controls At Your Tap");
    EXPECT_EQ(labels[0]->frame().origin.y, height / 5);
    EXPECT_EQ(labels[1]->frame().origin.y, labels[0]->frame().maxY() + 5);
    EXPECT_EQ(labels[2]->frame().origin.y, labels[1]->frame().maxY() + 5);
    for (auto& l : labels) {
      EXPECT_EQ(l->frame().midX(), 160) << *l->text();
      EXPECT_EQ(l->frame().size, l->intrinsicContentSize());
      EXPECT_EQ(l->font()->fontName, "HelveticaNeue-Light");
      EXPECT_EQ(l->textAlignment(), NSTextAlignmentCenter);
      EXPECT_TRUE(l->textColor()->isEqual(*UIColor::grayColor()));
    }
  }
  // The header the table shows is placed the same way.
  auto shown = labelsOf(page->table()->headerViewForSection(0));
  EXPECT_EQ(shown[0]->frame().origin.y, 28);
}

TEST_F(PaneTest, TheRandomLineIsOneOfNineEachAboutAsOftenAsTheOthers) {
  auto page = openRoot();
  auto view = header(page, 0);
  auto texts = paneAccess().randomTexts(*view);
  std::vector<std::string> expected{
      "Thank you for the support.",      "Enjoy!", "Some Other Random Text", "This is a beta right?", "Follow me on Twitter.",
      "Something should go here right?", "Hey",    "Zindra Morrow!",         "Shake it off!"};
  EXPECT_EQ(texts, expected);
  std::map<std::string, int> counts;
  constexpr int kBuilds = 2700;
  for (int i = 0; i < kBuilds; ++i) ++counts[*labelsOf(header(page, 0))[2]->text()];
  EXPECT_EQ(counts.size(), 9u);
  for (auto& [text, n] : counts) {
    EXPECT_NE(std::find(expected.begin(), expected.end(), text), expected.end()) << text;
    // 300 expected; a deviation of 100 is more than seven standard deviations.
    EXPECT_GT(n, 200) << text;
    EXPECT_LT(n, 400) << text;
  }
}

TEST_F(PaneTest, DeveloperCellsShowThePictureAndThreeLinesSharingOneLeftEdge) {
  openRoot();
  auto cell = developerCell(
      {{"devName", "@someone with a long handle"}, {"realName", "Some One"}, {"job", "Job"}, {"devImage", "dovrane"}});
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->reuseIdentifier(), "KZVLWDeveloperTableCell");
  EXPECT_EQ(cell->specifier(), nullptr) << "the specifier is not handed to the base";
  cell->setFrame(CGRectMake(0, 0, 375, 100));
  layoutViewTree(*cell);
  std::shared_ptr<UIImageView> picture;
  for (auto& sub : cell->subviews())
    if (auto iv = std::dynamic_pointer_cast<UIImageView>(sub)) picture = iv;
  ASSERT_TRUE(picture && picture->image());
  auto expectedImage = UIImage::imageWithContentsOfFile(std::string(kBundlePath) + "/dovrane.png");
  EXPECT_EQ(picture->image()->digest(), expectedImage->digest());
  EXPECT_EQ(picture->frame(), CGRectMake(10, 15, 70, 70));
  EXPECT_FLOAT_EQ(picture->layer()->shadowOpacity, 0.2f);
  EXPECT_EQ(picture->layer()->shadowOffset, (CGSize{0, 1}));
  EXPECT_EQ(picture->layer()->shadowColor, (CGColor{0, 0, 0, 1}));
  auto labels = labelsOf(cell);
  ASSERT_EQ(labels.size(), 3u);
  std::vector<double> sizes;
  for (auto& l : labels) {
    EXPECT_EQ(l->frame().origin.x, 110) << "30 points right of the picture";
    EXPECT_EQ(l->font()->fontName, "Helvetica Light");
    sizes.push_back(l->font()->pointSize);
  }
  EXPECT_EQ(sizes, (std::vector<double>{20, 15, 12}));
  EXPECT_EQ(labels[0]->frame().midY(), 30);
  EXPECT_EQ(labels[1]->frame().origin.y, labels[0]->frame().maxY());
  EXPECT_EQ(labels[2]->frame().origin.y, labels[1]->frame().maxY() + 5);
  EXPECT_TRUE(labels[0]->textColor()->isEqual(*UIColor::darkGrayColor()));

  deviceProfile().idiom = DeviceIdiom::Pad;
  auto pad = developerCell({{"devName", "x"}});
  EXPECT_EQ(labelsOf(pad)[0]->font()->pointSize, 30);
  EXPECT_EQ(labelsOf(pad)[1]->font()->pointSize, 15);
}

TEST_F(PaneTest, DeveloperPicturesAreOnlyPlainResourceNamesAndMissingTextsLeaveEmptyLines) {
  openRoot();
  // Pictures outside the bundle exist, so only the name check keeps them out.
  auto png = device_fs::readHostFile(bundleFolder() / "dovrane.png");
  ASSERT_TRUE(png);
  writeHostFile(device_fs::hostPath("/Library/PreferenceBundles/outside.png"), std::string(png->begin(), png->end()));
  writeHostFile(bundleFolder() / "sub" / "inner.png", std::string(png->begin(), png->end()));
  auto pictureOf = [](const PSTableCellRef& cell) -> UIImageRef {
    for (auto& sub : cell->subviews())
      if (auto iv = std::dynamic_pointer_cast<UIImageView>(sub)) return iv->image() ? iv->image() : nullptr;
    return nullptr;
  };
  for (const char* name : {"../outside", "sub/inner", "/Library/PreferenceBundles/outside", "nothing", ".."}) {
    auto cell = developerCell({{"devName", "a"}, {"devImage", name}});
    ASSERT_TRUE(cell) << name;
    EXPECT_EQ(pictureOf(cell), nullptr) << name;
  }
  auto noImage = developerCell({{"realName", "Only a name"}});
  ASSERT_TRUE(noImage);
  EXPECT_EQ(pictureOf(noImage), nullptr);
  noImage->setFrame(CGRectMake(0, 0, 375, 100));
  layoutViewTree(*noImage);
  auto labels = labelsOf(noImage);
  EXPECT_EQ(labels[0]->text(), std::nullopt);
  EXPECT_EQ(labels[1]->frame().origin.y, labels[0]->frame().maxY()) << "still attached below the empty line";
}

TEST_F(PaneTest, ADeveloperCellFromValuesEqualsOneFromItsSpecifier) {
  openRoot();
  auto fromSpecifier = developerCell({{"devName", "@h"}, {"realName", "R"}, {"job", "J"}, {"devImage", "zindra"}});
  auto blank = std::dynamic_pointer_cast<PSTableCell>(NSClassFromString("KZVLWDeveloperTableCell")->instantiate());
  auto fromValues = paneAccess().initWithDevName(*blank, std::string("@h"), std::string("R"), std::string("J"),
                                                 UIImage::imageWithContentsOfFile(std::string(kBundlePath) + "/zindra.png"));
  ASSERT_TRUE(fromValues);
  for (auto& cell : {fromSpecifier, fromValues}) {
    cell->setFrame(CGRectMake(0, 0, 375, 100));
    layoutViewTree(*cell);
  }
  EXPECT_EQ(fromValues->describeTree(), fromSpecifier->describeTree());
}

TEST_F(PaneTest, TheFooterLogoStaysCentredAtAnyWidth) {
  auto page = openRoot();
  for (double width : {320.0, 375.0, 768.0}) {
    auto logo = header(page, 4);
    logo->setFrame(CGRectMake(0, 0, width, 30));
    layoutViewTree(*logo);
    std::shared_ptr<UIImageView> image;
    for (auto& sub : logo->subviews())
      if (auto iv = std::dynamic_pointer_cast<UIImageView>(sub)) image = iv;
    ASSERT_TRUE(image && image->image());
    EXPECT_EQ(image->frame().midX(), width / 2);
    EXPECT_EQ(image->frame().origin.y, 0);
    EXPECT_EQ(image->frame().size, image->image()->size());
  }
  std::filesystem::remove(bundleFolder() / "footerLogo.png");
  auto missing = header(page, 4);
  ASSERT_TRUE(missing);
  bool found = false;
  for (auto& sub : missing->subviews())
    if (auto iv = std::dynamic_pointer_cast<UIImageView>(sub)) found = !iv->image();
  EXPECT_TRUE(found) << "an image view without image";
}

TEST_F(PaneTest, PagesColourTitlesSwitchesAndTheBarWhileOnScreen) {
  auto page = openRoot();
  auto accent = UIColor::colorWithRed(double(68.0f / 255.0f), double(90.0f / 255.0f), double(101.0f / 255.0f), 1);
  auto switchColour = UIColor::colorWithRed(double(37.0f / 255.0f), double(49.0f / 255.0f), double(57.0f / 255.0f), 1);
  EXPECT_TRUE(host_->visibleNavigationBar()->tintColor()->isEqual(*accent));
  for (long s = 0; s < page->table()->numberOfSections(); ++s)
    for (long r = 0; r < page->table()->numberOfRowsInSection(s); ++r) {
      auto cell = std::dynamic_pointer_cast<PSTableCell>(page->table()->cellForRowAtIndexPath({s, r}));
      EXPECT_TRUE(cell->titleLabel()->textColor()->isEqual(*accent));
    }
  auto sw = std::dynamic_pointer_cast<UISwitch>(page->table()->cellForRowAtIndexPath({0, 0})->accessoryView());
  ASSERT_TRUE(sw);
  ASSERT_TRUE(sw->onTintColor());
  EXPECT_TRUE(sw->onTintColor()->isEqual(*switchColour));
  auto proxy = UISegmentedControl::appearanceWhenContainedIn(page->classInfo());
  ASSERT_TRUE(proxy->tintColor());
  EXPECT_TRUE(proxy->tintColor()->isEqual(*accent));
  host_->back();
  EXPECT_EQ(host_->visibleNavigationBar()->tintColor(), nullptr);
}

TEST_F(PaneTest, SubPagesColourTheTitlesOfTheirCustomCellsToo) {
  auto accent = UIColor::colorWithRed(double(68.0f / 255.0f), double(90.0f / 255.0f), double(101.0f / 255.0f), 1);
  openRoot();
  for (const auto& [label, customClass] :
       {std::pair{"Configuration", "KZVLWSliderCell"}, {"Makers", "KZVLWDeveloperTableCell"}}) {
    SCOPED_TRACE(label);
    auto page = pushPage(label);
    int custom = 0;
    for (long s = 0; s < page->table()->numberOfSections(); ++s)
      for (long r = 0; r < page->table()->numberOfRowsInSection(s); ++r) {
        auto cell = std::dynamic_pointer_cast<PSTableCell>(page->table()->cellForRowAtIndexPath({s, r}));
        ASSERT_TRUE(cell && cell->titleLabel());
        custom += cell->className() == customClass;
        ASSERT_TRUE(cell->titleLabel()->textColor()) << cell->className();
        EXPECT_TRUE(cell->titleLabel()->textColor()->isEqual(*accent)) << cell->className();
      }
    EXPECT_GE(custom, 1) << "the page shows its custom cells";
    host_->back();
  }
}

struct VersionCase {
  double version;
  bool nested;
};
void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.version << (c.nested ? " (nested)" : ""); }

class NavigationVersionTest : public SettingsHostTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(NavigationVersionTest, TheTintedBarIsTheOneOnScreen) {
  deviceProfile().cfVersion = GetParam().version;
  auto page = openRoot();
  auto settingsBar = host_->settingsNavigationController()->navigationBar();
  auto own = page->navigationController();
  ASSERT_TRUE(own);
  EXPECT_EQ(own == host_->settingsNavigationController(), !GetParam().nested);
  EXPECT_EQ(host_->visibleNavigationBar(), settingsBar);
  EXPECT_TRUE(settingsBar->tintColor());
  if (GetParam().nested) {
    EXPECT_TRUE(own->isNavigationBarHidden());
    EXPECT_EQ(own->navigationBar()->tintColor(), nullptr) << "the hidden bar is left alone";
  }
  auto accent = UIColor::colorWithRed(double(68.0f / 255.0f), double(90.0f / 255.0f), double(101.0f / 255.0f), 1);
  host_->tap("Configuration");
  ASSERT_TRUE(settingsBar->tintColor());
  EXPECT_TRUE(settingsBar->tintColor()->isEqual(*accent));
  EXPECT_EQ(host_->pages().size(), 2u);
  // Back on the root page: the sub-page took its tint back, the root page set it again.
  host_->back();
  EXPECT_EQ(host_->topPage(), page);
  ASSERT_TRUE(settingsBar->tintColor()) << "the tint after popping back to the root page";
  EXPECT_TRUE(settingsBar->tintColor()->isEqual(*accent));
  host_->back();
  EXPECT_FALSE(host_->isPaneOpen());
  EXPECT_EQ(settingsBar->tintColor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Versions, NavigationVersionTest,
                         ::testing::Values(VersionCase{1140.09, false}, VersionCase{1140.1, true}, VersionCase{1141.0, true},
                                           VersionCase{1141.18, true}, VersionCase{1141.19, false}, VersionCase{1240.10, false}));

}  // namespace
