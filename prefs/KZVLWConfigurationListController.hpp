// The configuration page: the rows of "VLWConfiguration" under the title "CONFIGURATION", and
// the compose button.
#pragma once

#include "prefs/KZVLWListController.hpp"

class KZVLWConfigurationListController : public KZVLWListController {
  VW_DECLARE_CLASS()
 public:
  PSSpecifierArray specifiers() override;
  void loadView() override;
  void tweetSupport(const ReflectiveObjectRef& sender);
};
