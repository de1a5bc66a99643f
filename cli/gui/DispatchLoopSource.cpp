#include "cli/gui/DispatchLoopSource.hpp"

#include <glib.h>

#include <vector>

#include "platform/dispatch/Dispatch.hpp"

namespace gui {
namespace {

struct Watched {
  int fd;
  short events;
  gpointer tag;
};

struct LoopSource {
  GSource source;
  std::vector<Watched>* watched;
  std::vector<pollfd>* wanted;
  gint64 deadline;  // monotonic microseconds; -1: none
  std::function<void()>* afterTurn;
};

// Brings the source's descriptors in line with what the dispatch loop asks for. Adding,
// changing or removing one wakes GLib's loop, so each is done only when something did change:
// otherwise every wait would end at once and an idle process would spin.
void follow(GSource* base, std::vector<Watched>& watched, const std::vector<pollfd>& wanted) {
  for (size_t i = 0; i < wanted.size(); ++i) {
    const pollfd& want = wanted[i];
    const auto condition = static_cast<GIOCondition>(want.events);
    if (i < watched.size() && watched[i].fd == want.fd) {
      if (watched[i].events != want.events) g_source_modify_unix_fd(base, watched[i].tag, condition);
      watched[i].events = want.events;
    } else {
      if (i < watched.size()) g_source_remove_unix_fd(base, watched[i].tag);
      Watched added{want.fd, want.events, g_source_add_unix_fd(base, want.fd, condition)};
      if (i < watched.size())
        watched[i] = added;
      else
        watched.push_back(added);
    }
  }
  while (watched.size() > wanted.size()) {
    g_source_remove_unix_fd(base, watched.back().tag);
    watched.pop_back();
  }
}

gboolean loopPrepare(GSource* base, gint* timeout) {
  auto* s = reinterpret_cast<LoopSource*>(base);
  const int wait = main_loop::prepareWait(*s->wanted);
  follow(base, *s->watched, *s->wanted);
  *timeout = wait;
  s->deadline = wait >= 0 ? g_get_monotonic_time() + gint64(wait) * 1000 : -1;
  return wait == 0;
}

gboolean loopCheck(GSource* base) {
  auto* s = reinterpret_cast<LoopSource*>(base);
  for (const Watched& w : *s->watched)
    if (g_source_query_unix_fd(base, w.tag) != 0) return TRUE;
  return s->deadline >= 0 && g_get_monotonic_time() >= s->deadline;
}

gboolean loopDispatch(GSource* base, GSourceFunc, gpointer) {
  auto* s = reinterpret_cast<LoopSource*>(base);
  main_loop::runTurn();
  (*s->afterTurn)();
  return G_SOURCE_CONTINUE;
}

void loopFinalize(GSource* base) {
  auto* s = reinterpret_cast<LoopSource*>(base);
  delete s->watched;
  delete s->wanted;
  delete s->afterTurn;
}

GSourceFuncs loopFuncs{loopPrepare, loopCheck, loopDispatch, loopFinalize, nullptr, nullptr};

}  // namespace

DispatchLoopSource::DispatchLoopSource(std::function<void()> afterTurn) : source_(g_source_new(&loopFuncs, sizeof(LoopSource))) {
  auto* s = reinterpret_cast<LoopSource*>(source_);
  s->watched = new std::vector<Watched>;
  s->wanted = new std::vector<pollfd>;
  s->deadline = -1;
  s->afterTurn = new std::function<void()>(std::move(afterTurn));
  g_source_set_name(source_, "velloway dispatch loop");
  // Just below the window system's events: input already queued is handled before a timer that
  // may depend on it (a tap held back for a second one fires only once no click is waiting),
  // however late a loaded machine runs the loop.
  g_source_set_priority(source_, G_PRIORITY_DEFAULT + 1);
  g_source_attach(source_, nullptr);
}

DispatchLoopSource::~DispatchLoopSource() {
  g_source_destroy(source_);
  g_source_unref(source_);
}

}  // namespace gui
