#include "cli/gui/OutsideDestruction.hpp"

#include <gtk/gtk.h>

#include <string>
#include <utility>

// Last: the X11 headers define macros (None, Status, Bool) that would clash with the above.
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <gdk/x11/gdkx.h>
#endif

namespace gui {

#ifdef GDK_WINDOWING_X11
namespace {

GdkDisplay* display = nullptr;
::Window watched = 0;
bool gone = false;
void (*onGone)() = nullptr;

bool stillThere() {
  gdk_x11_display_error_trap_push(display);
  XWindowAttributes attributes;
  const Status found = XGetWindowAttributes(gdk_x11_display_get_xdisplay(display), watched, &attributes);
  return gdk_x11_display_error_trap_pop(display) == 0 && found != 0;
}

// Before GDK reacts to the window's unmapping or destruction (with requests on the window, a
// warning, and with GL an assertion that ends the process): whether it is gone. Then GDK
// hears of the window no more.
gboolean onXEvent(GdkX11Display*, XEvent* event, gpointer) {
  if (event->xany.window != watched) return FALSE;
  if (gone) return TRUE;
  const bool destroyed = event->type == DestroyNotify && event->xdestroywindow.window == watched;
  const bool unmapped = event->type == UnmapNotify && event->xunmap.window == watched;
  if (!destroyed && !(unmapped && !stillThere())) return FALSE;
  gone = true;
  if (onGone) onGone();
  return TRUE;
}

}  // namespace
#endif

// The window can go between any two of our requests, and the errors of those after it can
// come while GDK waits inside an error trap of its own, where no handler of ours would see
// them. So one GDK error trap stays open while the window is watched: it takes the X errors
// no other trap takes, and endWatch reads them.
void watchForOutsideDestruction(GtkWindow* window, void (*gone)()) {
#ifdef GDK_WINDOWING_X11
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  GdkDisplay* windowDisplay = gtk_widget_get_display(GTK_WIDGET(window));
  if (!surface || !GDK_IS_X11_DISPLAY(windowDisplay) || display) return;
  display = windowDisplay;
  watched = gdk_x11_surface_get_xid(surface);
  onGone = gone;
  gdk_x11_display_error_trap_push(display);
  g_signal_connect(display, "xevent", G_CALLBACK(onXEvent), nullptr);
#else
  (void)window;
  (void)gone;
#endif
}

std::string endWatch() {
#ifdef GDK_WINDOWING_X11
  if (!display) return {};
  GdkDisplay* ended = std::exchange(display, nullptr);
  g_signal_handlers_disconnect_by_func(ended, reinterpret_cast<gpointer>(onXEvent), nullptr);
  const int error = gdk_x11_display_error_trap_pop(ended);
  if (error == 0 || gone) return {};
  char text[128] = {};
  XGetErrorText(gdk_x11_display_get_xdisplay(ended), error, text, sizeof text - 1);
  return "the window's display reported an X error: " + std::string(text);
#else
  return {};
#endif
}

}  // namespace gui
