// The support e-mail: what the composer carries, the package list written just before and
// safely, sources that cannot be read, a device without a mail account, and every way of
// closing the composer.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>

#include "platform/messageui/MFMailComposeViewController.hpp"
#include "prefs/PackageList.hpp"
#include "tests/support/SettingsHostTest.hpp"

using namespace test_support;

namespace {

constexpr const char* kListPath = "/tmp/dpkgl.log";

class SupportMailTest : public SettingsHostTest {
 protected:
  MFMailComposeViewControllerRef compose() {
    if (!host_->isPaneOpen()) host_->openPane();
    host_->tap("Support");
    return host_->presentedMail();
  }
  std::filesystem::path listFile() const { return device_fs::hostPath(kListPath); }
  static bool haveDpkg() { return ::access(package_list::kProgram, X_OK) == 0; }
};

TEST_F(SupportMailTest, TheMessageCarriesTheDeviceLineTheSettingsAndThePackageList) {
  host_->openPane();
  host_->set("isEnabled", false);  // a settings file to attach
  auto mail = compose();
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail->subject(), "VLW Support");
  EXPECT_EQ(mail->toRecipients(), std::vector<std::string>{"Dovrane <support@velloway.example.com>"});
  EXPECT_EQ(mail->messageBody(), "\n\nCurrent Device: iPhone7,2, iOS 9.0.2 (13A452)");
  EXPECT_FALSE(mail->isHTML());
  ASSERT_EQ(mail->attachments().size(), 2u);
  const auto& settings = mail->attachments()[0];
  EXPECT_EQ(settings.fileName, "VLWPrefs.plist");
  EXPECT_EQ(settings.mimeType, "application/xml");
  EXPECT_EQ(settings.data, readHostFile(device_fs::hostPath(kSettingsPath))) << "the file's raw bytes";
  const auto& list = mail->attachments()[1];
  EXPECT_EQ(list.fileName, "dpkgl.txt");
  EXPECT_EQ(list.mimeType, "text/plain");
  EXPECT_EQ(list.data, readHostFile(listFile())) << "the list stays in place after use";
  if (haveDpkg()) {
    EXPECT_EQ(list.data.rfind("Desired=", 0), 0u) << "dpkg -l's own list";
  }
  // Presented by the navigation controller, the pane's page as the delegate set afterwards.
  EXPECT_EQ(host_->settingsNavigationController()->presentedViewController(), mail);
  EXPECT_EQ(host_->topPage()->presentedViewController(), nullptr);
  EXPECT_TRUE(mail->hasMailComposeDelegate());
  EXPECT_THROW(host_->tap("Support"), SettingsHostError) << "the composer covers the pane";
}

TEST_F(SupportMailTest, TheDeviceLineFollowsTheDeviceAndNamesMissingAnswers) {
  deviceProfile().productType = "iPad5,3";
  deviceProfile().productVersion = "9.3.1";
  deviceProfile().buildVersion = "13E238";
  EXPECT_EQ(compose()->messageBody(), "\n\nCurrent Device: iPad5,3, iOS 9.3.1 (13E238)");
  host_->finishMail(MFMailComposeResultCancelled);
  deviceProfile().productVersion = "";
  EXPECT_EQ(compose()->messageBody(), "\n\nCurrent Device: iPad5,3, iOS unknown (13E238)");
}

TEST_F(SupportMailTest, EachUseRewritesTheListBeforeAttachingIt) {
  writeHostFile(listFile(), std::string(200000, 'x'));  // longer than any list: nothing may remain
  auto first = compose();
  ASSERT_EQ(first->attachments().size(), 1u) << "no settings stored yet: only the list";
  std::string list = first->attachments()[0].data;
  EXPECT_EQ(list.find('x' + std::string(50, 'x')), std::string::npos);
  EXPECT_EQ(readHostFile(listFile()), list);
  host_->finishMail(MFMailComposeResultSent);
  {
    std::ofstream append(listFile(), std::ios::app);
    append << "stale line\n";
  }
  auto second = compose();
  EXPECT_EQ(second->attachments().back().data, list) << "written afresh, not appended to";
  EXPECT_EQ(readHostFile(listFile()), list);
}

