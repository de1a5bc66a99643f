#include "cli/live/WindowLibrary.hpp"

#include <dlfcn.h>

#include <stdexcept>

#include "cli/RuntimeLibrary.hpp"

namespace window_library {
namespace {

const Entries* loaded = nullptr;

// In the lib/ folder beside the commands library. Never closed: the window runs from it until
// the process ends.
std::string load() {
  if (loaded) return {};
  const std::string path = runtimeLibraryPath(VELLOWAY_GUI_LIBRARY, reinterpret_cast<const void*>(&load));
  void* library = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  auto entry = library ? reinterpret_cast<const Entries* (*)()>(dlsym(library, kEntry)) : nullptr;
  if (!entry) {
    const char* error = dlerror();
    return std::string("cannot load the window library: ") + (error ? error : VELLOWAY_GUI_LIBRARY);
  }
  loaded = entry();
  return {};
}

}  // namespace

std::string prepareWindow(const gui::GuiOptions& options) {
  if (std::string problem = gui::displayProblem(); !problem.empty()) return problem;
  if (std::string problem = load(); !problem.empty()) return problem;
  return loaded->prepareWindow(options);
}

void runWithWindow(SimSession& session, const std::string& title, const gui::GuiOptions& options) {
  if (!loaded) throw std::runtime_error("the window was not prepared");
  loaded->runWithWindow(session, title, options);
}

}  // namespace window_library
