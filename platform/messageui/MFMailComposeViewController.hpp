// MessageUI stand-in: the mail composer.
// Implements: whether mail can be sent (the device profile's mail account), a subject, "To"
// recipients (each "Name <address>" or a bare address), a plain or HTML body, attachments kept
// in the order they were added, the mail delegate (not retained), and finish: what the user's
// Send, Save Draft or Cancel (or a send that fails) does: the delegate hears the result, with
// an error for a failure, and is expected to dismiss the composer; without a delegate the
// composer stays on screen, as on the phone. Once the composer is on screen its content no
// longer changes. The message can be written out as a MIME e-mail (multipart/mixed: the body
// as text, each attachment base64 with its name and type).
// Without a mail account, making a composer (alloc/init: make()) shows the system's "No Mail
// Accounts" alert and gives nil, as the phone's framework does.
// Leaves out: Cc and Bcc, the editing interface, accounts and sending anything anywhere.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/NSError.hpp"
#include "platform/uikit/UIViewController.hpp"

enum MFMailComposeResult : long {
  MFMailComposeResultCancelled = 0,
  MFMailComposeResultSaved = 1,
  MFMailComposeResultSent = 2,
  MFMailComposeResultFailed = 3,
};

extern const std::string MFMailComposeErrorDomain;
enum MFMailComposeErrorCode : long { MFMailComposeErrorCodeSaveFailed = 0, MFMailComposeErrorCodeSendFailed = 1 };

class MFMailComposeViewController;

class MFMailComposeViewControllerDelegate {
 public:
  virtual ~MFMailComposeViewControllerDelegate() = default;
  // mailComposeController:didFinishWithResult:error: — error is null unless the result is a
  // failure.
  virtual void mailComposeControllerDidFinishWithResult(MFMailComposeViewController& controller, MFMailComposeResult result,
                                                        const NSErrorRef& error) = 0;
};

struct MFMailAttachment {
  std::string data;  // the bytes
  std::string mimeType;
  std::string fileName;
};

class MFMailComposeViewController : public UIViewController {
  VW_DECLARE_CLASS()
 public:
  static bool canSendMail();
  // alloc + init: a new composer, or nil (after the framework's alert) without a mail account.
  static std::shared_ptr<MFMailComposeViewController> make();

  void setSubject(const std::string& subject);
  void setToRecipients(const std::vector<std::string>& recipients);
  void setMessageBody(const std::string& body, bool isHTML);
  void addAttachmentData(const std::string& data, const std::string& mimeType, const std::string& fileName);
  void setMailComposeDelegate(const std::weak_ptr<MFMailComposeViewControllerDelegate>& delegate) { delegate_ = delegate; }

  const std::optional<std::string>& subject() const { return subject_; }
  const std::vector<std::string>& toRecipients() const { return to_; }
  const std::string& messageBody() const { return body_; }
  bool isHTML() const { return isHTML_; }
  const std::vector<MFMailAttachment>& attachments() const { return attachments_; }
  bool hasMailComposeDelegate() const { return !delegate_.expired(); }

  // The user finishes with that result (a failed send carries an error). False when the
  // composer is not on screen.
  bool finish(MFMailComposeResult result);
  std::optional<MFMailComposeResult> result() const { return result_; }

  // The message as a MIME e-mail from the device's mail account.
  std::string mimeMessage() const;

  // The composer's sheet: its bar with Cancel and Send, the To and Subject lines, the body and
  // the attachments (MFMailComposeView.cpp).
  void loadView() override;

 private:
  bool editable() const { return !presentingViewController(); }

  std::optional<std::string> subject_;
  std::vector<std::string> to_;
  std::string body_;
  bool isHTML_ = false;
  std::vector<MFMailAttachment> attachments_;
  std::weak_ptr<MFMailComposeViewControllerDelegate> delegate_;
  std::optional<MFMailComposeResult> result_;
};
using MFMailComposeViewControllerRef = std::shared_ptr<MFMailComposeViewController>;
