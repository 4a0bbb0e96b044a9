// The gtk backend's classes, shared by its source files. Only platform/gtk/
// includes this header (it brings in GTK, GDK and Xlib).
#pragma once

#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/gtk/ActivationEcho.h"
#include "platform/gtk/Gtk.h"
#include "platform/window/Backend.h"

// After the platform headers: GLib's TRUE and FALSE macros would otherwise
// replace the platform layer's constants of those names.
#include <gtk/gtk.h>

namespace os::gtk {

class GtkBackend;
class GtkNativeEdit;

// What a key press was reported as, so that its release matches it.
struct PressedKey {
  UINT virtualKey = 0;
  std::u16string packet;  // VK_PACKET units, when the key typed text
};

// One top-level window: a GtkWindow holding the canvas (a GtkFixed with a
// window of its own) that shows the back buffer, takes the pointer and keys
// and holds the native edit widgets.
struct Surface {
  GtkBackend* backend = nullptr;
  SurfaceId id = 0;
  HWND hwnd = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* canvas = nullptr;
  GtkIMContext* im = nullptr;
  // Premultiplied ARGB32, the window's logical size at `scale` device pixels
  // per unit (cairo knows the density: the draw handler paints it 1:1 onto a
  // window of that scale).
  cairo_surface_t* buffer = nullptr;
  DeviceScale scale;  // the widget's scale factor (the monitor's, or GDK_SCALE)
  RECT rect;          // where the window is (or is asked to be), screen coordinates
  // Moves asked of the desktop and not yet confirmed. GTK moves a mapped
  // window at once and resizes it later, so the desktop reports mixtures of
  // the old and new positions and sizes on the way.
  bool pending = false;
  std::uint64_t pendingSince = 0;
  RECT requested;
  std::vector<POINT> pendingPositions;
  std::vector<SIZE> pendingSizes;
  SurfaceState state = SurfaceState::Normal;
  bool visible = false;
  bool noActivate = false;
  bool appWindow = false;
  bool toolWindow = false;
  bool activateOnMap = false;
  bool layered = false;
  bool layeredFrame = false;  // the buffer came from PresentLayered
  bool presented = false;     // the window has presented pixels of its own
  bool updatesHeld = false;   // GTK's drawing waits for the first frame
  guint releaseTimer = 0;     // releases it should that frame not come
  // A frame drawn in GTK's paint reaches the display after that paint: the
  // frame clock whose end of paint is awaited, and its handler.
  GdkFrameClock* paintClock = nullptr;
  gulong afterPaint = 0;
  bool alphaVisual = false;   // created with an RGBA visual (a compositor ran)
  BYTE frameAlpha = 255;
  std::optional<WindowShape> shape;
  bool shapeApplied = false;       // a bounding shape is set on the X window
  bool inputShapeApplied = false;  // an input shape is set
  std::vector<RECT> appliedShape;  // the rectangles last set, to skip repeats
  std::vector<RECT> appliedInputShape;
  CursorShape cursor = CursorShape::Arrow;
  bool cursorSet = false;
  std::set<GtkNativeEdit*> edits;
  std::map<guint16, PressedKey> pressedKeys;  // by hardware key code
  // Text the input method committed while a key press was being filtered.
  bool filtering = false;
  std::u16string committed;
  double scrollX = 0;  // smooth scrolling not yet worth a notch
  double scrollY = 0;
  bool filterAdded = false;

  // Whether per-pixel alpha reaches the screen: an RGBA visual and a
  // compositor now. Otherwise transparency comes from the shape.
  bool Blends() const;
};

// Keeps the window system's queue dispatching while a nested GLib loop runs
// (a modal dialog, a wait for the web engine), as a Win32 modal loop does.
class NestedLoopScope {
 public:
  explicit NestedLoopScope(GtkBackend& backend);
  ~NestedLoopScope();
  NestedLoopScope(const NestedLoopScope&) = delete;
  NestedLoopScope& operator=(const NestedLoopScope&) = delete;

