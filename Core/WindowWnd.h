// One native window wrapped by an object: class registration (own classes
// and superclasses of existing ones), creation, the procedures that route the
// window's messages to the object, subclassing, and the small utilities the
// framework's windows share (show, close, centre, icons, client size).
//
// The object is not destroyed with its window: a deriving class decides in
// OnFinalMessage, which runs after the last message the window receives.
#pragma once

#include <string>
#include <string_view>

#include "platform/window/Icon.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"

namespace Kesto {

class CWindowWnd {
 public:
  CWindowWnd();
  // A window still alive is detached: it keeps running on its class's
  // default handling instead of calling into the destroyed object.
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  // --- Operations a window class supplies ------------------------------------
  // The class the window is registered under; every window class names one.
  virtual std::u16string_view GetWindowClassName() const = 0;
  // An existing class (a system class such as "Edit" first, then one of the
  // process) this class copies; empty for none.
  virtual std::u16string_view GetSuperClassName() const;
  virtual os::UINT GetClassStyle() const;
  // Every message of the window; the default calls the saved procedure.
  virtual os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
  // After the window's last message; the window handle is already cleared.
  virtual void OnFinalMessage(os::HWND hwnd);

  // --- Creation ---------------------------------------------------------------
  // Registers the class (or superclass) and creates the window with this
  // object as creation parameter; null when registration or creation fails.
  os::HWND Create(os::HWND parent, std::u16string_view caption, os::DWORD style, os::DWORD exStyle,
                  int x = os::CW_USEDEFAULT, int y = os::CW_USEDEFAULT, int width = os::CW_USEDEFAULT,
                  int height = os::CW_USEDEFAULT, os::HMENU menu = nullptr);
  os::HWND Create(os::HWND parent, std::u16string_view caption, os::DWORD style, os::DWORD exStyle,
                  const os::RECT& rect, os::HMENU menu = nullptr);
  // A class of that name existing already counts as success.
  bool RegisterWindowClass();
  bool RegisterSuperclass();
  // Routes an existing window's messages to this object; its procedure is
  // saved and called by the default HandleMessage.
  os::HWND Subclass(os::HWND hwnd);
  // Restores the saved procedure of a subclassed window.
  void Unsubclass();

  os::HWND GetHWND() const { return hwnd_; }
  operator os::HWND() const { return hwnd_; }  // NOLINT: a window object stands for its window

  // --- Utilities ----------------------------------------------------------------
  // Hides, shows normally (activating) or shows without activation.
  void ShowWindow(bool show = true, bool takeFocus = true);
  // Posts WM_CLOSE with wParam = result while the window exists.
  void Close(os::UINT result = os::IDOK);
  // Centres on the owner's window rectangle (on the nearest monitor's work
  // area without an owner), then keeps the window inside that work area,
  // its left and top edges winning over the right and bottom ones.
  void CenterWindow();
  // Large and small icon from icon group resourceId of the process instance,
  // at the system icon size rounded up to a multiple of 16.
  void SetIcon(os::UINT resourceId);
  // Sizes the window so that its client area is cx by cy (-1 keeps one).
  void ResizeClient(int cx = -1, int cy = -1);
  os::LRESULT SendMessage(os::UINT message, os::WPARAM wParam = 0, os::LPARAM lParam = 0);
  os::LRESULT PostMessage(os::UINT message, os::WPARAM wParam = 0, os::LPARAM lParam = 0);

  // The name of the window property through which superclassed and
  // subclassed windows find their object.
  static constexpr char16_t kObjectProperty[] = u"WndX";

 protected:
  // The procedure default handling goes to: the class's default procedure,
  // the superclass's procedure, or the procedure a subclassed window had.
  os::WNDPROC SavedProcedure() const { return oldWndProc_; }
  os::LRESULT CallSavedProcedure(os::UINT message, os::WPARAM wParam, os::LPARAM lParam);
  // Lets a window that outlives its object run on without it: no message
  // reaches the object any more. A deriving class whose members the window
  // procedure uses calls it first thing in its destructor.
  void Detach();

  // Routing through the user data (own classes) and through the "WndX"
  // property (superclasses and subclassed windows).
  static os::LRESULT OS_STDCALL WindowProc(os::HWND hwnd, os::UINT message, os::WPARAM wParam,
                                           os::LPARAM lParam);
  static os::LRESULT OS_STDCALL ControlProc(os::HWND hwnd, os::UINT message, os::WPARAM wParam,
                                            os::LPARAM lParam);

  os::HWND hwnd_ = nullptr;
  os::WNDPROC oldWndProc_;
  bool subclassed_ = false;

 private:
  static os::LRESULT FinalMessage(CWindowWnd* self, bool byProperty, os::HWND hwnd, os::UINT message,
                                  os::WPARAM wParam, os::LPARAM lParam);
  void ReleaseIcons();

  // Whether the window finds this object through the "WndX" property rather
  // than its user data.
  bool byProperty_ = false;
  os::HICON bigIcon_ = nullptr;
  os::HICON smallIcon_ = nullptr;
};

}  // namespace Kesto
