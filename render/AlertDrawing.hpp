// Alerts: what an alert shows and the panel that shows it, centred over a dimmed screen.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/Geometry.hpp"

class UIAlertView;

namespace render {

class Painter;

// What an alert shows, as UIAlertView::describeAlert() reports it.
struct AlertContent {
  std::optional<std::string> title;
  std::optional<std::string> message;
  std::optional<std::string> cancel;  // drawn bold; last when the buttons are stacked
  std::vector<std::string> others;
  bool hasTextField = false;
  std::string fieldText;
  std::optional<std::string> fieldPlaceholder;
  bool fieldFocused = false;  // the field has the keyboard: a caret shows after its text

  static AlertContent from(const UIAlertView& alert);
  // From describeAlert()'s JSON (as found in dumps).
  static AlertContent fromDescription(const nlohmann::json& description);
};

// The panel's size in points for the content (270 points wide).
CGSize alertPanelSize(const AlertContent& alert);

// Draws the panel centred in the rectangle, its parts where the platform's alert layout puts
// them (platform/uikit/UIAlertPanelLayout.hpp): a translucent light panel with rounded corners
// over a blur of what lies under it, the title (bold) and message centred, the text field
// (with a caret while it has the keyboard), and the buttons below hairlines (two side by
// side, otherwise stacked).
void drawAlertPanel(Painter& painter, const AlertContent& alert, CGRect screen);

}  // namespace render
