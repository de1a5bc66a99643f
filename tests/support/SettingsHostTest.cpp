#include "tests/support/SettingsHostTest.hpp"

#include <dlfcn.h>

#include <stdexcept>

#include "platform/foundation/NSBundle.hpp"

namespace test_support {

const PaneAccess& paneAccess() {
  static const PaneAccess* access = [] {
    auto pane = NSBundle::bundleWithPath(kBundlePath);
    if (!pane || !pane->load()) throw std::runtime_error("the pane bundle cannot be loaded");
    // The pane is loaded for every later library to see: the module's calls bind to it now.
    void* module = dlopen(VELLOWAY_PANE_ACCESS, RTLD_NOW | RTLD_LOCAL);
    if (!module) throw std::runtime_error(std::string("cannot load the pane access module: ") + dlerror());
    auto entry = reinterpret_cast<const PaneAccess* (*)()>(dlsym(module, "velloway_pane_access"));
    if (!entry) throw std::runtime_error("the pane access module has no entry point");
    return entry();
  }();
  return *access;
}

void SettingsHostTest::SetUp() {
  DeviceRootTest::SetUp();
  ASSERT_TRUE(SettingsHost::installPane(VELLOWAY_BUILD_FOLDER)) << "the build has no VLW.bundle";
  host_ = std::make_unique<SettingsHost>();
  main_loop::runUntilIdle();
}

void SettingsHostTest::TearDown() {
  host_.reset();
  DeviceRootTest::TearDown();
}

}  // namespace test_support
