// The seam between the Win32 semantics every backend shares (Window.cpp,
// MessageQueue.cpp, Input.cpp, ...) and what differs per desktop: native
// surfaces and how pixels reach them, the event source, the clock, the screen,
// other processes' windows, message boxes, tooltips and native edit widgets.
//
// The shared layer owns all window state and every message; a backend only
// mirrors top-level windows as native surfaces and reports what the desktop
// did to them. Child windows have no surface: they present into their
// top-level window's surface at their offset.
//
// Threads: every member is called on the UI thread, except Wake(), which any
// thread may call. BackendEvents are delivered on the UI thread, normally from
// inside Wait().
//
// On Windows there is no backend: the desktop is the window system. Only the
// functions at the end keep a meaning there (the backend is "win32", always
// running; a restart destroys the thread's windows and drops what was
// posted); WindowShape and SurfaceFrame serve snapshots.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/SystemTime.h"
#include "platform/gfx/Bitmap.h"
#include "platform/window/Input.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"

namespace os {

class BrowserEngine;
class BrowserEngineHost;

// A backend's handle of a native top-level surface; 0 is none.
using SurfaceId = std::uint64_t;
// A backend's handle of another process's top-level window (gtk: the XID).
using ForeignId = std::uint64_t;

enum class SurfaceState { Normal, Minimized, Maximized };

struct SurfaceParams {
  HWND hwnd = nullptr;
  RECT rect;  // window rectangle, screen coordinates
  std::u16string title;
  SurfaceId owner = 0;      // owner's surface: stays above it, transient-for
  bool popup = false;       // WS_POPUP (the taskbar shows unowned windows all the same)
  bool appWindow = false;   // WS_EX_APPWINDOW
  bool toolWindow = false;  // WS_EX_TOOLWINDOW
  bool topmost = false;     // WS_EX_TOPMOST
  bool noActivate = false;  // WS_EX_NOACTIVATE
  bool layered = false;     // WS_EX_LAYERED: needs an alpha-capable visual
};

// The shape of a window region, in window coordinates. Contains() is the
// pixel rule shared by hit testing and by backends that build native shape
// masks, so that both agree to the pixel.
struct WindowShape {
  RECT rect;
  int ellipseWidth = 0;
  int ellipseHeight = 0;
  bool Contains(int x, int y) const;
};

// A surface's last presented frame as its backend keeps it.
struct SurfaceFrame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgra;  // premultiplied, width * 4 bytes per row
  bool perPixelAlpha = false;      // presented with PresentLayered
  BYTE constantAlpha = 255;        // that frame's alpha, else the surface's opacity
  std::optional<WindowShape> shape;
};

struct MonitorDesc {
  RECT monitor;
  RECT work;
  bool primary = false;
};

struct ForeignWindowInfo {
  ForeignId id = 0;
  std::u16string caption;    // gtk: _NET_WM_NAME, else WM_NAME
  std::u16string className;  // gtk: WM_CLASS (res_class)
  DWORD processId = 0;       // gtk: _NET_WM_PID
  DWORD threadId = 0;        // nonzero for a live window
  RECT rect;
  bool visible = true;
};

// A pointer event as the device delivered it. The shared layer hit-tests,
// routes and converts it into messages.
struct PointerEvent {
  enum class Kind { Move, Down, Up, Wheel, HorizontalWheel, Leave };
  Kind kind = Kind::Move;
  POINT screen;                            // pointer position
  MouseButton button = MouseButton::Left;  // Down/Up
  int delta = 0;                           // wheel: multiples of WHEEL_DELTA
  std::optional<DWORD> time;               // tick count; now when absent
  // Set by a backend for events from the real devices; injected events leave
  // it false. A caption drag or border resize started from a native press is
  // handed to the backend (the desktop moves the window); one started from an
  // injected press is carried out by the shared layer.
  bool native = false;
};

struct KeyEvent {
  bool down = true;
  UINT virtualKey = 0;     // VK_*; VK_PACKET for typed text
  char16_t character = 0;  // the UTF-16 unit of a VK_PACKET keystroke
  UINT scanCode = 0;
  bool extended = false;
  std::optional<DWORD> time;
};

