// Test API of the headless backend: reset, the virtual clock and message
// pumping, the virtual screen, message-box answers and records, windows of
// pretend other processes, presented frames and PNG snapshots, and hooks that
// play the desktop's part (native input, window-manager moves and states) so
// the path a real backend takes can be exercised too.
//
// All functions belong to the UI thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Kernel.h"
#include "platform/window/Backend.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"

namespace os::headless {

// The virtual clock's reading after Reset().
constexpr std::uint64_t kStartTick = 10000;

// Starts over with a fresh headless backend: every window left is destroyed
// (its procedures see WM_DESTROY/WM_NCDESTROY), queued messages, timers,
// classes the process registered, focus, capture and records are dropped;
// the clock reads kStartTick; the screen is 1920x1080 with the work area
// (0, 0, 1920, 1040); the pointer rests in the middle of the screen.
void Reset();
// True when the window system runs on the headless backend.
bool IsActive();

// Called for every message the pump takes, before translation and dispatch;
// returning true skips them (the UI framework's TranslateForManagers).
using PreTranslate = std::function<bool(MSG&)>;
void SetDefaultPreTranslate(PreTranslate preTranslate);

// Retrieves, translates and dispatches messages until none is ready (input,
// posted messages, paints, due timers); WM_QUIT is left pending. Returns the
// number of messages dispatched. Without a filter the default one applies.
int Pump(const PreTranslate& preTranslate = nullptr);
// Moves the clock forward by ms, stopping at each due timer and hover so that
// they fire in order, pumping all along. Returns the messages dispatched.
int Advance(std::uint32_t ms, const PreTranslate& preTranslate = nullptr);
std::uint64_t Now();
// Moves the clock forward without retrieving anything, as if the UI thread
// were busy: timers and hover fall due and wait in the queue.
void PassTime(std::uint32_t ms);
// The exit code of a posted WM_QUIT not yet retrieved.
std::optional<int> PendingQuit();

// --- Screen ------------------------------------------------------------------
void SetScreen(SIZE size, RECT workArea);
void SetMonitors(std::vector<MonitorDesc> monitors);

// --- Message boxes -----------------------------------------------------------
struct MessageBoxRecord {
  HWND owner = nullptr;  // the owner's top-level window
  std::u16string text;
  std::u16string caption;
  UINT type = 0;
  int answer = 0;
};
// Answers are used in order; without one a box gets its default button
// (OK for MB_OK and MB_OKCANCEL). An answer the box has no button for is
// replaced by the default button.
void QueueMessageBoxAnswer(int answer);
std::vector<MessageBoxRecord> MessageBoxes();
void ClearMessageBoxes();

// --- Windows of other processes ----------------------------------------------
struct ForeignWindowDesc {
  std::u16string caption;
  std::u16string className = u"ForeignWindow";
  DWORD processId = 0;
  DWORD threadId = 1;
  RECT rect{100, 100, 500, 400};
  bool visible = true;
  bool closesOnRequest = true;  // a close request removes it
};
struct ForeignMessage {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};
// Adds the window on top of the other processes' windows; returns its handle.
HWND AddForeignWindow(const ForeignWindowDesc& foreign);
void RemoveForeignWindow(HWND hwnd);
std::vector<ForeignMessage> ForeignMessages(HWND hwnd);  // posted or sent to it
int ForeignCloseRequests(HWND hwnd);

// --- Surfaces and frames --------------------------------------------------------
struct SurfaceInfo {
  bool visible = false;
  RECT rect;
  std::u16string title;
  SurfaceState state = SurfaceState::Normal;
  bool layered = false;
  BYTE opacity = 255;
  std::optional<WindowShape> shape;
  CursorShape cursor = CursorShape::Arrow;
  bool captured = false;
  int presents = 0;
  int scale = 1;           // device pixels per logical unit of its screen
  int presentedScale = 1;  // the density of the pixels last presented
};
// The surface of a top-level window; nullopt for child windows and others.
std::optional<SurfaceInfo> Surface(HWND hwnd);
// The desktop moved the top-level window to a screen of `factor` device
// pixels per logical unit: the surface reports that density from now on and
// the whole window is invalidated. Frames stay one pixel per logical unit
// (denser pixels are sampled), so snapshots compare across densities.
void SetSurfaceScale(HWND hwnd, int factor);

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgra;  // premultiplied, width * 4 bytes per row
  bool perPixelAlpha = false;      // presented with UpdateLayeredWindow
  BYTE constantAlpha = 255;
};
std::optional<Frame> LastFrame(HWND hwnd);
// The window as it would appear: straight (not premultiplied) RGBA, width * 4
// bytes per row. Per-pixel-alpha frames are un-premultiplied and take the
// constant alpha; opaque windows show their colour bytes with full alpha (or
// the SetLayeredWindowAttributes alpha); pixels outside the window region are
// transparent.
std::vector<std::uint8_t> Appearance(HWND hwnd, int* width, int* height);
// Writes Appearance() as a PNG file.
bool Snapshot(HWND hwnd, const std::filesystem::path& png);

