// The process's state in one place. Every piece of process-wide state (the main queue and the
// clock, the notification centres' observers, the log, the device root and profile, the alerts,
// the now-playing player, ...) registers itself here when it is first made, with how to put it
// back to new; reset() puts every piece back, the latest made first. A test, a simulated session
// and a live process call it to start from a known state.
//
// Code is not state: the classes, the libraries loaded and their hooks, the commands and painters
// registered at load time live as long as the process and are not registered here. Likewise
// what a library's load-time initialisers register with a piece of state (an observer, say) is
// kept by a reset, since the library is never loaded again to register it anew: see LoadingCode.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace process_state {

// Adds a piece of state; its reset runs at every reset() from now on.
void registerReset(std::string name, std::function<void()> reset);

// Puts every registered piece back to new, the latest made first. Each piece takes its own
// locks, but the caller makes sure no other thread is at work on them (no write under way, no
// block on the global queue): between tests, before a session starts.
void reset();

// The names of the pieces, in the order they were made.
std::vector<std::string> registered();

// A piece of state made on first use and never destroyed (a thread may still reach it while the
// process ends), registered with its reset.
template <class T>
T* make(std::string name, void (*resetPiece)(T&)) {
  T* piece = new T;
  registerReset(std::move(name), [piece, resetPiece] { resetPiece(*piece); });
  return piece;
}

// The same for a piece that knows how to reset itself: T::reset().
template <class T>
T* make(std::string name) {
  return make<T>(std::move(name), [](T& piece) { piece.reset(); });
}

// Held while a library is being loaded: what its initialisers register belongs to the library
// and outlives a reset (the library is never unloaded, nor loaded again).
class LoadingCode {
 public:
  LoadingCode();
  ~LoadingCode();
  LoadingCode(const LoadingCode&) = delete;
  LoadingCode& operator=(const LoadingCode&) = delete;
};

// Whether this thread is loading a library now.
bool loadingCode();

}  // namespace process_state
