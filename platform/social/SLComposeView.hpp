// The post composer's card, made of ordinary views so that the renderer draws it like any other
// tree: a dimmed full-screen backdrop, and near the top a white rounded card with Cancel, the
// service's name and Post over a hairline, then the text. The tags name the parts for tests and
// dumps.
#pragma once

#include <string>

enum SLComposeViewTag : long {
  SLComposeViewTagCard = 5301,
  SLComposeViewTagCancel = 5302,
  SLComposeViewTagTitle = 5303,
  SLComposeViewTagPost = 5304,
  SLComposeViewTagSeparator = 5305,
  SLComposeViewTagText = 5306,
};

// The name the card shows for a service type ("Twitter", "Facebook"; the type itself for
// another).
std::string SLComposeServiceDisplayName(const std::string& serviceType);