// --- Tooltip, cursor ---------------------------------------------------------------
struct TooltipRecord {
  bool visible = false;
  std::u16string text;
  POINT position;
  int maxWidth = -1;
  HWND owner = nullptr;
};
TooltipRecord Tooltip();

// --- Playing the desktop -----------------------------------------------------------
// Native caption drags and border resizes: when accepted, a drag started from
// a native press is left to the "desktop" (recorded here) instead of being
// carried out by the shared layer.
struct NativeDrag {
  HWND hwnd = nullptr;
  bool move = true;
  UINT edge = 0;
  POINT start;
  SIZE minTrack;
  SIZE maxTrack;
};
void SetAcceptNativeDrags(bool accept);
std::optional<NativeDrag> LastNativeDrag();
void DeliverNativePointer(PointerEvent event);  // marked native
void DeliverNativeKey(const KeyEvent& event);
void ReportSurfaceMoved(HWND hwnd, const RECT& screenRect);
void ReportSurfaceState(HWND hwnd, SurfaceState state);
void ReportActivated(HWND hwnd, bool active);
void ReportCloseRequest(HWND hwnd);
void ReportForeignMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// --- Native edit widgets -------------------------------------------------------------
// The headless backend has no native edit widget: "Edit" windows keep their
// own text model and paint themselves. A test may play a desktop that has one:
// the factory is then asked for a widget whenever an edit is created (a
// nullptr answer still means none). Reset() removes it.
using NativeEditFactory = std::function<std::unique_ptr<NativeEdit>(SurfaceId, NativeEditEvents*)>;
void SetNativeEditFactory(NativeEditFactory factory);

// --- Drop-down calendars of date pickers -----------------------------------------------
// The headless backend shows no calendar; it records the one a date picker
// opened (there is at most one, as under a desktop grab) and lets a test play
// the player in it, so the picker takes the path it takes on a desktop.
struct DateCalendarRecord {
  HWND owner = nullptr;  // the top-level window of the picker
  RECT anchor;           // the picker, screen coordinates
  SYSTEMTIME date;       // the day selected: the picker's date when it
                         // opened, moved by the keys the picker gets
};
std::optional<DateCalendarRecord> OpenDateCalendar();
// A day clicked in the open calendar (after any month navigation): the
// picker gets the date and closes it. False when no calendar is open.
bool PickCalendarDate(const SYSTEMTIME& day);
// A click outside the calendar: it closes without a pick. False when none
// is open. (Keys, Escape and Enter included, go to the picker as input.)
bool DismissDateCalendar();
// The calendar's own month arrows moved its selection to `day`. False when
// none is open.
bool BrowseDateCalendar(const SYSTEMTIME& day);

// --- Input method --------------------------------------------------------------------
// Where the window system last told the input method the caret of the
// top-level window is (window coordinates), or none.
std::optional<RECT> ImeCaretRect(HWND topLevel);

}  // namespace os::headless
