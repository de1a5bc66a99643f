// The mail composer's sheet.
#include "platform/messageui/MFMailComposeView.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/device/DeviceProfile.hpp"
#include "platform/messageui/MFMailComposeViewController.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIWindow.hpp"

VW_DEFINE_CLASS(MFMailAttachmentIconView, UIView, factoryOf<MFMailAttachmentIconView>())

namespace {

constexpr double kStatusBarHeight = 20;
constexpr double kBarHeight = 44;
constexpr double kRowHeight = 44;
constexpr double kMargin = 15;
constexpr double kFieldSize = 15;
constexpr double kIconWidth = 40, kIconHeight = 52;
constexpr double kAttachmentHeight = 96;  // icon, name and size, with the gap to the next

UIColorRef systemBlue() { return UIColor::colorWithRed(0, 122 / 255.0, 1, 1); }
UIColorRef fieldGrey() { return UIColor::colorWithRed(142 / 255.0, 142 / 255.0, 147 / 255.0, 1); }
UIColorRef hairlineGrey() { return UIColor::colorWithRed(200 / 255.0, 199 / 255.0, 204 / 255.0, 1); }

UIViewRef hairline(CGRect frame) {
  auto line = std::make_shared<UIView>(frame);
  line->setBackgroundColor(hairlineGrey());
  line->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  return line;
}

// A header row: the field's name in grey, its value in black after it, a hairline at its foot.
UIViewRef fieldRow(double y, double width, const std::string& name, const std::string& value, long tag) {
  auto row = std::make_shared<UIView>(CGRect{{0, y}, {width, kRowHeight}});
  row->setTag(tag);
  row->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  auto nameLabel = UILabel::labelWith({}, name, UIFont::systemFontOfSize(kFieldSize), fieldGrey(), NSTextAlignmentLeft);
  const double nameWidth = std::min(nameLabel->intrinsicContentSize().width, std::max(0.0, width - 2 * kMargin));
  nameLabel->setFrame({{kMargin, 0}, {nameWidth, kRowHeight}});
  row->addSubview(nameLabel);
  if (!value.empty()) {
    const double x = kMargin + nameWidth + 4;
    auto valueLabel = UILabel::labelWith({{x, 0}, {std::max(0.0, width - kMargin - x), kRowHeight}}, value,
                                         UIFont::systemFontOfSize(kFieldSize), UIColor::blackColor(), NSTextAlignmentLeft);
    valueLabel->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    row->addSubview(valueLabel);
  }
  row->addSubview(hairline({{kMargin, kRowHeight - 0.5}, {std::max(0.0, width - kMargin), 0.5}}));
  return row;
}

// The address part of "Name <address>", or the whole text.
std::string addressOf(const std::string& account) {
  const auto open = account.rfind('<');
  const auto close = account.rfind('>');
  if (open == std::string::npos || close == std::string::npos || close < open) return account;
  return account.substr(open + 1, close - open - 1);
}

// The bar, reaching up behind the status bar: Cancel, the title, Send, a hairline at its foot.
UIViewRef composeBar(double width, const std::string& title) {
  const double barBottom = kStatusBarHeight + kBarHeight;
  auto bar = std::make_shared<UIView>(CGRect{{0, 0}, {width, barBottom}});
  bar->setTag(MFMailComposeViewTagBar);
  bar->setBackgroundColor(UIColor::colorWithWhite(247 / 255.0, 1));
  bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  bar->addSubview(UILabel::labelWith({{10, kStatusBarHeight}, {90, kBarHeight}}, "Cancel", UIFont::systemFontOfSize(17),
                                     systemBlue(), NSTextAlignmentLeft, MFMailComposeViewTagCancel));
  auto titleLabel = UILabel::labelWith({{100, kStatusBarHeight}, {std::max(0.0, width - 200), kBarHeight}}, title,
                                       UIFont::fontWithName("Helvetica-Semibold", 17), UIColor::blackColor(),
                                       NSTextAlignmentCenter, MFMailComposeViewTagTitle);
  titleLabel->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  bar->addSubview(titleLabel);
  auto send = UILabel::labelWith({{std::max(0.0, width - 100), kStatusBarHeight}, {90, kBarHeight}}, "Send",
                                 UIFont::fontWithName("Helvetica-Semibold", 17), systemBlue(), NSTextAlignmentRight,
                                 MFMailComposeViewTagSend);
  send->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
  bar->addSubview(send);
  bar->addSubview(hairline({{0, barBottom - 0.5}, {width, 0.5}}));
  return bar;
}

// One attachment, centred: icon, name, size; its parts tagged from `tag`.
UIViewRef attachmentGroup(double y, double width, const MFMailAttachment& attachment, long tag) {
  auto group = std::make_shared<UIView>(CGRect{{0, y}, {width, kAttachmentHeight}});
  group->setTag(tag);
  group->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  auto icon =
      std::make_shared<MFMailAttachmentIconView>(CGRect{{std::round((width - kIconWidth) / 2), 0}, {kIconWidth, kIconHeight}});
  icon->setTag(tag + 1);
  icon->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin);
  group->addSubview(icon);
  const double textWidth = std::max(0.0, width - 2 * kMargin);
  auto name = UILabel::labelWith({{kMargin, kIconHeight + 4}, {textWidth, 18}}, attachment.fileName, UIFont::systemFontOfSize(13),
                                 UIColor::blackColor(), NSTextAlignmentCenter, tag + 2);
  name->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  group->addSubview(name);
  auto size = UILabel::labelWith({{kMargin, kIconHeight + 22}, {textWidth, 16}}, MFMailAttachmentSizeText(attachment.data.size()),
                                 UIFont::systemFontOfSize(12), fieldGrey(), NSTextAlignmentCenter, tag + 3);
  size->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  group->addSubview(size);
  return group;
}

}  // namespace