 private:
  GtkBackend& backend_;
};

// Raises the window and gives it the keyboard now. A plain present carries
// the time of the last input event; when the focus moved after that (a
// closed dialog hands it to the root window, where nobody types), the X
// server ignores such a stale request and the keys reach no window. The
// server's current time is never stale.
void PresentNow(GtkWindow* window);

// The virtual key, scan code and extended flag of a GDK key event (no text).
KeyEvent KeyEventOf(const GdkEventKey* event);
// A key for an edit widget's procedure: the key itself when the character it
// types is the one a US keyboard gives it, otherwise that character as a
// VK_PACKET keystroke.
KeyEvent EditKeyEventOf(const GdkEventKey* event);

class GtkBackend final : public Backend {
 public:
  GtkBackend();
  ~GtkBackend() override;

  std::string_view Name() const override { return "gtk"; }
  void Attach(BackendEvents* events) override { events_ = events; }
  std::uint64_t NowMs() override;
  void Wait(std::optional<std::uint32_t> timeoutMs) override;
  void Wake() override;
  void Prepare() override;
  SurfaceId CreateSurface(const SurfaceParams& params) override;
  void DestroySurface(SurfaceId surface) override;
  void ShowSurface(SurfaceId surface, bool visible, bool activate) override;
  void MoveSurface(SurfaceId surface, const RECT& screenRect) override;
  void SetSurfaceTitle(SurfaceId surface, std::u16string_view title) override;
  void SetSurfaceOwner(SurfaceId surface, SurfaceId owner) override;
  void SetSurfaceShape(SurfaceId surface, const WindowShape* shape) override;
  void SetSurfaceLayered(SurfaceId surface, bool layered) override;
  void SetSurfaceOpacity(SurfaceId surface, BYTE alpha) override;
  void SetSurfaceState(SurfaceId surface, SurfaceState state) override;
  void RaiseSurface(SurfaceId surface) override;
  void ActivateSurface(SurfaceId surface) override;
  void Present(SurfaceId surface, const PixelView& source, POINT sourceOrigin, const RECT& target) override;
  void PresentLayered(SurfaceId surface, const PixelView& frame, BYTE constantAlpha) override;
  Bitmap NewLayeredFrame(int width, int height, DeviceScale scale) override;
  DeviceScale SurfaceScale(SurfaceId surface) override;
  void SetCursor(SurfaceId surface, CursorShape shape) override;
  void SetCapture(SurfaceId surface) override;
  bool BeginMoveDrag(SurfaceId surface, MouseButton button, POINT screen, DWORD time) override;
  bool BeginResizeDrag(SurfaceId surface, UINT edge, MouseButton button, POINT screen, DWORD time,
                       SIZE minTrack, SIZE maxTrack) override;
  std::vector<MonitorDesc> Monitors() override;
  // The monitors as GDK last reported them are kept until the next event
  // can arrive (each wait, each nested dispatch, a monitors change): reading
  // a work area is a round trip to the X server, and window creation and
  // placement ask several times in a row.
  void ForgetMonitors() { monitorsSeen_.reset(); }
  std::vector<ForeignWindowInfo> ForeignWindows() override;
  bool PostToForeign(ForeignId window, UINT message, WPARAM wParam, LPARAM lParam) override;
  bool CloseForeign(ForeignId window) override;
  int ShowMessageBox(SurfaceId owner, std::u16string_view text, std::u16string_view caption,
                     UINT type) override;
  void ShowTooltip(SurfaceId owner, std::u16string_view text, POINT screen, int maxWidth) override;
  void HideTooltip(SurfaceId owner) override;
  std::unique_ptr<NativeEdit> CreateNativeEdit(SurfaceId surface, NativeEditEvents* events) override;
  std::unique_ptr<NativeCalendar> OpenNativeCalendar(SurfaceId surface, const RECT& anchor,
                                                     const SYSTEMTIME& date,
                                                     NativeCalendarEvents* events) override;
  void SetClipboardText(std::u16string_view text) override;
  std::u16string ClipboardText() override;
  void SetImeCaretRect(SurfaceId surface, const RECT& caret) override;
  // The back buffer, as the draw handler shows it; none before the window
  // presented anything.
  std::optional<SurfaceFrame> SurfacePixels(SurfaceId surface) override;
  // The static engine: the web engine module registers the real one.
  std::unique_ptr<BrowserEngine> CreateDefaultBrowserEngine(BrowserEngineHost* host) override;