TEST_F(SupportMailTest, ASettingsFileThatCannotBeReadIsLeftOut) {
  writeHostFile(device_fs::hostPath(kSettingsPath), "");
  std::filesystem::permissions(device_fs::hostPath(kSettingsPath), std::filesystem::perms::none);
  bool readable = ::access(device_fs::hostPath(kSettingsPath).c_str(), R_OK) == 0;  // root reads anyway
  auto mail = compose();
  ASSERT_FALSE(mail->attachments().empty());
  EXPECT_EQ(mail->attachments().back().fileName, "dpkgl.txt");
  EXPECT_EQ(mail->attachments().size(), readable ? 2u : 1u);
  if (readable) {
    EXPECT_EQ(mail->attachments()[0].data, "") << "an empty file attaches as empty";
  }
}

// What an attacker could leave at the list's name in the shared temporary folder.
enum class Planted { Symlink, HardLink, Fifo, Directory };

class PlantedListFile : public SupportMailTest, public ::testing::WithParamInterface<Planted> {};

TEST_P(PlantedListFile, IsNeitherWrittenThroughNorAttached) {
  std::filesystem::path victim = root_ / "outside-victim.txt";  // a file of the user's elsewhere
  writeHostFile(victim, "private notes\n");
  std::filesystem::create_directories(listFile().parent_path());
  switch (GetParam()) {
    case Planted::Symlink:
      std::filesystem::create_symlink(victim, listFile());
      break;
    case Planted::HardLink:
      std::filesystem::create_hard_link(victim, listFile());
      break;
    case Planted::Fifo:
      ASSERT_EQ(::mkfifo(listFile().c_str(), 0600), 0);
      break;
    case Planted::Directory:
      std::filesystem::create_directory(listFile());
      break;
  }
  host_->openPane();
  host_->set("isEnabled", false);
  auto mail = compose();  // a planted pipe must not block this
  ASSERT_TRUE(mail);
  EXPECT_EQ(readHostFile(victim), "private notes\n");
  ASSERT_EQ(mail->attachments().size(), 1u);
  EXPECT_EQ(mail->attachments()[0].fileName, "VLWPrefs.plist");
}

INSTANTIATE_TEST_SUITE_P(Plants, PlantedListFile,
                         ::testing::Values(Planted::Symlink, Planted::HardLink, Planted::Fifo, Planted::Directory));

// Links inside the device root that lead out of it on the host: the root confines them as a
// chroot would, so nothing outside is attached, read or written.
enum class LeadOut { SettingsFile, VarLink, PreferencesFolder, TemporaryFolder };

class LinksLeadingOut : public SupportMailTest, public ::testing::WithParamInterface<LeadOut> {};

TEST_P(LinksLeadingOut, NothingOutsideTheRootIsAttachedReadOrWritten) {
  const std::string secret = "root:secret-hash:19000:0:99999:7:::\n";
  writeHostFile(outside_ / "shadow", secret);
  writeHostFile(outside_ / "var/mobile/Library/Preferences/com.dovrane.velloway.plist", secret);
  writeHostFile(outside_ / "tmp/dpkgl.log", secret);
  switch (GetParam()) {
    case LeadOut::SettingsFile:
      plantLink("/private/var/mobile/Library/Preferences/com.dovrane.velloway.plist", outside_ / "shadow");
      break;
    case LeadOut::VarLink:
      plantLink("/var", outside_ / "var");
      break;
    case LeadOut::PreferencesFolder:
      plantLink("/private/var/mobile/Library/Preferences", outside_ / "var/mobile/Library/Preferences");
      break;
    case LeadOut::TemporaryFolder:
      plantLink("/private/var/tmp", outside_ / "tmp");
      break;
  }
  auto before = filesUnder(outside_);
  auto entries = std::distance(std::filesystem::recursive_directory_iterator(outside_), {});
  host_->openPane();
  host_->set("isEnabled", false);
  auto mail = compose();
  ASSERT_TRUE(mail);
  for (const auto& attachment : mail->attachments())
    EXPECT_EQ(attachment.data.find("secret-hash"), std::string::npos) << attachment.fileName;
  EXPECT_EQ(filesUnder(outside_), before);
  EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(outside_), {}), entries) << "nothing made outside";
}

INSTANTIATE_TEST_SUITE_P(Links, LinksLeadingOut,
                         ::testing::Values(LeadOut::SettingsFile, LeadOut::VarLink, LeadOut::PreferencesFolder,
                                           LeadOut::TemporaryFolder));

