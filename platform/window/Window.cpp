// Window creation and destruction, window longs and properties, the window
// tree and its walks, captions, and the windows of other processes.
#include <algorithm>
#include <cstring>

#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

void SetLive(HWND hwnd, bool live) { Sys().queue().SetLive(hwnd, live); }

// Whether `hwnd` is `start` or one of its owners, owners' owners, ...
bool IsInOwnerChain(HWND hwnd, HWND start) {
  for (auto o = Lookup(start); o; o = Lookup(o->owner)) {
    if (o->handle == hwnd) return true;
  }
  return false;
}

void Unlink(Window& w) {
  if (!w.parent) return;
  if (auto p = Lookup(w.parent)) {
    auto& list = p->children;
    list.erase(std::remove(list.begin(), list.end(), w.handle), list.end());
  }
}

void SendDestroyTree(const WindowPtr& w) {
  Send(w, WM_DESTROY, 0, 0);
  if (w->destroyed) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children) {
    if (auto child = Lookup(c)) {
      child->destroying = true;
      SendDestroyTree(child);
    }
  }
}

bool ClassMatches(const Window& w, LPCWSTR className) {
  if (!className) return true;
  if (IS_INTRESOURCE(reinterpret_cast<std::uintptr_t>(className))) {
    return w.cls && w.cls->atom == static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(className));
  }
  if (w.foreign) return EqualNoCase(w.foreignClass, className);
  return w.cls && EqualNoCase(w.cls->name, className);
}

bool NameMatches(const Window& w, LPCWSTR windowName) {
  return !windowName || EqualNoCase(w.text, windowName);
}

}  // namespace

LRESULT Send(const WindowPtr& w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!w || w->destroyed || w->foreign || w->desktop || !w->proc) return 0;
  return w->proc(w->handle, message, wParam, lParam);
}

bool IsTopLevel(const Window& w) { return Sys().windows().IsTopLevel(w); }

HWND RootOf(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w || w->desktop) return nullptr;
  while (!IsTopLevel(*w) && !w->messageOnly) {
    auto p = Lookup(w->parent);
    if (!p || p->desktop) break;
    w = p;
  }
  return w->handle;
}

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd) {
  if (!ancestor || !hwnd) return false;
  auto w = Lookup(hwnd);
  while (w && !w->desktop) {
    if (w->handle == ancestor) return true;
    w = Lookup(w->parent);
  }
  return false;
}

std::vector<HWND>& Siblings(Window& w) { return Sys().windows().Siblings(w); }

bool IsVisibleChain(const Window& w) {
  const Window* cur = &w;
  WindowPtr hold;
  while (cur && !cur->desktop) {
    if (!(cur->style & WS_VISIBLE)) return false;
    hold = Lookup(cur->parent);
    cur = hold.get();
  }
  return cur != nullptr;  // message-only windows are never visible
}

void FreeWindowTree(const WindowPtr& w) {
  WindowSystem& sys = Sys();
  std::vector<HWND> children = w->children;
  for (HWND c : children) {
    if (auto child = Lookup(c)) FreeWindowTree(child);
  }
  if (w->destroyed) return;
  Send(w, WM_NCDESTROY, 0, 0);
  RemoveTimersOf(w->handle);
  ForgetWindowInput(w->handle);
  w->props.clear();
  Unlink(*w);
  for (HWND c : w->children) {
    if (auto child = Lookup(c)) child->parent = nullptr;
  }
  w->children.clear();
  if (w->surface) {
    sys.backend().DestroySurface(w->surface);
    w->surface = 0;
  }
  if (w->cls) --w->cls->windows;
  w->destroyed = true;
  SetLive(w->handle, false);
  sys.windows().Remove(w->handle);
}

