// The gtk backend: start-up, the event pump, top-level surfaces and how
// their pixels, shapes and cursors reach the X server, native drags, monitors
// and window icons. Input, other processes, dialogs and edit widgets live in
// the other files of this folder.
#include "platform/gtk/GtkBackend.h"
#include "platform/gtk/DesktopTheme.h"
#include "platform/gtk/WebEngineModule.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "platform/base/Unicode.h"
#include "platform/base/WorkerPriority.h"
#include "platform/gfx/Text.h"
#include "platform/gtk/ShapeMask.h"
#include "platform/gtk/SurfaceKind.h"
#include "platform/headless/StaticBrowser.h"
#include "platform/window/Resource.h"
#include "platform/window/internal/WindowSystem.h"

#include <gdk/gdkx.h>
// Xlib's macros collide with names of the platform layer.
#undef None
#undef CursorShape

namespace os::gtk {
namespace {

// The icon group every window of the launcher shows.
constexpr WORD kIconGroup = 115;

// The canvas is a GtkFixed that asks for no room: edit widgets placed partly
// outside the window must not make the window grow, and the window's size is
// whatever the window system says.
struct LumoraCanvas {
  GtkFixed parent;
};
struct LumoraCanvasClass {
  GtkFixedClass parentClass;
};
G_DEFINE_TYPE(LumoraCanvas, lumora_canvas, GTK_TYPE_FIXED)

void CanvasPreferredSize(GtkWidget*, gint* minimum, gint* natural) { *minimum = *natural = 0; }

void lumora_canvas_class_init(LumoraCanvasClass* klass) {
  GTK_WIDGET_CLASS(klass)->get_preferred_width = CanvasPreferredSize;
  GTK_WIDGET_CLASS(klass)->get_preferred_height = CanvasPreferredSize;
}

void lumora_canvas_init(LumoraCanvas*) {}

// --- the queue source -------------------------------------------------------
// Wake() makes it ready, so a blocking iteration returns. Inside nested loops
// (NestedLoopScope) it also dispatches the window system's messages and falls
// due with its timers, as the modal loops of Windows keep windows alive.

struct QueueSource {
  GSource base;
  GtkBackend* backend;
};

GtkBackend* BackendOf(GSource* source) { return reinterpret_cast<QueueSource*>(source)->backend; }

bool NestedDispatchWanted(GtkBackend* b) { return b->nested > b->nestedDispatching && b->events(); }

// The earliest timer or hover due, passed ones included: a nested loop has to
// dispatch those, while TimeToNextDeadline leaves them out for the main loop.
std::optional<std::uint64_t> EarliestDue() {
  internal::WindowSystem& sys = internal::Sys();
  std::optional<std::uint64_t> next = sys.timers().EarliestDue();
  const auto hover = sys.input().HoverDeadline();
  if (hover && (!next || *hover < *next)) next = hover;
  return next;
}

gboolean QueuePrepare(GSource* source, gint* timeout) {
  GtkBackend* b = BackendOf(source);
  *timeout = -1;
  if (b->woken.load()) return TRUE;
  b->nestedDeadline.reset();
  if (NestedDispatchWanted(b)) {
    if (auto due = EarliestDue()) {
      const std::uint64_t now = b->NowMs();
      if (*due <= now) return TRUE;
      b->nestedDeadline = due;
      *timeout = static_cast<gint>(std::min<std::uint64_t>(*due - now, 0x7FFFFFFF));
    }
  }
  return FALSE;
}

gboolean QueueCheck(GSource* source) {
  GtkBackend* b = BackendOf(source);
  if (b->woken.load()) return TRUE;
  return NestedDispatchWanted(b) && b->nestedDeadline && b->NowMs() >= *b->nestedDeadline;
}

gboolean QueueDispatch(GSource* source, GSourceFunc, gpointer) {
  GtkBackend* b = BackendOf(source);
  b->woken.store(false);
  b->ForgetMonitors();
  if (NestedDispatchWanted(b)) {
    ++b->nestedDispatching;
    b->events()->DispatchPending();
    --b->nestedDispatching;
  }
  return G_SOURCE_CONTINUE;
}

GSourceFuncs kQueueFuncs = {QueuePrepare, QueueCheck, QueueDispatch, nullptr, nullptr, nullptr};

// The buffer's size in logical units.
SIZE LogicalSize(cairo_surface_t* buffer) {
  double sx = 1, sy = 1;
  cairo_surface_get_device_scale(buffer, &sx, &sy);
  const DeviceScale scale(static_cast<int>(sx));
  return scale.ToLogical(SIZE{cairo_image_surface_get_width(buffer), cairo_image_surface_get_height(buffer)});
}

// The window's pixels (its buffer, or a first frame not yet copied into it)
// onto the canvas.
void PaintPixels(const Surface& s, cairo_t* cr, cairo_surface_t* pixels) {
  if (s.layeredFrame && s.Blends()) {
    // Per-pixel alpha reaches the compositor as it is.
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(cr, pixels, 0, 0);
    cairo_paint_with_alpha(cr, s.frameAlpha / 255.0);
  } else {
    // An opaque window shows the colour bytes of its premultiplied buffer, as
    // a BitBlt of a 32-bit DIB does; transparency comes from the shape.
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(cr, pixels, 0, 0);
    cairo_paint(cr);
  }
}

void PaintBuffer(const Surface& s, cairo_t* cr) { PaintPixels(s, cr, s.buffer); }

void StopWaitingForPaint(Surface& s) {
  if (s.paintClock == nullptr) return;
  g_signal_handler_disconnect(s.paintClock, std::exchange(s.afterPaint, 0ul));
  g_object_unref(std::exchange(s.paintClock, nullptr));
}

// A draw handler paints into GTK's own buffer, which reaches the window only
// once every widget has drawn and the paint ends: the frame is shown then,
// not in the handler (a program told its frame is drawn may stop at once).
void FrameShownAfterPaint(Surface& s) {
  if (s.paintClock != nullptr) return;
  GdkFrameClock* clock = gtk_widget_get_frame_clock(s.window);
  if (clock == nullptr) {
    s.backend->FrameShown(s);
    return;
  }
  s.paintClock = GDK_FRAME_CLOCK(g_object_ref(clock));
  s.afterPaint = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer data) {
    auto* painted = static_cast<Surface*>(data);
    StopWaitingForPaint(*painted);
    gdk_display_flush(gtk_widget_get_display(painted->window));
    painted->backend->FrameShown(*painted);  // may destroy the window
  }), &s);
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  // Nothing to show before the window's first pixels: the draw GTK makes
  // when it maps the window (just before them) would only blend a blank
  // buffer of the whole window.
  if (!s->buffer || !s->presented) return FALSE;
  PaintBuffer(*s, cr);
  FrameShownAfterPaint(*s);
  return FALSE;  // the edit widgets draw next
}

