// Internal state of the window system shared by the platform layer's source
// files. Nothing outside platform/ includes this header.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/Assert.h"
#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/MessageQueue.h"
#include "platform/Paint.h"
#include "platform/Window.h"

namespace os::internal {

// Win32 frame metrics at 96 DPI (Windows 10): sizing frame 4 + padded border
// 4, fixed frame 3, thin border 1, caption 23.
constexpr int kSizeFrame = 8;
constexpr int kFixedFrame = 3;
constexpr int kBorder = 1;
constexpr int kCaption = 23;
constexpr int kMinTrackWidth = 136;
constexpr int kMinTrackHeight = 39;
constexpr int kIconicWidth = 160;
constexpr int kIconicHeight = 28;
constexpr int kIconicPosition = -32000;
// Window positions and sizes travel in 16-bit halves of message parameters
// (WM_MOVE, WM_SIZE), so the window system holds them to that range; this
// also keeps every edge (left + width) within int, whatever a caller asks.
constexpr int kMaxWindowCoordinate = 32767;
inline int ClampWindowExtent(int v) { return std::clamp(v, 0, kMaxWindowCoordinate); }
inline int ClampWindowCoordinate(int v) {
  return std::clamp(v, -kMaxWindowCoordinate - 1, kMaxWindowCoordinate);
}
constexpr UINT kDoubleClickTime = 500;
constexpr UINT kCaretBlinkTime = 530;
constexpr UINT kHoverTime = 400;
constexpr int kHoverRect = 4;        // SM_CXMOUSEHOVER / SM_CYMOUSEHOVER
constexpr int kDoubleClickRect = 4;  // SM_CXDOUBLECLK / SM_CYDOUBLECLK

struct WindowClass {
  ATOM atom = 0;
  std::u16string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  LPCWSTR menuName = nullptr;
  bool system = false;
  bool global = false;
  bool unregistered = false;
  // Presented by the backend itself (tooltips): its windows get no surface.
  bool noSurface = false;
  int windows = 0;
};
using ClassPtr = std::shared_ptr<WindowClass>;

// A set of disjoint rectangles: the update region of a window.
class RectList {
 public:
  void Add(const RECT& rect);
  void Subtract(const RECT& rect);
  void Clip(const RECT& bounds);
  void Offset(int dx, int dy);
  RECT Bounds() const;
  bool Empty() const { return rects_.empty(); }
  void Clear() { rects_.clear(); }
  const std::vector<RECT>& Rects() const { return rects_; }

 private:
  std::vector<RECT> rects_;
};

struct Window {
  HWND handle = nullptr;
  ClassPtr cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HINSTANCE instance = nullptr;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  std::vector<std::uint8_t> extra;
  std::u16string text;
  HWND parent = nullptr;  // the desktop window for top-level windows
  HWND owner = nullptr;
  std::vector<HWND> children;  // topmost first
  RECT rect;                   // window rectangle, parent client coordinates
  RECT client;                 // client rectangle, parent client coordinates
  RECT normalRect;             // restored placement, parent client coordinates
  bool restoreToMaximized = false;
  RectList update;
  bool erasePending = false;
  std::vector<std::pair<std::u16string, HANDLE>> props;
  std::optional<WindowShape> shape;
  bool attributesSet = false;  // SetLayeredWindowAttributes since WS_EX_LAYERED
  COLORREF colorKey = 0;
  BYTE alpha = 255;
  DWORD attributeFlags = 0;
  bool layeredFramePresented = false;
  // Alpha of the last UpdateLayeredWindow frame: fully transparent pixels of
  // a layered window let the mouse through, as on Windows.
  std::vector<std::uint8_t> layeredAlpha;
  int layeredWidth = 0;
  int layeredHeight = 0;
  SurfaceId surface = 0;
  bool destroying = false;
  bool destroyed = false;
  bool messageOnly = false;
  bool desktop = false;
  bool foreign = false;
  ForeignId foreignId = 0;
  DWORD foreignProcess = 0;
  DWORD foreignThread = 0;
  std::u16string foreignClass;
  HICON iconBig = nullptr;
  HICON iconSmall = nullptr;
  // Attributes of the window's device context, which a parent sets with
  // SetTextColor/SetBkColor/SetBkMode while answering WM_CTLCOLOR*.
  COLORREF dcTextColor = 0x000000;
  COLORREF dcBkColor = 0xFFFFFF;
  int dcBkMode = 2;  // OPAQUE
  // Input method: the composition the desktop (or a test) set, and where the
  // window asked its composition window to be.
  std::u16string imeComposition;
  std::u16string imeResult;
  DWORD imeFormStyle = 0;
  POINT imeFormPos;
  RECT imeFormArea;
};
using WindowPtr = std::shared_ptr<Window>;

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  std::uint64_t due = 0;
  std::uint64_t order = 0;
};

