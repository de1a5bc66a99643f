// Every committed fuzz input through the same entry points the fuzzers drive: the seed corpora
// and the inputs that once crashed a target (tests/fuzz/regressions/<target>/).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/fuzz/FuzzEntries.hpp"

namespace fs = std::filesystem;

namespace {

class FuzzInputs : public ::testing::TestWithParam<fuzz_entry::Target> {};

TEST_P(FuzzInputs, EveryCommittedInputRunsCleanly) {
  size_t inputs = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    fs::path folder = fs::path(FUZZ_DATA) / kind / GetParam().name;
    if (!fs::is_directory(folder)) continue;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
      SCOPED_TRACE(entry.path().string());
      EXPECT_EQ(GetParam().run(bytes.data(), bytes.size()), 0);
      ++inputs;
    }
  }
  EXPECT_GT(inputs, 0u) << "no seed corpus for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzInputs, ::testing::ValuesIn(fuzz_entry::targets().begin(), fuzz_entry::targets().end()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
