// Alerts take touches as the phone's do: a finger on the screen while an alert shows goes
// through the alert window's hit-testing to the button under it, at the frame the panel's
// layout gives (the frame `dump alerts` reports and the renderer draws); a tap in the text
// field gives it the keyboard; nothing under the alert gets a touch.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/uikit/UIAlertView.hpp"
#include "platform/uikit/UIWindow.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

class Pressed : public UIAlertViewDelegate {
 public:
  std::vector<long> indexes;
  void alertViewClickedButtonAtIndex(UIAlertView&, long index) override { indexes.push_back(index); }
};

CGRect rectOf(const nlohmann::json& frame) { return {{frame[0], frame[1]}, {frame[2], frame[3]}}; }
CGPoint centreOf(const nlohmann::json& frame) { return {rectOf(frame).midX(), rectOf(frame).midY()}; }

class AlertTouches : public test_support::ProcessStateTest {
 protected:
  std::shared_ptr<Pressed> delegate = std::make_shared<Pressed>();
};

}  // namespace

TEST_F(AlertTouches, EachButtonAtItsFrameDismissesTheAlertWithItsIndex) {
  EXPECT_FALSE(alert_center::takeTap({187, 333})) << "no alert, nothing taken";
  auto pair = std::make_shared<UIAlertView>("Radius", "Between 0 and 20.", delegate, "Cancel", std::vector<std::string>{"Enter"});
  pair->show();
  const auto buttons = pair->describeAlert()["buttons"];
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons[0]["title"], "Cancel");
  EXPECT_EQ(buttons[0]["index"], 0);
  EXPECT_EQ(buttons[1]["title"], "Enter");
  EXPECT_EQ(buttons[1]["index"], 1);
  // Side by side, cancel on the left, inside the panel centred on the 375-point screen.
  const CGRect cancel = rectOf(buttons[0]["frame"]), enter = rectOf(buttons[1]["frame"]);
  EXPECT_EQ(cancel.minY(), enter.minY());
  EXPECT_EQ(cancel.maxX(), enter.minX());
  EXPECT_NEAR(cancel.minX(), (375 - 270) / 2.0, 1);
  EXPECT_EQ(cancel.size.height, 44);

  // Off the buttons the alert still takes the touch: nothing happens, it stays.
  EXPECT_TRUE(alert_center::takeTap({10, 10}));
  EXPECT_TRUE(alert_center::takeTap({cancel.midX(), cancel.minY() - 20}));
  EXPECT_EQ(alert_center::onScreen(), pair);
  EXPECT_TRUE(delegate->indexes.empty());
  EXPECT_TRUE(alert_center::takeTap(centreOf(buttons[1]["frame"])));
  EXPECT_EQ(delegate->indexes, std::vector<long>{1});
  EXPECT_EQ(alert_center::onScreen(), nullptr);
  EXPECT_TRUE(alert_center::window()->isHidden());

  // Three buttons stack, the cancel button last.
  auto three = std::make_shared<UIAlertView>("Choose", std::nullopt, delegate, "Cancel", std::vector<std::string>{"One", "Two"});
  three->show();
  const auto stacked = three->describeAlert()["buttons"];
  ASSERT_EQ(stacked.size(), 3u);
  EXPECT_EQ(stacked[0]["title"], "One");
  EXPECT_EQ(stacked[2]["title"], "Cancel");
  EXPECT_EQ(stacked[2]["index"], 0);
  EXPECT_EQ(rectOf(stacked[1]["frame"]).minY() - rectOf(stacked[0]["frame"]).minY(), 44);
  EXPECT_FALSE(alert_center::window()->isHidden());
  alert_center::takeTap(centreOf(stacked[2]["frame"]));
  EXPECT_EQ(delegate->indexes, (std::vector<long>{1, 0}));
}

TEST_F(AlertTouches, TheFrontAlertAloneTakesTouchesAndTheNextFollows) {
  auto first = std::make_shared<UIAlertView>("Welcome", "A notice.", delegate, "Close", std::vector<std::string>{});
  auto second =
      std::make_shared<UIAlertView>("Error", "Ensure you entered a valid value.", delegate, "OK", std::vector<std::string>{});
  first->show();
  second->show();
  const auto close = first->describeAlert()["buttons"][0];
  const auto ok = second->describeAlert()["buttons"][0];
  EXPECT_EQ(close["title"], "Close");
  alert_center::takeTap(centreOf(close["frame"]));
  EXPECT_EQ(alert_center::onScreen(), second);
  // The alert window now holds the second alert alone, its button where the layout says.
  ASSERT_EQ(alert_center::window()->subviews().size(), 1u);
  EXPECT_EQ(alert_center::window()->subviews()[0], second);
  ASSERT_EQ(second->buttons().size(), 1u);
  EXPECT_EQ(second->buttons()[0]->frame(), rectOf(ok["frame"]));
  alert_center::takeTap(centreOf(ok["frame"]));
  EXPECT_EQ(delegate->indexes, (std::vector<long>{0, 0}));
  EXPECT_EQ(alert_center::onScreen(), nullptr);
}

TEST_F(AlertTouches, ATapInTheTextFieldGivesItTheKeyboard) {
  auto entry =
      std::make_shared<UIAlertView>("Radius", "Between 0 and 20.", delegate, "Cancel", std::vector<std::string>{"Enter"});
  entry->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  entry->show();
  auto field = entry->textFieldAtIndex(0);
  ASSERT_TRUE(field);
  auto described = entry->describeAlert();
  ASSERT_TRUE(described["fieldFrame"].is_array());
  const CGRect frame = rectOf(described["fieldFrame"]);
  EXPECT_GT(frame.size.width, 200);
  EXPECT_LT(frame.maxY(), rectOf(described["buttons"][0]["frame"]).minY());
  EXPECT_FALSE(field->insertText("7")) << "no keyboard before the tap";
  EXPECT_TRUE(alert_center::takeTap({frame.midX(), frame.midY()}));
  EXPECT_TRUE(field->isFirstResponder());
  EXPECT_TRUE(field->insertText("7"));
  EXPECT_EQ(entry->describeAlert()["firstResponder"], true);
  EXPECT_EQ(alert_center::onScreen(), entry) << "the field's tap presses no button";
  EXPECT_TRUE(delegate->indexes.empty());
  // A field added once the alert shows is placed as well.
  auto late = std::make_shared<UIAlertView>("Late", std::nullopt, delegate, "OK", std::vector<std::string>{});
  late->show();
  late->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  EXPECT_EQ(late->textFieldAtIndex(0)->frame(), rectOf(late->describeAlert()["fieldFrame"]));
}
