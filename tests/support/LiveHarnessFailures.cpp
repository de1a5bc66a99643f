// In a test, what goes wrong in the live harness is a failure of the running test.
#include <gtest/gtest.h>

#include "tests/support/LiveHarness.hpp"

namespace {

const bool installed = [] {
  live_test::setFailureReporter([](const std::string& message) { ADD_FAILURE() << message; });
  return true;
}();

}  // namespace
