#include "cli/video/VideoLibrary.hpp"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "cli/RuntimeLibrary.hpp"

namespace video {
namespace {

// In the lib/ folder beside the commands library. Never closed: the encoder's code runs from it
// until the process ends.
const Entries& library() {
  static const Entries* loaded = nullptr;
  if (loaded) return *loaded;
  const std::string path = runtimeLibraryPath(VELLOWAY_VIDEO_LIBRARY, reinterpret_cast<const void*>(&library));
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  auto entry = handle ? reinterpret_cast<const Entries* (*)()>(dlsym(handle, kEntry)) : nullptr;
  if (!entry) {
    const char* error = dlerror();
    throw std::runtime_error(std::string("cannot load the video library: ") + (error ? error : VELLOWAY_VIDEO_LIBRARY));
  }
  loaded = entry();
  return *loaded;
}

}  // namespace

std::unique_ptr<Encoder> openEncoder(const Format& format) { return library().open(format); }

}  // namespace video
