// Typing an exact value into a slider row: the invisible strip at the row's right-hand end, the
// entry alert, the parse, the bounds, what is stored and posted, and the error alert's loop.
#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIControl.hpp"
#include "platform/uikit/UISlider.hpp"
#include "platform/uikit/UITableView.hpp"
#include "tests/support/SettingsHostTest.hpp"

using namespace test_support;

namespace {

constexpr long kEntryTag = 342879;
constexpr long kErrorTag = 85230234;
constexpr const char* kKey = "albumArtCornerRadius";

class ValueEntryTest : public SettingsHostTest {
 protected:
  void SetUp() override {
    SettingsHostTest::SetUp();
    host_->openPane();
    host_->tap("Configuration");
    page_ = host_->topPage();
    row_ = page_->specifierForKey(kKey);
    ASSERT_TRUE(row_);
  }

  UITableViewCellRef cell() const {
    for (size_t s = 0; s < page_->sectionRows().size(); ++s)
      for (size_t r = 0; r < page_->sectionRows()[s].size(); ++r)
        if (page_->sectionRows()[s][r] == row_) return page_->table()->cellForRowAtIndexPath({long(s), long(r)});
    return nullptr;
  }
  // The strip: a button directly on the cell with a touch-up-inside action.
  std::shared_ptr<UIButton> strip() const {
    for (const auto& v : cell()->subviews())
      if (auto b = std::dynamic_pointer_cast<UIButton>(v); b && b->hasActionsFor(UIControlEventTouchUpInside)) return b;
    return nullptr;
  }
  std::shared_ptr<UISlider> sliderOfRow() const {
    for (const auto& v : cell()->contentView()->subviews())
      if (auto slider = std::dynamic_pointer_cast<UISlider>(v)) return slider;
    return nullptr;
  }
  void setBounds(std::optional<double> min, std::optional<double> max) {
    if (min)
      row_->setProperty(*min, "min");
    else
      row_->setProperty(plist::Value(), "min");
    if (max)
      row_->setProperty(*max, "max");
    else
      row_->setProperty(plist::Value(), "max");
  }
  // Opens the entry alert, types, presses Enter; answers the alert then on screen.
  UIAlertViewRef enter(const std::string& text) {
    host_->touchValueEntry(kKey);
    auto alert = alert_center::onScreen();
    EXPECT_TRUE(alert && alert->tag() == kEntryTag);
    if (!alert) return nullptr;
    alert->textFieldAtIndex(0)->text = text;
    alert->dismissWithClickedButtonIndex(alert->indexOfButtonTitled("Enter"));
    return alert_center::onScreen();
  }
  plist::Value stored() const {
    auto file = settingsFile();
    if (!file) return {};
    auto it = file->find(kKey);
    return it == file->end() ? plist::Value() : it->second;
  }

  PSListControllerRef page_;
  PSSpecifierRef row_;
};

TEST_F(ValueEntryTest, TheStripIsAnEmptySystemButtonOverTheRowsRightEndAndFollowsItsWidth) {
  auto button = strip();
  ASSERT_TRUE(button);
  EXPECT_EQ(button->superview(), cell()) << "on the cell itself, not its content view";
  EXPECT_EQ(button->buttonType, UIButtonTypeRoundedRect);
  EXPECT_EQ(button->titleForState(0), "");
  CGRect row = cell()->bounds();
  EXPECT_EQ(button->frame(), (CGRect{{row.size.width - 50, 0}, {50, row.size.height}}));
  for (double width : {500.0, 280.0}) {
    CGRect f = cell()->frame();
    cell()->setFrame(CGRect{f.origin, {width, f.size.height}});
    EXPECT_EQ(button->frame().origin.x, width - 50) << width;
    EXPECT_EQ(button->frame().size.width, 50) << width;
  }
}

TEST_F(ValueEntryTest, TheEntryAlertAsksForAValueBetweenTheRowsBounds) {
  host_->touchValueEntry(kKey);
  auto alert = alert_center::onScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title, "Radius");
  EXPECT_EQ(alert->message, "Please enter a value between 0 and 20.");
  EXPECT_EQ(alert->buttonTitles(), (std::vector<std::string>{"Cancel", "Enter"}));
  EXPECT_EQ(alert->alertViewStyle(), UIAlertViewStylePlainTextInput);
  auto field = alert->textFieldAtIndex(0);
  ASSERT_TRUE(field);
  EXPECT_EQ(field->text, "");
  EXPECT_FALSE(field->placeholder);
  EXPECT_EQ(field->keyboardType, 8);
  EXPECT_TRUE(field->isFirstResponder());
  EXPECT_EQ(field->delegate.lock(), std::dynamic_pointer_cast<UITextFieldDelegate>(cell())) << "the cell";
}