// The first pixels a shown window is given are drawn at once. GTK drew the
// window empty when it was mapped, moments before, and a draw queued now
// would wait for the frame clock's next tick after that one, up to a whole
// refresh interval (16.7 ms) later. The queued draw still follows, with the
// edit widgets. `pixels` are the frame when it is not yet in the buffer.
// A window given its size just before it was shown may not have laid the
// canvas out at that size yet: drawn now, the frame would be cut to the old
// size, so GTK's paint draws it after the layout instead.
void DrawFirstFrameNow(Surface& s, cairo_surface_t* pixels = nullptr) {
  if (!s.buffer || !gtk_widget_get_mapped(s.canvas)) return;
  GdkWindow* window = gtk_widget_get_window(s.canvas);
  if (window == nullptr) return;
  const cairo_rectangle_int_t all{0, 0, gtk_widget_get_allocated_width(s.canvas),
                                  gtk_widget_get_allocated_height(s.canvas)};
  const SIZE frame = LogicalSize(s.buffer);
  if (all.width < frame.cx || all.height < frame.cy) return;
  cairo_region_t* region = cairo_region_create_rectangle(&all);
  GdkDrawingContext* context = gdk_window_begin_draw_frame(window, region);
  PaintPixels(s, gdk_drawing_context_get_cairo_context(context), pixels != nullptr ? pixels : s.buffer);
  gdk_window_end_draw_frame(window, context);
  cairo_region_destroy(region);
  gdk_display_flush(gdk_window_get_display(window));
  s.backend->FrameShown(s);
}

// A window that is shown has its first frame painted at once, on the next
// pass of the loop (its whole client area waits for WM_PAINT). GTK would
// first draw the window empty (a whole window's worth of drawing and copying
// to the display) in the frame it makes for the mapping; held back, it draws
// nothing until the window's own pixels are there, and then draws those.
// Should the pixels not come, GTK's drawing comes back after this long.
constexpr guint kFirstFrameWaitMs = 250;

// Gives GTK's drawing back to a window that held it for its first frame.
void ReleaseUpdates(Surface& s) {
  if (s.releaseTimer != 0) g_source_remove(std::exchange(s.releaseTimer, 0u));
  if (!std::exchange(s.updatesHeld, false)) return;
  if (GdkWindow* window = gtk_widget_get_window(s.window)) gdk_window_thaw_updates(window);
}

void HoldUpdatesUntilFirstFrame(Surface& s) {
  GdkWindow* window = gtk_widget_get_window(s.window);
  if (s.updatesHeld || s.presented || window == nullptr) return;
  gdk_window_freeze_updates(window);
  s.updatesHeld = true;
  s.releaseTimer = g_timeout_add(kFirstFrameWaitMs, +[](gpointer data) -> gboolean {
    auto* held = static_cast<Surface*>(data);
    held->releaseTimer = 0;
    ReleaseUpdates(*held);
    return G_SOURCE_REMOVE;
  }, &s);
}

// The longest side cairo accepts for an image surface.
constexpr int kMaxBufferSide = 32767;

DeviceScale ScaleOf(cairo_surface_t* buffer) {
  double sx = 1, sy = 1;
  cairo_surface_get_device_scale(buffer, &sx, &sy);
  return DeviceScale(static_cast<int>(sx));
}

// A transparent buffer of width x height logical units at the scale (lower
// when the device pixels would not fit cairo's limit).
cairo_surface_t* NewBuffer(int width, int height, DeviceScale scale) {
  scale = scale.FittingExtent(SIZE{width, height}, kMaxBufferSide);
  cairo_surface_t* buffer =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, scale.ToDevice(width), scale.ToDevice(height));
  cairo_surface_set_device_scale(buffer, scale.Factor(), scale.Factor());
  return buffer;
}

// The layered frames made in memory the X server shares (NewLayeredFrame),
// by the address of their pixels: a frame presented from one of them is
// drawn from the image itself, which cairo hands to the server without
// copying it. An image leaves the list when its last reference goes. Never
// destroyed: a bitmap may outlive the program's static objects.
std::unordered_map<const unsigned char*, cairo_surface_t*>& SharedFrames() {
  static auto* frames = new std::unordered_map<const unsigned char*, cairo_surface_t*>();
  return *frames;
}

const cairo_user_data_key_t kSharedFrameKey{};

// The shared image whose pixels `frame` views, all of them and at the
// image's own density; null otherwise. The caller gets a reference.
cairo_surface_t* SharedFrameOf(const PixelView& frame) {
  const auto found = SharedFrames().find(frame.pixels);
  if (found == SharedFrames().end()) return nullptr;
  cairo_surface_t* image = found->second;
  if (cairo_image_surface_get_width(image) != frame.width ||
      cairo_image_surface_get_height(image) != frame.height ||
      cairo_image_surface_get_stride(image) != frame.stride || ScaleOf(image) != frame.scale) {
    return nullptr;
  }
  return cairo_surface_reference(image);
}

// Copies the block of `source` at logical `from` onto the logical rectangle
// `to` of the buffer, replacing what was there: device rows one for one when
// the densities agree, resampled smoothly by cairo otherwise (a frame painted
// before the window changed monitors, a shadow painted at one pixel per
// unit).
// The pixels as a cairo surface, at their density, without a copy; null when
// cairo cannot take them (a stride it refuses). cairo only reads through it.
cairo_surface_t* WrapPixels(const PixelView& source) {
  cairo_surface_t* pixels =
      cairo_image_surface_create_for_data(const_cast<unsigned char*>(source.pixels), CAIRO_FORMAT_ARGB32,
                                          source.width, source.height, source.stride);
  if (cairo_surface_status(pixels) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(pixels);
    return nullptr;
  }
  cairo_surface_set_device_scale(pixels, source.scale.Factor(), source.scale.Factor());
  return pixels;
}

void CopyPixels(cairo_surface_t* buffer, const PixelView& source, POINT from, const RECT& to) {
  const DeviceScale scale = ScaleOf(buffer);
  if (source.scale == scale) {
    const RECT t = scale.ToDevice(to);
    const POINT f = scale.ToDevice(from);
    const int w = std::min<int>(t.right - t.left, source.width - f.x);
    const int h = std::min<int>(t.bottom - t.top, source.height - f.y);
    if (w <= 0 || h <= 0 || f.x < 0 || f.y < 0) return;
    cairo_surface_flush(buffer);
    unsigned char* data = cairo_image_surface_get_data(buffer);
    const int stride = cairo_image_surface_get_stride(buffer);
    for (int row = 0; row < h; ++row) {
      std::memcpy(
          data + static_cast<std::size_t>(t.top + row) * stride + static_cast<std::size_t>(t.left) * 4,
          source.pixels + static_cast<std::size_t>(f.y + row) * source.stride +
              static_cast<std::size_t>(f.x) * 4,
          static_cast<std::size_t>(w) * 4);
    }
    cairo_surface_mark_dirty_rectangle(buffer, t.left, t.top, w, h);
    return;
  }
  cairo_surface_t* pixels = WrapPixels(source);
  if (pixels == nullptr) return;
  cairo_t* cr = cairo_create(buffer);
  cairo_rectangle(cr, to.left, to.top, to.right - to.left, to.bottom - to.top);
  cairo_clip(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, pixels, to.left - from.x, to.top - from.y);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(pixels);
}

void OnScaleFactor(GtkWidget* window, GParamSpec*, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  s->backend->ScaleChanged(*s, gtk_widget_get_scale_factor(window));
}

cairo_region_t* RegionOf(const std::vector<RECT>& rects) {
  std::vector<cairo_rectangle_int_t> list;
  list.reserve(rects.size());
  for (const RECT& r : rects) list.push_back({r.left, r.top, r.right - r.left, r.bottom - r.top});
  return cairo_region_create_rectangles(list.data(), static_cast<int>(list.size()));
}

