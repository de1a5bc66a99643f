// The post composer's card.
#include "platform/social/SLComposeView.hpp"

#include <algorithm>

#include "platform/social/SLComposeViewController.hpp"
#include "platform/uikit/UILabel.hpp"
#include "platform/uikit/UIWindow.hpp"

namespace {

constexpr double kCardMargin = 10;  // from the screen's sides
constexpr double kCardTop = 76;     // below the status bar and the page's bar
constexpr double kBarHeight = 44;
constexpr double kTextInset = 12;
constexpr double kMinTextHeight = 120;

}  // namespace

std::string SLComposeServiceDisplayName(const std::string& serviceType) {
  if (serviceType == SLServiceTypeTwitter) return "Twitter";
  if (serviceType == SLServiceTypeFacebook) return "Facebook";
  return serviceType;
}

void SLComposeViewController::loadView() {
  const CGRect screen = UIScreen::mainScreen()->bounds();
  const double W = screen.size.width;
  auto root = std::make_shared<UIView>(screen);
  // The page stays visible, dimmed, behind the card.
  root->setBackgroundColor(UIColor::colorWithWhite(0, 0.4));
  root->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);

  const double cardWidth = std::max(0.0, W - 2 * kCardMargin);
  const UIColorRef tint = UIColor::colorWithRed(0, 122 / 255.0, 1, 1);
  const std::string text = text_.value_or("");

  auto textLabel = UILabel::labelWith({}, text, UIFont::systemFontOfSize(17), UIColor::blackColor(), NSTextAlignmentLeft,
                                      SLComposeViewTagText);
  textLabel->setNumberOfLines(0);
  const double textWidth = std::max(0.0, cardWidth - 2 * kTextInset);
  const CGSize textSize = textLabel->sizeThatFits({textWidth, 0});
  // The label is as tall as its lines (a label centres its lines), the card a little taller:
  // room to write.
  textLabel->setFrame({{kTextInset, kBarHeight + 10}, {textWidth, textSize.height}});
  const double cardHeight = kBarHeight + 10 + std::max(kMinTextHeight, textSize.height + 20);

  auto card = std::make_shared<UIView>(CGRect{{kCardMargin, kCardTop}, {cardWidth, cardHeight}});
  card->setTag(SLComposeViewTagCard);
  card->setBackgroundColor(UIColor::colorWithWhite(0.98, 1));
  card->layer()->cornerRadius = 8;
  card->setClipsToBounds(true);
  card->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  card->setTintColor(tint);

  card->addSubview(UILabel::labelWith({{kTextInset, 0}, {90, kBarHeight}}, "Cancel", UIFont::systemFontOfSize(17), tint,
                                      NSTextAlignmentLeft, SLComposeViewTagCancel));
  auto title =
      UILabel::labelWith({{100, 0}, {std::max(0.0, cardWidth - 200), kBarHeight}}, SLComposeServiceDisplayName(serviceType_),
                         UIFont::boldSystemFontOfSize(17), UIColor::blackColor(), NSTextAlignmentCenter, SLComposeViewTagTitle);
  title->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  card->addSubview(title);
  auto post = UILabel::labelWith({{std::max(0.0, cardWidth - kTextInset - 90), 0}, {90, kBarHeight}}, "Post",
                                 UIFont::boldSystemFontOfSize(17), tint, NSTextAlignmentRight, SLComposeViewTagPost);
  post->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
  card->addSubview(post);
  auto separator = std::make_shared<UIView>(CGRect{{0, kBarHeight}, {cardWidth, 0.5}});
  separator->setBackgroundColor(UIColor::colorWithRed(200 / 255.0, 199 / 255.0, 204 / 255.0, 1));
  separator->setTag(SLComposeViewTagSeparator);
  separator->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  card->addSubview(separator);
  textLabel->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  card->addSubview(textLabel);
  root->addSubview(card);
  setView(root);
}
