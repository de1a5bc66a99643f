// Social stand-in: the post composer.
// Implements: the availability of a service (the device profile's socialAvailable, for the
// services named here), a composer for an available service (none for another), the initial
// text (settable until the composer is on screen, as on the phone), a completion handler, and
// finish (what the user's Post or Cancel does): the handler runs with the result, or, without
// a handler, the composer dismisses itself. The handler is let go after it has run, so a
// handler that holds the composer does not keep it alive for ever.
// Leaves out: images and URLs, accounts, character counting, sending anything anywhere.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/uikit/UIViewController.hpp"

extern const std::string SLServiceTypeTwitter;
extern const std::string SLServiceTypeFacebook;

enum SLComposeViewControllerResult : long { SLComposeViewControllerResultCancelled = 0, SLComposeViewControllerResultDone = 1 };

class SLComposeViewController : public UIViewController {
  VW_DECLARE_CLASS()
 public:
  static bool isAvailableForServiceType(const std::string& serviceType);
  // Null when the service is not available.
  static std::shared_ptr<SLComposeViewController> composeViewControllerForServiceType(const std::string& serviceType);

  const std::string& serviceType() const { return serviceType_; }
  // False (and the text stays) once the composer has been presented.
  bool setInitialText(const std::string& text);
  const std::optional<std::string>& initialText() const { return text_; }
  void setCompletionHandler(std::function<void(SLComposeViewControllerResult)> handler) { handler_ = std::move(handler); }
  bool hasCompletionHandler() const { return static_cast<bool>(handler_); }

  // The user pressed Post (done) or Cancel. False when the composer is not on screen.
  bool finish(SLComposeViewControllerResult result);
  std::optional<SLComposeViewControllerResult> result() const { return result_; }

  // The composer's card: Cancel, the service's name, Post and the text (SLComposeView.cpp).
  void loadView() override;

 private:
  std::string serviceType_;
  std::optional<std::string> text_;
  std::function<void(SLComposeViewControllerResult)> handler_;
  std::optional<SLComposeViewControllerResult> result_;
};
using SLComposeViewControllerRef = std::shared_ptr<SLComposeViewController>;
