// The mail composer's sheet, made of ordinary views (and one small icon view) so that the
// renderer draws it like any other tree: a white full-screen sheet with a bar (Cancel, the
// subject as its title, Send), the To, Cc/Bcc-From and Subject rows over hairlines, the body,
// then each attachment's icon with its file name and size. The tags name the parts for tests
// and dumps; the parts of the n-th attachment (from 0) are MFMailComposeViewTagAttachment +
// 10 n (its group), + 1 (icon), + 2 (name), + 3 (size).
#pragma once

#include <cstddef>
#include <string>

#include "platform/uikit/UIView.hpp"

enum MFMailComposeViewTag : long {
  MFMailComposeViewTagBar = 6101,
  MFMailComposeViewTagCancel = 6102,
  MFMailComposeViewTagTitle = 6103,
  MFMailComposeViewTagSend = 6104,
  MFMailComposeViewTagTo = 6111,
  MFMailComposeViewTagCcBccFrom = 6112,
  MFMailComposeViewTagSubject = 6113,
  MFMailComposeViewTagBody = 6120,
  MFMailComposeViewTagAttachment = 6200,
};

// An attachment's document icon: a page with a folded top-right corner.
class MFMailAttachmentIconView : public UIView {
  VW_DECLARE_CLASS()
 public:
  using UIView::UIView;
};

// How the sheet names a recipient: the display name before " <", else the whole address.
std::string MFMailRecipientDisplayName(const std::string& recipient);
// How the sheet gives an attachment's size, in whole kilobytes of 1000 bytes, never below 1:
// "1 KB", "12 KB"; from a million bytes on in megabytes with one decimal: "2.5 MB".
std::string MFMailAttachmentSizeText(size_t bytes);
// The body as the sheet shows it: plain text as it is; HTML with its line breaks and paragraphs
// as new lines, its tags dropped and the common entities decoded.
std::string MFMailPlainBody(const std::string& body, bool isHTML);
