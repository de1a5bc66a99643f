// Temporary folders: fresh, empty, private, under the system's temporary folder.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/fs/TemporaryFolder.hpp"

namespace fs = std::filesystem;

namespace {

// Points TMPDIR somewhere else for the life of the object, then puts it back.
class TemporaryDirectory {
 public:
  explicit TemporaryDirectory(const fs::path& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TemporaryDirectory() {
    if (old_)
      setenv("TMPDIR", old_->c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

 private:
  std::optional<std::string> old_;
};

TEST(TemporaryFolder, EachCallMakesANewEmptyFolderOnlyItsUserCanEnter) {
  const fs::path a = device_fs::makeTemporaryFolder("velloway-tmp-test");
  const fs::path b = device_fs::makeTemporaryFolder("velloway-tmp-test");
  EXPECT_NE(a, b);
  for (const auto& folder : {a, b}) {
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_EQ(folder.parent_path(), fs::temp_directory_path());
    EXPECT_EQ(folder.filename().string().rfind("velloway-tmp-test-", 0), 0u) << folder;
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
  }
  fs::remove_all(a);
  fs::remove_all(b);
}

TEST(TemporaryFolder, FollowsTmpdirAndNamesTheFolderItCouldNotMake) {
  const fs::path parent = device_fs::makeTemporaryFolder("velloway-tmp-parent");
  {
    TemporaryDirectory inside(parent);
    const fs::path folder = device_fs::makeTemporaryFolder("inner");
    EXPECT_EQ(folder.parent_path(), parent);
  }
  {
    // A prefix with a folder that does not exist: mkdtemp fails, and the error names the folder.
    TemporaryDirectory inside(parent);
    try {
      device_fs::makeTemporaryFolder("missing/inner");
      ADD_FAILURE() << "a folder was made in a folder that does not exist";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find((parent / "missing" / "inner-").string()), std::string::npos) << e.what();
    }
  }
  fs::remove_all(parent);
}

}  // namespace
