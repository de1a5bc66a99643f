// The mail composer and its MIME output read back by GMime's parser.
#include <gmime/gmime.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/corefoundation/CFPreferences.hpp"
#include "platform/device/DeviceProfile.hpp"
#include "platform/fs/DeviceRoot.hpp"
#include "platform/messageui/MFMailComposeViewController.hpp"
#include "platform/uikit/UIAlertView.hpp"
#include "tests/support/DeviceRootTest.hpp"

namespace {

// A delegate that dismisses, as a pane does, and remembers what it heard.
class Dismisser : public ReflectiveObject, public MFMailComposeViewControllerDelegate {
 public:
  std::vector<MFMailComposeResult> results;
  NSErrorRef lastError;
  void mailComposeControllerDidFinishWithResult(MFMailComposeViewController& c, MFMailComposeResult r,
                                                const NSErrorRef& e) override {
    results.push_back(r);
    lastError = e;
    c.dismissViewControllerAnimated(true);
  }
};

// The device profile and the alerts start and end at their defaults.
class MailComposer : public test_support::ProcessStateTest {};

struct Presented {
  std::shared_ptr<UIViewController> presenter = std::make_shared<UIViewController>();
  MFMailComposeViewControllerRef mail = std::make_shared<MFMailComposeViewController>();
};

TEST_F(MailComposer, ContentIsFixedOnceOnScreenAndTheDelegateDecidesTheDismissal) {
  Presented p;
  p.mail->setSubject("Before");
  p.mail->addAttachmentData("a", "text/plain", "a.txt");
  EXPECT_FALSE(p.mail->finish(MFMailComposeResultSent)) << "not on screen";
  p.presenter->presentViewController(p.mail, true);
  p.mail->setSubject("After");
  p.mail->setMessageBody("changed", true);
  p.mail->setToRecipients({"x@example.org"});
  p.mail->addAttachmentData("b", "text/plain", "b.txt");
  EXPECT_EQ(p.mail->subject(), "Before");
  EXPECT_EQ(p.mail->messageBody(), "");
  EXPECT_FALSE(p.mail->isHTML());
  EXPECT_TRUE(p.mail->toRecipients().empty());
  EXPECT_EQ(p.mail->attachments().size(), 1u);
  // Without a delegate the composer stays; the delegate set later is heard.
  EXPECT_TRUE(p.mail->finish(MFMailComposeResultSaved));
  EXPECT_EQ(p.presenter->presentedViewController(), p.mail);
  auto delegate = std::make_shared<Dismisser>();
  p.mail->setMailComposeDelegate(delegate);
  EXPECT_TRUE(p.mail->finish(MFMailComposeResultFailed));
  EXPECT_EQ(delegate->results, std::vector<MFMailComposeResult>{MFMailComposeResultFailed});
  ASSERT_TRUE(delegate->lastError);
  EXPECT_EQ(delegate->lastError->domain, MFMailComposeErrorDomain);
  EXPECT_EQ(delegate->lastError->code, MFMailComposeErrorCodeSendFailed);
  EXPECT_EQ(p.presenter->presentedViewController(), nullptr);
  EXPECT_EQ(p.mail->result(), MFMailComposeResultFailed);
}

TEST_F(MailComposer, OtherResultsCarryNoErrorAndADelegateThatIsGoneIsNotCalled) {
  Presented p;
  p.presenter->presentViewController(p.mail, true);
  auto delegate = std::make_shared<Dismisser>();
  p.mail->setMailComposeDelegate(delegate);
  p.mail->finish(MFMailComposeResultSent);
  EXPECT_FALSE(delegate->lastError);
  p.presenter->presentViewController(p.mail, true);
  delegate.reset();
  EXPECT_TRUE(p.mail->finish(MFMailComposeResultCancelled));
  EXPECT_EQ(p.presenter->presentedViewController(), p.mail);
}

TEST_F(MailComposer, CanSendMailOnlyWithAnAccountAndWithoutOneMakingAComposerAlertsAndGivesNil) {
  EXPECT_TRUE(MFMailComposeViewController::canSendMail());
  EXPECT_TRUE(MFMailComposeViewController::make());
  EXPECT_FALSE(alert_center::onScreen());
  deviceProfile().mailAccount = "";
  EXPECT_FALSE(MFMailComposeViewController::canSendMail());
  EXPECT_FALSE(MFMailComposeViewController::make());
  auto alert = alert_center::onScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title, "No Mail Accounts");
  EXPECT_EQ(alert->message, "Please set up a mail account in order to send email.");
}

