// The entry points of the fuzz targets: one per parser of outside input. The normal build
// compiles them too and feeds them the committed corpora and the inputs that once crashed
// (tests/fuzz/RegressionTests.cpp); the fuzz build wraps each in LLVMFuzzerTestOneInput.
// An entry point returns 0; it aborts on a broken property (a stored value out of its
// bounds, a pane write the tweak cannot read back), so the fuzzer reports it as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzz_entry {

// The settings file read with the tweak's reading rules (preference limits, Foundation's
// conversions), then written back as the pane writes it and read again.
int settingsFile(const uint8_t* data, size_t size);
// A specifier list into specifiers, as a pane page loads it.
int specifierList(const uint8_t* data, size_t size);
// A .strings table in any of its forms (text UTF-8 or UTF-16, XML or binary list).
int stringsTable(const uint8_t* data, size_t size);
// Artwork bytes decoded and analysed as the overlay colours itself (inputs over 64 KiB and
// images over 1024 pixels a side are skipped: the harness looks for faults, not for cost).
int artwork(const uint8_t* data, size_t size);
// Text typed into the slider row's entry alert and confirmed.
int sliderText(const uint8_t* data, size_t size);
// One line of the sim / ctl command language, carried out by a simulated phone (lines that
// name host files to write are skipped).
int simLine(const uint8_t* data, size_t size);

struct Target {
  const char* name;  // also the folder of its corpus: tests/fuzz/corpus/<name>/
  int (*run)(const uint8_t*, size_t);
};
std::span<const Target> targets();

}  // namespace fuzz_entry