GdkWindowEdge EdgeOf(UINT edge) {
  switch (edge) {
    case WMSZ_LEFT:
      return GDK_WINDOW_EDGE_WEST;
    case WMSZ_RIGHT:
      return GDK_WINDOW_EDGE_EAST;
    case WMSZ_TOP:
      return GDK_WINDOW_EDGE_NORTH;
    case WMSZ_TOPLEFT:
      return GDK_WINDOW_EDGE_NORTH_WEST;
    case WMSZ_TOPRIGHT:
      return GDK_WINDOW_EDGE_NORTH_EAST;
    case WMSZ_BOTTOMLEFT:
      return GDK_WINDOW_EDGE_SOUTH_WEST;
    case WMSZ_BOTTOMRIGHT:
      return GDK_WINDOW_EDGE_SOUTH_EAST;
    case WMSZ_BOTTOM:
    default:
      return GDK_WINDOW_EDGE_SOUTH;
  }
}

guint GdkButtonOf(MouseButton b) {
  switch (b) {
    case MouseButton::Left:
      return 1;
    case MouseButton::Middle:
      return 2;
    case MouseButton::Right:
      return 3;
    case MouseButton::X1:
      return 8;
    case MouseButton::X2:
      return 9;
  }
  return 1;
}

const char* CursorName(CursorShape shape) {
  switch (shape) {
    case CursorShape::IBeam:
      return "text";
    case CursorShape::Wait:
      return "wait";
    case CursorShape::Cross:
      return "crosshair";
    case CursorShape::UpArrow:
      return "up-arrow";
    case CursorShape::SizeNWSE:
      return "nwse-resize";
    case CursorShape::SizeNESW:
      return "nesw-resize";
    case CursorShape::SizeWE:
      return "ew-resize";
    case CursorShape::SizeNS:
      return "ns-resize";
    case CursorShape::SizeAll:
      return "move";
    case CursorShape::No:
      return "not-allowed";
    case CursorShape::Hand:
      return "pointer";
    case CursorShape::AppStarting:
      return "progress";
    case CursorShape::Help:
      return "help";
    case CursorShape::None:
    case CursorShape::Arrow:
    default:
      return "default";
  }
}

// gdk-pixbuf reads .ico files but not the bare bitmap of an icon resource, so
// such an image is wrapped into a one-entry .ico.
std::vector<std::uint8_t> IcoOf(const IconImage& image) {
  const auto* bytes = static_cast<const std::uint8_t*>(image.data);
  std::vector<std::uint8_t> ico(22);
  ico[2] = 1;  // type: icon
  ico[4] = 1;  // one image
  ico[6] = static_cast<std::uint8_t>(image.width >= 256 ? 0 : image.width);
  ico[7] = static_cast<std::uint8_t>(image.height >= 256 ? 0 : image.height);
  ico[10] = 1;  // planes
  ico[12] = static_cast<std::uint8_t>(image.bitCount);
  const auto size = static_cast<std::uint32_t>(image.size);
  for (int i = 0; i < 4; ++i) ico[14 + i] = static_cast<std::uint8_t>(size >> (8 * i));
  ico[18] = 22;  // offset of the image
  ico.insert(ico.end(), bytes, bytes + image.size);
  return ico;
}

GdkPixbuf* DecodeIcon(const IconImage& image) {
  if (!image.data || image.size == 0) return nullptr;
  static const std::uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
  const bool png = image.size >= 4 && std::memcmp(image.data, kPng, 4) == 0;
  std::vector<std::uint8_t> wrapped;
  const auto* data = static_cast<const guchar*>(image.data);
  std::size_t size = image.size;
  if (!png) {
    wrapped = IcoOf(image);
    data = wrapped.data();
    size = wrapped.size();
  }
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GdkPixbuf* result = nullptr;
  if (gdk_pixbuf_loader_write(loader, data, size, nullptr) && gdk_pixbuf_loader_close(loader, nullptr)) {
    result = gdk_pixbuf_loader_get_pixbuf(loader);
    if (result) g_object_ref(result);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  return result;
}

// The program's icon group, each image decoded; any thread.
std::vector<GdkPixbuf*> DecodeProgramIcons() {
  std::vector<GdkPixbuf*> icons;
  for (const IconImage& image : LoadIconGroup(ExecutableModule(), kIconGroup)) {
    if (GdkPixbuf* pixbuf = DecodeIcon(image)) icons.push_back(pixbuf);
  }
  return icons;
}

}  // namespace

// ---------------------------------------------------------------------------
// Start-up

void RegisterBackend() {
  RegisterWebEngineModuleLoader();
  RegisterBackendFactory("gtk", []() -> std::unique_ptr<Backend> {
    // X11 even under Wayland (through XWayland): the backend needs the X
    // shape extension, client messages and the top-level window list.
    setenv("GDK_BACKEND", "x11", 0);
    // No window of ours draws with GL (they paint with cairo, and the web
    // engine renders in software), yet GDK's GL set-up loads the whole GL
    // driver stack (libGL, the DRI driver and its compiler) before the first
    // frame: a good part of the start-up's time and half its memory. It is
    // switched off for this process only: the variable goes again once GTK
    // has read it, so that programs the launcher starts do not inherit it.
    const bool glChosen = getenv("GDK_GL") != nullptr;
    if (!glChosen) setenv("GDK_GL", "disable", 0);
    const bool started = gtk_init_check(nullptr, nullptr);
    if (!glChosen) unsetenv("GDK_GL");
    if (!started) return nullptr;
    if (!GDK_IS_X11_DISPLAY(gdk_display_get_default())) return nullptr;
    StartWithQuickTheme();
    return std::make_unique<GtkBackend>();
  });
}

GtkBackend::GtkBackend() {
  GdkDisplay* display = gdk_display_get_default();
  // The desktop's scale factor (GDK_SCALE, or the settings daemon's) is
  // honoured: GTK places and sizes windows and reports the pointer in
  // logical units, and the buffers carry the device pixels (Surface::scale).
  GdkScreen* screen = gdk_display_get_default_screen(display);
  // A text scale without a window scale (GDK_DPI_SCALE, the desktop's
  // Xft/DPI): the launcher's text grows as GTK's does, its layout does not.
  SetTextResolution(gdk_screen_get_resolution(screen));
  composited_ = gdk_screen_is_composited(screen) && gdk_screen_get_rgba_visual(screen);
  queueSource_ = g_source_new(&kQueueFuncs, sizeof(QueueSource));
  reinterpret_cast<QueueSource*>(queueSource_)->backend = this;
  g_source_set_can_recurse(queueSource_, TRUE);
  g_source_set_priority(queueSource_, G_PRIORITY_DEFAULT);
  g_source_attach(queueSource_, g_main_context_default());
  auto changed = +[](GdkScreen*, gpointer data) {
    auto* b = static_cast<GtkBackend*>(data);
    b->ForgetMonitors();
    if (b->events()) b->events()->DisplayChanged();
  };
  monitorsChanged_ = g_signal_connect(screen, "monitors-changed", G_CALLBACK(changed), this);
  compositedChanged_ = g_signal_connect(
      screen, "composited-changed", G_CALLBACK(+[](GdkScreen* screen, gpointer data) {
        // New windows pick the visual that fits; existing ones with an
        // alpha visual switch between blending and shapes.
        auto* b = static_cast<GtkBackend*>(data);
        b->SetComposited(gdk_screen_is_composited(screen) && gdk_screen_get_rgba_visual(screen));
      }),
      this);
}

