// The dispatch loop inside GLib's main loop (the one GTK runs): the dispatch loop's
// descriptors (its wake-up descriptor, the session bus) are polled by GLib, its next timer is
// GLib's timeout, and each dispatch is one turn of the dispatch loop, so one thread serves the
// window, the main queue, the timers and the bus, and sleeps while none of them has anything.
#pragma once

#include <functional>

typedef struct _GSource GSource;

namespace gui {

class DispatchLoopSource {
 public:
  // Attached to GLib's default main context; `afterTurn` runs after each turn.
  explicit DispatchLoopSource(std::function<void()> afterTurn);
  ~DispatchLoopSource();  // detached
  DispatchLoopSource(const DispatchLoopSource&) = delete;
  DispatchLoopSource& operator=(const DispatchLoopSource&) = delete;

 private:
  GSource* source_;
};

}  // namespace gui