void RefreshForeignWindows() {
  WindowSystem& sys = Sys();
  auto infos = sys.backend().ForeignWindows();
  auto& list = sys.windows().Desktop()->children;
  std::vector<HWND> own;
  std::unordered_map<ForeignId, WindowPtr> existing;
  for (HWND h : list) {
    auto w = Lookup(h);
    if (!w) continue;
    if (w->foreign) {
      existing[w->foreignId] = w;
    } else {
      own.push_back(h);
    }
  }
  std::vector<HWND> foreign;
  for (const auto& info : infos) {
    WindowPtr w;
    auto it = existing.find(info.id);
    if (it != existing.end()) {
      w = it->second;
      existing.erase(it);
    } else {
      w = std::make_shared<Window>();
      w->handle = NewHandle();
      w->foreign = true;
      w->foreignId = info.id;
      w->parent = sys.windows().Desktop()->handle;
      sys.windows().Add(w);
      sys.queue().SetForeign(w->handle, info.id);
    }
    w->text = info.caption;
    w->foreignClass = info.className;
    w->foreignProcess = info.processId;
    w->foreignThread = info.threadId;
    w->rect = w->client = info.rect;
    w->style = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | (info.visible ? WS_VISIBLE : 0);
    foreign.push_back(w->handle);
  }
  for (auto& [id, w] : existing) {
    // The entry stays (marked destroyed) so that its handle is never reused.
    w->destroyed = true;
    sys.queue().SetForeign(w->handle, 0);
  }
  own.insert(own.end(), foreign.begin(), foreign.end());
  list = std::move(own);
}

}  // namespace internal

using namespace internal;

// ---------------------------------------------------------------------------
// Creation and destruction

HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
  WindowSystem& sys = Sys();
  ClassPtr cls = FindClass(className, instance);
  if (!cls) {
    SetLastErrorCode(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  const bool messageOnly = parent == HWND_MESSAGE;
  WindowPtr parentWindow;
  WindowPtr ownerWindow;
  if (style & WS_CHILD) {
    if (!parent || messageOnly) {
      SetLastErrorCode(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    parentWindow = Lookup(parent);
    if (!parentWindow || parentWindow->foreign) {
      SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
  } else if (parent && !messageOnly) {
    ownerWindow = Lookup(parent);
    if (!ownerWindow || ownerWindow->foreign) {
      SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if (ownerWindow->desktop) ownerWindow = nullptr;
  }
  if (parentWindow && parentWindow->desktop) parentWindow = nullptr;
  const bool child = parentWindow != nullptr;

  // Overlapped windows always have a caption and clip their siblings; a
  // dialog or sizing frame brings the raised window edge.
  const DWORD requested = style;
  if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CLIPSIBLINGS | WS_CAPTION;
  if ((exStyle & WS_EX_DLGMODALFRAME) ||
      (!(exStyle & WS_EX_STATICEDGE) && (style & (WS_DLGFRAME | WS_THICKFRAME)))) {
    exStyle |= WS_EX_WINDOWEDGE;
  } else {
    exStyle &= ~WS_EX_WINDOWEDGE;
  }

  auto w = std::make_shared<Window>();
  w->handle = NewHandle();
  w->cls = cls;
  w->proc = cls->proc;
  w->instance = instance;
  w->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w->exStyle = exStyle;
  w->extra.assign(static_cast<std::size_t>(cls->wndExtra), 0);
  w->id = child ? static_cast<LONG_PTR>(reinterpret_cast<std::uintptr_t>(menu)) : 0;
  w->messageOnly = messageOnly;
  w->parent = child ? parentWindow->handle : (messageOnly ? nullptr : sys.windows().Desktop()->handle);
  w->owner = ownerWindow ? RootOf(ownerWindow->handle) : nullptr;

  const bool overlapped = !(style & (WS_CHILD | WS_POPUP));
  if (x == CW_USEDEFAULT) {
    if (overlapped) {
      static int cascade = 0;
      RECT work = Monitors().front().work;
      int step = 26 * (cascade++ % 10);
      x = work.left + step;
      y = work.top + step;
    } else {
      x = y = 0;
    }
  }
  if (width == CW_USEDEFAULT) {
    if (overlapped) {
      RECT work = Monitors().front().work;
      width = (work.right - work.left) * 3 / 4;
      height = (work.bottom - work.top) * 3 / 4;
    } else {
      width = height = 0;
    }
  }

  sys.windows().Add(w);
  SetLive(w->handle, true);
  ++cls->windows;
  if (!messageOnly) {
    if (child) {
      parentWindow->children.push_back(w->handle);  // children start at the bottom
    } else {
      ZOrderInsert(*w, HWND_TOP);
    }
  }

  CREATESTRUCTW cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = messageOnly ? HWND_MESSAGE : parent;
  cs.style = static_cast<LONG>(requested);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;

  x = internal::ClampWindowCoordinate(x);
  y = internal::ClampWindowCoordinate(y);
  width = internal::ClampWindowExtent(width);
  height = internal::ClampWindowExtent(height);
  w->rect = w->client = w->normalRect = RECT{x, y, x + width, y + height};
  if ((style & WS_THICKFRAME) || overlapped) {
    MINMAXINFO mmi = QueryMinMaxInfo(w);
    if (w->destroyed) return nullptr;
    width = std::min<int>(width, mmi.ptMaxTrackSize.x);
    height = std::min<int>(height, mmi.ptMaxTrackSize.y);
    width = std::max<int>(width, mmi.ptMinTrackSize.x);
    height = std::max<int>(height, mmi.ptMinTrackSize.y);
  }
  width = internal::ClampWindowExtent(width);
  height = internal::ClampWindowExtent(height);
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  w->rect = w->client = w->normalRect = RECT{x, y, x + width, y + height};

  if (IsTopLevel(*w) && !cls->noSurface) {
    SurfaceParams params;
    params.hwnd = w->handle;
    params.rect = w->rect;
    params.title = windowName ? windowName : u"";
    if (w->owner) {
      if (auto o = Lookup(w->owner)) params.owner = o->surface;
    }
    params.popup = (style & WS_POPUP) != 0;
    params.appWindow = (exStyle & WS_EX_APPWINDOW) != 0;
    params.toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
    params.topmost = (exStyle & WS_EX_TOPMOST) != 0;
    params.noActivate = (exStyle & WS_EX_NOACTIVATE) != 0;
    params.layered = (exStyle & WS_EX_LAYERED) != 0;
    w->surface = sys.backend().CreateSurface(params);
  }

  if (!Send(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (!w->destroyed) {
      w->destroying = true;
      FreeWindowTree(w);
    }
    return nullptr;
  }
  if (w->destroyed) return nullptr;

  RECT clientRect = w->rect;
  Send(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&clientRect));
  if (w->destroyed) return nullptr;
  clientRect.right = std::max(clientRect.right, clientRect.left);
  clientRect.bottom = std::max(clientRect.bottom, clientRect.top);
  w->client = clientRect;

  if (Send(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (!w->destroyed) DestroyWindow(w->handle);
    return nullptr;
  }
  if (w->destroyed) return nullptr;

  Send(w, WM_SIZE, SIZE_RESTORED,
       MAKELPARAM(static_cast<WORD>(w->client.right - w->client.left),
                  static_cast<WORD>(w->client.bottom - w->client.top)));
  Send(w, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(w->client.left), static_cast<WORD>(w->client.top)));
  if (w->destroyed) return nullptr;

  if (child && !(exStyle & WS_EX_NOPARENTNOTIFY)) {
    Send(parentWindow, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(w->id)),
         reinterpret_cast<LPARAM>(w->handle));
    if (w->destroyed) return nullptr;
  }

  if (requested & WS_VISIBLE) {
    int command = SW_SHOW;
    if (requested & WS_MINIMIZE) {
      command = SW_SHOWMINIMIZED;
    } else if (requested & WS_MAXIMIZE) {
      command = SW_SHOWMAXIMIZED;
    }
    ShowWindow(w->handle, command);
  } else if (requested & WS_MAXIMIZE) {
    MaximizeWindow(w, SWP_NOACTIVATE);
  } else if (requested & WS_MINIMIZE) {
    MinimizeWindow(w, SWP_NOACTIVATE);
  }
  return w->destroyed ? nullptr : w->handle;
}

BOOL DestroyWindow(HWND hwnd) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  w->destroying = true;

  if (w->style & WS_VISIBLE) {
    SetWindowPosInternal(w, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    if (w->destroyed) return TRUE;
  }
  if (sys.input().Active() == hwnd) ActivateOtherWindow(hwnd);

  // Owned windows go first, with their whole destruction.
  if (IsTopLevel(*w)) {
    std::vector<HWND> owned;
    for (HWND h : sys.windows().TopLevel()) {
      auto o = Lookup(h);
      if (o && !o->foreign && o->owner == hwnd) owned.push_back(h);
    }
    for (const WindowPtr& o : sys.windows().All()) {
      if (o->messageOnly && o->owner == hwnd) owned.push_back(o->handle);
    }
    for (HWND h : owned) DestroyWindow(h);
    if (w->destroyed) return TRUE;
  }

  if ((w->style & WS_CHILD) && !(w->exStyle & WS_EX_NOPARENTNOTIFY)) {
    if (auto p = Lookup(w->parent)) {
      Send(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, static_cast<WORD>(w->id)),
           reinterpret_cast<LPARAM>(hwnd));
    }
  }
  if (IsSelfOrDescendant(hwnd, sys.input().Focus())) SetFocus(nullptr);
  if (IsSelfOrDescendant(hwnd, sys.input().Capture())) ReleaseCapture();
  if (w->destroyed) return TRUE;

  SendDestroyTree(w);
  FreeWindowTree(w);
  return TRUE;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(hwnd, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Window longs and properties

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) {
      SetLastErrorCode(ERROR_INVALID_INDEX);
      return 0;
    }
    LONG_PTR value = 0;
    std::memcpy(&value, w->extra.data() + index, sizeof value);
    return value;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) && !IsTopLevel(*w) ? w->parent : w->owner);
    case GWLP_ID:
      return w->id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_USERDATA:
      return w->userData;
    default:
      SetLastErrorCode(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (index >= 0) {
    if (static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) {
      SetLastErrorCode(ERROR_INVALID_INDEX);
      return 0;
    }
    LONG_PTR old = 0;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  switch (index) {
    case GWLP_WNDPROC: {
      auto old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    }
    case GWLP_HINSTANCE: {
      auto old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    }
    case GWLP_ID: {
      LONG_PTR old = w->id;
      w->id = value;
      return old;
    }
    case GWLP_USERDATA: {
      LONG_PTR old = w->userData;
      w->userData = value;
      return old;
    }
    case GWLP_HWNDPARENT: {
      if (!IsTopLevel(*w)) return reinterpret_cast<LONG_PTR>(w->parent);
      auto old = reinterpret_cast<LONG_PTR>(w->owner);
      HWND owner = RootOf(reinterpret_cast<HWND>(value));
      // A window cannot own itself, not even through the windows it owns:
      // activation and z-order walk owner chains to their end.
      if (IsInOwnerChain(hwnd, owner)) owner = nullptr;
      w->owner = owner;
      if (w->surface) {
        auto o = Lookup(owner);
        sys.backend().SetSurfaceOwner(w->surface, o ? o->surface : 0);
      }
      return old;
    }
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      DWORD& field = index == GWL_STYLE ? w->style : w->exStyle;
      STYLESTRUCT ss{field, static_cast<DWORD>(value)};
      if (index == GWL_EXSTYLE) {
        // WS_EX_TOPMOST only changes through SetWindowPos.
        ss.styleNew = (ss.styleNew & ~WS_EX_TOPMOST) | (ss.styleOld & WS_EX_TOPMOST);
      }
      Send(w, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
      if (w->destroyed) return 0;
      DWORD old = field;
      field = ss.styleNew;
      if (index == GWL_EXSTYLE && ((old ^ field) & WS_EX_LAYERED)) {
        // Removing the style forgets the layered state; adding it afresh
        // allows UpdateLayeredWindow again.
        w->attributesSet = false;
        w->alpha = 255;
        w->attributeFlags = 0;
        w->layeredFramePresented = false;
        w->layeredAlpha.clear();
        if (w->surface) sys.backend().SetSurfaceLayered(w->surface, (field & WS_EX_LAYERED) != 0);
        if (!(field & WS_EX_LAYERED)) InvalidateInternal(w, nullptr, true, true);
      }
      STYLESTRUCT done{old, field};
      Send(w, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&done));
      return static_cast<LONG_PTR>(static_cast<LONG>(old));
    }
    default:
      SetLastErrorCode(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG GetWindowLong(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtr(hwnd, index)); }

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  LONG_PTR v = (index == GWL_STYLE || index == GWL_EXSTYLE) ? static_cast<LONG_PTR>(static_cast<DWORD>(value))
                                                            : static_cast<LONG_PTR>(value);
  return static_cast<LONG>(SetWindowLongPtr(hwnd, index, v));
}

BOOL SetProp(HWND hwnd, LPCWSTR name, HANDLE data) {
  auto w = LookupOwn(hwnd);
  if (!w || !name) {
    SetLastErrorCode(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  for (auto& [key, value] : w->props) {
    if (EqualNoCase(key, name)) {
      value = data;
      return TRUE;
    }
  }
  w->props.emplace_back(name, data);
  return TRUE;
}

HANDLE GetProp(HWND hwnd, LPCWSTR name) {
  auto w = LookupOwn(hwnd);
  if (!w || !name) return nullptr;
  for (auto& [key, value] : w->props) {
    if (EqualNoCase(key, name)) return value;
  }
  return nullptr;
}

HANDLE RemoveProp(HWND hwnd, LPCWSTR name) {
  auto w = LookupOwn(hwnd);
  if (!w || !name) return nullptr;
  for (auto it = w->props.begin(); it != w->props.end(); ++it) {
    if (EqualNoCase(it->first, name)) {
      HANDLE value = it->second;
      w->props.erase(it);
      return value;
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// The window tree

BOOL IsWindow(HWND hwnd) { return Lookup(hwnd) != nullptr; }

HWND GetDesktopWindow() { return Sys().windows().Desktop()->handle; }

HWND GetParent(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (w->desktop || w->foreign) return nullptr;
  if ((w->style & WS_CHILD) && !IsTopLevel(*w)) return w->parent;
  if (w->style & WS_POPUP) return w->owner;
  return nullptr;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  auto w = Lookup(hwnd);
  if (!w || w->desktop) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->parent;
    case GA_ROOT:
      return w->foreign ? hwnd : RootOf(hwnd);
    case GA_ROOTOWNER: {
      HWND root = w->foreign ? hwnd : RootOf(hwnd);
      for (auto r = Lookup(root); r && r->owner; r = Lookup(r->owner)) root = r->owner;
      return root;
    }
    default:
      return nullptr;
  }
}

HWND SetParent(HWND child, HWND newParent) {
  WindowSystem& sys = Sys();
  auto w = LookupOwn(child);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  WindowPtr p = newParent ? Lookup(newParent) : sys.windows().Desktop();
  if (!p || p->foreign || IsSelfOrDescendant(child, p->handle)) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND old = w->parent;
  const bool wasTop = IsTopLevel(*w);
  Unlink(*w);
  w->parent = p->handle;
  w->messageOnly = false;
  p->children.insert(p->children.begin(), w->handle);
  const bool isTop = IsTopLevel(*w);
  if (wasTop && !isTop && w->surface) {
    sys.backend().DestroySurface(w->surface);
    w->surface = 0;
  } else if (!wasTop && isTop && !w->surface) {
    SurfaceParams params;
    params.hwnd = child;
    params.rect = w->rect;
    params.title = w->text;
    params.popup = (w->style & WS_POPUP) != 0;
    params.layered = (w->exStyle & WS_EX_LAYERED) != 0;
    w->surface = sys.backend().CreateSurface(params);
    if (w->style & WS_VISIBLE) sys.backend().ShowSurface(w->surface, true, false);
  }
  InvalidateInternal(w, nullptr, true, true);
  return old;
}

HWND GetWindow(HWND hwnd, UINT relation) {
  auto w = Lookup(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  switch (relation) {
    case GW_CHILD:
      if (w->desktop) RefreshForeignWindows();
      return w->children.empty() ? nullptr : w->children.front();
    case GW_OWNER:
      return w->owner;
    case GW_ENABLEDPOPUP:
      return nullptr;
    default:
      break;
  }
  if (w->desktop || !w->parent) return nullptr;
  auto& list = Siblings(*w);
  auto it = std::find(list.begin(), list.end(), hwnd);
  if (it == list.end()) return nullptr;
  switch (relation) {
    case GW_HWNDFIRST:
      return list.front();
    case GW_HWNDLAST:
      return list.back();
    case GW_HWNDNEXT:
      return std::next(it) == list.end() ? nullptr : *std::next(it);
    case GW_HWNDPREV:
      return it == list.begin() ? nullptr : *std::prev(it);
    default:
      return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  WindowSystem& sys = Sys();
  if (!hwnd || hwnd == sys.windows().Desktop()->handle) {
    RefreshForeignWindows();
    return sys.windows().TopLevel().empty() ? nullptr : sys.windows().TopLevel().front();
  }
  auto w = Lookup(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return w->children.empty() ? nullptr : w->children.front();
}

BOOL IsChild(HWND parent, HWND hwnd) {
  auto w = Lookup(hwnd);
  while (w && (w->style & WS_CHILD) && !IsTopLevel(*w)) {
    if (w->parent == parent) return TRUE;
    w = Lookup(w->parent);
  }
  return FALSE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  RefreshForeignWindows();
  std::vector<HWND> list = Sys().windows().TopLevel();
  for (HWND h : list) {
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  }
  return TRUE;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  auto w = Lookup(parent);
  if (!w || !proc) return FALSE;
  std::vector<HWND> list;
  std::vector<HWND> stack(w->children.rbegin(), w->children.rend());
  while (!stack.empty()) {
    HWND h = stack.back();
    stack.pop_back();
    list.push_back(h);
    if (auto c = Lookup(h)) stack.insert(stack.end(), c->children.rbegin(), c->children.rend());
  }
  for (HWND h : list) {
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  }
  return TRUE;
}

HWND FindWindow(LPCWSTR className, LPCWSTR windowName) {
  return FindWindowEx(nullptr, nullptr, className, windowName);
}

HWND FindWindowEx(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  WindowSystem& sys = Sys();
  std::vector<HWND> list;
  if (parent == HWND_MESSAGE) {
    list = sys.windows().MessageOnlyWindows();
  } else if (!parent || parent == sys.windows().Desktop()->handle) {
    RefreshForeignWindows();
    list = sys.windows().TopLevel();
  } else {
    auto p = Lookup(parent);
    if (!p) {
      SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    list = p->children;
  }
  auto it = list.begin();
  if (childAfter) {
    it = std::find(list.begin(), list.end(), childAfter);
    if (it == list.end()) return nullptr;
    ++it;
  }
  for (; it != list.end(); ++it) {
    auto w = Lookup(*it);
    if (w && ClassMatches(*w, className) && NameMatches(*w, windowName)) return *it;
  }
  return nullptr;
}

HWND WindowFromPoint(POINT screenPoint) {
  auto w = DeepestWindowAt(screenPoint, true);
  return w ? w->handle : nullptr;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  WindowSystem& sys = Sys();
  auto w = Lookup(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  DWORD pid = sys.ProcessId();
  DWORD tid = sys.UiThreadId();
  if (w->foreign) {
    pid = w->foreignProcess;
    tid = w->foreignThread;
  } else if (w->desktop) {
    pid = 0;
    tid = 0;
  }
  if (processId) *processId = pid;
  return tid;
}

// ---------------------------------------------------------------------------
// Captions

BOOL SetWindowText(HWND hwnd, LPCWSTR text) {
  auto w = LookupOwn(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextLength(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->foreign || w->desktop) return static_cast<int>(w->text.size());
  return static_cast<int>(Send(w, WM_GETTEXTLENGTH, 0, 0));
}

int GetWindowText(HWND hwnd, LPWSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  auto w = Lookup(hwnd);
  if (!w) {
    buffer[0] = 0;
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->foreign || w->desktop) {
    int n = std::min(static_cast<int>(w->text.size()), maxCount - 1);
    std::copy_n(w->text.begin(), n, buffer);
    buffer[n] = 0;
    return n;
  }
  buffer[0] = 0;
  return static_cast<int>(
      Send(w, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(buffer)));
}

std::u16string GetWindowText(HWND hwnd) {
  int length = GetWindowTextLength(hwnd);
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  int n = GetWindowText(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(n, 0)));
  return text;
}

}  // namespace os