GtkBackend::~GtkBackend() {
  std::vector<SurfaceId> ids;
  for (auto& [id, s] : surfaces_) ids.push_back(id);
  for (SurfaceId id : ids) DestroySurface(id);
  for (auto& [owner, tip] : tooltips_) gtk_widget_destroy(tip);
  tooltips_.clear();
  GdkScreen* screen = gdk_screen_get_default();
  if (monitorsChanged_) g_signal_handler_disconnect(screen, monitorsChanged_);
  if (compositedChanged_) g_signal_handler_disconnect(screen, compositedChanged_);
  if (dragPoll_) g_source_remove(dragPoll_);
  if (queueSource_) {
    g_source_destroy(queueSource_);
    g_source_unref(queueSource_);
  }
  for (auto& [shape, cursor] : cursors_) g_object_unref(cursor);
  g_list_free(iconList_);
  for (GdkPixbuf* icon : icons_) g_object_unref(icon);
  if (iconsIdle_) g_source_remove(iconsIdle_);
  if (iconsAhead_.valid()) {
    for (GdkPixbuf* icon : iconsAhead_.get()) g_object_unref(icon);
  }
}

void GtkBackend::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  // The first toplevel made sets up GTK's styling and the classes of the
  // widgets a window is made of, which every later window is spared. One that
  // is never realised has no X window: nothing appears and nobody can find it.
  GtkWidget* probe = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_set_app_paintable(probe, TRUE);
  gtk_container_add(GTK_CONTAINER(probe), GTK_WIDGET(g_object_new(lumora_canvas_get_type(), nullptr)));
  gtk_widget_destroy(probe);
}

void GtkBackend::SetComposited(bool composited) {
  if (composited == composited_) return;
  composited_ = composited;
  for (auto& [id, s] : surfaces_) {
    UpdateShape(*s);
    gtk_widget_queue_draw(s->canvas);
  }
}

// ---------------------------------------------------------------------------
// Clock and pump

std::uint64_t GtkBackend::NowMs() { return static_cast<std::uint64_t>(g_get_monotonic_time() / 1000); }

void GtkBackend::Wait(std::optional<std::uint32_t> timeoutMs) {
  GMainContext* context = g_main_context_default();
  ForgetMonitors();
  const bool woke = woken.exchange(false);
  if (!woke && (!timeoutMs || *timeoutMs > 0)) {
    GSource* timer = nullptr;
    if (timeoutMs) {
      timer = g_timeout_source_new(*timeoutMs);
      g_source_set_callback(
          timer, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
      g_source_attach(timer, context);
    }
    g_main_context_iteration(context, TRUE);
    if (timer) {
      g_source_destroy(timer);
      g_source_unref(timer);
    }
  }
  // Whatever else is ready (a burst of X events) is delivered now too.
  for (int i = 0; i < 256 && g_main_context_iteration(context, FALSE); ++i) {
  }
}

void GtkBackend::Wake() {
  woken.store(true);
  g_main_context_wakeup(g_main_context_default());
}

NestedLoopScope::NestedLoopScope(GtkBackend& backend) : backend_(backend) { ++backend_.nested; }
NestedLoopScope::~NestedLoopScope() { --backend_.nested; }

// ---------------------------------------------------------------------------
// Surfaces

bool Surface::Blends() const { return alphaVisual && backend->composited(); }

Surface* GtkBackend::Find(SurfaceId surface) {
  auto it = surfaces_.find(surface);
  return it == surfaces_.end() ? nullptr : it->second.get();
}

bool GtkBackend::windowManagerHandles(const char* hint) const {
  return gdk_x11_screen_supports_net_wm_hint(gdk_screen_get_default(), gdk_atom_intern_static_string(hint));
}

SurfaceId GtkBackend::CreateSurface(const SurfaceParams& params) {
  auto owned = std::make_unique<Surface>();
  Surface& s = *owned;
  s.backend = this;
  s.id = nextSurface_++;
  s.hwnd = params.hwnd;
  s.rect = params.rect;
  s.layered = params.layered;
  s.noActivate = params.noActivate;

  const bool dropDown = KindOf(params) == SurfaceKind::DropDown;
  GtkWindow* window = GTK_WINDOW(gtk_window_new(dropDown ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL));
  s.window = GTK_WIDGET(window);
  gtk_window_set_decorated(window, FALSE);
  if (dropDown) gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_COMBO);
  gtk_widget_set_app_paintable(s.window, TRUE);
  if (composited_) {
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(s.window))) {
      gtk_widget_set_visual(s.window, rgba);
      s.alphaVisual = true;
    }
  }
  gtk_window_set_title(window, Utf16ToUtf8(params.title).c_str());
  s.appWindow = params.appWindow;
  s.toolWindow = params.toolWindow;
  Surface* owner = Find(params.owner);
  if (owner) gtk_window_set_transient_for(window, GTK_WINDOW(owner->window));
  UpdateTaskbarHint(s, owner != nullptr);
  if (params.topmost) gtk_window_set_keep_above(window, TRUE);
  if (params.noActivate) {
    gtk_window_set_accept_focus(window, FALSE);
    gtk_window_set_focus_on_map(window, FALSE);
  }

  s.canvas = GTK_WIDGET(g_object_new(lumora_canvas_get_type(), nullptr));
  gtk_widget_set_has_window(s.canvas, TRUE);
  gtk_widget_set_app_paintable(s.canvas, TRUE);
  gtk_widget_set_can_focus(s.canvas, TRUE);
  gtk_widget_add_events(s.canvas, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                      GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK |
                                      GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK);
  gtk_container_add(GTK_CONTAINER(window), s.canvas);
  gtk_widget_show(s.canvas);
  gtk_window_set_focus(window, s.canvas);
  s.im = gtk_im_multicontext_new();
  g_signal_connect(s.canvas, "draw", G_CALLBACK(OnDraw), &s);
  ConnectInput(s);

  const int width = std::max<int>(params.rect.right - params.rect.left, 1);
  const int height = std::max<int>(params.rect.bottom - params.rect.top, 1);
  gtk_window_move(window, params.rect.left, params.rect.top);
  gtk_window_resize(window, width, height);
  // GTK sizes and places windows in logical units and multiplies by the
  // monitor's scale itself; only the pixels need the density.
  s.scale = DeviceScale(gtk_widget_get_scale_factor(s.window));
  ResizeBuffer(s, params.rect.right - params.rect.left, params.rect.bottom - params.rect.top);

  gtk_widget_realize(s.canvas);
  g_signal_connect(s.window, "notify::scale-factor", G_CALLBACK(OnScaleFactor), &s);
  ScaleChanged(s, gtk_widget_get_scale_factor(s.window));
  gtk_im_context_set_client_window(s.im, gtk_widget_get_window(s.canvas));
  AddForeignFilter(s);
  // Before the first frame the icons are not decoded yet; IconsWhenIdle
  // gives them to the windows made until then.
  if (iconsLoaded_) {
    if (GList* icons = Icons()) gtk_window_set_icon_list(window, icons);
  }
  surfaces_[s.id] = std::move(owned);
  return s.id;
}

void GtkBackend::DestroySurface(SurfaceId surface) {
  auto it = surfaces_.find(surface);
  if (it == surfaces_.end()) return;
  Surface& s = *it->second;
  for (GtkNativeEdit* edit : std::set<GtkNativeEdit*>(s.edits)) DetachEdit(edit);
  s.edits.clear();
  if (nativeDrag_ == surface) {
    if (dragPoll_) g_source_remove(dragPoll_);
    dragPoll_ = 0;
    nativeDrag_ = 0;
    nativeDragStarted_ = false;
    dragHints_ = false;
  }
  if (grabbed_ == surface) SetCapture(0);
  HideTooltip(surface);
  RemoveForeignFilter(s);
  ReleaseUpdates(s);
  StopWaitingForPaint(s);
  g_signal_handlers_disconnect_by_data(s.window, &s);
  g_signal_handlers_disconnect_by_data(s.canvas, &s);
  g_signal_handlers_disconnect_by_data(s.im, &s);
  gtk_im_context_set_client_window(s.im, nullptr);
  g_object_unref(s.im);
  gtk_widget_destroy(s.window);
  if (s.buffer) cairo_surface_destroy(s.buffer);
  surfaces_.erase(it);
}

