#include "platform/messageui/MFMailComposeViewController.hpp"

#include <gmime/gmime.h>

#include <memory>
#include <mutex>

#include "platform/device/DeviceProfile.hpp"
#include "platform/uikit/UIAlertView.hpp"

VW_DEFINE_CLASS(MFMailComposeViewController, UIViewController, factoryOf<MFMailComposeViewController>())

const std::string MFMailComposeErrorDomain = "MFMailComposeErrorDomain";

namespace {

// GObject references released at scope end.
template <class T>
struct GObjectUnref {
  void operator()(T* p) const {
    if (p) g_object_unref(p);
  }
};
template <class T>
using GRef = std::unique_ptr<T, GObjectUnref<T>>;

void initGMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

// Adds "Name <address>" or a bare address to the list; false when it does not parse.
bool appendAddresses(InternetAddressList* list, const std::string& text) {
  GRef<InternetAddressList> parsed(internet_address_list_parse(nullptr, text.c_str()));
  if (!parsed || internet_address_list_length(parsed.get()) == 0) return false;
  internet_address_list_append(list, parsed.get());
  return true;
}

GMimeObject* attachmentPart(const MFMailAttachment& attachment) {
  std::string type = attachment.mimeType, subtype;
  auto slash = type.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == type.size()) {
    type = "application";
    subtype = "octet-stream";
  } else {
    subtype = type.substr(slash + 1);
    type.resize(slash);
  }
  GMimePart* part = g_mime_part_new_with_type(type.c_str(), subtype.c_str());
  GRef<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(attachment.data.data(), attachment.data.size()));
  GRef<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part, content.get());
  g_mime_part_set_filename(part, attachment.fileName.c_str());  // Content-Disposition and the type's name
  g_mime_object_set_disposition(GMIME_OBJECT(part), "attachment");
  g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
  return GMIME_OBJECT(part);
}

}  // namespace

bool MFMailComposeViewController::canSendMail() { return !deviceProfile().mailAccount.empty(); }

std::shared_ptr<MFMailComposeViewController> MFMailComposeViewController::make() {
  if (!canSendMail()) {
    auto alert = std::make_shared<UIAlertView>("No Mail Accounts", "Please set up a mail account in order to send email.",
                                               std::weak_ptr<UIAlertViewDelegate>(), "OK", std::vector<std::string>{});
    alert->show();
    return nullptr;
  }
  return std::make_shared<MFMailComposeViewController>();
}

void MFMailComposeViewController::setSubject(const std::string& subject) {
  if (editable()) subject_ = subject;
}

void MFMailComposeViewController::setToRecipients(const std::vector<std::string>& recipients) {
  if (editable()) to_ = recipients;
}

void MFMailComposeViewController::setMessageBody(const std::string& body, bool isHTML) {
  if (!editable()) return;
  body_ = body;
  isHTML_ = isHTML;
}

void MFMailComposeViewController::addAttachmentData(const std::string& data, const std::string& mimeType,
                                                    const std::string& fileName) {
  if (editable()) attachments_.push_back({data, mimeType, fileName});
}

bool MFMailComposeViewController::finish(MFMailComposeResult result) {
  if (!presentingViewController()) return false;
  // Kept alive through the callback, which usually dismisses the composer.
  auto self = std::static_pointer_cast<MFMailComposeViewController>(shared_from_this());
  result_ = result;
  NSErrorRef error;
  if (result == MFMailComposeResultFailed)
    error =
        std::make_shared<NSError>(MFMailComposeErrorDomain, MFMailComposeErrorCodeSendFailed, "The message could not be sent.");
  if (auto delegate = delegate_.lock()) delegate->mailComposeControllerDidFinishWithResult(*this, result, error);
  return true;
}

std::string MFMailComposeViewController::mimeMessage() const {
  initGMime();
  GRef<GMimeMessage> message(g_mime_message_new(TRUE));
  const std::string& account = deviceProfile().mailAccount;
  if (!account.empty()) appendAddresses(g_mime_message_get_from(message.get()), account);
  InternetAddressList* to = g_mime_message_get_addresses(message.get(), GMIME_ADDRESS_TYPE_TO);
  for (const auto& recipient : to_) appendAddresses(to, recipient);
  if (subject_) g_mime_message_set_subject(message.get(), subject_->c_str(), "utf-8");
  GDateTime* now = g_date_time_new_now_utc();
  g_mime_message_set_date(message.get(), now);
  g_date_time_unref(now);
  char* messageId = g_mime_utils_generate_message_id("velloway.invalid");
  g_mime_message_set_message_id(message.get(), messageId);
  g_free(messageId);

  GRef<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
  GRef<GMimeTextPart> body(g_mime_text_part_new_with_subtype(isHTML_ ? "html" : "plain"));
  g_mime_text_part_set_text(body.get(), body_.c_str());
  g_mime_multipart_add(mixed.get(), GMIME_OBJECT(body.get()));
  for (const auto& attachment : attachments_) {
    GRef<GMimeObject> part(attachmentPart(attachment));
    g_mime_multipart_add(mixed.get(), part.get());
  }
  g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));

  GRef<GMimeStream> out(g_mime_stream_mem_new());
  g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), nullptr, out.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}
