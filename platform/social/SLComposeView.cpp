// The post composer's card.
#include "platform/social/SLComposeViewController.hpp"

void SLComposeViewController::loadView() { UIViewController::loadView(); }
