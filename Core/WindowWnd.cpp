#include "Core/WindowWnd.h"

#include <algorithm>

#include "Core/UIManager.h"
#include "platform/base/LastError.h"
#include "platform/base/ShowCommands.h"
#include "platform/window/Input.h"

namespace Kesto {

namespace {

int Width(const os::RECT& r) { return r.right - r.left; }
int Height(const os::RECT& r) { return r.bottom - r.top; }

bool RegisteredOrPresent(os::ATOM atom) {
  return atom != 0 || os::GetLastError() == os::ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

CWindowWnd::CWindowWnd() : oldWndProc_(&os::DefWindowProc) {}

CWindowWnd::~CWindowWnd() {
  Detach();
  ReleaseIcons();
}

void CWindowWnd::Detach() {
  if (hwnd_ == nullptr || !os::IsWindow(hwnd_)) return;
  // The window outlives this object: cut every path that leads back here.
  if (subclassed_) {
    Unsubclass();
  } else if (byProperty_) {
    if (os::GetProp(hwnd_, kObjectProperty) == this) os::RemoveProp(hwnd_, kObjectProperty);
  } else if (os::GetWindowLongPtr(hwnd_, os::GWLP_USERDATA) == reinterpret_cast<os::LONG_PTR>(this)) {
    os::SetWindowLongPtr(hwnd_, os::GWLP_USERDATA, 0);
  }
  if (bigIcon_ != nullptr || smallIcon_ != nullptr) {
    os::SendMessage(hwnd_, os::WM_SETICON, os::ICON_BIG, 0);
    os::SendMessage(hwnd_, os::WM_SETICON, os::ICON_SMALL, 0);
  }
  hwnd_ = nullptr;
}

std::u16string_view CWindowWnd::GetSuperClassName() const { return {}; }

os::UINT CWindowWnd::GetClassStyle() const { return 0; }

os::LRESULT CWindowWnd::HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  return CallSavedProcedure(message, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(os::HWND) {}

os::LRESULT CWindowWnd::CallSavedProcedure(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  return os::CallWindowProc(oldWndProc_, hwnd_, message, wParam, lParam);
}

bool CWindowWnd::RegisterWindowClass() {
  const std::u16string name(GetWindowClassName());
  os::WNDCLASSEXW wc;
  wc.style = GetClassStyle();
  wc.lpfnWndProc = &CWindowWnd::WindowProc;
  wc.hInstance = UIManager::ProcessInstance();
  wc.hCursor = os::LoadCursor(nullptr, os::IDC_ARROW);
  wc.lpszClassName = name.c_str();
  return RegisteredOrPresent(os::RegisterClassEx(&wc));
}

bool CWindowWnd::RegisterSuperclass() {
  const std::u16string super(GetSuperClassName());
  const std::u16string name(GetWindowClassName());
  os::WNDCLASSEXW wc;
  if (!os::GetClassInfoEx(nullptr, super.c_str(), &wc) &&
      !os::GetClassInfoEx(UIManager::ProcessInstance(), super.c_str(), &wc)) {
    return false;
  }
  oldWndProc_ = wc.lpfnWndProc;
  wc.lpfnWndProc = &CWindowWnd::ControlProc;
  wc.hInstance = UIManager::ProcessInstance();
  wc.lpszClassName = name.c_str();
  return RegisteredOrPresent(os::RegisterClassEx(&wc));
}

os::HWND CWindowWnd::Create(os::HWND parent, std::u16string_view caption, os::DWORD style, os::DWORD exStyle,
                            int x, int y, int width, int height, os::HMENU menu) {
  const bool registered = GetSuperClassName().empty() ? RegisterWindowClass() : RegisterSuperclass();
  if (!registered) return nullptr;
  const std::u16string name(GetWindowClassName());
  const std::u16string title(caption);
  // The routing procedure stores the handle as soon as the first message
  // arrives; the return value confirms it (and clears it on failure).
  hwnd_ = os::CreateWindowEx(exStyle, name.c_str(), title.c_str(), style, x, y, width, height, parent, menu,
                             UIManager::ProcessInstance(), this);
  return hwnd_;
}

os::HWND CWindowWnd::Create(os::HWND parent, std::u16string_view caption, os::DWORD style, os::DWORD exStyle,
                            const os::RECT& rect, os::HMENU menu) {
  return Create(parent, caption, style, exStyle, rect.left, rect.top, Width(rect), Height(rect), menu);
}

os::HWND CWindowWnd::Subclass(os::HWND hwnd) {
  if (!os::IsWindow(hwnd) || subclassed_) return nullptr;
  hwnd_ = hwnd;
  byProperty_ = true;
  os::SetProp(hwnd, kObjectProperty, this);
  oldWndProc_ = reinterpret_cast<os::WNDPROC>(
      os::SetWindowLongPtr(hwnd, os::GWLP_WNDPROC, reinterpret_cast<os::LONG_PTR>(&CWindowWnd::ControlProc)));
  subclassed_ = true;
  return hwnd_;
}

void CWindowWnd::Unsubclass() {
  if (!subclassed_ || hwnd_ == nullptr || !os::IsWindow(hwnd_)) return;
  os::SetWindowLongPtr(hwnd_, os::GWLP_WNDPROC, reinterpret_cast<os::LONG_PTR>(oldWndProc_));
  os::RemoveProp(hwnd_, kObjectProperty);
  oldWndProc_ = &os::DefWindowProc;
  subclassed_ = false;
}

os::LRESULT CWindowWnd::FinalMessage(CWindowWnd* self, bool byProperty, os::HWND hwnd, os::UINT message,
                                     os::WPARAM wParam, os::LPARAM lParam) {
  const os::LRESULT result = os::CallWindowProc(self->oldWndProc_, hwnd, message, wParam, lParam);
  if (byProperty) {
    os::RemoveProp(hwnd, kObjectProperty);
  } else {
    os::SetWindowLongPtr(hwnd, os::GWLP_USERDATA, 0);
  }
  if (self->subclassed_) {
    // The window is going: only the object's record of the subclassing is
    // left to undo.
    self->oldWndProc_ = &os::DefWindowProc;
    self->subclassed_ = false;
  }
  self->hwnd_ = nullptr;
  self->ReleaseIcons();
  self->OnFinalMessage(hwnd);
  return result;
}

os::LRESULT OS_STDCALL CWindowWnd::WindowProc(os::HWND hwnd, os::UINT message, os::WPARAM wParam,
                                              os::LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (message == os::WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const os::CREATESTRUCTW*>(lParam);
    self = cs != nullptr ? static_cast<CWindowWnd*>(cs->lpCreateParams) : nullptr;
    if (self != nullptr) {
      self->hwnd_ = hwnd;
      self->byProperty_ = false;
      os::SetWindowLongPtr(hwnd, os::GWLP_USERDATA, reinterpret_cast<os::LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<CWindowWnd*>(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA));
    if (self != nullptr && message == os::WM_NCDESTROY) {
      return FinalMessage(self, false, hwnd, message, wParam, lParam);
    }
  }
  if (self != nullptr) return self->HandleMessage(message, wParam, lParam);
  return os::DefWindowProc(hwnd, message, wParam, lParam);
}

os::LRESULT OS_STDCALL CWindowWnd::ControlProc(os::HWND hwnd, os::UINT message, os::WPARAM wParam,
                                               os::LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (message == os::WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const os::CREATESTRUCTW*>(lParam);
    self = cs != nullptr ? static_cast<CWindowWnd*>(cs->lpCreateParams) : nullptr;
    if (self != nullptr) {
      self->hwnd_ = hwnd;
      self->byProperty_ = true;
      os::SetProp(hwnd, kObjectProperty, self);
    }
  } else {
    self = static_cast<CWindowWnd*>(os::GetProp(hwnd, kObjectProperty));
    if (self != nullptr && message == os::WM_NCDESTROY) {
      return FinalMessage(self, true, hwnd, message, wParam, lParam);
    }
  }
  if (self != nullptr) return self->HandleMessage(message, wParam, lParam);
  return os::DefWindowProc(hwnd, message, wParam, lParam);
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (hwnd_ == nullptr) return;
  os::ShowWindow(hwnd_, show ? (takeFocus ? os::SW_SHOWNORMAL : os::SW_SHOWNOACTIVATE) : os::SW_HIDE);
}

void CWindowWnd::Close(os::UINT result) {
  if (hwnd_ == nullptr || !os::IsWindow(hwnd_)) return;
  os::PostMessage(hwnd_, os::WM_CLOSE, result, 0);
}

void CWindowWnd::CenterWindow() {
  if (hwnd_ == nullptr || !os::IsWindow(hwnd_)) return;
  os::RECT window{};
  os::GetWindowRect(hwnd_, &window);
  const os::HWND owner = os::GetWindow(hwnd_, os::GW_OWNER);
  os::MONITORINFO monitor;
  os::GetMonitorInfo(os::MonitorFromWindow(owner != nullptr ? owner : hwnd_, os::MONITOR_DEFAULTTONEAREST),
                     &monitor);
  const os::RECT area = monitor.rcWork;
  os::RECT center = area;
  if (owner != nullptr && !os::IsIconic(owner)) os::GetWindowRect(owner, &center);

  const int width = Width(window);
  const int height = Height(window);
  int left = (center.left + center.right) / 2 - width / 2;
  int top = (center.top + center.bottom) / 2 - height / 2;
  // Right and bottom first, so that a window larger than the work area keeps
  // its left and top edges (and with them its caption) on the screen.
  left = std::min(left, area.right - width);
  top = std::min(top, area.bottom - height);
  left = std::max(left, static_cast<int>(area.left));
  top = std::max(top, static_cast<int>(area.top));
  os::SetWindowPos(hwnd_, nullptr, left, top, -1, -1, os::SWP_NOSIZE | os::SWP_NOZORDER | os::SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(os::UINT resourceId) {
  if (hwnd_ == nullptr) return;
  // Icon sizes come in steps of 16 pixels.
  const int cx = (os::GetSystemMetrics(os::SM_CXICON) + 15) & ~15;
  const int cy = (os::GetSystemMetrics(os::SM_CYICON) + 15) & ~15;
  const os::ResourceName name(static_cast<int>(resourceId));
  auto* big = static_cast<os::HICON>(
      os::LoadImage(UIManager::ProcessInstance(), name, os::IMAGE_ICON, cx, cy, os::LR_DEFAULTCOLOR));
  auto* small = static_cast<os::HICON>(
      os::LoadImage(UIManager::ProcessInstance(), name, os::IMAGE_ICON, cx, cy, os::LR_DEFAULTCOLOR));
  if (big == nullptr || small == nullptr) {
    os::DestroyIcon(big);
    os::DestroyIcon(small);
    return;
  }
  os::SendMessage(hwnd_, os::WM_SETICON, os::ICON_BIG, reinterpret_cast<os::LPARAM>(big));
  os::SendMessage(hwnd_, os::WM_SETICON, os::ICON_SMALL, reinterpret_cast<os::LPARAM>(small));
  // The window now shows the new pair; the previous pair is ours to free.
  ReleaseIcons();
  bigIcon_ = big;
  smallIcon_ = small;
}

void CWindowWnd::ReleaseIcons() {
  os::DestroyIcon(bigIcon_);
  os::DestroyIcon(smallIcon_);
  bigIcon_ = nullptr;
  smallIcon_ = nullptr;
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  if (hwnd_ == nullptr) return;
  os::RECT client{};
  if (!os::GetClientRect(hwnd_, &client)) return;
  if (cx != -1) client.right = cx;
  if (cy != -1) client.bottom = cy;
  const os::DWORD style = static_cast<os::DWORD>(os::GetWindowLong(hwnd_, os::GWL_STYLE));
  const os::DWORD exStyle = static_cast<os::DWORD>(os::GetWindowLong(hwnd_, os::GWL_EXSTYLE));
  if (!os::AdjustWindowRectEx(&client, style, os::FALSE, exStyle)) return;
  os::SetWindowPos(hwnd_, nullptr, 0, 0, Width(client), Height(client),
                   os::SWP_NOZORDER | os::SWP_NOMOVE | os::SWP_NOACTIVATE);
}

os::LRESULT CWindowWnd::SendMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  return os::SendMessage(hwnd_, message, wParam, lParam);
}

os::LRESULT CWindowWnd::PostMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  return os::PostMessage(hwnd_, message, wParam, lParam);
}

}  // namespace Kesto
