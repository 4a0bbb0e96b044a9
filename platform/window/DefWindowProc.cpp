// The default window procedure: what Windows does with a message the window
// procedure passes on — captions, frames and hit codes, the cursor, caption
// drags and border resizes, system commands, WM_CLOSE → DestroyWindow, the
// size and move notifications, track-size clamping and propagation of mouse
// activation, context menus and the wheel to the parent.
#include <algorithm>

#include "platform/window/DeviceContext.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

bool IsChildWindow(const Window& w) { return (w.style & WS_CHILD) && !IsTopLevel(w) && !w.messageOnly; }

LRESULT DefaultHitTest(const WindowPtr& w, POINT pt) {
  RECT wr = ScreenRect(*w);
  if (!PtInRect(&wr, pt)) return HTNOWHERE;
  if (w->style & WS_MINIMIZE) return HTCAPTION;
  POINT co = ClientOrigin(*w);
  RECT cr{co.x, co.y, co.x + (w->client.right - w->client.left), co.y + (w->client.bottom - w->client.top)};
  if (PtInRect(&cr, pt)) return HTCLIENT;

  if ((w->style & WS_THICKFRAME) && !(w->style & WS_MAXIMIZE)) {
    const int f = kSizeFrame;
    const int corner = kCaption;  // corners reach along the edges
    const bool left = pt.x < wr.left + f, right = pt.x >= wr.right - f;
    const bool top = pt.y < wr.top + f, bottom = pt.y >= wr.bottom - f;
    const bool nearLeft = pt.x < wr.left + corner, nearRight = pt.x >= wr.right - corner;
    const bool nearTop = pt.y < wr.top + corner, nearBottom = pt.y >= wr.bottom - corner;
    if (top) return nearLeft ? HTTOPLEFT : nearRight ? HTTOPRIGHT : HTTOP;
    if (bottom) return nearLeft ? HTBOTTOMLEFT : nearRight ? HTBOTTOMRIGHT : HTBOTTOM;
    if (left) return nearTop ? HTTOPLEFT : nearBottom ? HTBOTTOMLEFT : HTLEFT;
    if (right) return nearTop ? HTTOPRIGHT : nearBottom ? HTBOTTOMRIGHT : HTRIGHT;
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION && pt.y < cr.top && pt.y >= cr.top - kCaption) return HTCAPTION;
  return HTBORDER;
}

LRESULT DefaultSetCursor(const WindowPtr& w, WPARAM wParam, LPARAM lParam) {
  if (IsChildWindow(*w)) {
    if (auto p = Lookup(w->parent)) {
      if (Send(p, WM_SETCURSOR, wParam, lParam)) return TRUE;
    }
  }
  const int hit = static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lParam)));
  switch (hit) {
    case HTERROR:
      return FALSE;
    case HTCLIENT:
      if (w->cls && w->cls->cursor) {
        SetCursor(w->cls->cursor);
        return TRUE;
      }
      return FALSE;
    case HTLEFT:
    case HTRIGHT:
      SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
      return TRUE;
    case HTTOP:
    case HTBOTTOM:
      SetCursor(LoadCursor(nullptr, IDC_SIZENS));
      return TRUE;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      SetCursor(LoadCursor(nullptr, IDC_SIZENWSE));
      return TRUE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      SetCursor(LoadCursor(nullptr, IDC_SIZENESW));
      return TRUE;
    default:
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      return FALSE;
  }
}

LRESULT DefaultSysCommand(const WindowPtr& w, WPARAM wParam, LPARAM) {
  const UINT command = static_cast<UINT>(wParam) & 0xFFF0;
  switch (command) {
    case SC_CLOSE:
      if (w->cls && (w->cls->style & CS_NOCLOSE)) return 0;
      Send(w, WM_CLOSE, 0, 0);
      return 0;
    case SC_MINIMIZE:
      ShowWindow(w->handle, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
      ShowWindow(w->handle, SW_MAXIMIZE);
      return 0;
    case SC_RESTORE:
      ShowWindow(w->handle, SW_RESTORE);
      return 0;
    case SC_MOVE:
      // Only a mouse-initiated move (the hit code in the low bits) drags.
      if ((wParam & 0x0F) == static_cast<WPARAM>(HTCAPTION)) StartSystemDrag(w, true, 0);
      return 0;
    case SC_SIZE: {
      const UINT edge = static_cast<UINT>(wParam & 0x0F);
      if (edge >= WMSZ_LEFT && edge <= WMSZ_BOTTOMRIGHT) StartSystemDrag(w, false, edge);
      return 0;
    }
    default:
      return 0;
  }
}

void DefaultWindowPosChanging(const WindowPtr& w, WINDOWPOS* wp) {
  if (!wp || (wp->flags & SWP_NOSIZE) || (w->style & (WS_MINIMIZE | WS_MAXIMIZE))) return;
  // Sizable and overlapped windows keep to their track sizes.
  if (!((w->style & WS_THICKFRAME) || !(w->style & (WS_POPUP | WS_CHILD)))) return;
  MINMAXINFO mmi = QueryMinMaxInfo(w);
  wp->cx = std::max<int>(std::min<int>(wp->cx, mmi.ptMaxTrackSize.x), mmi.ptMinTrackSize.x);
  wp->cy = std::max<int>(std::min<int>(wp->cy, mmi.ptMaxTrackSize.y), mmi.ptMinTrackSize.y);
}

void DefaultWindowPosChanged(const WindowPtr& w, const WINDOWPOS* wp) {
  if (!wp) return;
  if (!(wp->flags & SWP_NOCLIENTMOVE)) {
    Send(w, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(w->client.left), static_cast<WORD>(w->client.top)));
    if (w->destroyed) return;
  }
  if (!(wp->flags & SWP_NOCLIENTSIZE) || (wp->flags & SWP_STATECHANGED)) {
    WPARAM kind = (w->style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                  : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                             : SIZE_RESTORED;
    Send(w, WM_SIZE, kind,
         MAKELPARAM(static_cast<WORD>(w->client.right - w->client.left),
                    static_cast<WORD>(w->client.bottom - w->client.top)));
  }
}

}  // namespace
}  // namespace internal

