#include "platform/uikit/UIAlertPanelLayout.hpp"

#include <cmath>

#include "platform/text/TextMetrics.hpp"

namespace {

// Metrics of the system's alert panel, in points.
constexpr double kWidth = 270;
constexpr double kInset = 16;     // text from the panel's sides
constexpr double kTop = 20;       // above the title
constexpr double kTitleGap = 4;   // between title and message
constexpr double kFieldGap = 14;  // above the text field
constexpr double kFieldHeight = 26;
constexpr double kBottom = 20;  // below the text, above the buttons
constexpr double kButtonHeight = 44;

// The buttons in drawing order, with their indexes (the cancel button is index 0).
std::vector<UIAlertPanelButton> orderedButtons(const std::optional<std::string>& cancel, const std::vector<std::string>& others) {
  std::vector<UIAlertPanelButton> out;
  const long first = cancel ? 1 : 0;
  const bool sideBySide = others.size() + (cancel ? 1 : 0) == 2;
  if (cancel && sideBySide) out.push_back({0, *cancel, true, {}});
  for (size_t i = 0; i < others.size(); ++i) out.push_back({first + static_cast<long>(i), others[i], false, {}});
  if (cancel && !sideBySide) out.push_back({0, *cancel, true, {}});
  return out;
}

}  // namespace

UIAlertPanelLayout layoutAlertPanel(const std::optional<std::string>& title, const std::optional<std::string>& message,
                                    bool hasTextField, const std::optional<std::string>& cancel,
                                    const std::vector<std::string>& others, CGRect screen) {
  UIAlertPanelLayout out;
  const double textWidth = kWidth - 2 * kInset;
  // Heights first, from the panel's top.
  double y = kTop, titleHeight = 0, messageHeight = 0;
  if (title && !title->empty()) {
    titleHeight = measureWrappedText(kAlertTitleFont, kAlertTitleSize, *title, textWidth).height;
    y += titleHeight;
  }
  if (message && !message->empty()) {
    if (titleHeight > 0) y += kTitleGap;
    messageHeight = measureWrappedText(kAlertMessageFont, kAlertMessageSize, *message, textWidth).height;
    y += messageHeight;
  }
  const double fieldTop = y + kFieldGap;
  if (hasTextField) y = fieldTop + kFieldHeight;
  const double textHeight = y + kBottom;

  out.buttons = orderedButtons(cancel, others);
  out.sideBySide = out.buttons.size() == 2;
  const double buttonsHeight = out.buttons.empty() ? 0
                               : out.sideBySide    ? kButtonHeight
                                                   : kButtonHeight * double(out.buttons.size());
  const CGSize size{kWidth, textHeight + buttonsHeight};
  const double x0 = std::round(screen.origin.x + (screen.size.width - size.width) / 2);
  const double y0 = std::round(screen.origin.y + (screen.size.height - size.height) / 2);
  out.panel = {{x0, y0}, size};

  const double textX = x0 + kInset;
  if (titleHeight > 0) out.title = {{textX, y0 + kTop}, {textWidth, titleHeight}};
  if (messageHeight > 0)
    out.message = {{textX, y0 + kTop + (titleHeight > 0 ? titleHeight + kTitleGap : 0)}, {textWidth, messageHeight}};
  if (hasTextField) out.field = {{textX, y0 + fieldTop}, {textWidth, kFieldHeight}};
  out.buttonsTop = y0 + textHeight;
  for (size_t i = 0; i < out.buttons.size(); ++i) {
    const double n = double(i);
    out.buttons[i].frame = out.sideBySide ? CGRect{{x0 + n * kWidth / 2, out.buttonsTop}, {kWidth / 2, kButtonHeight}}
                                          : CGRect{{x0, out.buttonsTop + n * kButtonHeight}, {kWidth, kButtonHeight}};
  }
  return out;
}