// GMime's parser over the composer's output.
struct ParsedMessage {
  GMimeMessage* message = nullptr;
  explicit ParsedMessage(const std::string& bytes) {
    g_mime_init();
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
  }
  ~ParsedMessage() {
    if (message) g_object_unref(message);
  }
  std::string header(const char* name) const {
    const char* v = g_mime_object_get_header(GMIME_OBJECT(message), name);
    return v ? v : "";
  }
  GMimeMultipart* parts() const { return GMIME_MULTIPART(g_mime_message_get_mime_part(message)); }
};

std::string decodedContent(GMimeObject* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
  GMimeStream* out = g_mime_stream_mem_new();
  g_mime_data_wrapper_write_to_stream(content, out);
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
  std::string s(reinterpret_cast<const char*>(bytes->data), bytes->len);
  g_object_unref(out);
  return s;
}

TEST_F(MailComposer, TheMessageIsMultipartWithTheBodyAndEachAttachmentIntact) {
  MFMailComposeViewController mail;
  mail.setSubject("VLW Support — ü");
  mail.setToRecipients({"Dovrane <support@velloway.example.com>", "second@example.org"});
  mail.setMessageBody("\n\nCurrent Device: iPhone7,2, iOS 9.0.2 (13A452)", false);
  std::string binary("\x00\x01\xff\xfe<plist>\r\n\x80", 12);
  mail.addAttachmentData(binary, "application/xml", "VLWPrefs.plist");
  mail.addAttachmentData(std::string(5000, 'p') + "\n", "text/plain", "dpkgl.txt");
  mail.addAttachmentData("?", "no-slash", "odd name.bin");

  ParsedMessage parsed(mail.mimeMessage());
  ASSERT_TRUE(parsed.message);
  EXPECT_STREQ(g_mime_message_get_subject(parsed.message), "VLW Support — ü");
  InternetAddressList* to = g_mime_message_get_addresses(parsed.message, GMIME_ADDRESS_TYPE_TO);
  ASSERT_EQ(internet_address_list_length(to), 2);
  EXPECT_STREQ(internet_address_get_name(internet_address_list_get_address(to, 0)), "Dovrane");
  EXPECT_STREQ(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(internet_address_list_get_address(to, 0))),
               "support@velloway.example.com");
  EXPECT_NE(parsed.header("From").find("owner@example.net"), std::string::npos);
  EXPECT_FALSE(parsed.header("Message-Id").empty());
  EXPECT_FALSE(parsed.header("Date").empty());

  ASSERT_TRUE(GMIME_IS_MULTIPART(g_mime_message_get_mime_part(parsed.message)));
  GMimeMultipart* parts = parsed.parts();
  ASSERT_EQ(g_mime_multipart_get_count(parts), 4);
  GMimeObject* body = g_mime_multipart_get_part(parts, 0);
  ASSERT_TRUE(GMIME_IS_TEXT_PART(body));
  char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(body));
  EXPECT_STREQ(text, "\n\nCurrent Device: iPhone7,2, iOS 9.0.2 (13A452)");
  g_free(text);
  EXPECT_STREQ(g_mime_content_type_get_media_subtype(g_mime_object_get_content_type(body)), "plain");

  struct Expected {
    const char* name;
    const char* type;
    std::string bytes;
  } expected[] = {{"VLWPrefs.plist", "application/xml", binary},
                  {"dpkgl.txt", "text/plain", std::string(5000, 'p') + "\n"},
                  {"odd name.bin", "application/octet-stream", "?"}};
  for (int i = 0; i < 3; ++i) {
    GMimeObject* part = g_mime_multipart_get_part(parts, i + 1);
    ASSERT_TRUE(GMIME_IS_PART(part)) << i;
    EXPECT_STREQ(g_mime_part_get_filename(GMIME_PART(part)), expected[i].name);
    char* type = g_mime_content_type_get_mime_type(g_mime_object_get_content_type(part));
    EXPECT_STREQ(type, expected[i].type);
    g_free(type);
    EXPECT_EQ(g_mime_part_get_content_encoding(GMIME_PART(part)), GMIME_CONTENT_ENCODING_BASE64) << i;
    EXPECT_STREQ(g_mime_object_get_disposition(part), "attachment");
    EXPECT_EQ(decodedContent(part), expected[i].bytes) << i;
  }
}

TEST_F(MailComposer, AnHtmlBodyIsSentAsHtml) {
  MFMailComposeViewController mail;
  mail.setMessageBody("<p>hi</p>", true);
  ParsedMessage parsed(mail.mimeMessage());
  ASSERT_TRUE(parsed.message);
  GMimeObject* body = g_mime_multipart_get_part(parsed.parts(), 0);
  EXPECT_STREQ(g_mime_content_type_get_media_subtype(g_mime_object_get_content_type(body)), "html");
}

}  // namespace
