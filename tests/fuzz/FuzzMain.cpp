// libFuzzer's entry, one executable per target: FUZZ_ENTRY names the entry point.
#include "tests/fuzz/FuzzEntries.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fuzz_entry::FUZZ_ENTRY(data, size); }
