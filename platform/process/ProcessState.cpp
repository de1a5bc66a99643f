#include "platform/process/ProcessState.hpp"

#include <mutex>

namespace process_state {
namespace {

struct Piece {
  std::string name;
  std::function<void()> reset;
};

struct Registry {
  std::mutex mutex;
  std::vector<Piece> pieces;  // in the order made
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: pieces register until the process ends
  return *r;
}

thread_local int loadingDepth = 0;

}  // namespace

void registerReset(std::string name, std::function<void()> reset) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.pieces.push_back({std::move(name), std::move(reset)});
}

void reset() {
  std::vector<Piece> pieces;
  {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    pieces = r.pieces;
  }
  // Not under the registry's lock: a piece's reset may reach a piece not made yet, which then
  // registers itself.
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) it->reset();
}

std::vector<std::string> registered() {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  std::vector<std::string> names;
  for (const auto& piece : r.pieces) names.push_back(piece.name);
  return names;
}

LoadingCode::LoadingCode() { ++loadingDepth; }
LoadingCode::~LoadingCode() { --loadingDepth; }

bool loadingCode() { return loadingDepth > 0; }

}  // namespace process_state