// What a backend reports to the shared layer.
class BackendEvents {
 public:
  virtual ~BackendEvents() = default;
  virtual void PointerInput(const PointerEvent& event) = 0;
  virtual void KeyInput(const KeyEvent& event) = 0;
  // The desktop moved or resized the surface (a native drag, the window
  // manager): the window gets WM_WINDOWPOSCHANGING/CHANGED, WM_MOVE, WM_SIZE.
  virtual void SurfaceMoved(SurfaceId surface, const RECT& screenRect) = 0;
  // The desktop minimised, maximised or restored it.
  virtual void SurfaceStateChanged(SurfaceId surface, SurfaceState state) = 0;
  virtual void SurfaceActivated(SurfaceId surface, bool active) = 0;
  // The desktop asked the window to close (gtk: delete-event; the backend
  // vetoes the native close): the window gets WM_SYSCOMMAND SC_CLOSE.
  virtual void SurfaceCloseRequested(SurfaceId surface) = 0;
  // Part of the surface must be painted again (window coordinates).
  virtual void SurfaceExposed(SurfaceId surface, const RECT& windowRect) = 0;
  // Another process posted a message to this window (gtk: a ClientMessage).
  virtual void ForeignMessageReceived(SurfaceId surface, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Monitors or work areas changed.
  virtual void DisplayChanged() = 0;
  // For a backend's nested loops (a modal dialog, a wait for JavaScript):
  // retrieves, translates and dispatches every message that is ready, as a
  // Win32 modal loop does, leaving WM_QUIT pending. Returns whether any was.
  virtual bool DispatchPending() = 0;
  // Milliseconds until the next timer or hover falls due; none when nothing
  // is scheduled. The shared layer keeps all timers itself: a backend needs no
  // timer of its own, only a wait that ends by then.
  virtual std::optional<std::uint32_t> TimeToNextDeadline() = 0;
};

// Notifications of a native edit widget, delivered on the UI thread. Any of
// these calls may destroy the NativeEdit before it returns (a window procedure
// closes the field on a change, on Enter or on Tab): a backend keeps its
// widget alive until its own signal handler has returned.
class NativeEditEvents {
 public:
  virtual ~NativeEditEvents() = default;
  // Every change of the widget's text, also those made through SetText (the
  // shared layer ignores its own).
  virtual void TextChanged() = 0;  // becomes EN_UPDATE, EN_CHANGE
  // The widget took the focus (a click into it); losing it is left to the
  // window system's own focus and activation.
  virtual void FocusChanged(bool focused) = 0;
  // A key press or release reached the widget, modifiers included, before the
  // widget acted on it. The field's window procedure sees it as WM_KEYDOWN /
  // WM_CHAR / WM_KEYUP first. Returning true swallows it: a procedure kept it
  // (Enter, Escape), the field ignores it (Tab, Up, Down) or did it itself.
  virtual bool Key(const KeyEvent& event) = 0;
};

// A native single-line text entry placed in a top-level surface (gtk: a
// GtkEntry in the surface's GtkFixed). Rectangles are in surface coordinates.
class NativeEdit {
 public:
  virtual ~NativeEdit() = default;
  virtual void SetRect(const RECT& rect) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual void SetText(std::u16string_view text) = 0;
  virtual std::u16string Text() const = 0;
  virtual void SetLimit(int characters) = 0;
  virtual void SetPasswordChar(char16_t character) = 0;  // 0: plain text
  virtual void SetSelection(int start, int end) = 0;     // -1 end: to the end
  virtual std::pair<int, int> Selection() const = 0;
  virtual void SetMargins(int left, int right) = 0;
  virtual void SetFont(std::u16string_view face, int pixelSize, bool bold, bool italic, bool underline) = 0;
  // Text on an opaque background, as an edit fills its box with its brush.
  virtual void SetColors(COLORREF text, COLORREF background) = 0;
  virtual void Focus() = 0;
  // The edit lost the focus to a window without a native widget: the keys
  // go back to the surface (and through it to the focus window).
  virtual void Blur() {}
};

// Notifications of an open drop-down calendar, delivered on the UI thread.
// Either call may destroy the NativeCalendar before it returns: a backend
// touches nothing of its own after making one.
class NativeCalendarEvents {
 public:
  virtual ~NativeCalendarEvents() = default;
  // The player picked a day (a click on a day of the month shown, or Enter).
  // Only year, month and day are meaningful.
  virtual void Picked(const SYSTEMTIME& day) = 0;
  // The player closed it without picking (a click outside it).
  virtual void Dismissed() = 0;
  // The player moved the calendar's selection with its own controls (its
  // month and year arrows).
  virtual void SelectionChanged(const SYSTEMTIME& day) = 0;
};

// An open drop-down calendar; destroying it closes it without notification.
// Keys meant for it are the window system's: a backend hands the keys it
// gets while the calendar is open to the window system as input, and the
// picker, which has the focus, moves the selection and picks or closes.
class NativeCalendar {
 public:
  virtual ~NativeCalendar() = default;
  // Shows `day` selected, in its month.
  virtual void Select(const SYSTEMTIME& day) = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::string_view Name() const = 0;
  // Called once, before anything else, with the shared layer's sink.
  virtual void Attach(BackendEvents* events) = 0;