class ClosingTheComposer : public SupportMailTest, public ::testing::WithParamInterface<MFMailComposeResult> {};

TEST_P(ClosingTheComposer, DismissesItWhateverTheResult) {
  auto mail = compose();
  ASSERT_TRUE(mail);
  std::weak_ptr<MFMailComposeViewController> gone = mail;
  mail.reset();  // the presentation alone keeps it
  ASSERT_FALSE(gone.expired());
  host_->finishMail(GetParam());
  EXPECT_EQ(host_->presentedSheet(), nullptr);
  EXPECT_TRUE(gone.expired()) << "dismissed, nothing holds the composer any more";
  EXPECT_EQ(alert_center::history().size(), 0u) << "nothing is shown";
  EXPECT_THROW(host_->finishMail(GetParam()), SettingsHostError);
  EXPECT_TRUE(compose()) << "the pane is usable again";
}

INSTANTIATE_TEST_SUITE_P(Results, ClosingTheComposer,
                         ::testing::Values(MFMailComposeResultSent, MFMailComposeResultSaved, MFMailComposeResultCancelled,
                                           MFMailComposeResultFailed));

TEST_F(SupportMailTest, InTheNestedNavigationOfOlderSystemsTheComposerStillCloses) {
  deviceProfile().cfVersion = 1141.1;
  auto mail = compose();
  ASSERT_TRUE(mail);
  host_->finishMail(MFMailComposeResultSent);
  EXPECT_EQ(host_->presentedSheet(), nullptr);
}

TEST_F(SupportMailTest, WithoutAMailAccountTheFrameworkSaysSoAndThePaneCarriesOnWithoutAComposer) {
  deviceProfile().mailAccount = "";
  EXPECT_EQ(compose(), nullptr);
  auto alert = alert_center::onScreen();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title, "No Mail Accounts");
  EXPECT_EQ(alert->buttonTitles(), std::vector<std::string>{"OK"});
  // The pane's own steps still run: the package list is written, nothing is presented.
  EXPECT_TRUE(std::filesystem::is_regular_file(listFile()));
  EXPECT_EQ(host_->presentedSheet(), nullptr);
}

class PackageList : public DeviceRootTest {};

TEST_F(PackageList, RunsTheProgramWithoutAShellAndReadsBackWhatItWrote) {
  // echo prints its arguments: exactly the one option, no shell words.
  EXPECT_EQ(package_list::write(kListPath, "/bin/echo"), "-l\n");
  EXPECT_EQ(readHostFile(device_fs::hostPath(kListPath)), "-l\n");
  // A program that cannot run leaves an empty list, as the shell's redirection did.
  EXPECT_EQ(package_list::write(kListPath, "/nonexistent/dpkg"), "");
  EXPECT_EQ(std::filesystem::file_size(device_fs::hostPath(kListPath)), 0u);
  struct stat st {};
  ASSERT_EQ(::stat(device_fs::hostPath(kListPath).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777 & ~0022u, 0644u & ~0022u);
}

TEST_F(PackageList, AListOverTheBoundIsCutAfterItsLastWholeLineAndSaysSo) {
  // echo prints three bytes: at the bound whole, one under it cut (there is no whole line).
  EXPECT_EQ(package_list::write(kListPath, "/bin/echo", 3), "-l\n");
  EXPECT_EQ(package_list::write(kListPath, "/bin/echo", 2), "-l\n(list cut short: longer than 2 bytes)\n");
  EXPECT_EQ(readHostFile(device_fs::hostPath(kListPath)), "-l\n") << "the file keeps the whole list";
  if (::access(package_list::kProgram, X_OK) != 0) return;
  // dpkg's list of many lines: whole lines up to the bound, then the line that says so.
  auto cut = package_list::write(kListPath, package_list::kProgram, 1000);
  ASSERT_TRUE(cut);
  const std::string whole = readHostFile(device_fs::hostPath(kListPath));
  ASSERT_GT(whole.size(), 1000u);
  const size_t lastLine = whole.rfind('\n', 999);
  ASSERT_NE(lastLine, std::string::npos);
  EXPECT_EQ(*cut, whole.substr(0, lastLine + 1) + "(list cut short: longer than 1000 bytes)\n");
}

}  // namespace
