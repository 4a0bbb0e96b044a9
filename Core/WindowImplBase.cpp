#include "Core/WindowImplBase.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "controls/Control.h"
#include "platform/base/ShowCommands.h"
#include "platform/gfx/Bitmap.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/window/Input.h"
#include "platform/window/Paint.h"

namespace Kesto {

namespace {

int Width(const os::RECT& r) { return r.right - r.left; }
int Height(const os::RECT& r) { return r.bottom - r.top; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

// Controls that stay clickable inside the caption area.
constexpr std::u16string_view kCaptionClientClasses[] = {u"ButtonUI", u"OptionUI", u"TextUI",
                                                         u"WebBrowserUI"};

// The work area of the monitor nearest to the window, relative to that
// monitor's top-left corner (what maximised positions are measured from).
os::RECT WorkAreaOnMonitor(os::HWND hwnd) {
  os::MONITORINFO info;
  os::GetMonitorInfo(os::MonitorFromWindow(hwnd, os::MONITOR_DEFAULTTONEAREST), &info);
  os::RECT work = info.rcWork;
  os::OffsetRect(&work, -info.rcMonitor.left, -info.rcMonitor.top);
  return work;
}

// (HBRUSH)(COLOR_WINDOW + 1): the system window colour as a class background.
os::HBRUSH WindowColorBackground() { return reinterpret_cast<os::HBRUSH>(static_cast<std::intptr_t>(5 + 1)); }

}  // namespace

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
  // The manager goes with this object: a window still alive must reach
  // neither of them any more, also not while the manager is taken down.
  Detach();
  manager_.RemovePreMessageFilter(this);
  manager_.RemoveNotifier(this);
}

std::u16string_view WindowImplBase::GetSuperClassName() const { return {}; }

os::UINT WindowImplBase::GetClassStyle() const { return os::CS_DBLCLKS; }

void WindowImplBase::OnFinalMessage(os::HWND) {
  manager_.RemovePreMessageFilter(this);
  manager_.RemoveNotifier(this);
  if (CControlUI* root = manager_.Root()) manager_.ForgetControl(root);
}

void WindowImplBase::InitWindow() {}

void WindowImplBase::OnClick(NotifyMsg& msg) {
  if (msg.sender == nullptr) return;
  const std::u16string name = msg.sender->GetName();
  if (name == u"closebtn") {
    Close(1);
  } else if (name == u"minbtn") {
    SendMessage(os::WM_SYSCOMMAND, os::SC_MINIMIZE, 0);
  } else if (name == u"maxbtn") {
    SendMessage(os::WM_SYSCOMMAND, os::SC_MAXIMIZE, 0);
  } else if (name == u"restorebtn") {
    SendMessage(os::WM_SYSCOMMAND, os::SC_RESTORE, 0);
  }
}

os::LRESULT WindowImplBase::ResponseDefaultKeyEvent(os::WPARAM key) { return key == os::VK_ESCAPE ? 1 : 0; }

ResourceKind WindowImplBase::GetResourceType() const { return ResourceKind::File; }

std::u16string WindowImplBase::GetZipFileName() const { return {}; }

os::ResourceName WindowImplBase::GetResourceId() const { return os::ResourceName(u""); }

// --- Handlers left to the next stage by default ----------------------------------------

os::LRESULT WindowImplBase::OnClose(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnDestroy(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnMouseWheel(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnMouseHover(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnChar(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnKeyDown(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnKillFocus(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnSetFocus(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnLButtonDown(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnLButtonUp(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::OnMouseMove(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

os::LRESULT WindowImplBase::HandleCustomMessage(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;
  return 0;
}

// --- The frame -------------------------------------------------------------------------------

os::LRESULT WindowImplBase::OnNcActivate(os::UINT, os::WPARAM wParam, os::LPARAM, bool& handled) {
  if (os::IsIconic(hwnd_)) handled = false;
  // Never draw the inactive frame: there is none.
  return wParam == 0 ? 1 : 0;
}

os::LRESULT WindowImplBase::OnNcCalcSize(os::UINT, os::WPARAM wParam, os::LPARAM lParam, bool&) {
  if (!os::IsZoomed(hwnd_)) return 0;  // the whole window is client area
  os::RECT* proposed = wParam != 0 ? &reinterpret_cast<os::NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                   : reinterpret_cast<os::RECT*>(lParam);
  if (proposed == nullptr) return 0;
  const os::RECT work = WorkAreaOnMonitor(hwnd_);
  int width = Width(work);
  int height = Height(work);
  const os::SIZE maxTrack = manager_.MaxTrackSize();
  if (maxTrack.cx > 0 && maxTrack.cy > 0) {
    width = std::min(width, static_cast<int>(maxTrack.cx));
    height = std::min(height, static_cast<int>(maxTrack.cy));
  }
  // The client area starts where the maximised window does (the work area's
  // corner, which is not the screen origin on every monitor or with a
  // taskbar at the top or left) and covers the work area only.
  proposed->right = proposed->left + width;
  proposed->bottom = proposed->top + height;
  return os::WVR_REDRAW;
}

os::LRESULT WindowImplBase::OnNcPaint(os::UINT, os::WPARAM, os::LPARAM, bool&) { return 0; }

os::LRESULT WindowImplBase::OnNcHitTest(os::UINT, os::WPARAM, os::LPARAM lParam, bool&) {
  return HitTest(lParam, kCaptionClientClasses);
}

os::LRESULT WindowImplBase::HitTest(os::LPARAM lParam, std::span<const std::u16string_view> clientClasses) {
  os::POINT pt{os::GET_X_LPARAM(lParam), os::GET_Y_LPARAM(lParam)};
  os::ScreenToClient(hwnd_, &pt);
  os::RECT client{};
  os::GetClientRect(hwnd_, &client);

  if (!os::IsZoomed(hwnd_)) {
    const os::RECT border = manager_.SizingBorder();
    const bool left = pt.x < client.left + border.left;
    const bool right = pt.x >= client.right - border.right;
    if (pt.y < client.top + border.top) {
      if (left) return os::HTTOPLEFT;
      if (right) return os::HTTOPRIGHT;
      return os::HTTOP;
    }
    if (pt.y >= client.bottom - border.bottom) {
      if (left) return os::HTBOTTOMLEFT;
      if (right) return os::HTBOTTOMRIGHT;
      return os::HTBOTTOM;
    }
    if (left) return os::HTLEFT;
    if (right) return os::HTRIGHT;
  }

  const os::RECT caption = manager_.CaptionArea();
  if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right && pt.y >= caption.top &&
      pt.y < caption.bottom) {
    if (CControlUI* control = manager_.FindControlAt(pt)) {
      const std::u16string_view cls = control->GetClass();
      const bool clickable = std::any_of(clientClasses.begin(), clientClasses.end(),
                                         [&](std::u16string_view c) { return EqualNoCase(c, cls); });
      if (!clickable) return os::HTCAPTION;
    }
  }
  return os::HTCLIENT;
}

os::LRESULT WindowImplBase::OnGetMinMaxInfo(os::UINT, os::WPARAM, os::LPARAM lParam, bool& handled) {
  handled = false;  // the manager applies the skin's limits after this
  auto* info = reinterpret_cast<os::MINMAXINFO*>(lParam);
  if (info == nullptr) return 0;
  const os::RECT work = WorkAreaOnMonitor(hwnd_);
  info->ptMaxPosition = os::POINT{work.left, work.top};
  // Maximised and largest tracked size both stop at the work area, so a
  // frameless window never covers the taskbar.
  info->ptMaxSize = os::POINT{Width(work), Height(work)};
  info->ptMaxTrackSize = os::POINT{Width(work), Height(work)};
  const os::SIZE minTrack = manager_.MinTrackSize();
  info->ptMinTrackSize = os::POINT{minTrack.cx, minTrack.cy};
  return 0;
}

os::LRESULT WindowImplBase::OnSize(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  handled = false;  // the manager lays the tree out again
  if (os::IsIconic(hwnd_)) return 0;
  const os::SIZE corner = manager_.CornerRound();
  os::RECT window{};
  os::GetWindowRect(hwnd_, &window);
  os::OffsetRect(&window, -window.left, -window.top);
  // A rounded region leaves out its right and bottom edge: one pixel more
  // keeps the last column and row of the window.
  window.right++;
  window.bottom++;
  const os::HRGN region =
      os::CreateRoundRectRgn(window.left, window.top, window.right, window.bottom, corner.cx, corner.cy);
  os::SetWindowRgn(hwnd_, region, os::TRUE);
  return 0;
}

os::LRESULT WindowImplBase::OnSysCommand(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                         bool& handled) {
  const os::WPARAM command = wParam & 0xFFF0;
  if (command == os::SC_CLOSE) {
    SendMessage(os::WM_CLOSE, 0, 0);
    return 0;
  }
  const bool wasZoomed = os::IsZoomed(hwnd_) != 0;
  const os::LRESULT result = CallSavedProcedure(message, wParam, lParam);
  if (hwnd_ != nullptr && wasZoomed != (os::IsZoomed(hwnd_) != 0)) {
    CControlUI* maxButton = manager_.FindControlByName(u"maxbtn");
    CControlUI* restoreButton = manager_.FindControlByName(u"restorebtn");
    if (maxButton != nullptr && restoreButton != nullptr) {
      maxButton->SetVisible(wasZoomed);
      restoreButton->SetVisible(!wasZoomed);
    }
  }
  // The manager marks a restore so that a layered window repaints whole.
  if (command == os::SC_RESTORE) handled = false;
  return result;
}

// --- Creation -----------------------------------------------------------------------------------

os::LRESULT WindowImplBase::OnCreate(os::UINT, os::WPARAM, os::LPARAM, bool&) {
  // No system frame: the skin draws everything.
  const os::LONG style = os::GetWindowLong(hwnd_, os::GWL_STYLE);
  os::SetWindowLong(hwnd_, os::GWL_STYLE,
                    (style & ~static_cast<os::LONG>(os::WS_CAPTION)) |
                        static_cast<os::LONG>(os::WS_CLIPSIBLINGS | os::WS_CLIPCHILDREN));
  os::RECT client{};
  os::GetClientRect(hwnd_, &client);
  os::SetWindowPos(hwnd_, nullptr, client.left, client.top, Width(client), Height(client),
                   os::SWP_FRAMECHANGED);

  manager_.Init(hwnd_);
  manager_.AddPreMessageFilter(this);

  if (UIManager::SkinRoot().empty()) UIManager::SetSkinRoot(UIManager::ModuleFolder() + GetSkinFolder());
  switch (GetResourceType()) {
    case ResourceKind::Zip:
      UIManager::SetSkinArchive(GetZipFileName(), true);
      break;
    case ResourceKind::ZipResource: {
      // Without its archive the window stays empty: nothing to build from.
      const os::HMODULE module = UIManager::ResourceModule();
      const os::HRSRC resource =
          os::FindResource(module, GetResourceId(), os::ResourceName(kZipResourceType));
      if (resource == nullptr) return 0;
      const os::HGLOBAL loaded = os::LoadResource(module, resource);
      const os::DWORD size = os::SizeofResource(module, resource);
      const void* data = loaded != nullptr ? os::LockResource(loaded) : nullptr;
      if (data == nullptr || size == 0) return 0;
      UIManager::SetSkinArchiveBuffer(data, size);
      break;
    }
    case ResourceKind::File:
    case ResourceKind::Resource:
      break;
  }

  std::unique_ptr<CControlUI> root = BuildSkin();
  if (root == nullptr) {
    os::MessageBox(nullptr, kSkinLoadFailedText, kSkinLoadFailedCaption, os::MB_OK | os::MB_ICONERROR);
    std::exit(kSkinLoadFailedExitCode);
  }
  manager_.AdoptRoot(std::move(root));
  CreateShadow();
  manager_.AddNotifier(this);
  InitWindow();
  return 0;
}

std::unique_ptr<CControlUI> WindowImplBase::BuildSkin() {
  SkinBuilder builder;
  if (GetResourceType() == ResourceKind::Resource) {
    // The skin file name is the decimal identifier of an "xml" resource; a
    // name that is no such number names no resource.
    const std::u16string file = GetSkinFile();
    std::size_t end = 0;
    const long id = attr::ParseLong(file, &end);
    if (end == 0 || id < 0 || id > 0xFFFF) return nullptr;
    return builder.BuildTree(SkinRef(static_cast<int>(id)), os::ResourceName(u"xml"), this, &manager_);
  }
  return builder.BuildTree(SkinRef(GetSkinFile()), std::nullopt, this, &manager_);
}

// --- Dispatch ----------------------------------------------------------------------------------

os::LRESULT WindowImplBase::HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  if (message == os::WM_WINDOWPOSCHANGED) FollowShadow();

  os::LRESULT result = 0;
  bool handled = true;
  switch (message) {
    case os::WM_CREATE:
      result = OnCreate(message, wParam, lParam, handled);
      break;
    case os::WM_CLOSE:
      result = OnClose(message, wParam, lParam, handled);
      break;
    case os::WM_DESTROY:
      result = OnDestroy(message, wParam, lParam, handled);
      break;
    case os::WM_NCACTIVATE:
      result = OnNcActivate(message, wParam, lParam, handled);
      break;
    case os::WM_NCCALCSIZE:
      result = OnNcCalcSize(message, wParam, lParam, handled);
      break;
    case os::WM_NCPAINT:
      result = OnNcPaint(message, wParam, lParam, handled);
      break;
    case os::WM_NCHITTEST:
      result = OnNcHitTest(message, wParam, lParam, handled);
      break;
    case os::WM_GETMINMAXINFO:
      result = OnGetMinMaxInfo(message, wParam, lParam, handled);
      break;
    case os::WM_MOUSEWHEEL:
      result = OnMouseWheel(message, wParam, lParam, handled);
      break;
    case os::WM_SIZE:
      result = OnSize(message, wParam, lParam, handled);
      break;
    case os::WM_CHAR:
      result = OnChar(message, wParam, lParam, handled);
      break;
    case os::WM_SYSCOMMAND:
      result = OnSysCommand(message, wParam, lParam, handled);
      break;
    case os::WM_KEYDOWN:
      result = OnKeyDown(message, wParam, lParam, handled);
      break;
    case os::WM_KILLFOCUS:
      result = OnKillFocus(message, wParam, lParam, handled);
      break;
    case os::WM_SETFOCUS:
      result = OnSetFocus(message, wParam, lParam, handled);
      break;
    case os::WM_LBUTTONUP:
      result = OnLButtonUp(message, wParam, lParam, handled);
      break;
    case os::WM_LBUTTONDOWN:
      result = OnLButtonDown(message, wParam, lParam, handled);
      break;
    case os::WM_MOUSEMOVE:
      result = OnMouseMove(message, wParam, lParam, handled);
      break;
    case os::WM_MOUSEHOVER:
      result = OnMouseHover(message, wParam, lParam, handled);
      break;
    default:
      handled = false;
      break;
  }
  if (handled) return result;

  handled = true;
  result = HandleCustomMessage(message, wParam, lParam, handled);
  if (handled) return result;

  if (manager_.MessageHandler(message, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

os::LONG WindowImplBase::GetStyle() {
  return os::GetWindowLong(hwnd_, os::GWL_STYLE) & ~static_cast<os::LONG>(os::WS_CAPTION);
}

void WindowImplBase::Notify(NotifyMsg& msg) { NotifyPump(msg); }

os::LRESULT WindowImplBase::MessageHandler(os::UINT message, os::WPARAM wParam, os::LPARAM, bool&) {
  // The key goes on to translation and the focused control in any case; the
  // call is there for what a deriving window does on Enter or Escape.
  if (message == os::WM_KEYDOWN && (wParam == os::VK_RETURN || wParam == os::VK_ESCAPE)) {
    return ResponseDefaultKeyEvent(wParam);
  }
  return 0;
}

CControlUI* WindowImplBase::CreateCustomControl(std::u16string_view) { return nullptr; }

const NotifyMap* WindowImplBase::GetMessageMap() const { return MessageMap(); }

const NotifyMap* WindowImplBase::MessageMap() {
  static const NotifyMapEntry entries[] = {
      NotifyHandler<&WindowImplBase::OnClick>(u"click", u""),
      EndOfNotifyMap(),
  };
  static const NotifyMap map{&CNotifyPump::MessageMap, entries};
  return &map;
}

// --- Shadow --------------------------------------------------------------------------------------

void WindowImplBase::CreateShadow() {
  CShadowUI& shadow = manager_.Shadow();
  if (!shadow.IsShowShadow() || shadow.Window() != nullptr) return;
  os::WNDCLASSEXW wc;
  wc.style = os::CS_HREDRAW | os::CS_VREDRAW;
  wc.lpfnWndProc = &os::DefWindowProc;
  wc.hInstance = UIManager::ProcessInstance();
  wc.hCursor = os::LoadCursor(nullptr, os::IDC_ARROW);
  wc.hbrBackground = WindowColorBackground();
  wc.lpszClassName = kShadowWindowClass;
  os::RegisterClassEx(&wc);  // once per process; later calls find it there
  // Layered and transparent to the mouse: clicks fall through to whatever
  // lies below the shadow.
  const os::HWND window = os::CreateWindowEx(os::WS_EX_LAYERED | os::WS_EX_TRANSPARENT | os::WS_EX_TOOLWINDOW,
                                             kShadowWindowClass, u"", os::WS_POPUP, 0, 0, 0, 0, hwnd_,
                                             nullptr, UIManager::ProcessInstance(), nullptr);
  shadow.SetWindow(window);
  FollowShadow();
}

void WindowImplBase::FollowShadow() {
  if (hwnd_ == nullptr) return;
  const CShadowUI& shadow = manager_.Shadow();
  const os::HWND window = shadow.Window();
  if (window == nullptr || !os::IsWindow(window)) return;
  if (!os::IsWindowVisible(hwnd_) || os::IsIconic(hwnd_) || os::IsZoomed(hwnd_)) {
    os::ShowWindow(window, os::SW_HIDE);
    return;
  }
  os::RECT owner{};
  os::GetWindowRect(hwnd_, &owner);
  const int spread = std::max(shadow.GetSize(), 0);
  const os::POINT offset = shadow.GetPosition();
  os::RECT body = owner;
  os::OffsetRect(&body, offset.x, offset.y);
  os::RECT frame = body;
  os::InflateRect(&frame, spread, spread);
  os::UnionRect(&frame, &frame, &owner);
  const int width = Width(frame);
  const int height = Height(frame);
  if (width <= 0 || height <= 0) return;

  // A band of the shadow colour around the window's body, fading out over
  // the spread; sharpness bends the fade (higher is crisper). Nothing is
  // drawn where the window itself covers the shadow.
  os::Bitmap pixels(width, height);
  if (!pixels.IsValid()) return;
  const os::DWORD color = shadow.GetColor();
  const double darkness = shadow.GetDarkness();
  const double exponent = 1.0 + static_cast<double>(shadow.GetSharpness()) / 5.0;
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = pixels.Row(y);
    const int sy = frame.top + y;
    for (int x = 0; x < width; ++x) {
      const int sx = frame.left + x;
      if (sx >= owner.left && sx < owner.right && sy >= owner.top && sy < owner.bottom) continue;
      const int dx = std::max({static_cast<int>(body.left) - sx, sx - static_cast<int>(body.right) + 1, 0});
      const int dy = std::max({static_cast<int>(body.top) - sy, sy - static_cast<int>(body.bottom) + 1, 0});
      const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy));
      double strength = 1.0;
      if (distance > 0) {
        if (spread == 0 || distance >= spread) continue;
        strength = std::pow(1.0 - distance / spread, exponent);
      }
      const auto alpha = static_cast<std::uint32_t>(darkness * strength);
      row[x] = os::PremultiplyArgb((alpha << 24) | (color & 0x00FFFFFF));
    }
  }
  pixels.MarkDirty();
  const os::POINT position{frame.left, frame.top};
  const os::PixelView view{pixels.Data(), width, height, pixels.Stride()};
  os::UpdateLayeredWindow(window, &position, view, 255);
  os::SetWindowPos(
      window, nullptr, 0, 0, 0, 0,
      os::SWP_NOMOVE | os::SWP_NOSIZE | os::SWP_NOZORDER | os::SWP_NOACTIVATE | os::SWP_SHOWWINDOW);
}

}  // namespace Kesto