  // --- Clock and event pump -------------------------------------------------
  // Milliseconds of a monotonic clock; GetTickCount and every timer use it.
  virtual std::uint64_t NowMs() = 0;
  // Waits for native events and delivers them through BackendEvents, until
  // at least one arrived, Wake() was called, or the timeout (none: forever)
  // passed. A zero timeout only polls. gtk: g_main_context_iteration with a
  // timeout source; GLib must also keep dispatching our queue inside nested
  // loops (gtk_dialog_run, JavaScript waits) through a custom GSource.
  virtual void Wait(std::optional<std::uint32_t> timeoutMs) = 0;
  // Any thread: makes a current or the next Wait return (g_main_context_wakeup).
  virtual void Wake() = 0;

  // Readies, without showing anything, what every first window needs (gtk:
  // the toolkit's style machinery and the program's icons), so that a
  // program waiting for something else before its first window pays for it
  // meanwhile. Optional; calling it again does nothing.
  virtual void Prepare() {}

  // --- Top-level surfaces ----------------------------------------------------
  // gtk: an undecorated, app-paintable GtkWindow holding a GtkFixed with the
  // event masks; an RGBA visual when layered; created hidden.
  virtual SurfaceId CreateSurface(const SurfaceParams& params) = 0;
  virtual void DestroySurface(SurfaceId surface) = 0;
  virtual void ShowSurface(SurfaceId surface, bool visible, bool activate) = 0;
  virtual void MoveSurface(SurfaceId surface, const RECT& screenRect) = 0;
  virtual void SetSurfaceTitle(SurfaceId surface, std::u16string_view title) = 0;
  virtual void SetSurfaceOwner(SurfaceId surface, SurfaceId owner) = 0;
  // nullptr removes the shape (gtk: an A1 mask from WindowShape::Contains,
  // re-applied on resize; it clips input too).
  virtual void SetSurfaceShape(SurfaceId surface, const WindowShape* shape) = 0;
  // WS_EX_LAYERED added or removed.
  virtual void SetSurfaceLayered(SurfaceId surface, bool layered) = 0;
  // SetLayeredWindowAttributes(LWA_ALPHA): whole-surface opacity.
  virtual void SetSurfaceOpacity(SurfaceId surface, BYTE alpha) = 0;
  // gtk: gtk_window_iconify/maximize/unmaximize/deiconify. The shared layer
  // has already placed the window; the desktop may report back through
  // SurfaceMoved/SurfaceStateChanged.
  virtual void SetSurfaceState(SurfaceId surface, SurfaceState state) = 0;
  virtual void RaiseSurface(SurfaceId surface) = 0;
  virtual void ActivateSurface(SurfaceId surface) = 0;  // gtk_window_present

  // --- Pixels -----------------------------------------------------------------
  // Copies source's block at sourceOrigin into `target` (surface coordinates)
  // of the surface's back buffer and shows it (gtk: queue_draw_area; the draw
  // handler paints the back buffer with CAIRO_OPERATOR_SOURCE).
  virtual void Present(SurfaceId surface, const PixelView& source, POINT sourceOrigin,
                       const RECT& target) = 0;
  // The whole surface becomes `frame` (premultiplied, per-pixel alpha) blended
  // with constantAlpha. Without a compositor the gtk backend falls back to the
  // window's shape for transparency.
  virtual void PresentLayered(SurfaceId surface, const PixelView& frame, BYTE constantAlpha) = 0;
  // A transparent bitmap for a layered window's frames (NewLayeredFrame):
  // the gtk backend's lives in memory the X server shares, which
  // PresentLayered then shows without a copy.
  virtual Bitmap NewLayeredFrame(int width, int height, DeviceScale scale) { return Bitmap(width, height, scale); }
  // Device pixels per logical unit of the surface (gtk: the widget's scale
  // factor, the monitor's or GDK_SCALE). Every rectangle and point crossing
  // this interface stays logical; only pixel views carry device pixels. When
  // the factor changes (the window moved to another monitor) the backend
  // reports the whole surface exposed, so that it is painted anew.
  virtual DeviceScale SurfaceScale(SurfaceId) { return DeviceScale(1); }

  // --- Pointer ---------------------------------------------------------------
  // The cursor over `surface` (gtk: gdk_cursor_new_from_name).
  virtual void SetCursor(SurfaceId surface, CursorShape shape) = 0;
  // Mouse capture held by a window of `surface`; 0 releases (gtk: a seat grab
  // when the pointer is not already implicitly grabbed).
  virtual void SetCapture(SurfaceId surface) = 0;
  // Hand a caption drag / border resize started by a native press to the
  // desktop (gtk_window_begin_move_drag / begin_resize_drag with the
  // WMSZ_* edge mapped to GdkWindowEdge and min/max track sizes as geometry
  // hints). Returns false when the backend cannot, and the shared layer then
  // carries the drag out itself. After a native drag the backend reports the
  // end of it as a native button-up (gtk: the ENTER with GDK_CROSSING_UNGRAB).
  virtual bool BeginMoveDrag(SurfaceId surface, MouseButton button, POINT screen, DWORD time) = 0;
  virtual bool BeginResizeDrag(SurfaceId surface, UINT edge, MouseButton button, POINT screen, DWORD time,
                               SIZE minTrack, SIZE maxTrack) = 0;