// A device event waiting in the input queue; cooked into a message when the
// thread first looks at it.
struct InputItem {
  bool key = false;
  PointerEvent pointer;
  KeyEvent keyEvent;
  DWORD time = 0;
  bool cooked = false;
  bool cooking = false;  // nested retrievals leave it alone meanwhile
  MSG msg;
};

struct CrossThreadSend {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
};

struct DragState {
  bool active = false;
  bool native = false;  // the backend carries it out
  bool move = true;
  UINT edge = 0;  // WMSZ_* for a resize
  HWND hwnd = nullptr;
  MouseButton button = MouseButton::Left;
  POINT start;
  RECT startRect;  // parent client coordinates
  SIZE minTrack;
  SIZE maxTrack;
};

struct TrackState {
  HWND hwnd = nullptr;
  DWORD flags = 0;  // TME_HOVER | TME_LEAVE
  bool nonClient = false;
  UINT hoverTime = kHoverTime;
  bool hoverArmed = false;
  std::uint64_t hoverDue = 0;
  POINT hoverOrigin;
};

struct ClickRecord {
  bool valid = false;
  HWND hwnd = nullptr;
  UINT message = 0;  // the button-down message it produced
  DWORD time = 0;
  POINT pt;
};

class WindowSystem final : public BackendEvents {
 public:
  explicit WindowSystem(std::unique_ptr<Backend> backend);
  ~WindowSystem() override;

  Backend& backend() {
    LUMORA_ASSERT(backend_ != nullptr, "a window system always runs on a backend");
    return *backend_;
  }

  // BackendEvents
  void PointerInput(const PointerEvent& event) override;
  void KeyInput(const KeyEvent& event) override;
  void SurfaceMoved(SurfaceId surface, const RECT& screenRect) override;
  void SurfaceStateChanged(SurfaceId surface, SurfaceState state) override;
  void SurfaceActivated(SurfaceId surface, bool active) override;
  void SurfaceCloseRequested(SurfaceId surface) override;
  void SurfaceExposed(SurfaceId surface, const RECT& windowRect) override;
  void ForeignMessageReceived(SurfaceId surface, UINT message, WPARAM wParam, LPARAM lParam) override;
  void DisplayChanged() override;
  bool DispatchPending() override;
  std::optional<std::uint32_t> TimeToNextDeadline() override;

  // --- windows (UI thread) ---
  std::unordered_map<std::uintptr_t, WindowPtr> windows;
  std::uintptr_t nextHandle = 0x10010;
  WindowPtr desktop;
  std::vector<ClassPtr> classes;
  ATOM nextAtom = 0xC000;

  // --- state of input (UI thread) ---
  HWND active = nullptr;
  HWND focus = nullptr;
  HWND capture = nullptr;
  HCURSOR cursor = nullptr;
  BYTE keyState[256] = {};
  POINT lastMessagePos;
  DWORD lastMessageTime = 0;
  ClickRecord lastClick;
  TrackState track;
  DragState drag;
  HWND pointerWindow = nullptr;  // window the pointer was last routed to
  int pointerHit = HTNOWHERE;
  MouseButton lastPressButton = MouseButton::Left;
  bool lastPressNative = false;
  int sendDepth = 0;
  bool inCrossThreadSend = false;
  // While a message box is up the application stays active even though none
  // of its windows is: no WM_ACTIVATEAPP for the round trip.
  bool modalBox = false;
  // Above zero while a change reported by the backend is applied, so that it
  // is not echoed back to the backend.
  int fromBackend = 0;

  // --- timers (UI thread) ---
  std::vector<Timer> timers;
  std::uint64_t timerOrder = 0;
  UINT_PTR nextThreadTimerId = 1;

  // --- queue (any thread, under queueMutex) ---
  std::mutex queueMutex;
  std::condition_variable sendDone;
  std::deque<MSG> posted;
  std::deque<InputItem> input;
  std::deque<CrossThreadSend*> crossSends;
  std::unordered_set<std::uintptr_t> liveHandles;
  std::unordered_map<std::uintptr_t, ForeignId> liveForeign;
  bool quitPosted = false;
  int quitCode = 0;
  POINT cursorPos;  // the device position (also read by GetCursorPos)
  BYTE asyncKeyState[256] = {};

  // Regions handed out by CreateRectRgn/CreateRoundRectRgn.
  std::unordered_map<std::uintptr_t, WindowShape> regions;
  std::uintptr_t nextRegion = 0x40000;

  std::thread::id uiThread;
  DWORD uiThreadId = 0;
  DWORD processId = 0;

 private:
  std::unique_ptr<Backend> backend_;
};

