// UIKit stand-in: where the parts of an alert's panel are on the screen. One layout serves the
// alert view, whose buttons and text field are hit-tested at these frames, and the renderer,
// which draws them there, so what is drawn is what takes the touch.
// The panel: 270 points wide, centred on the screen; the title (bold) and the message centred
// under each other, the text field under them, then the buttons below hairlines: two side by
// side (the cancel button on the left), any other number stacked (the cancel button last).
// Text is measured as the renderer draws it (platform/text/TextMetrics).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/Geometry.hpp"

// The faces and sizes of the panel's text.
inline constexpr const char* kAlertTitleFont = "Helvetica-Bold";
inline constexpr double kAlertTitleSize = 17;
inline constexpr const char* kAlertMessageFont = "Helvetica";
inline constexpr double kAlertMessageSize = 13;
inline constexpr double kAlertButtonSize = 17;  // bold for the cancel button

struct UIAlertPanelButton {
  long index = 0;  // as alertView:clickedButtonAtIndex: counts: the cancel button 0 when there is one
  std::string title;
  bool isCancel = false;
  CGRect frame;
};

struct UIAlertPanelLayout {
  CGRect panel;                             // all frames in the screen's coordinates
  CGRect title, message;                    // zero when absent
  CGRect field;                             // zero without a text field
  double buttonsTop = 0;                    // the hairline over the (first row of) buttons
  bool sideBySide = false;                  // two buttons in one row
  std::vector<UIAlertPanelButton> buttons;  // in drawing order: left to right, top to bottom
};

// The panel of an alert with that content, centred in the screen rectangle.
UIAlertPanelLayout layoutAlertPanel(const std::optional<std::string>& title, const std::optional<std::string>& message,
                                    bool hasTextField, const std::optional<std::string>& cancel,
                                    const std::vector<std::string>& others, CGRect screen);