void GtkBackend::ShowSurface(SurfaceId surface, bool visible, bool activate) {
  Surface* s = Find(surface);
  if (!s) return;
  GtkWindow* window = GTK_WINDOW(s->window);
  if (!visible) {
    s->visible = false;
    s->activateOnMap = false;
    ReleaseUpdates(*s);
    gtk_widget_hide(s->window);
    return;
  }
  activate = activate && !s->noActivate;
  if (!s->visible) {
    s->visible = true;
    gtk_window_set_focus_on_map(window, activate);
    gtk_window_move(window, s->rect.left, s->rect.top);
    s->activateOnMap = activate;
    gtk_widget_show(s->window);
    HoldUpdatesUntilFirstFrame(*s);
  }
  if (activate) {
    ExpectActivation(surface);
    gtk_window_present(window);
  }
}

void GtkBackend::MoveSurface(SurfaceId surface, const RECT& rect) {
  Surface* s = Find(surface);
  if (!s) return;
  const RECT old = s->rect;
  const bool sized =
      rect.right - rect.left != old.right - old.left || rect.bottom - rect.top != old.bottom - old.top;
  s->rect = rect;
  // A window manager keeps an iconified window where it was; without one the
  // window is "minimised" by moving it off the screen as Windows does.
  if (s->state == SurfaceState::Minimized && windowManagerHandles("_NET_WM_STATE_HIDDEN")) return;
  const int width = std::max<int>(rect.right - rect.left, 1);
  const int height = std::max<int>(rect.bottom - rect.top, 1);
  if (!s->pending) {
    s->pending = true;
    s->pendingPositions.assign(1, POINT{old.left, old.top});
    s->pendingSizes.assign(
        1, SIZE{std::max<LONG>(old.right - old.left, 1), std::max<LONG>(old.bottom - old.top, 1)});
  }
  s->pendingSince = NowMs();
  s->pendingPositions.push_back(POINT{rect.left, rect.top});
  s->pendingSizes.push_back(SIZE{width, height});
  s->requested = RECT{rect.left, rect.top, rect.left + width, rect.top + height};
  gtk_window_move(GTK_WINDOW(s->window), rect.left, rect.top);
  gtk_window_resize(GTK_WINDOW(s->window), width, height);
  if (sized && !s->layeredFrame) ResizeBuffer(*s, rect.right - rect.left, rect.bottom - rect.top);
}

void GtkBackend::DesktopMoved(Surface& s, const RECT& rect) {
  // Requests the desktop never answers (nothing changed) expire.
  if (s.pending && NowMs() - s.pendingSince > 2000) s.pending = false;
  if (s.pending) {
    if (EqualRect(&rect, &s.requested)) {
      s.pending = false;
      return;
    }
    const bool knownPosition = std::any_of(s.pendingPositions.begin(), s.pendingPositions.end(),
                                           [&](POINT p) { return p.x == rect.left && p.y == rect.top; });
    const bool knownSize = std::any_of(s.pendingSizes.begin(), s.pendingSizes.end(), [&](SIZE z) {
      return z.cx == rect.right - rect.left && z.cy == rect.bottom - rect.top;
    });
    if (knownPosition && knownSize) return;  // a step on the way to what was asked
    s.pending = false;                       // the desktop placed it otherwise
  }
  if (EqualRect(&rect, &s.rect)) return;
  const bool sized = rect.right - rect.left != s.rect.right - s.rect.left ||
                     rect.bottom - rect.top != s.rect.bottom - s.rect.top;
  s.rect = rect;
  if (sized && !s.layeredFrame) ResizeBuffer(s, rect.right - rect.left, rect.bottom - rect.top);
  if (events_) events_->SurfaceMoved(s.id, rect);
}

void GtkBackend::DesktopState(Surface& s, SurfaceState state) {
  if (state == s.state) return;
  s.state = state;
  if (events_) events_->SurfaceStateChanged(s.id, state);
}

void GtkBackend::SetSurfaceTitle(SurfaceId surface, std::u16string_view title) {
  if (Surface* s = Find(surface)) gtk_window_set_title(GTK_WINDOW(s->window), Utf16ToUtf8(title).c_str());
}

void GtkBackend::SetSurfaceOwner(SurfaceId surface, SurfaceId owner) {
  Surface* s = Find(surface);
  if (!s) return;
  Surface* o = Find(owner);
  gtk_window_set_transient_for(GTK_WINDOW(s->window), o ? GTK_WINDOW(o->window) : nullptr);
  UpdateTaskbarHint(*s, o != nullptr);
}

// The taskbar shows a window as Windows does: unowned windows and those with
// WS_EX_APPWINDOW, never tool windows (WS_POPUP makes no difference).
void GtkBackend::UpdateTaskbarHint(Surface& s, bool owned) {
  const bool skip = s.toolWindow || (owned && !s.appWindow);
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(s.window), skip);
  gtk_window_set_skip_pager_hint(GTK_WINDOW(s.window), skip);
}

void GtkBackend::SetSurfaceShape(SurfaceId surface, const WindowShape* shape) {
  Surface* s = Find(surface);
  if (!s) return;
  if (shape) {
    s->shape = *shape;
  } else {
    s->shape.reset();
  }
  UpdateShape(*s);
}

void GtkBackend::SetSurfaceLayered(SurfaceId surface, bool layered) {
  Surface* s = Find(surface);
  if (!s) return;
  s->layered = layered;
  if (!layered) {
    s->layeredFrame = false;
    s->frameAlpha = 255;
    gtk_widget_set_opacity(s->window, 1.0);
    ResizeBuffer(*s, s->rect.right - s->rect.left, s->rect.bottom - s->rect.top);
  }
  UpdateShape(*s);
  gtk_widget_queue_draw(s->canvas);
}

void GtkBackend::SetSurfaceOpacity(SurfaceId surface, BYTE alpha) {
  // Only a compositor can blend a whole window; without one it stays opaque.
  if (Surface* s = Find(surface)) gtk_widget_set_opacity(s->window, alpha / 255.0);
}

void GtkBackend::SetSurfaceState(SurfaceId surface, SurfaceState state) {
  Surface* s = Find(surface);
  if (!s) return;
  const SurfaceState old = s->state;
  s->state = state;
  GtkWindow* window = GTK_WINDOW(s->window);
  switch (state) {
    case SurfaceState::Minimized:
      gtk_window_iconify(window);
      break;
    case SurfaceState::Maximized:
      if (old == SurfaceState::Minimized) gtk_window_deiconify(window);
      gtk_window_maximize(window);
      break;
    case SurfaceState::Normal:
      if (old == SurfaceState::Minimized) gtk_window_deiconify(window);
      if (old == SurfaceState::Maximized || gtk_window_is_maximized(window)) gtk_window_unmaximize(window);
      break;
  }
}

void GtkBackend::RaiseSurface(SurfaceId surface) {
  Surface* s = Find(surface);
  if (s && gtk_widget_get_realized(s->window)) gdk_window_raise(gtk_widget_get_window(s->window));
}

