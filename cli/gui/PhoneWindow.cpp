// The window of a live process (GTK 4 through gtkmm), and the process's one main loop run under
// GTK's: the dispatch loop's descriptors (its wake-up descriptor, the session bus) and its next
// timer are one GLib source whose dispatch is one turn of the dispatch loop, so the main thread
// serves the window, the main queue, the timers and the bus, and nothing else touches them.
// Everything GTK is in this file (its headers are slow to compile).
#include <fmt/format.h>
#include <gtkmm.h>
#include <gtkmm/init.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

#include "cli/gui/Gui.hpp"
#include "cli/gui/TouchInput.hpp"
#include "cli/sim/ScreenRenderer.hpp"
#include "cli/sim/SimExtension.hpp"
#include "cli/sim/SimSession.hpp"
#include "platform/dispatch/Dispatch.hpp"
#include "render/Renderer.hpp"

// Last: the X11 headers define macros (None, Status, Bool) that would clash with the above.
#ifdef GDK_WINDOWING_X11
#include <gdk/x11/gdkx.h>
#endif

namespace gui {

std::string prepareWindow(const GuiOptions& options) {
  if (std::string problem = displayProblem(); !problem.empty()) return problem;
  if (!gtk_init_check()) {
    const char* display = std::getenv("DISPLAY");
    return fmt::format("cannot open the display {} (GTK could not connect to it)",
                       display && *display ? fmt::format("'{}'", display) : std::string("named by WAYLAND_DISPLAY"));
  }
  Gtk::init_gtkmm_internals();
  if (!options.frameTimes.empty()) {
    std::FILE* file = std::fopen(options.frameTimes.c_str(), "a");
    if (!file) return fmt::format("cannot open '{}' for the frame times: {}", options.frameTimes, std::strerror(errno));
    std::fclose(file);
  }
  return {};
}

namespace {

constexpr const char* kHelp =
    "Mouse\n"
    "  click: a tap   ·   two quick clicks: a double tap\n"
    "  drag (50 points or more, mostly straight): a one-finger swipe\n"
    "  drag on a slider: moves its thumb\n"
    "  click under the reachability window: ends reachability\n"
    "Keys\n"
    "  Ctrl+R: the reachability gesture, or its end\n"
    "  Ctrl+1 / Ctrl+2: zoom 1x / 2x\n"
    "  typing: into the alert's text field\n"
    "  Return / Escape: the alert's default / cancel button";

double seconds() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// The dispatch loop as a GLib source. Its descriptors are asked for anew before each wait.
struct LoopSource {
  GSource source;
  std::vector<gpointer>* tags;
  gint64 deadline;  // monotonic microseconds; -1: none
  std::function<void()>* afterTurn;
};

gboolean loopPrepare(GSource* base, gint* timeout) {
  auto* s = reinterpret_cast<LoopSource*>(base);
  std::vector<pollfd> fds;
  int wait = main_loop::prepareWait(fds);
  for (gpointer tag : *s->tags) g_source_remove_unix_fd(base, tag);
  s->tags->clear();
  for (const pollfd& fd : fds) s->tags->push_back(g_source_add_unix_fd(base, fd.fd, static_cast<GIOCondition>(fd.events)));
  *timeout = wait;
  s->deadline = wait >= 0 ? g_get_monotonic_time() + gint64(wait) * 1000 : -1;
  return wait == 0;
}

gboolean loopCheck(GSource* base) {
  auto* s = reinterpret_cast<LoopSource*>(base);
  for (gpointer tag : *s->tags)
    if (g_source_query_unix_fd(base, tag) != 0) return TRUE;
  return s->deadline >= 0 && g_get_monotonic_time() >= s->deadline;
}

gboolean loopDispatch(GSource* base, GSourceFunc, gpointer) {
  auto* s = reinterpret_cast<LoopSource*>(base);
  main_loop::runTurn();
  (*s->afterTurn)();
  return G_SOURCE_CONTINUE;
}

GSourceFuncs loopFuncs{loopPrepare, loopCheck, loopDispatch, nullptr, nullptr, nullptr};

class PhoneWindow : public Gtk::Window {
 public:
  PhoneWindow(SimContext& sim, const std::string& title, int zoom, const std::string& frameTimes)
      : sim_(sim), input_(sim), zoom_(zoom) {
    if (!frameTimes.empty()) {
      frameLog_ = std::fopen(frameTimes.c_str(), "a");
      if (!frameLog_) throw std::runtime_error(fmt::format("cannot open '{}' for the frame times", frameTimes));
    }
    buildHeader(title);
    buildMenu();
    area_.set_draw_func(sigc::mem_fun(*this, &PhoneWindow::draw));
    set_child(area_);
    sizeArea();
    connectPointer();
    connectKeys();
    signal_close_request().connect(
        [] {
          main_loop::stop();
          return false;
        },
        false);
  }

