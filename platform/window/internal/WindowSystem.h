// The window system: the backend and the components that own its state —
// the window table, the input state, the timers, the UI thread's queue and the
// region table — plus the functions the platform layer's source files share.
// Nothing outside platform/ includes this header (the components' own unit
// tests include theirs).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Assert.h"
#include "platform/window/Backend.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"
#include "platform/window/internal/InputState.h"
#include "platform/window/internal/MessageBoxButtons.h"
#include "platform/window/internal/RegionTable.h"
#include "platform/window/internal/ThreadQueue.h"
#include "platform/window/internal/Timers.h"
#include "platform/window/internal/WindowTable.h"

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
constexpr UINT kCaretBlinkTime = 530;

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

  WindowTable& windows() { return windows_; }
  InputState& input() { return input_; }
  Timers& timers() { return timers_; }
  ThreadQueue& queue() { return queue_; }
  RegionTable& regions() { return regions_; }

  bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }
  DWORD UiThreadId() const { return uiThreadId_; }
  DWORD ProcessId() const { return processId_; }
  // While a change the backend reported is applied: it is not echoed back.
  bool ApplyingBackendChange() const { return fromBackend_ > 0; }

 private:
  // Applies a change the backend reported.
  template <class F>
  void FromBackend(F&& apply) {
    ++fromBackend_;
    apply();
    --fromBackend_;
  }

  WindowTable windows_;
  InputState input_;
  Timers timers_;
  ThreadQueue queue_;
  RegionTable regions_;
  std::thread::id uiThread_;
  DWORD uiThreadId_ = 0;
  DWORD processId_ = 0;
  int fromBackend_ = 0;
  // Last, so that it goes first: a backend shutting down may still report
  // to the state above.
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

// --- message boxes (MessageBoxButtons.h) ---
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
