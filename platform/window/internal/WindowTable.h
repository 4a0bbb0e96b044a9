// The window table: every window record by handle (the desktop's and other
// processes' windows included), the registered classes with their atoms, and
// the z-order of siblings. UI thread only; which handles other threads may
// address is the queue's business.
//
// Handles and atoms are never reused while the table lives. A destroyed
// window's record leaves the table; a window of another process that went
// away stays, marked destroyed, so that its handle is not reused.
//
// Z-order: each parent holds its children topmost first. Among top-level
// windows, topmost ones come first, then the other windows of the process,
// then the windows of other processes; windows a top-level window owns stay
// above it when it comes to the top (each once, should owners own each other).
// An insertion after a handle that is not a sibling puts the window on top of
// its siblings.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/window/Backend.h"
#include "platform/window/Window.h"
#include "platform/window/internal/RectList.h"

namespace os::internal {

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

class WindowTable {
 public:
  // --- handles ---
  HWND NewHandle();
  void Add(const WindowPtr& window);
  void Remove(HWND hwnd);
  WindowPtr Find(HWND hwnd) const;  // a live window (not marked destroyed)
  WindowPtr FindEvenDestroyed(HWND hwnd) const;
  WindowPtr OfSurface(SurfaceId surface) const;
  // Every record, a snapshot (destroyed foreign ones included).
  std::vector<WindowPtr> All() const;
  std::vector<HWND> MessageOnlyWindows() const;  // live ones

  const WindowPtr& Desktop() const { return desktop_; }
  void SetDesktop(const WindowPtr& desktop);
  // Top-level windows: the desktop's children (message-only windows are none).
  const std::vector<HWND>& TopLevel() const { return desktop_->children; }
  bool IsTopLevel(const Window& window) const;

  // --- z-order ---
  // The list the window sits in: its parent's children (empty without one).
  std::vector<HWND>& Siblings(Window& window);
  // Moves the window after `after` (HWND_TOP, HWND_BOTTOM, HWND_TOPMOST,
  // HWND_NOTOPMOST or a sibling); the topmost ones also set or clear
  // WS_EX_TOPMOST of a top-level window.
  void PlaceInZOrder(Window& window, HWND after);
  // The top-level windows of this process `owner` owns, in z-order.
  std::vector<HWND> OwnedTopLevel(HWND owner) const;

  // --- classes ---
  // Registers a class under the next atom, which it returns.
  ATOM AddClass(const ClassPtr& cls);
  bool RemoveClass(const ClassPtr& cls);
  const std::vector<ClassPtr>& Classes() const { return classes_; }

 private:
  // Places one window; true when it is a top-level window come to the top.
  bool PlaceOne(Window& window, HWND after);
  void RaiseOwned(HWND owner, std::vector<HWND>& raised);

  std::unordered_map<std::uintptr_t, WindowPtr> windows_;
  std::uintptr_t nextHandle_ = 0x10010;
  WindowPtr desktop_;
  std::vector<ClassPtr> classes_;
  ATOM nextAtom_ = 0xC000;
  std::vector<HWND> noSiblings_;
};

}  // namespace os::internal
