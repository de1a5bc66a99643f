// The pane's value store over the settings file, and the change notification after each write.
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <thread>

#include "platform/corefoundation/CFNotificationCenter.hpp"
#include "tests/support/SettingsHostTest.hpp"

using namespace test_support;

namespace {

class ValueStoreTest : public SettingsHostTest {
 protected:
  void SetUp() override {
    SettingsHostTest::SetUp();
    page_ = openRoot();
    ASSERT_TRUE(page_);
  }
  PSSpecifierRef row(plist::Dictionary d) { return PSSpecifier::specifierWithDictionary(d, page_); }
  PSSpecifierRef valueRow(const std::string& key, plist::Value def = {}) {
    plist::Dictionary d{{"cell", "PSSwitchCell"}, {"key", key}, {"PostNotification", kNotification}};
    if (!def.isNil()) d["default"] = def;
    return row(d);
  }
  PSListControllerRef page_;
};

TEST_F(ValueStoreTest, WithoutAFileEveryRowShowsItsDefaultAndTheFirstStoreMakesAOneEntryFile) {
  ASSERT_FALSE(settingsFile());
  EXPECT_EQ(page_->readPreferenceValue(valueRow("isEnabled", true)), plist::Value(true));
  EXPECT_EQ(page_->readPreferenceValue(valueRow("albumArtCornerRadius", 4)), plist::Value(4));
  EXPECT_TRUE(page_->readPreferenceValue(valueRow("noDefault")).isNil());
  page_->setPreferenceValue(false, valueRow("isEnabled", true));
  auto file = settingsFile();
  ASSERT_TRUE(file);
  EXPECT_EQ(*file, (plist::Dictionary{{"isEnabled", false}}));
}

TEST_F(ValueStoreTest, StoringKeepsEveryOtherEntryAndAStoredFalseOrZeroIsShownAsStored) {
  plist::writeToFile({{"foreign", "kept"}, {"count", 3}}, kSettingsPath);
  page_->setPreferenceValue(false, valueRow("isEnabled", true));
  page_->setPreferenceValue(0, valueRow("albumArtCornerRadius", 4));
  EXPECT_EQ(*settingsFile(),
            (plist::Dictionary{{"foreign", "kept"}, {"count", 3}, {"isEnabled", false}, {"albumArtCornerRadius", 0}}));
  EXPECT_EQ(page_->readPreferenceValue(valueRow("isEnabled", true)), plist::Value(false));
  EXPECT_EQ(page_->readPreferenceValue(valueRow("albumArtCornerRadius", 4)), plist::Value(0));
  // The file is read anew on every call: a change made behind the pane's back shows at once.
  plist::writeToFile({{"isEnabled", true}}, kSettingsPath);
  EXPECT_EQ(page_->readPreferenceValue(valueRow("isEnabled", false)), plist::Value(true));
}

TEST_F(ValueStoreTest, AFileThatIsNotADictionaryReadsAsEmptyAndIsReplacedByTheNextStore) {
  writeHostFile(device_fs::hostPath(kSettingsPath), "not a property list");
  EXPECT_EQ(page_->readPreferenceValue(valueRow("isEnabled", true)), plist::Value(true));
  page_->setPreferenceValue(12, valueRow("albumArtCornerRadius", 4));
  EXPECT_EQ(*settingsFile(), (plist::Dictionary{{"albumArtCornerRadius", 12}}));
  auto array = plist::serialize(plist::Value(plist::Array{1, 2}));
  ASSERT_TRUE(device_fs::writeFileAtomically(kSettingsPath, array));
  EXPECT_EQ(page_->readPreferenceValue(valueRow("albumArtCornerRadius", 4)), plist::Value(4));
}

// Writes of files past a size fail while this is in force: the soft file-size limit is lowered
// (it binds root too) and SIGXFSZ ignored, so that write(2) answers EFBIG instead of the signal
// ending the process. Both are put back at the end.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = std::min(bytes, saved_.rlim_max);
    inForce_ = previous_ != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    if (previous_ != SIG_ERR) ::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool inForce() const { return inForce_; }

 private:
  rlimit saved_{};
  sighandler_t previous_ = SIG_ERR;
  bool inForce_ = false;
};