void GtkBackend::ActivateSurface(SurfaceId surface) {
  Surface* s = Find(surface);
  if (!s || !s->visible || s->noActivate) return;
  ExpectActivation(surface);
  PresentNow(GTK_WINDOW(s->window));
}

void GtkBackend::ExpectActivation(SurfaceId surface) {
  activationEchoes_.Expect(surface, static_cast<std::int64_t>(NowMs()));
}

bool GtkBackend::ActivationIsNews(SurfaceId surface, bool active) {
  return activationEchoes_.IsNews(surface, active, static_cast<std::int64_t>(NowMs()));
}

void PresentNow(GtkWindow* window) {
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window));
  if (!gdk || !GDK_IS_X11_WINDOW(gdk) || !gtk_widget_get_mapped(GTK_WIDGET(window))) {
    gtk_window_present(window);
    return;
  }
  // The time comes from a property change the server reports back.
  gdk_window_set_events(gdk,
                        static_cast<GdkEventMask>(gdk_window_get_events(gdk) | GDK_PROPERTY_CHANGE_MASK));
  gtk_window_present_with_time(window, gdk_x11_get_server_time(gdk));
}

// ---------------------------------------------------------------------------
// Pixels

void GtkBackend::ResizeBuffer(Surface& s, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (s.buffer && LogicalSize(s.buffer) == SIZE{width, height} &&
      ScaleOf(s.buffer) == s.scale.FittingExtent(SIZE{width, height}, kMaxBufferSide)) {
    return;
  }
  cairo_surface_t* buffer = NewBuffer(width, height, s.scale);
  if (s.buffer) {
    // Keep what was shown until the window paints its new area.
    cairo_t* cr = cairo_create(buffer);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, s.buffer, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(s.buffer);
  }
  s.buffer = buffer;
  UpdateShape(s);
}

void GtkBackend::Present(SurfaceId surface, const PixelView& source, POINT from, const RECT& target) {
  Surface* s = Find(surface);
  if (!s || !s->buffer || !source.pixels) return;
  // Logical units from here on; CopyPixels goes down to device pixels.
  const SIZE buffer = LogicalSize(s->buffer);
  const RECT t{std::max<LONG>(target.left, 0), std::max<LONG>(target.top, 0),
               std::min<LONG>(target.right, buffer.cx), std::min<LONG>(target.bottom, buffer.cy)};
  const int sx = from.x + (t.left - target.left), sy = from.y + (t.top - target.top);
  const int w = std::min<int>(t.right - t.left, source.LogicalWidth() - sx);
  const int h = std::min<int>(t.bottom - t.top, source.LogicalHeight() - sy);
  if (w <= 0 || h <= 0 || sx < 0 || sy < 0) return;
  CopyPixels(s->buffer, source, POINT{sx, sy}, RECT{t.left, t.top, t.left + w, t.top + h});
  const bool first = !std::exchange(s->presented, true);
  gtk_widget_queue_draw_area(s->canvas, t.left, t.top, w, h);
  if (first) DrawFirstFrameNow(*s);
  ReleaseUpdates(*s);
}

void GtkBackend::PresentLayered(SurfaceId surface, const PixelView& frame, BYTE constantAlpha) {
  Surface* s = Find(surface);
  if (!s || !frame.pixels || frame.width <= 0 || frame.height <= 0) return;
  s->layeredFrame = true;
  const bool first = !std::exchange(s->presented, true);
  s->frameAlpha = constantAlpha;
  const SIZE size{frame.LogicalWidth(), frame.LogicalHeight()};
  if (!s->buffer || LogicalSize(s->buffer) != size ||
      ScaleOf(s->buffer) != s->scale.FittingExtent(size, kMaxBufferSide)) {
    if (s->buffer) cairo_surface_destroy(s->buffer);
    s->buffer = NewBuffer(size.cx, size.cy, s->scale);
  }
  // The first frame goes to the screen straight from the caller's pixels and
  // is copied into the buffer after: a copy of the whole window, into memory
  // never touched before, was a good part of that frame's time.
  auto copy = [&] {
    CopyPixels(s->buffer, frame, POINT{0, 0}, RECT{0, 0, size.cx, size.cy});
    cairo_surface_mark_dirty(s->buffer);
  };
  cairo_surface_t* direct = nullptr;
  if (first && frame.scale == ScaleOf(s->buffer)) {
    direct = SharedFrameOf(frame);
    if (direct == nullptr) direct = WrapPixels(frame);
  }
  if (direct == nullptr) copy();
  UpdateShape(*s, direct != nullptr ? &frame : nullptr);
  gtk_widget_queue_draw(s->canvas);
  if (first) DrawFirstFrameNow(*s, direct);
  if (direct != nullptr) {
    cairo_surface_destroy(direct);
    copy();
  }
  // GTK may draw the window again now that its buffer holds the frame.
  ReleaseUpdates(*s);
}

Bitmap GtkBackend::NewLayeredFrame(int width, int height, DeviceScale scale) {
  scale = scale.FittingExtent(SIZE{width, height}, kMaxBufferSide);
  GdkScreen* screen = gdk_screen_get_default();
  GdkWindow* root = screen != nullptr ? gdk_screen_get_root_window(screen) : nullptr;
  if (root == nullptr || width <= 0 || height <= 0) return Bitmap(width, height, scale);
  // An image like the screen's: cairo makes it in a shared-memory segment
  // of the X server's when the server and the size allow (a plain image
  // otherwise, which works the same).
  cairo_surface_t* image = gdk_window_create_similar_image_surface(
      root, CAIRO_FORMAT_ARGB32, scale.ToDevice(width), scale.ToDevice(height), scale.Factor());
  Bitmap frame = Bitmap::Adopt(image, width, height, scale);
  if (!frame.IsValid()) return Bitmap(width, height, scale);
  cairo_surface_t* surface = frame.Surface();
  const unsigned char* pixels = cairo_image_surface_get_data(surface);
  SharedFrames()[pixels] = surface;
  cairo_surface_set_user_data(surface, &kSharedFrameKey, surface, +[](void* released) {
    std::erase_if(SharedFrames(), [released](const auto& entry) { return entry.second == released; });
  });
  return frame;
}

std::optional<SurfaceFrame> GtkBackend::SurfacePixels(SurfaceId surface) {
  Surface* s = Find(surface);
  if (!s || !s->buffer || !s->presented) return std::nullopt;
  cairo_surface_flush(s->buffer);
  SurfaceFrame frame;
  frame.width = cairo_image_surface_get_width(s->buffer);
  frame.height = cairo_image_surface_get_height(s->buffer);
  const int stride = cairo_image_surface_get_stride(s->buffer);
  const unsigned char* data = cairo_image_surface_get_data(s->buffer);
  const std::size_t row = static_cast<std::size_t>(frame.width) * 4;
  frame.bgra.resize(row * static_cast<std::size_t>(frame.height));
  // ARGB32 in native byte order is B, G, R, A in memory on the machines we run on.
  for (int y = 0; y < frame.height; ++y) {
    std::memcpy(frame.bgra.data() + row * static_cast<std::size_t>(y),
                data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride), row);
  }
  frame.perPixelAlpha = s->layeredFrame;
  frame.constantAlpha =
      s->layeredFrame ? s->frameAlpha : static_cast<BYTE>(gtk_widget_get_opacity(s->window) * 255.0 + 0.5);
  // The buffer holds device pixels; the shape is in logical units.
  if (s->shape) {
    const int f = s->scale.Factor();
    frame.shape = WindowShape{s->scale.ToDevice(s->shape->rect), s->shape->ellipseWidth * f,
                              s->shape->ellipseHeight * f};
  }
  return frame;
}

