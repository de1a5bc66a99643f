// The window of a live process (GTK 4 through gtkmm), and the process's one main loop run under
// GTK's, with the dispatch loop inside it (DispatchLoopSource): the main thread serves the
// window, the main queue, the timers and the bus, and nothing else touches them. The screen is
// drawn as large as the window allows, centred (ScreenFit); the zoom sets the window's size.
// Everything gtkmm is in this file (its headers are slow to compile).
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

#include "cli/gui/DispatchLoopSource.hpp"
#include "cli/gui/Gui.hpp"
#include "cli/gui/OutsideDestruction.hpp"
#include "cli/gui/ScreenFit.hpp"
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
  // The desktop entry's name: the desktop matches the windows to it (Wayland's app id, X11's
  // WM_CLASS) and shows its icon.
  g_set_prgname("org.velloway.Velloway");
  if (!gtk_init_check()) {
    const char* display = std::getenv("DISPLAY");
    return fmt::format("cannot open the display {} (GTK could not connect to it)",
                       display && *display ? fmt::format("'{}'", display) : std::string("named by WAYLAND_DISPLAY"));
  }
  Gtk::init_gtkmm_internals();
  gtk_window_set_default_icon_name("org.velloway.Velloway");
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

// When the display server saw the event, in seconds: a busy machine may hand two clicks to the
// process together, and their own times still tell a double click from two clicks.
double eventSeconds(Gtk::GestureDrag* gesture) { return gesture->get_current_event_time() / 1000.0; }

// As closing it: the process ends with exit status 0.
void windowDestroyedFromOutside() { main_loop::stop(); }