TEST_F(ValueStoreTest, AFailedWriteStillPostsAndTheNextReadShowsTheEarlierValues) {
  auto enabled = page_->specifierForKey("isEnabled");
  ASSERT_TRUE(enabled);
  page_->setPreferenceValue(true, enabled);
  page_->setPreferenceValue(7, valueRow("albumArtCornerRadius", 4));
  const std::string earlier = readHostFile(device_fs::hostPath(kSettingsPath));
  ASSERT_FALSE(earlier.empty());
  size_t before = postedCount();
  {
    // The new file holds one key more than the file it would replace: it cannot be written.
    FileSizeLimit limit(earlier.size());
    ASSERT_TRUE(limit.inForce());
    page_->setPreferenceValue(true, valueRow("invertSongSwipes", false));
  }
  EXPECT_EQ(postedSince(before), std::vector<std::string>{kNotification}) << "posted all the same";
  EXPECT_EQ(readHostFile(device_fs::hostPath(kSettingsPath)), earlier);
  EXPECT_EQ(page_->readPreferenceValue(valueRow("invertSongSwipes", false)), plist::Value(false)) << "the default";
  EXPECT_EQ(page_->readPreferenceValue(enabled), plist::Value(true));
  EXPECT_EQ(page_->readPreferenceValue(valueRow("albumArtCornerRadius", 4)), plist::Value(7));
  // No temporary file is left beside the settings file, and with the limit gone stores work again.
  size_t entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(device_fs::hostPath(kSettingsPath).parent_path()))
    ++entries;
  EXPECT_EQ(entries, 1u);
  page_->setPreferenceValue(true, valueRow("invertSongSwipes", false));
  EXPECT_EQ(page_->readPreferenceValue(valueRow("invertSongSwipes", false)), plist::Value(true));
}

// What the observer saw in the file when the notification reached it.
plist::Value seenByObserver;
void readOnNotification(CFNotificationCenterRef, void*, const std::string&, const void*, const void*) {
  auto file = plist::dictionaryWithContentsOfFile(kSettingsPath);
  seenByObserver = file ? plist::Value((*file)["invertSongSwipes"]) : plist::Value("no file");
}

TEST_F(ValueStoreTest, TheFileHoldsTheNewValueWhenTheNotificationArrives) {
  static bool registered = false;
  if (!registered)
    CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, readOnNotification, kNotification,
                                    nullptr, CFNotificationSuspensionBehaviorDeliverImmediately);
  registered = true;
  seenByObserver = plist::Value();
  size_t before = postedCount();
  page_->setPreferenceValue(true, valueRow("invertSongSwipes", false));
  EXPECT_EQ(postedSince(before), std::vector<std::string>{kNotification});
  main_loop::runUntilIdle();
  EXPECT_EQ(seenByObserver, plist::Value(true));
}

TEST_F(ValueStoreTest, ARowWithoutKeyStoresAndPostsNothingAndOneWithoutNotificationPostsNothing) {
  size_t before = postedCount();
  page_->setPreferenceValue(true, row({{"cell", "PSSwitchCell"}, {"PostNotification", kNotification}}));
  EXPECT_FALSE(settingsFile());
  EXPECT_EQ(postedSince(before), std::vector<std::string>{});
  page_->setPreferenceValue(true, row({{"cell", "PSSwitchCell"}, {"key", "quiet"}}));
  EXPECT_EQ(*settingsFile(), (plist::Dictionary{{"quiet", true}}));
  EXPECT_EQ(postedSince(before), std::vector<std::string>{});
  // A notification name that is not a string is no name either.
  page_->setPreferenceValue(2, row({{"cell", "PSSwitchCell"}, {"key", "odd"}, {"PostNotification", 5}}));
  EXPECT_EQ((*settingsFile())["odd"], plist::Value(2));
  EXPECT_EQ(postedSince(before), std::vector<std::string>{});
}

TEST_F(ValueStoreTest, ConcurrentWritersNeverLeaveATornFileNorLoseEachOthersKeys) {
  constexpr int kWriters = 4, kStores = 25;
  std::atomic<bool> done{false};
  std::atomic<int> unreadable{0}, reads{0};
  std::thread reader([&] {
    while (!done) {
      if (auto bytes = device_fs::readFile(kSettingsPath)) {
        ++reads;
        auto value = plist::parse(*bytes);
        if (!value || !value->isDictionary()) ++unreadable;
      }
    }
  });
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w)
    writers.emplace_back([&, w] {
      for (int i = 0; i < kStores; ++i) page_->setPreferenceValue(i, valueRow("writer" + std::to_string(w)));
    });
  for (auto& t : writers) t.join();
  done = true;
  reader.join();
  EXPECT_EQ(unreadable, 0) << "of " << reads << " reads";
  auto file = settingsFile();
  ASSERT_TRUE(file);
  ASSERT_EQ(file->size(), size_t(kWriters));
  for (int w = 0; w < kWriters; ++w) EXPECT_EQ((*file)["writer" + std::to_string(w)], plist::Value(kStores - 1));
  // No temporary files are left beside the settings file.
  size_t entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(device_fs::hostPath(kSettingsPath).parent_path()))
    ++entries;
  EXPECT_EQ(entries, 1u);
}

}  // namespace