using namespace internal;

LRESULT OS_STDCALL DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(reinterpret_cast<std::uintptr_t>(cs->lpszName))) {
        w->text = cs->lpszName;
        if (w->surface) sys.backend().SetSurfaceTitle(w->surface, w->text);
      }
      return TRUE;
    }
    case WM_NCCALCSIZE:
      if (wParam) {
        auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
        if (params) params->rgrc[0] = ComputeNonClient(*w, params->rgrc[0]);
      } else if (auto* r = reinterpret_cast<RECT*>(lParam)) {
        *r = ComputeNonClient(*w, *r);
      }
      return 0;
    case WM_NCHITTEST:
      return DefaultHitTest(w, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCACTIVATE:
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) SetFocus(hwnd);
      return 0;
    case WM_MOUSEACTIVATE:
      if (IsChildWindow(*w)) {
        if (auto p = Lookup(w->parent)) {
          LRESULT r = Send(p, WM_MOUSEACTIVATE, wParam, lParam);
          if (r) return r;
        }
      }
      return MA_ACTIVATE;
    case WM_SETCURSOR:
      return DefaultSetCursor(w, wParam, lParam);
    case WM_NCLBUTTONDOWN: {
      const int hit = static_cast<int>(wParam);
      if (hit == HTCAPTION) {
        Send(w, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
      } else if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        Send(w, WM_SYSCOMMAND, SC_SIZE + static_cast<WPARAM>(hit - HTLEFT + WMSZ_LEFT), lParam);
      }
      return 0;
    }
    case WM_NCLBUTTONDBLCLK:
      if (static_cast<int>(wParam) == HTCAPTION) {
        if (w->style & WS_MINIMIZE) {
          Send(w, WM_SYSCOMMAND, SC_RESTORE, lParam);
        } else if (w->style & WS_MAXIMIZEBOX) {
          Send(w, WM_SYSCOMMAND, (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lParam);
        }
      }
      return 0;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, &p);
      Send(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd),
           MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
      return 0;
    }
    case WM_NCRBUTTONUP:
      Send(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
      return 0;
    case WM_KEYUP:
      if (wParam == VK_APPS) Send(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
      return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      if (IsChildWindow(*w)) {
        if (auto p = Lookup(w->parent)) return Send(p, message, wParam, lParam);
      }
      return 0;
    case WM_SYSCOMMAND:
      return DefaultSysCommand(w, wParam, lParam);
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the top-level window.
      if (wParam == VK_F4 && (HIWORD(static_cast<std::uintptr_t>(lParam)) & 0x2000)) {
        if (auto top = Lookup(RootOf(hwnd))) Send(top, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return w->cls && w->cls->background ? 1 : 0;
    case WM_SETTEXT: {
      auto* text = reinterpret_cast<LPCWSTR>(lParam);
      w->text = text ? text : u"";
      if (w->surface) sys.backend().SetSurfaceTitle(w->surface, w->text);
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      const int size = static_cast<int>(wParam);
      if (!buffer || size <= 0) return 0;
      const int n = std::min(static_cast<int>(w->text.size()), size - 1);
      std::copy_n(w->text.begin(), n, buffer);
      buffer[n] = 0;
      return n;
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_WINDOWPOSCHANGING:
      DefaultWindowPosChanging(w, reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGED:
      DefaultWindowPosChanged(w, reinterpret_cast<const WINDOWPOS*>(lParam));
      return 0;
    case WM_SETICON: {
      HICON icon = reinterpret_cast<HICON>(lParam);
      HICON& slot = wParam == ICON_BIG ? w->iconBig : w->iconSmall;
      HICON old = slot;
      slot = icon;
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w->iconBig : w->iconSmall);
    case WM_CANCELMODE:
      if (sys.input().Capture() == hwnd) ReleaseCapture();
      return 0;
    case WM_QUERYOPEN:
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      // The system colours: fields on the window colour, everything else on
      // the face colour.
      const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
      const int background = field ? COLOR_WINDOW : COLOR_3DFACE;
      auto dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(background));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
    }
    default:
      return 0;
  }
}

}  // namespace os
