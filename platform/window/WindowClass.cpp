// Window classes: registration, lookup for creation and superclassing, and
// the platform's own system classes.
#include <algorithm>

#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

bool IsAtomName(LPCWSTR name) { return IS_INTRESOURCE(reinterpret_cast<std::uintptr_t>(name)); }

bool NameMatches(const WindowClass& c, LPCWSTR name) {
  if (IsAtomName(name)) return c.atom == static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
  return EqualNoCase(c.name, name);
}

void FillClassInfo(const WindowClass& c, WNDCLASSEXW* wc) {
  wc->style = c.style;
  wc->lpfnWndProc = c.proc;
  wc->cbClsExtra = c.clsExtra;
  wc->cbWndExtra = c.wndExtra;
  wc->hInstance = c.instance;
  wc->hIcon = c.icon;
  wc->hCursor = c.cursor;
  wc->hbrBackground = c.background;
  wc->lpszMenuName = c.menuName;
  wc->hIconSm = c.iconSmall;
}

ATOM AddClass(const WNDCLASSEXW& wc, bool system, bool noSurface) {
  WindowSystem& sys = Sys();
  if (!wc.lpszClassName || IsAtomName(wc.lpszClassName) || !*wc.lpszClassName || !wc.lpfnWndProc ||
      wc.cbWndExtra < 0 || wc.cbClsExtra < 0) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const bool global = system || (wc.style & CS_GLOBALCLASS);
  for (const auto& c : sys.windows().Classes()) {
    if (!EqualNoCase(c->name, wc.lpszClassName)) continue;
    // A local class may share its name with a class of another module or a
    // system class; a second one for the same module, or a second global or
    // system class of that name, is refused.
    const bool clash =
        system ? c->system : (global ? c->global && !c->system : c->instance == wc.hInstance && !c->global);
    if (clash) {
      SetLastErrorCode(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  }
  auto c = std::make_shared<WindowClass>();
  c->name = wc.lpszClassName;
  c->style = wc.style;
  c->proc = wc.lpfnWndProc;
  c->clsExtra = wc.cbClsExtra;
  c->wndExtra = wc.cbWndExtra;
  c->instance = system ? nullptr : wc.hInstance;
  c->icon = wc.hIcon;
  c->iconSmall = wc.hIconSm;
  c->cursor = wc.hCursor;
  c->background = wc.hbrBackground;
  c->menuName = wc.lpszMenuName;
  c->system = system;
  c->global = global;
  c->noSurface = noSurface;
  sys.windows().AddClass(c);
  SetLastErrorCode(ERROR_SUCCESS);
  return c->atom;
}

}  // namespace

// Lookup order when creating a window: the module's own classes, then the
// global ones, then the system classes. Windows of a module whose handle is
// not the registering one still find a local class of that name, since this
// process has a single module.
ClassPtr FindClass(LPCWSTR name, HINSTANCE instance) {
  if (!name) return nullptr;
  WindowSystem& sys = Sys();
  ClassPtr local, global, system, other;
  for (const auto& c : sys.windows().Classes()) {
    if (!NameMatches(*c, name)) continue;
    if (c->system) {
      if (!system) system = c;
    } else if (c->global) {
      if (!global) global = c;
    } else if (c->instance == instance) {
      if (!local) local = c;
    } else if (!other) {
      other = c;
    }
  }
  if (local) return local;
  if (global) return global;
  if (system) return system;
  return other;
}

ATOM RegisterSystemClassEx(const WNDCLASSEXW& wc, bool noSurface) { return AddClass(wc, true, noSurface); }

std::u16string ClassNameText(LPCWSTR name) {
  if (!name) return {};
  if (IsAtomName(name)) {
    // Appended digit by digit: GCC 12 at -O3 misreads a "#" + string
    // concatenation here as an overlapping copy (-Wrestrict).
    std::u16string text = u"#";
    for (const char digit : std::to_string(reinterpret_cast<std::uintptr_t>(name))) text.push_back(digit);
    return text;
  }
  return name;
}

}  // namespace internal