  // --- for the backend's own source files ---
  BackendEvents* events() const { return events_; }
  Surface* Find(SurfaceId surface);
  bool composited() const { return composited_; }
  void SetComposited(bool composited);
  bool windowManagerHandles(const char* hint) const;
  // Input handlers (GtkInput.cpp) are connected to a new surface's widgets.
  void ConnectInput(Surface& s);
  // The ClientMessage filter (GtkForeign.cpp) is added once the surface is realized.
  void AddForeignFilter(Surface& s);
  void RemoveForeignFilter(Surface& s);
  // Native drags: armed by the window system while a button is held, begun
  // with the first motion, ended by the release or the desktop's ungrab.
  void NoteButton(guint gdkButton, bool down);
  bool ButtonHeld(guint gdkButton) const;
  bool AnyButtonHeld() const { return buttonsHeld_ != 0; }
  SurfaceId nativeDrag() const { return nativeDrag_; }
  bool nativeDragStarted() const { return nativeDragStarted_; }
  guint nativeDragButton() const { return nativeDragButton_; }
  void DragMotion(POINT screen, guint state, guint32 time);
  void EndNativeDrag();
  void ClearDragPoll() { dragPoll_ = 0; }
  // The surface goes away: the edit keeps working as an empty shell.
  void DetachEdit(GtkNativeEdit* edit);
  // Applies the shape from the window region and, for layered frames, alpha.
  // `frame`, when given, holds the pixels the buffer is about to receive.
  void UpdateShape(Surface& s, const PixelView* frame = nullptr);
  void ResizeBuffer(Surface& s, int width, int height);
  // The desktop's scale factor of the surface changed (another monitor):
  // the buffer takes the new density and the window is painted anew.
  void ScaleChanged(Surface& s, int factor);
  // The desktop placed the surface (configure-event).
  void DesktopMoved(Surface& s, const RECT& rect);
  void DesktopState(Surface& s, SurfaceState state);
  void UpdateTaskbarHint(Surface& s, bool owned);
  // The desktop's late echoes of activation requests are no news
  // (ActivationEchoFilter).
  void ExpectActivation(SurfaceId surface);
  bool ActivationIsNews(SurfaceId surface, bool active);
  // A frame of the surface reached the screen (the first window's first
  // frame lets the deferred work start).
  void FrameShown(const Surface& s);

  // Drop-down calendars open (GtkCalendar.cpp). Their grab takes the X
  // focus from our windows; that is no deactivation for the window system.
  int calendarsOpen = 0;
  // Nested GLib loops (NestedLoopScope).
  int nested = 0;
  int nestedDispatching = 0;
  std::atomic<bool> woken{false};
  std::optional<std::uint64_t> nestedDeadline;

 private:
  BackendEvents* events_ = nullptr;
  GSource* queueSource_ = nullptr;
  std::map<SurfaceId, std::unique_ptr<Surface>> surfaces_;
  SurfaceId nextSurface_ = 1;
  bool composited_ = false;
  guint buttonsHeld_ = 0;  // bit per GDK button
  SurfaceId nativeDrag_ = 0;
  guint nativeDragButton_ = 0;
  bool nativeDragStarted_ = false;
  bool nativeDragMove_ = true;
  UINT nativeDragEdge_ = 0;
  POINT nativeDragStart_;
  SIZE dragMinTrack_;
  SIZE dragMaxTrack_;
  guint dragPoll_ = 0;
  bool dragHints_ = false;
  SurfaceId grabbed_ = 0;  // explicit seat grab for SetCapture
  std::map<CursorShape, GdkCursor*> cursors_;
  std::vector<GdkPixbuf*> icons_;
  GList* iconList_ = nullptr;
  bool iconsLoaded_ = false;
  std::future<std::vector<GdkPixbuf*>> iconsAhead_;  // decoding since the first frame
  guint iconsIdle_ = 0;                              // gives the windows their icons
  bool prepared_ = false;
  std::optional<std::vector<MonitorDesc>> monitorsSeen_;
  std::map<SurfaceId, GtkWidget*> tooltips_;  // by owner; 0 for none
  gulong monitorsChanged_ = 0;
  gulong compositedChanged_ = 0;
  ActivationEchoFilter activationEchoes_;

  GdkCursor* CursorFor(CursorShape shape);
  bool ArmDrag(SurfaceId surface, bool move, UINT edge, MouseButton button, POINT screen);
  void CatchUpDrag();
  GList* Icons();
  void IconsWhenIdle();
};

}  // namespace os::gtk
