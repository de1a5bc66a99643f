#include "platform/social/SLComposeViewController.hpp"

#include "platform/device/DeviceProfile.hpp"

const std::string SLServiceTypeTwitter = "com.apple.social.twitter";
const std::string SLServiceTypeFacebook = "com.apple.social.facebook";

VW_DEFINE_CLASS(SLComposeViewController, UIViewController, nullptr)

bool SLComposeViewController::isAvailableForServiceType(const std::string& serviceType) {
  if (serviceType != SLServiceTypeTwitter && serviceType != SLServiceTypeFacebook) return false;
  return deviceProfile().socialAvailable;
}

std::shared_ptr<SLComposeViewController> SLComposeViewController::composeViewControllerForServiceType(
    const std::string& serviceType) {
  if (!isAvailableForServiceType(serviceType)) return nullptr;
  auto composer = std::make_shared<SLComposeViewController>();
  composer->serviceType_ = serviceType;
  return composer;
}

bool SLComposeViewController::setInitialText(const std::string& text) {
  if (presentingViewController()) return false;
  text_ = text;
  return true;
}

bool SLComposeViewController::finish(SLComposeViewControllerResult result) {
  if (!presentingViewController()) return false;
  auto keep = std::static_pointer_cast<SLComposeViewController>(shared_from_this());
  result_ = result;
  auto handler = std::move(handler_);
  handler_ = nullptr;
  if (handler)
    handler(result);
  else
    dismissViewControllerAnimated(true);
  return true;
}