struct Entry {
  std::optional<double> min, max;
  std::string typed;
  std::optional<int64_t> stored;  // nothing: refused
};

class ValueEntryCases : public ValueEntryTest, public ::testing::WithParamInterface<Entry> {};

TEST_P(ValueEntryCases, StoresTheTruncatedWholeNumberWithinTheBoundsOrRefuses) {
  const Entry& e = GetParam();
  setBounds(e.min, e.max);
  size_t before = postedCount();
  auto after = enter(e.typed);
  if (e.stored) {
    EXPECT_FALSE(after) << "no alert follows an accepted value";
    ASSERT_TRUE(stored().isInteger()) << "always a whole number";
    EXPECT_EQ(stored().integerValue(), *e.stored);
    EXPECT_EQ(postedSince(before), std::vector<std::string>{kNotification});
    auto slider = sliderOfRow();
    ASSERT_TRUE(slider);
    EXPECT_FLOAT_EQ(slider->value(), float(*e.stored)) << "the reload shows the stored value";
  } else {
    ASSERT_TRUE(after);
    EXPECT_EQ(after->tag(), kErrorTag);
    EXPECT_EQ(after->title, "Error");
    EXPECT_EQ(after->message, "Ensure you entered a valid value.");
    EXPECT_EQ(after->buttonTitles(), std::vector<std::string>{"OK"});
    EXPECT_TRUE(stored().isNil()) << "nothing stored";
    EXPECT_EQ(postedSince(before), std::vector<std::string>{});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ValueEntryCases,
    ::testing::Values(Entry{0, 20, "0", 0}, Entry{0, 20, "20", 20},                               // both bounds inclusive
                      Entry{0, 10, "7.9", 7}, Entry{-5, 5, "-0.5", 0}, Entry{-5, 5, "-4.9", -4},  // toward zero
                      Entry{0, 10, "", 0}, Entry{0, 10, "abc", 0},                                // no number reads 0
                      Entry{1, 10, "", std::nullopt}, Entry{1, 10, "abc", std::nullopt},          // ... refused when 0 is out
                      Entry{0, 20, "12abc", 12}, Entry{0, 10, "7,5", 7},                          // the leading number
                      Entry{0, 20, "  3", 3}, Entry{0, 20, "1e1", 10}, Entry{0, 20, "+4", 4}, Entry{0.5, 10.7, "0", std::nullopt},
                      Entry{0.5, 10.7, "10.5", 10},  // fractional bounds
                      Entry{0.5, 10.7, "10.7", 10},  // the same float on both sides
                      Entry{0, 20, "20.0001", std::nullopt}, Entry{0, 20, "-0.0001", std::nullopt},
                      Entry{0, 1e12, "5e9", 2147483647},   // beyond a 32-bit integer: the largest one
                      Entry{0, 20, "1e40", std::nullopt},  // overflows the float: above every bound
                      Entry{std::nullopt, std::nullopt, "0", 0}, Entry{std::nullopt, std::nullopt, "1", std::nullopt}));

TEST_F(ValueEntryTest, FractionalAndMissingBoundsAreNamedAsTruncatedWholeNumbers) {
  setBounds(0.5, 10.7);
  host_->touchValueEntry(kKey);
  EXPECT_EQ(alert_center::onScreen()->message, "Please enter a value between 0 and 10.");
  alert_center::onScreen()->dismissWithClickedButtonIndex(0);
  setBounds(-5.9, -0.2);
  host_->touchValueEntry(kKey);
  EXPECT_EQ(alert_center::onScreen()->message, "Please enter a value between -5 and 0.");
  alert_center::onScreen()->dismissWithClickedButtonIndex(0);
  setBounds(std::nullopt, std::nullopt);
  host_->touchValueEntry(kKey);
  EXPECT_EQ(alert_center::onScreen()->message, "Please enter a value between 0 and 0.");
}

TEST_F(ValueEntryTest, CancelStoresNothingAndLeavesTheSlider) {
  host_->set(kKey, 9);
  size_t before = postedCount();
  host_->touchValueEntry(kKey);
  auto alert = alert_center::onScreen();
  alert->textFieldAtIndex(0)->text = "15";
  alert->dismissWithClickedButtonIndex(alert->indexOfButtonTitled("Cancel"));
  EXPECT_FALSE(alert_center::onScreen());
  EXPECT_EQ(stored(), plist::Value(9.0));
  EXPECT_EQ(postedSince(before), std::vector<std::string>{});
  EXPECT_EQ(host_->describePane()["sections"][2]["rows"][0]["value"], 9.0);
  ASSERT_TRUE(sliderOfRow());
  EXPECT_FLOAT_EQ(sliderOfRow()->value(), 9.0f) << "the slider itself stays where it was";
}

TEST_F(ValueEntryTest, AfterTheErrorTheEntryComesBackEmptyWithBoundsReadAfresh) {
  auto error = enter("50");
  ASSERT_TRUE(error);
  setBounds(0, 100);  // the row's bounds change while the error shows
  error->dismissWithClickedButtonIndex(0);
  auto again = alert_center::onScreen();
  ASSERT_TRUE(again);
  EXPECT_EQ(again->tag(), kEntryTag);
  EXPECT_NE(again, alert_center::history()[0]) << "a new alert";
  EXPECT_EQ(again->textFieldAtIndex(0)->text, "");
  EXPECT_EQ(again->message, "Please enter a value between 0 and 100.");
  again->textFieldAtIndex(0)->text = "50";
  again->dismissWithClickedButtonIndex(1);
  EXPECT_EQ(stored(), plist::Value(int64_t{50}));
  // Refused attempts have no limit.
  setBounds(0, 20);
  for (int i = 0; i < 3; ++i) {
    auto refused = enter("99");
    ASSERT_TRUE(refused && refused->tag() == kErrorTag) << i;
    refused->dismissWithClickedButtonIndex(0);
    ASSERT_TRUE(alert_center::onScreen());
    alert_center::onScreen()->dismissWithClickedButtonIndex(0);  // Cancel
  }
  EXPECT_EQ(stored(), plist::Value(int64_t{50}));
}

TEST_F(ValueEntryTest, ATypedValueReachesTheTweakLikeADraggedOne) {
  writeHostFile(device_fs::hostPath(kSettingsPath), "");  // nothing usable stored yet
  ASSERT_FALSE(enter("13"));
  EXPECT_EQ(*settingsFile(), (plist::Dictionary{{kKey, int64_t{13}}}));
  host_->set("invertSongSwipes", true);  // other keys are kept beside it
  EXPECT_EQ(*settingsFile(), (plist::Dictionary{{kKey, int64_t{13}}, {"invertSongSwipes", true}}));
}

TEST_F(ValueEntryTest, TheSimulatedTouchNeedsAStripAndAFreeScreen) {
  EXPECT_THROW(host_->touchValueEntry("invertSongSwipes"), SettingsHostError);  // a switch row
  EXPECT_THROW(host_->touchValueEntry("nothing"), SettingsHostError);
  host_->touchValueEntry(kKey);
  EXPECT_THROW(host_->touchValueEntry(kKey), SettingsHostError) << "the alert covers the pane";
  // A row whose strip was taken away has no value entry.
  alert_center::onScreen()->dismissWithClickedButtonIndex(0);
  strip()->removeFromSuperview();
  EXPECT_THROW(host_->touchValueEntry(kKey), SettingsHostError);
}

}  // namespace