 private:
  // The header: the process on one line, the device root (its end, when long) under it, and
  // the reachability button where the process has the gesture.
  void buildHeader(const std::string& title) {
    set_title(title);
    set_resizable(false);  // the window follows the screen's size at each zoom
    const size_t split = title.find(" — ");
    titleLabel_.set_markup("<b>" + Glib::Markup::escape_text(title.substr(0, split)) + "</b>");
    rootLabel_.set_text(split == std::string::npos ? "" : title.substr(split + std::string(" — ").size()));
    rootLabel_.set_ellipsize(Pango::EllipsizeMode::START);
    rootLabel_.set_max_width_chars(18);
    rootLabel_.add_css_class("dim-label");
    titleBox_.append(titleLabel_);
    titleBox_.append(rootLabel_);
    titleBox_.set_valign(Gtk::Align::CENTER);
    titleBox_.set_tooltip_text(title);
    header_.set_title_widget(titleBox_);
    header_.set_decoration_layout(":close");
    set_titlebar(header_);
    if (input_.hasReachability()) {
      reach_.set_label("Reachability");
      reach_.set_tooltip_text("The reachability gesture, or its end (Ctrl+R)");
      reach_.signal_clicked().connect([this] {
        input_.toggleReachability();
        changed();
      });
      header_.pack_start(reach_);
    }
  }

  // The menu: zoom and what the mouse and keys do.
  void buildMenu() {
    auto box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    for (int z : {1, 2}) {
      auto button = Gtk::make_managed<Gtk::Button>(fmt::format("Zoom {}x (Ctrl+{})", z, z));
      button->signal_clicked().connect([this, z] {
        setZoom(z);
        menu_.popdown();
      });
      box->append(*button);
    }
    auto help = Gtk::make_managed<Gtk::Label>(kHelp);
    help->set_xalign(0);
    box->append(*help);
    popover_.set_child(*box);
    menu_.set_popover(popover_);
    menu_.set_icon_name("open-menu-symbolic");
    menu_.set_tooltip_text("Zoom and help");
    header_.pack_end(menu_);
  }

  // A drag with the primary button is a touch, in points.
  void connectPointer() {
    auto drag = Gtk::GestureDrag::create();
    drag->set_button(GDK_BUTTON_PRIMARY);
    drag->signal_drag_begin().connect([this](double x, double y) {
      dragStart_ = toPoints(x, y);
      input_.press(dragStart_, seconds());
      changed();
    });
    drag->signal_drag_update().connect([this](double dx, double dy) {
      input_.drag({dragStart_.x + dx / zoom_, dragStart_.y + dy / zoom_});
      changed();
    });
    drag->signal_drag_end().connect([this](double dx, double dy) {
      input_.release({dragStart_.x + dx / zoom_, dragStart_.y + dy / zoom_}, seconds());
      changed();
    });
    area_.add_controller(drag);
  }

  // The keys go to the phone before any header-bar button could take Return for itself.
  void connectKeys() {
    reach_.set_can_focus(false);
    menu_.set_can_focus(false);
    auto keys = Gtk::EventControllerKey::create();
    keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    keys->signal_key_pressed().connect(sigc::mem_fun(*this, &PhoneWindow::keyPressed), false);
    add_controller(keys);
  }

 public:
  ~PhoneWindow() override {
    if (frameLog_) std::fclose(frameLog_);
  }

  // Something may have changed: the next frame draws the screen anew; while an animation
  // runs, frames follow the display's clock.
  void changed() {
    dirty_ = true;
    area_.queue_draw();
    if (!ticking_ && input_.animating()) {
      ticking_ = true;
      area_.add_tick_callback([this](const Glib::RefPtr<Gdk::FrameClock>&) {
        dirty_ = true;
        area_.queue_draw();
        if (input_.animating()) return true;
        ticking_ = false;
        return false;
      });
    }
  }

  nlohmann::json place() {
    nlohmann::json out;
    unsigned long xid = 0;
#ifdef GDK_WINDOWING_X11
    if (auto surface = get_surface(); surface && GDK_IS_X11_SURFACE(surface->gobj()))
      xid = gdk_x11_surface_get_xid(surface->gobj());
#endif
    out["window"] = xid;
    double x = 0, y = 0, sx = 0, sy = 0;
    area_.translate_coordinates(*this, 0, 0, x, y);
    gtk_native_get_surface_transform(GTK_NATIVE(gobj()), &sx, &sy);
    out["origin"] = {std::lround(x + sx), std::lround(y + sy)};
    out["zoom"] = zoom_;
    return out;
  }