std::unique_ptr<BrowserEngine> GtkBackend::CreateDefaultBrowserEngine(BrowserEngineHost* host) {
  return headless::CreateStaticBrowserEngine(host);
}

DeviceScale GtkBackend::SurfaceScale(SurfaceId surface) {
  Surface* s = Find(surface);
  return s ? s->scale : DeviceScale(1);
}

void GtkBackend::ScaleChanged(Surface& s, int factor) {
  const DeviceScale scale(factor);
  if (scale == s.scale) return;
  internal::DebugNote("gtk: a window's scale factor changed");
  s.scale = scale;
  if (s.buffer) {
    const SIZE size = LogicalSize(s.buffer);
    ResizeBuffer(s, size.cx, size.cy);
  }
  gtk_widget_queue_draw(s.canvas);
  if (events_)
    events_->SurfaceExposed(s.id, RECT{0, 0, s.rect.right - s.rect.left, s.rect.bottom - s.rect.top});
}

void GtkBackend::UpdateShape(Surface& s, const PixelView* frame) {
  if (!s.buffer) return;
  // The shape is made in logical units: GDK multiplies it by the scale.
  const SIZE size = LogicalSize(s.buffer);
  const int width = size.cx;
  const int height = size.cy;
  const bool alphaShape = s.layered && s.layeredFrame;
  const WindowShape* shape = s.shape ? &*s.shape : nullptr;
  PixelView alpha;
  std::vector<std::uint8_t> none;
  if (alphaShape) {
    if (frame != nullptr) {
      alpha = *frame;
    } else {
      cairo_surface_flush(s.buffer);
      alpha.pixels = cairo_image_surface_get_data(s.buffer);
      alpha.width = cairo_image_surface_get_width(s.buffer);
      alpha.height = cairo_image_surface_get_height(s.buffer);
      alpha.stride = cairo_image_surface_get_stride(s.buffer);
      alpha.scale = ScaleOf(s.buffer);
    }
    if (s.frameAlpha == 0) alpha.pixels = nullptr;  // a fully transparent window takes no clicks
  }
  // Without a compositor the transparent pixels are cut out of the window;
  // with one they are drawn transparent and only let clicks through.
  const bool boundingAlpha = alphaShape && !s.Blends();
  const bool inputAlpha = alphaShape && s.Blends();

  if (shape || boundingAlpha) {
    auto rects = ShapeRectangles(width, height, shape, boundingAlpha ? &alpha : nullptr);
    if (!s.shapeApplied || rects != s.appliedShape) {
      cairo_region_t* region = RegionOf(rects);
      gtk_widget_shape_combine_region(s.window, region);
      cairo_region_destroy(region);
      s.appliedShape = std::move(rects);
      s.shapeApplied = true;
    }
  } else if (s.shapeApplied) {
    gtk_widget_shape_combine_region(s.window, nullptr);
    s.appliedShape.clear();
    s.shapeApplied = false;
  }

  if (inputAlpha) {
    auto rects = ShapeRectangles(width, height, shape, &alpha);
    if (!s.inputShapeApplied || rects != s.appliedInputShape) {
      cairo_region_t* region = RegionOf(rects);
      gtk_widget_input_shape_combine_region(s.window, region);
      cairo_region_destroy(region);
      s.appliedInputShape = std::move(rects);
      s.inputShapeApplied = true;
    }
  } else if (s.inputShapeApplied) {
    gtk_widget_input_shape_combine_region(s.window, nullptr);
    s.appliedInputShape.clear();
    s.inputShapeApplied = false;
  }
}

// ---------------------------------------------------------------------------
// Pointer

GdkCursor* GtkBackend::CursorFor(CursorShape shape) {
  auto it = cursors_.find(shape);
  if (it != cursors_.end()) return it->second;
  GdkDisplay* display = gdk_display_get_default();
  GdkCursor* cursor = shape == CursorShape::None ? gdk_cursor_new_for_display(display, GDK_BLANK_CURSOR)
                                                 : gdk_cursor_new_from_name(display, CursorName(shape));
  if (!cursor) cursor = gdk_cursor_new_from_name(display, "default");
  if (cursor) cursors_[shape] = cursor;
  return cursor;
}

void GtkBackend::SetCursor(SurfaceId surface, CursorShape shape) {
  Surface* s = Find(surface);
  if (!s || !gtk_widget_get_realized(s->canvas)) return;
  if (s->cursorSet && s->cursor == shape) return;
  s->cursor = shape;
  s->cursorSet = true;
  gdk_window_set_cursor(gtk_widget_get_window(s->canvas), CursorFor(shape));
}

void GtkBackend::SetCapture(SurfaceId surface) {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  if (!surface) {
    if (grabbed_) gdk_seat_ungrab(seat);
    grabbed_ = 0;
    return;
  }
  Surface* s = Find(surface);
  // While a button is held the implicit grab already brings every pointer
  // event to the window; an explicit grab is only needed without one.
  if (!s || !s->visible || buttonsHeld_ || grabbed_ == surface) return;
  if (grabbed_) gdk_seat_ungrab(seat);
  grabbed_ = 0;
  if (gdk_seat_grab(seat, gtk_widget_get_window(s->canvas), GDK_SEAT_CAPABILITY_ALL_POINTING, FALSE, nullptr,
                    nullptr, nullptr, nullptr) == GDK_GRAB_SUCCESS) {
    grabbed_ = surface;
  }
}

void GtkBackend::NoteButton(guint gdkButton, bool down) {
  if (gdkButton == 0 || gdkButton > 31) return;
  if (down) {
    buttonsHeld_ |= 1u << gdkButton;
  } else {
    buttonsHeld_ &= ~(1u << gdkButton);
  }
}

bool GtkBackend::ButtonHeld(guint gdkButton) const {
  return gdkButton > 0 && gdkButton <= 31 && (buttonsHeld_ & (1u << gdkButton));
}

// A drag handed over by the window system starts once the pointer moves with
// the button held. The window procedure answers a press some time after it
// happened; a click that is already over by then (the release waiting in the
// queue, or a double click) must not leave the desktop waiting for a release
// it will never see.
bool GtkBackend::ArmDrag(SurfaceId surface, bool move, UINT edge, MouseButton button, POINT screen) {
  Surface* s = Find(surface);
  const guint b = GdkButtonOf(button);
  if (!s || !s->visible || nativeDrag_ || !ButtonHeld(b)) return false;
  nativeDrag_ = surface;
  nativeDragButton_ = b;
  nativeDragStarted_ = false;
  nativeDragMove_ = move;
  nativeDragEdge_ = edge;
  nativeDragStart_ = screen;
  return true;
}

// The press waited in the window system's queue; the pointer may have moved
// on meanwhile, and the motion that starts the drag has come and gone.
void GtkBackend::CatchUpDrag() {
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  gint x = 0;
  gint y = 0;
  GdkModifierType mask{};
  gdk_device_get_position(pointer, nullptr, &x, &y);
  gdk_device_get_state(pointer, gdk_get_default_root_window(), nullptr, &mask);
  DragMotion(POINT{x, y}, mask, GDK_CURRENT_TIME);
}

bool GtkBackend::BeginMoveDrag(SurfaceId surface, MouseButton button, POINT screen, DWORD) {
  if (!ArmDrag(surface, true, 0, button, screen)) return false;
  CatchUpDrag();
  return true;
}

