#include "prefs/KZVLWLogoTableCell.hpp"

VW_DEFINE_CLASS(KZVLWLogoTableCell, PSTableCell, factoryOf<KZVLWLogoTableCell>())

std::shared_ptr<KZVLWLogoTableCell> KZVLWLogoTableCell::init() {
  if (!initWithFrame(CGRectZero)) return nullptr;
  auto self = std::static_pointer_cast<KZVLWLogoTableCell>(shared_from_this());
  auto image = UIImage::imageWithContentsOfFile(kLogoPath);
  setLogoImageView(std::make_shared<UIImageView>(image));
  logoImageView_->setFrame(CGRect{{0, 0}, {80, 80}});
  auto layer = logoImageView_->layer();
  layer->shadowColor = UIColor::blackColor()->CGColor();
  layer->shadowOffset = CGSize{0, 1.0};
  layer->shadowOpacity = 0.2f;
  layer->shadowRadius = 1.0;
  logoImageView_->setClipsToBounds(false);
  addSubview(logoImageView_);
  logoImageView_->setTranslatesAutoresizingMaskIntoConstraints(false);
  addConstraint(NSLayoutConstraint::constraintWithItem(logoImageView_, NSLayoutAttributeCenterX, NSLayoutRelationEqual, self,
                                                       NSLayoutAttributeCenterX, 1.0, 0.0));
  return self;
}