 private:
  CGPoint toPoints(double x, double y) const { return {x / zoom_, y / zoom_}; }

  void sizeArea() {
    CGSize size = input_.screenSize();
    area_.set_content_width(static_cast<int>(std::lround(size.width * zoom_)));
    area_.set_content_height(static_cast<int>(std::lround(size.height * zoom_)));
  }

  void setZoom(int zoom) {
    if (zoom == zoom_) return;
    zoom_ = zoom;
    sizeArea();
    changed();
  }

  void draw(const Cairo::RefPtr<Cairo::Context>& context, int, int) {
    const auto start = std::chrono::steady_clock::now();
    const int pixelsPerPoint = zoom_ * std::max(1, area_.get_scale_factor());
    if (dirty_ || !picture_ || pictureScale_ != pixelsPerPoint) {
      render::RenderOptions options;
      options.scale = pixelsPerPoint;
      options.presentation = true;  // animations as they are at this moment
      // The canvas is kept and shown as it is: no copy of the picture per frame.
      picture_ = std::make_unique<render::Canvas>(input_.screenSize(), options);
      drawPhoneScreen(sim_, *picture_);
      pictureScale_ = pixelsPerPoint;
      dirty_ = false;
    }
    cairo_t* cr = context->cobj();
    cairo_save(cr);
    cairo_scale(cr, static_cast<double>(zoom_) / pixelsPerPoint, static_cast<double>(zoom_) / pixelsPerPoint);
    cairo_surface_t* picture = cairo_get_target(picture_->cairo());
    cairo_surface_flush(picture);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    if (frameLog_)
      std::fprintf(frameLog_, "%.3f\n",
                   std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }

  bool keyPressed(guint keyval, guint, Gdk::ModifierType state) {
    const bool control = (state & Gdk::ModifierType::CONTROL_MASK) == Gdk::ModifierType::CONTROL_MASK;
    bool used = false;
    if (control) {
      if (keyval == GDK_KEY_1 || keyval == GDK_KEY_KP_1) {
        setZoom(1);
        used = true;
      } else if (keyval == GDK_KEY_2 || keyval == GDK_KEY_KP_2) {
        setZoom(2);
        used = true;
      } else if ((keyval == GDK_KEY_r || keyval == GDK_KEY_R) && input_.hasReachability()) {
        input_.toggleReachability();
        used = true;
      }
    } else if (keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter) {
      used = input_.key(TouchInput::Key::Return);
    } else if (keyval == GDK_KEY_Escape) {
      used = input_.key(TouchInput::Key::Escape);
    } else if (keyval == GDK_KEY_BackSpace) {
      used = input_.key(TouchInput::Key::BackSpace);
    } else if (gunichar c = gdk_keyval_to_unicode(keyval); c && g_unichar_isprint(c)) {
      char utf8[8] = {};
      g_unichar_to_utf8(c, utf8);
      used = input_.type(utf8);
    }
    if (used) changed();
    return used;
  }

  SimContext& sim_;
  TouchInput input_;
  int zoom_;
  Gtk::HeaderBar header_;
  Gtk::Box titleBox_{Gtk::Orientation::VERTICAL};
  Gtk::Label titleLabel_, rootLabel_;
  Gtk::Button reach_;
  Gtk::MenuButton menu_;
  Gtk::Popover popover_;
  Gtk::DrawingArea area_;
  CGPoint dragStart_{};
  bool dirty_ = true;
  bool ticking_ = false;
  std::unique_ptr<render::Canvas> picture_;
  int pictureScale_ = 0;
  std::FILE* frameLog_ = nullptr;
};

}  // namespace

void runWithWindow(SimSession& session, const std::string& title, const GuiOptions& options) {
  if (!gtk_is_initialized()) throw std::runtime_error("the window's display is not prepared");

  auto window = std::make_unique<PhoneWindow>(session.context(), title, options.zoom, options.frameTimes);
  simRegistry().dumpFields.push_back({"gui", [w = window.get()](SimContext&) { return w->place(); }, SimHost::Any});

  std::vector<gpointer> tags;
  std::function<void()> afterTurn = [w = window.get()] { w->changed(); };
  GSource* source = g_source_new(&loopFuncs, sizeof(LoopSource));
  auto* loop = reinterpret_cast<LoopSource*>(source);
  loop->tags = &tags;
  loop->deadline = -1;
  loop->afterTurn = &afterTurn;
  g_source_attach(source, nullptr);

  window->present();
  main_loop::runTurn();  // what start-up queued
  while (!main_loop::stopRequested()) g_main_context_iteration(nullptr, TRUE);

  g_source_destroy(source);
  g_source_unref(source);
  simRegistry().dumpFields.pop_back();
  window.reset();
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

}  // namespace gui
