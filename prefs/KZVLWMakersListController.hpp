// The makers page: the rows of "VLWMakers" (one developer row per person) under the title
// "MAKERS", and the compose button.
#pragma once

#include "prefs/KZVLWListController.hpp"

class KZVLWMakersListController : public KZVLWListController {
  VW_DECLARE_CLASS()
 public:
  PSSpecifierArray specifiers() override;
  void loadView() override;
  void tweetSupport(const ReflectiveObjectRef& sender);
};