// The window system, created with the configured backend on first use.
WindowSystem& Sys();
bool SystemExists();
// Replaces the backend: every window is destroyed (with its messages), then
// every queue, timer, class and input state is dropped; system classes are
// registered again.
void ResetSystem(std::unique_ptr<Backend> backend);
std::unique_ptr<Backend> CreateHeadlessBackend();

// --- handles ---
WindowPtr Lookup(HWND hwnd);     // any live window, the desktop and foreign ones included
WindowPtr LookupOwn(HWND hwnd);  // a live window of this process, not the desktop
WindowPtr LookupByHandleValue(std::uintptr_t value);
HWND NewHandle();
WindowPtr WindowOfSurface(SurfaceId surface);
bool OnUiThread();

// --- messages ---
LRESULT Send(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam);
void PostToQueue(const MSG& msg);
void ProcessCrossThreadSends();
std::optional<std::uint64_t> NextDeadline();
// Retrieval core shared by PeekMessage, GetMessage and the headless pump.
bool Retrieve(MSG* msg, HWND filter, UINT first, UINT last, bool remove, bool allowQuit);
void RemoveTimersOf(HWND hwnd);
// The character TranslateMessage makes of a key (US keyboard layout); 0 for none.
char16_t UsLayoutChar(UINT vk, bool shift, bool ctrl, bool caps);
std::uint64_t Now();

// --- tree and geometry ---
bool IsTopLevel(const Window& window);
HWND RootOf(HWND hwnd);
POINT ClientOrigin(const Window& window);  // screen coordinates
RECT ScreenRect(const Window& window);     // window rectangle, screen coordinates
std::vector<HWND>& Siblings(Window& window);
bool IsVisibleChain(const Window& window);
bool IsSelfOrDescendant(HWND ancestor, HWND hwnd);
void FreeWindowTree(const WindowPtr& window);
RECT ComputeNonClient(const Window& window, const RECT& windowRect);  // default client rect
MINMAXINFO DefaultMinMaxInfo(const Window& window);
MINMAXINFO QueryMinMaxInfo(const WindowPtr& window);
BOOL SetWindowPosInternal(const WindowPtr& window, HWND insertAfter, int x, int y, int cx, int cy,
                          UINT flags);
// State changes; swpFlags may add SWP_SHOWWINDOW and SWP_NOACTIVATE.
void MinimizeWindow(const WindowPtr& window, UINT swpFlags);
void MaximizeWindow(const WindowPtr& window, UINT swpFlags);
void RestoreWindow(const WindowPtr& window, UINT swpFlags);
void RefreshForeignWindows();
std::vector<MonitorDesc> Monitors();
int FrameThickness(DWORD style, DWORD exStyle);
void ZOrderInsert(Window& window, HWND insertAfter);
// The visible window under a screen point: the topmost top-level window that
// contains it (shape and transparent layered pixels let it through), then
// its deepest child; a disabled child stops the descent when enabledOnly.
WindowPtr DeepestWindowAt(POINT screen, bool enabledOnly);
WindowPtr DescendAt(const WindowPtr& window, POINT screen, bool enabledOnly);
bool TopLevelContains(const Window& window, POINT screen);
bool ChildContains(const Window& child, POINT screen);

// --- paint ---
void InvalidateInternal(const WindowPtr& window, const RECT* clientRect, bool erase, bool children);
void ValidateInternal(const WindowPtr& window, const RECT* clientRect);
HWND FindWindowToPaint(HWND filter);

// --- input ---
void ActivateWindow(HWND hwnd, WORD how, bool fromBackend);
void ActivateOtherWindow(HWND leaving);
void ForgetWindowInput(HWND hwnd);
void StartSystemDrag(const WindowPtr& window, bool move, UINT edge);
void EnqueueInput(InputItem item);
bool CookInput(InputItem& item);  // false: consumed without a message
// Applies a key event to the key state and returns the key message it makes
// for `target` (WM_KEYDOWN, WM_SYSKEYUP, ...), as the input queue would.
MSG MakeKeyMessage(HWND target, const KeyEvent& event, DWORD time);
// The character TranslateMessage makes of a key-down message; 0 for none.
char16_t CharOfKeyMessage(const MSG& msg);
void CheckTrackingAfterCaptureChange();
void HoverDue();
void ApplyCursorToBackend();

// --- message boxes ---
std::vector<int> MessageBoxButtons(UINT type);
int DefaultMessageBoxAnswer(UINT type);
ATOM RegisterSystemClassEx(const WNDCLASSEXW& wc, bool noSurface);

// --- misc ---
void SetLastErrorCode(DWORD error);
void DebugNote(const std::string& text);
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
std::u16string ToLowerCopy(std::u16string_view text);
void RegisterBuiltInClasses();
ClassPtr FindClass(LPCWSTR name, HINSTANCE instance);
std::u16string ClassNameText(LPCWSTR name);  // "#49152" style for atoms

}  // namespace os::internal