bool GtkBackend::BeginResizeDrag(SurfaceId surface, UINT edge, MouseButton button, POINT screen, DWORD,
                                 SIZE minTrack, SIZE maxTrack) {
  if (!ArmDrag(surface, false, edge, button, screen)) return false;
  dragMinTrack_ = minTrack;
  dragMaxTrack_ = maxTrack;
  CatchUpDrag();
  return true;
}

void GtkBackend::DragMotion(POINT screen, guint state, guint32 time) {
  if (!nativeDrag_) return;
  if (nativeDragButton_ <= 5 && !(state & (GDK_BUTTON1_MASK << (nativeDragButton_ - 1)))) {
    // The button is up although no release was seen: the drag is over.
    EndNativeDrag();
    return;
  }
  if (nativeDragStarted_) return;
  if (std::abs(screen.x - nativeDragStart_.x) < 2 && std::abs(screen.y - nativeDragStart_.y) < 2) return;
  Surface* s = Find(nativeDrag_);
  if (!s) return;
  nativeDragStarted_ = true;
  // The desktop owns the pointer now and may not say when it lets go (no
  // release, not always an ungrab crossing): the button tells.
  dragPoll_ = g_timeout_add(
      50,
      [](gpointer data) -> gboolean {
        auto* b = static_cast<GtkBackend*>(data);
        if (!b->nativeDragStarted()) {
          b->ClearDragPoll();
          return G_SOURCE_REMOVE;
        }
        GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
        GdkModifierType mask{};
        gdk_device_get_state(pointer, gdk_get_default_root_window(), nullptr, &mask);
        const guint button = b->nativeDragButton();
        if (button > 5 || (mask & (GDK_BUTTON1_MASK << (button - 1)))) return G_SOURCE_CONTINUE;
        b->ClearDragPoll();
        b->EndNativeDrag();
        return G_SOURCE_REMOVE;
      },
      this);
  GtkWindow* window = GTK_WINDOW(s->window);
  const auto b = static_cast<gint>(nativeDragButton_);
  // The drag starts where the button went down: the window catches up with
  // the pointer at once.
  if (nativeDragMove_) {
    internal::DebugNote("gtk: the desktop moves the window");
    gtk_window_begin_move_drag(window, b, nativeDragStart_.x, nativeDragStart_.y, time);
    return;
  }
  // The track sizes bound the resize as geometry hints; they are lifted
  // again when it ends, so that later moves and maximising are not bound.
  GdkGeometry g{};
  g.min_width = std::max<int>(dragMinTrack_.cx, 1);
  g.min_height = std::max<int>(dragMinTrack_.cy, 1);
  g.max_width = std::max<int>(dragMaxTrack_.cx, g.min_width);
  g.max_height = std::max<int>(dragMaxTrack_.cy, g.min_height);
  const auto hints = static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE);
  gtk_window_set_geometry_hints(window, nullptr, &g, hints);
  // GTK passes hints on at its next layout; the desktop needs them now.
  gdk_window_set_geometry_hints(gtk_widget_get_window(s->window), &g, hints);
  dragHints_ = true;
  internal::DebugNote("gtk: the desktop resizes the window");
  gtk_window_begin_resize_drag(window, EdgeOf(nativeDragEdge_), b, nativeDragStart_.x, nativeDragStart_.y,
                               time);
}

void GtkBackend::EndNativeDrag() {
  const SurfaceId surface = nativeDrag_;
  const guint button = nativeDragButton_;
  if (!surface) return;
  const bool started = nativeDragStarted_;
  if (dragPoll_) g_source_remove(dragPoll_);
  dragPoll_ = 0;
  nativeDrag_ = 0;
  nativeDragButton_ = 0;
  nativeDragStarted_ = false;
  NoteButton(button, false);
  if (Surface* s = Find(surface); s && dragHints_) {
    GdkGeometry none{};
    gtk_window_set_geometry_hints(GTK_WINDOW(s->window), nullptr, &none, static_cast<GdkWindowHints>(0));
  }
  dragHints_ = false;
  if (started) internal::DebugNote("gtk: the desktop's move or resize ended");
  if (!events_) return;
  // The desktop swallowed the release: report it, so that the drag ends.
  PointerEvent e;
  e.kind = PointerEvent::Kind::Up;
  e.native = true;
  switch (button) {
    case 2:
      e.button = MouseButton::Middle;
      break;
    case 3:
      e.button = MouseButton::Right;
      break;
    case 8:
      e.button = MouseButton::X1;
      break;
    case 9:
      e.button = MouseButton::X2;
      break;
    default:
      e.button = MouseButton::Left;
      break;
  }
  gint x = 0, y = 0;
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  gdk_device_get_position(pointer, nullptr, &x, &y);
  e.screen = POINT{x, y};
  events_->PointerInput(e);
}

// ---------------------------------------------------------------------------
// Screen

std::vector<MonitorDesc> GtkBackend::Monitors() {
  if (monitorsSeen_) return *monitorsSeen_;
  std::vector<MonitorDesc> list;
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* primary = gdk_display_get_primary_monitor(display);
  const int count = gdk_display_get_n_monitors(display);
  for (int i = 0; i < count; ++i) {
    GdkMonitor* m = gdk_display_get_monitor(display, i);
    if (!m) continue;
    GdkRectangle g{}, w{};
    gdk_monitor_get_geometry(m, &g);
    gdk_monitor_get_workarea(m, &w);
    MonitorDesc d;
    d.monitor = RECT{g.x, g.y, g.x + g.width, g.y + g.height};
    d.work = RECT{w.x, w.y, w.x + w.width, w.y + w.height};
    d.primary = primary ? m == primary : i == 0;
    if (d.primary) {
      list.insert(list.begin(), d);
    } else {
      list.push_back(d);
    }
  }
  monitorsSeen_ = list;
  return list;
}

// ---------------------------------------------------------------------------
// Icons

void GtkBackend::FrameShown(const Surface& s) {
  NotifyFrameDrawn(s.hwnd);
  // After the first frame: the desktop's theme, then the windows' icons,
  // decoded meanwhile on a worker (GdkPixbuf's loaders may run on any thread).
  LoadDesktopThemeWhenIdle();
  IconsWhenIdle();
}

void GtkBackend::IconsWhenIdle() {
  if (iconsLoaded_ || iconsIdle_ != 0) return;
  if (!iconsAhead_.valid()) {
    try {
      iconsAhead_ = std::async(std::launch::async, [] {
        LowerThisThreadPriority();
        return DecodeProgramIcons();
      });
    } catch (const std::system_error&) {
      // Decoded by the idle call itself.
    }
  }
  iconsIdle_ = g_idle_add_full(
      G_PRIORITY_DEFAULT_IDLE,
      [](gpointer data) -> gboolean {
        auto* b = static_cast<GtkBackend*>(data);
        b->iconsIdle_ = 0;
        if (GList* icons = b->Icons()) {
          for (auto& [id, s] : b->surfaces_) gtk_window_set_icon_list(GTK_WINDOW(s->window), icons);
        }
        return G_SOURCE_REMOVE;
      },
      this, nullptr);
}

GList* GtkBackend::Icons() {
  if (!iconsLoaded_) {
    iconsLoaded_ = true;
    icons_ = iconsAhead_.valid() ? iconsAhead_.get() : DecodeProgramIcons();
  }
  if (icons_.empty()) return nullptr;
  if (!iconList_) {
    for (GdkPixbuf* icon : icons_) iconList_ = g_list_append(iconList_, icon);
  }
  return iconList_;
}

}  // namespace os::gtk
