#include "prefs/KZVLWDeveloperTableCell.hpp"

#include "platform/uikit/UIWindow.hpp"
#include "prefs/KZVLWLocalizer.hpp"

VW_DEFINE_CLASS(KZVLWDeveloperTableCell, PSTableCell, factoryOf<KZVLWDeveloperTableCell>())

namespace {

std::optional<std::string> stringOf(const plist::Value& v) {
  return v.isString() ? std::optional<std::string>(*v.string()) : std::nullopt;
}

}  // namespace

std::shared_ptr<PSTableCell> KZVLWDeveloperTableCell::initWithStyle(long, std::optional<std::string>,
                                                                    const PSSpecifierRef& specifier) {
  auto bundle = KZVLWLocalizer::sharedLocalizer()->localizationBundle();
  UIImageRef picture;
  if (specifier && bundle) {
    // The bundle finds only plain resource names: a name with '/' or ".." finds nothing.
    if (auto name = stringOf(specifier->propertyForKey("devImage")))
      if (auto path = bundle->pathForResource(*name, "png")) picture = UIImage::imageWithContentsOfFile(*path);
  }
  std::optional<std::string> devName, realName, job;
  if (specifier) {
    devName = stringOf(specifier->propertyForKey("devName"));
    realName = stringOf(specifier->propertyForKey("realName"));
    job = stringOf(specifier->propertyForKey("job"));
  }
  return initWithDevName(devName, realName, job, picture);
}

std::shared_ptr<KZVLWDeveloperTableCell> KZVLWDeveloperTableCell::initWithDevName(const std::optional<std::string>& devName,
                                                                                  const std::optional<std::string>& realName,
                                                                                  const std::optional<std::string>& jobSubtitle,
                                                                                  const UIImageRef& devImage) {
  if (!UITableViewCell::initWithStyle(UITableViewCellStyleDefault, std::string(kReuseIdentifier))) return nullptr;
  auto self = std::static_pointer_cast<KZVLWDeveloperTableCell>(shared_from_this());

  setDevImageView(std::make_shared<UIImageView>(devImage));
  devImageView_->setFrame(CGRect{{10, 15}, {70, 70}});
  auto layer = devImageView_->layer();
  layer->shadowColor = UIColor::blackColor()->CGColor();
  layer->shadowOffset = CGSize{0, 1.0};
  layer->shadowOpacity = 0.2f;
  layer->shadowRadius = 1.0;
  devImageView_->setClipsToBounds(false);
  addSubview(devImageView_);

  auto device = UIDevice::currentDevice();
  bool pad = device->respondsToSelector("userInterfaceIdiom") && device->userInterfaceIdiom() == 1;

  auto build = [&](const std::optional<std::string>& text, const UIColorRef& color, double size, const UIViewRef& above,
                   NSLayoutAttribute ownAttribute, NSLayoutAttribute aboveAttribute, double constant) {
    auto label = std::make_shared<UILabel>(CGRectZero);
    label->setText(text);
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextColor(color);
    label->setFont(UIFont::fontWithName("Helvetica Light", size));
    label->setTextAlignment(NSTextAlignmentCenter);
    addSubview(label);
    label->setTranslatesAutoresizingMaskIntoConstraints(false);
    addConstraint(NSLayoutConstraint::constraintWithItem(label, NSLayoutAttributeLeft, NSLayoutRelationEqual, devImageView_,
                                                         NSLayoutAttributeRight, 1.0, 30.0));
    addConstraint(
        NSLayoutConstraint::constraintWithItem(label, ownAttribute, NSLayoutRelationEqual, above, aboveAttribute, 1.0, constant));
    return label;
  };

  setDevNameLabel(build(devName, UIColor::darkGrayColor(), pad ? 30.0 : 20.0, self, NSLayoutAttributeCenterY,
                        NSLayoutAttributeCenterY, -20.0));
  setRealNameLabel(
      build(realName, UIColor::grayColor(), 15.0, devNameLabel_, NSLayoutAttributeTop, NSLayoutAttributeBottom, 0.0));
  setJobLabel(build(jobSubtitle, UIColor::grayColor(), 12.0, realNameLabel_, NSLayoutAttributeTop, NSLayoutAttributeBottom, 5.0));
  return self;
}