using namespace internal;

ATOM RegisterClassEx(const WNDCLASSEXW* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXW)) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return AddClass(*wc, false, false);
}

ATOM RegisterSystemClass(const WNDCLASSEXW& wc) { return AddClass(wc, true, false); }

BOOL UnregisterClass(LPCWSTR className, HINSTANCE instance) {
  WindowSystem& sys = Sys();
  for (const ClassPtr& c : sys.windows().Classes()) {
    if (c->system || !NameMatches(*c, className)) continue;
    if (!c->global && c->instance != instance) continue;
    if (c->windows > 0) {
      SetLastErrorCode(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
    c->unregistered = true;
    sys.windows().RemoveClass(ClassPtr(c));  // a copy: the reference goes with the entry
    return TRUE;
  }
  SetLastErrorCode(ERROR_CLASS_DOES_NOT_EXIST);
  return FALSE;
}

BOOL GetClassInfoEx(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* wc) {
  if (!className || !wc) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WindowSystem& sys = Sys();
  ClassPtr found;
  if (!instance) {
    for (const auto& c : sys.windows().Classes()) {
      if (NameMatches(*c, className) && c->system) {
        found = c;
        break;
      }
    }
    if (!found) {
      for (const auto& c : sys.windows().Classes()) {
        if (NameMatches(*c, className) && c->global) {
          found = c;
          break;
        }
      }
    }
  } else {
    for (const auto& c : sys.windows().Classes()) {
      if (NameMatches(*c, className) && !c->system && !c->global && c->instance == instance) {
        found = c;
        break;
      }
    }
    if (!found) {
      for (const auto& c : sys.windows().Classes()) {
        if (NameMatches(*c, className) && c->global && !c->system) {
          found = c;
          break;
        }
      }
    }
    if (!found) {
      for (const auto& c : sys.windows().Classes()) {
        if (NameMatches(*c, className) && c->system) {
          found = c;
          break;
        }
      }
    }
  }
  if (!found) {
    SetLastErrorCode(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  FillClassInfo(*found, wc);
  wc->lpszClassName = className;
  return found->atom;
}

int GetClassName(HWND hwnd, LPWSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  std::u16string name = GetClassName(hwnd);
  if (name.empty()) {
    buffer[0] = 0;
    return 0;
  }
  int n = std::min(static_cast<int>(name.size()), maxCount - 1);
  std::copy_n(name.begin(), n, buffer);
  buffer[n] = 0;
  return n;
}

std::u16string GetClassName(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return {};
  }
  if (w->desktop) return u"#32769";
  if (w->foreign) return w->foreignClass;
  return w->cls ? w->cls->name : u"";
}

ULONG_PTR GetClassLongPtr(HWND hwnd, int index) {
  auto w = LookupOwn(hwnd);
  if (!w || !w->cls) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const WindowClass& c = *w->cls;
  switch (index) {
    case GCL_STYLE:
      return c.style;
    case GCLP_WNDPROC:
      return reinterpret_cast<ULONG_PTR>(c.proc);
    case GCLP_HCURSOR:
      return reinterpret_cast<ULONG_PTR>(c.cursor);
    case GCLP_HICON:
      return reinterpret_cast<ULONG_PTR>(c.icon);
    case GCLP_HICONSM:
      return reinterpret_cast<ULONG_PTR>(c.iconSmall);
    case GCLP_HBRBACKGROUND:
      return reinterpret_cast<ULONG_PTR>(c.background);
    case GCLP_HMODULE:
      return reinterpret_cast<ULONG_PTR>(c.instance);
    case GCL_CBWNDEXTRA:
      return static_cast<ULONG_PTR>(c.wndExtra);
    case GCL_CBCLSEXTRA:
      return static_cast<ULONG_PTR>(c.clsExtra);
    case GCW_ATOM:
      return c.atom;
    default:
      SetLastErrorCode(ERROR_INVALID_INDEX);
      return 0;
  }
}

}  // namespace os