class PhoneWindow : public Gtk::Window {
 public:
  PhoneWindow(SimSession& session, const std::string& title, int zoom, const std::string& frameTimes)
      : sim_(session.context()), input_(session), zoom_(zoom) {
    if (!frameTimes.empty()) {
      frameLog_ = std::fopen(frameTimes.c_str(), "a");
      if (!frameLog_) throw std::runtime_error(fmt::format("cannot open '{}' for the frame times", frameTimes));
    }
    buildHeader(title);
    buildMenu();
    area_.set_draw_func(sigc::mem_fun(*this, &PhoneWindow::draw));
    area_.set_hexpand(true);
    area_.set_vexpand(true);
    // Smaller than a third of the screen, nothing on it could be read or hit.
    const CGSize screen = input_.screenSize();
    area_.set_size_request(static_cast<int>(std::lround(screen.width / 3)), static_cast<int>(std::lround(screen.height / 3)));
    set_child(area_);
    sizeToZoom();
    area_.signal_resize().connect(sigc::mem_fun(*this, &PhoneWindow::areaResized));
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
  // the reachability button where the process has the gesture. Both lines give way to the
  // screen's width: the header is never what makes the window wider.
  void buildHeader(const std::string& title) {
    set_title(title);
    // The header has no room for the command's name: the process, and its name when given.
    const size_t split = title.find(" — ");
    std::string process = title.substr(0, split);
    if (process.rfind("velloway ", 0) == 0) process.erase(0, std::string("velloway ").size());
    titleLabel_.set_markup("<b>" + Glib::Markup::escape_text(process) + "</b>");
    titleLabel_.set_ellipsize(Pango::EllipsizeMode::END);
    rootLabel_.set_text(split == std::string::npos ? "" : title.substr(split + std::string(" — ").size()));
    rootLabel_.set_ellipsize(Pango::EllipsizeMode::START);
    rootLabel_.add_css_class("dim-label");
    for (Gtk::Label* label : {&titleLabel_, &rootLabel_}) label->set_max_width_chars(24);
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

  // A drag with the primary button is a touch, in points; one that starts beside the screen
  // touches nothing.
  void connectPointer() {
    auto drag = Gtk::GestureDrag::create();
    drag->set_button(GDK_BUTTON_PRIMARY);
    Gtk::GestureDrag* gesture = drag.get();  // not the RefPtr: the gesture holds these handlers
    drag->signal_drag_begin().connect([this, gesture](double x, double y) {
      dragStartX_ = x;
      dragStartY_ = y;
      const CGPoint at = toPoints(x, y);
      const CGSize screen = input_.screenSize();
      touching_ = at.x >= 0 && at.y >= 0 && at.x < screen.width && at.y < screen.height;
      if (!touching_) return;
      input_.press(at, eventSeconds(gesture));
      changed();
    });
    drag->signal_drag_update().connect([this](double dx, double dy) {
      if (!touching_) return;
      input_.drag(toPoints(dragStartX_ + dx, dragStartY_ + dy));
      changed();
    });
    drag->signal_drag_end().connect([this, gesture](double dx, double dy) {
      if (!touching_) return;
      touching_ = false;
      input_.release(toPoints(dragStartX_ + dx, dragStartY_ + dy), eventSeconds(gesture));
      changed();
    });
    area_.add_controller(drag);
  }

  // The keys go to the phone before any header-bar button could take Return for itself. The
  // screen holds the focus: the menu's popover gives it back there as it closes (with no focus
  // to give back, GTK complains).
  void connectKeys() {
    reach_.set_can_focus(false);
    menu_.set_can_focus(false);
    area_.set_focusable(true);
    set_focus(area_);
    auto keys = Gtk::EventControllerKey::create();
    keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    keys->signal_key_pressed().connect(sigc::mem_fun(*this, &PhoneWindow::keyPressed), false);
    add_controller(keys);
  }

 public:
  ~PhoneWindow() override {
    refit_.disconnect();
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

  // Where the screen is: the window, the screen's top-left in the window's coordinates, the
  // zoom the window was sized for and the window pixels per point it shows now; and the menu
  // button's middle, and whether its menu is open.
  nlohmann::json place() {
    nlohmann::json out;
    unsigned long xid = 0;
#ifdef GDK_WINDOWING_X11
    if (auto surface = get_surface(); surface && GDK_IS_X11_SURFACE(surface->gobj()))
      xid = gdk_x11_surface_get_xid(surface->gobj());
#endif
    out["window"] = xid;
    const ScreenFit at = fit();
    out["origin"] = inWindow(area_, at.x, at.y);
    out["zoom"] = zoom_;
    out["scale"] = at.scale;
    out["menu"] = {{"at", inWindow(menu_, menu_.get_width() / 2.0, menu_.get_height() / 2.0)}, {"open", popover_.get_visible()}};
    return out;
  }

 private:
  // A point of a widget in the window's coordinates (those of its X window, frame included).
  nlohmann::json inWindow(Gtk::Widget& widget, double x, double y) {
    double wx = 0, wy = 0, sx = 0, sy = 0;
    widget.translate_coordinates(*this, x, y, wx, wy);
    gtk_native_get_surface_transform(GTK_NATIVE(gobj()), &sx, &sy);
    return {std::lround(wx + sx), std::lround(wy + sy)};
  }

  ScreenFit fit() const { return ScreenFit::of(input_.screenSize(), area_.get_width(), area_.get_height()); }
  CGPoint toPoints(double x, double y) const { return fit().toPoints(x, y); }

  CGSize zoomedSize() const {
    const CGSize screen = input_.screenSize();
    return {std::round(screen.width * zoom_), std::round(screen.height * zoom_)};
  }

  // Asks for the window's size at the zoom; the drawing area's next sizes tell whether it came
  // out right.
  void sizeToZoom() {
    corrections_ = 5;
    resizeForZoom();
  }

  // The window's size for the screen at the zoom. Once the window is shown, by what the drawing
  // area lacks or has too much (which takes in the header and any frame the toolkit draws);
  // before, from the header's height.
  void resizeForZoom() {
    const CGSize want = zoomedSize();
    const int width = static_cast<int>(want.width), height = static_cast<int>(want.height);
    int windowWidth = 0, windowHeight = 0;
    get_default_size(windowWidth, windowHeight);
    if (area_.get_width() > 0 && windowWidth > 0) {
      set_default_size(windowWidth + width - area_.get_width(), windowHeight + height - area_.get_height());
      return;
    }
    int minimum = 0, natural = 0, baselineMin = 0, baselineNat = 0;
    header_.measure(Gtk::Orientation::VERTICAL, -1, minimum, natural, baselineMin, baselineNat);
    set_default_size(width, height + natural);
  }

  // The frame and the header are known only once the window is shown, and the display may take
  // a while to settle on a size: until the drawing area has the zoom's size, a few corrections
  // follow (after the allocation, not inside it). Resizes after that are the user's.
  void areaResized(int width, int height) {
    if (corrections_ == 0) return;
    const CGSize want = zoomedSize();
    if (width == want.width && height == want.height) {
      corrections_ = 0;
      return;
    }
    --corrections_;
    refit_.disconnect();
    refit_ = Glib::signal_idle().connect([this] {
      resizeForZoom();
      return false;
    });
  }

  void setZoom(int zoom) {
    zoom_ = zoom;
    sizeToZoom();
    changed();
  }

  // The picture of the screen at the window's pixels per point, kept until something changes.
  void paintScreen(cairo_t* cr, const ScreenFit& at) {
    const int displayScale = std::max(1, area_.get_scale_factor());
    const double pixelsPerPoint = at.scale * displayScale;
    if (dirty_ || !picture_ || picture_->scale() != pixelsPerPoint) {
      render::RenderOptions options;
      options.scale = pixelsPerPoint;
      options.presentation = true;  // animations as they are at this moment
      // The canvas is kept and shown as it is: no copy of the picture per frame.
      picture_ = std::make_unique<render::Canvas>(input_.screenSize(), options);
      drawPhoneScreen(sim_, *picture_);
      dirty_ = false;
    }
    cairo_save(cr);
    cairo_translate(cr, at.x, at.y);
    cairo_scale(cr, 1.0 / displayScale, 1.0 / displayScale);
    cairo_surface_t* picture = cairo_get_target(picture_->cairo());
    cairo_surface_flush(picture);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
  }

  // Beside the screen, when the window's shape is not the screen's, the dark of a phone's edge.
  void draw(const Cairo::RefPtr<Cairo::Context>& context, int width, int height) {
    const auto start = std::chrono::steady_clock::now();
    cairo_t* cr = context->cobj();
    const ScreenFit at = ScreenFit::of(input_.screenSize(), width, height);
    cairo_set_source_rgb(cr, 0.08, 0.08, 0.09);
    cairo_paint(cr);
    paintScreen(cr, at);
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
      used = input_.key(InputHost::Key::Return);
    } else if (keyval == GDK_KEY_Escape) {
      used = input_.key(InputHost::Key::Escape);
    } else if (keyval == GDK_KEY_BackSpace) {
      used = input_.key(InputHost::Key::BackSpace);
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
  double dragStartX_ = 0, dragStartY_ = 0;  // in the drawing area
  bool touching_ = false;
  int corrections_ = 0;     // of the window's size, left until the area has the zoom's size
  sigc::connection refit_;  // the next one
  bool dirty_ = true;
  bool ticking_ = false;
  std::unique_ptr<render::Canvas> picture_;
  std::FILE* frameLog_ = nullptr;
};

}  // namespace

void runWithWindow(SimSession& session, const std::string& title, const GuiOptions& options) {
  if (!gtk_is_initialized()) throw std::runtime_error("the window's display is not prepared");

  auto window = std::make_unique<PhoneWindow>(session, title, options.zoom, options.frameTimes);
  simRegistry().dumpFields.push_back({"gui", [w = window.get()](SimContext&) { return w->place(); }, SimHost::Any});

  {
    DispatchLoopSource loop([w = window.get()] { w->changed(); });
    window->present();
    watchForOutsideDestruction(window->gobj(), windowDestroyedFromOutside);
    main_loop::runTurn();  // what start-up queued
    while (!main_loop::stopRequested()) g_main_context_iteration(nullptr, TRUE);
  }

  simRegistry().dumpFields.pop_back();
  window.reset();
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  if (std::string problem = endWatch(); !problem.empty()) throw std::runtime_error(problem);
}

}  // namespace gui