  // --- Screen ------------------------------------------------------------------
  // At least one monitor; the first primary one is the primary monitor.
  virtual std::vector<MonitorDesc> Monitors() = 0;

  // --- Other processes ---------------------------------------------------------
  // Top-level windows of other processes, topmost first (gtk:
  // _NET_CLIENT_LIST_STACKING or XQueryTree, viewable windows only, our own
  // surfaces left out).
  virtual std::vector<ForeignWindowInfo> ForeignWindows() = 0;
  // Post semantics only (gtk: a ClientMessage with a private atom).
  virtual bool PostToForeign(ForeignId window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Ask politely (gtk: WM_DELETE_WINDOW through WM_PROTOCOLS).
  virtual bool CloseForeign(ForeignId window) = 0;

  // --- Message boxes and tooltips ---------------------------------------------
  // Modal; returns an ID* value (gtk: GtkMessageDialog and gtk_dialog_run).
  virtual int ShowMessageBox(SurfaceId owner, std::u16string_view text, std::u16string_view caption,
                             UINT type) = 0;
  virtual void ShowTooltip(SurfaceId owner, std::u16string_view text, POINT screen, int maxWidth) = 0;
  virtual void HideTooltip(SurfaceId owner) = 0;

  // --- Native child widgets ------------------------------------------------------
  // nullptr when the backend has none; the "Edit" class then keeps its own
  // in-memory model and paints itself.
  virtual std::unique_ptr<NativeEdit> CreateNativeEdit(SurfaceId surface, NativeEditEvents* events) = 0;
  // A month calendar showing `date`, placed below `anchor` (screen
  // coordinates, the field it drops from) on the surface's side, taking the
  // pointer and the keys until it closes (gtk: a GtkCalendar in a popup
  // window with a seat grab). nullptr when it cannot open.
  virtual std::unique_ptr<NativeCalendar> OpenNativeCalendar(SurfaceId surface, const RECT& anchor,
                                                             const SYSTEMTIME& date,
                                                             NativeCalendarEvents* events) = 0;

  // --- Clipboard and input method ------------------------------------------------
  // The text cut, copy and paste exchange (gtk: the desktop's CLIPBOARD
  // selection; headless: a string of the process).
  virtual void SetClipboardText(std::u16string_view text) = 0;
  virtual std::u16string ClipboardText() = 0;
  // Where the input method shows its candidates: the caret's rectangle in
  // surface coordinates (gtk: gtk_im_context_set_cursor_location).
  virtual void SetImeCaretRect(SurfaceId surface, const RECT& caret) = 0;

  // --- Read-back and web engine -----------------------------------------------------
  // The frame the surface last showed, for snapshots (platform/window/Snapshot.h);
  // nullopt when the backend keeps no copy of it.
  virtual std::optional<SurfaceFrame> SurfacePixels(SurfaceId surface) = 0;
  // The engine of browser objects made while this backend runs, unless one
  // is registered for it (RegisterBrowserEngineFactory) and makes one
  // (platform/com/BrowserEngine.h). Never nullptr.
  virtual std::unique_ptr<BrowserEngine> CreateDefaultBrowserEngine(BrowserEngineHost* host) = 0;
};

using BackendFactory = std::unique_ptr<Backend> (*)();

// A backend library (lumora_platform_gtk) registers its factory at start-up,
// before the first window function runs. The backend named by LUMORA_PLATFORM
// ("gtk" when unset) is created on first use; without a factory for it, or
// when the factory returns nullptr, the headless backend is used and a debug
// note says so.
void RegisterBackendFactory(std::string_view name, BackendFactory factory);
std::string_view CurrentBackendName();
// Destroys every window (with its final messages), drops all window-system
// state and starts again with the backend LUMORA_PLATFORM names now.
void RestartWindowSystem();
// Starts the backend LUMORA_PLATFORM names now, without the headless
// fallback: a program that shows its windows to a player must not carry on
// unseen when the desktop cannot be reached. True when that backend runs
// (or a window system already exists); false leaves nothing started.
bool StartConfiguredBackend();
// Lets the running backend ready what the first window will need
// (Backend::Prepare), on the calling thread, which is the UI thread.
void PrepareWindows();

}  // namespace os