std::string MFMailRecipientDisplayName(const std::string& recipient) {
  const auto cut = recipient.find(" <");
  if (cut == std::string::npos || cut == 0) return recipient;
  std::string name = recipient.substr(0, cut);
  // A quoted display name shows without its quotes.
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  return name;
}

std::string MFMailAttachmentSizeText(size_t bytes) {
  if (bytes >= 1000000) return fmt::format("{:.1f} MB", static_cast<double>(bytes) / 1e6);
  // Whole kilobytes, rounded, but a small file still reads "1 KB" rather than "0 KB".
  return fmt::format("{} KB", std::max<size_t>(1, (bytes + 500) / 1000));
}

std::string MFMailPlainBody(const std::string& body, bool isHTML) {
  if (!isHTML) return body;
  std::string out;
  for (size_t i = 0; i < body.size();) {
    if (body[i] == '<') {
      const auto end = body.find('>', i);
      if (end == std::string::npos) break;
      std::string tag = body.substr(i + 1, end - i - 1);
      std::transform(tag.begin(), tag.end(), tag.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      const bool closing = !tag.empty() && tag[0] == '/';
      std::string name = tag.substr(closing ? 1 : 0);
      name = name.substr(0, name.find_first_of(" /\t"));
      if (name == "br" || (closing && (name == "p" || name == "div" || name == "li"))) out += '\n';
      i = end + 1;
      continue;
    }
    if (body[i] == '&') {
      static const std::pair<const char*, const char*> entities[] = {{"&amp;", "&"},   {"&lt;", "<"},  {"&gt;", ">"},
                                                                     {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", " "}};
      bool decoded = false;
      for (const auto& [entity, text] : entities)
        if (body.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
          out += text;
          i += std::char_traits<char>::length(entity);
          decoded = true;
          break;
        }
      if (decoded) continue;
    }
    out += body[i++];
  }
  return out;
}

void MFMailComposeViewController::loadView() {
  const CGRect screen = UIScreen::mainScreen()->bounds();
  const double W = screen.size.width;
  auto root = std::make_shared<UIView>(screen);
  root->setBackgroundColor(UIColor::whiteColor());
  root->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  root->setTintColor(systemBlue());
  root->addSubview(composeBar(W, subject_ && !subject_->empty() ? *subject_ : "New Message"));

  // The header rows.
  std::string to;
  for (const auto& recipient : to_) to += (to.empty() ? "" : ", ") + MFMailRecipientDisplayName(recipient);
  double y = kStatusBarHeight + kBarHeight;
  root->addSubview(fieldRow(y, W, "To:", to, MFMailComposeViewTagTo));
  y += kRowHeight;
  root->addSubview(fieldRow(y, W, "Cc/Bcc, From:", addressOf(deviceProfile().mailAccount), MFMailComposeViewTagCcBccFrom));
  y += kRowHeight;
  root->addSubview(fieldRow(y, W, "Subject:", subject_.value_or(""), MFMailComposeViewTagSubject));
  y += kRowHeight + 10;

  // The body as written, its leading blank lines kept: the user writes above what the app put in.
  const std::string body = MFMailPlainBody(body_, isHTML_);
  if (!body.empty()) {
    auto bodyLabel = UILabel::labelWith({}, body, UIFont::systemFontOfSize(kFieldSize), UIColor::blackColor(),
                                        NSTextAlignmentLeft, MFMailComposeViewTagBody);
    bodyLabel->setNumberOfLines(0);
    const double width = std::max(0.0, W - 2 * kMargin);
    const CGSize size = bodyLabel->sizeThatFits({width, 0});
    bodyLabel->setFrame({{kMargin, y}, {width, size.height}});
    bodyLabel->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    root->addSubview(bodyLabel);
    y += size.height + 16;
  }

  // The attachments in the order they were added.
  long index = 0;
  for (const auto& attachment : attachments_) {
    root->addSubview(attachmentGroup(y, W, attachment, MFMailComposeViewTagAttachment + 10 * index++));
    y += kAttachmentHeight;
  }
  setView(root);
}
