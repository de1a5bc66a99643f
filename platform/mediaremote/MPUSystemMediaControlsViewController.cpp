#include "platform/mediaremote/MPUSystemMediaControlsViewController.hpp"

#include "platform/foundation/NSValueObjects.hpp"
#include "platform/uikit/UIWindow.hpp"

namespace {

// initWithStyle: for callers that find the class by name: the style comes as a number.
void sendInitWithStyle(ReflectiveObject& self, const ReflectiveObjectRef& argument) {
  auto style = std::dynamic_pointer_cast<NSNumber>(argument);
  static_cast<MPUSystemMediaControlsViewController&>(self).initWithStyle(style ? style->intValue() : 0);
}

}  // namespace

VW_DEFINE_CLASS(MPUSystemMediaControlsViewController, UIViewController, factoryOf<MPUSystemMediaControlsViewController>(),
                {{"initWithStyle:", sendInitWithStyle}})

std::shared_ptr<MPUSystemMediaControlsViewController> MPUSystemMediaControlsViewController::initWithStyle(long style) {
  style_ = style;
  return std::static_pointer_cast<MPUSystemMediaControlsViewController>(weak_from_this().lock());
}

MPUSystemMediaControlsViewRef MPUSystemMediaControlsViewController::controlsView() {
  return std::dynamic_pointer_cast<MPUSystemMediaControlsView>(view());
}

void MPUSystemMediaControlsViewController::loadView() {
  double width = UIScreen::mainScreen()->bounds().size.width;
  setView(MPUSystemMediaControlsView::create(CGRectMake(0, 0, width, kDefaultHeight), style_));
}
