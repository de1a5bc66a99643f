// The mail composer's sheet.
#include "platform/messageui/MFMailComposeViewController.hpp"

void MFMailComposeViewController::loadView() { UIViewController::loadView(); }
