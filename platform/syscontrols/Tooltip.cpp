// The "tooltips_class32" system class: a model of the common-controls tooltip
// that keeps its tools, shows the tracked tool's text through the backend and
// lets the text it shows be read back.
#include "platform/syscontrols/Tooltip.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

// How far below the pointer's hot spot a tip that follows the pointer
// appears: clear of the arrow cursor, as the common controls place it.
constexpr int kBelowCursor = 20;

LPWSTR const kTextCallback = reinterpret_cast<LPWSTR>(static_cast<std::intptr_t>(-1));

struct Tool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  RECT rect;
  std::u16string text;
  LPARAM lParam = 0;
};

struct TooltipData {
  std::vector<Tool> tools;
  bool active = true;
  bool tracking = false;
  HWND trackHwnd = nullptr;
  UINT_PTR trackId = 0;
  POINT position;
  bool positioned = false;  // by TTM_TRACKPOSITION
  int maxWidth = -1;
  UINT initial = 0;  // 0: follow the double-click time
  UINT autopop = 0;
  UINT reshow = 0;
  bool shown = false;
  std::u16string shownText;
};

TooltipData* DataOf(HWND hwnd) { return reinterpret_cast<TooltipData*>(GetWindowLongPtr(hwnd, 0)); }

std::u16string TextOf(LPWSTR text) {
  if (!text || text == kTextCallback || IS_INTRESOURCE(reinterpret_cast<std::uintptr_t>(text))) return {};
  return text;
}

Tool* FindTool(TooltipData& d, const TOOLINFOW* ti) {
  if (!ti) return nullptr;
  for (Tool& t : d.tools) {
    if (t.hwnd == ti->hwnd && t.id == ti->uId) return &t;
  }
  return nullptr;
}

UINT InitialDelay(const TooltipData& d) { return d.initial ? d.initial : GetDoubleClickTime(); }

// Shows or hides the tooltip window to match its state.
void Refresh(HWND hwnd, TooltipData& d) {
  WindowSystem& sys = Sys();
  const Tool* tool = nullptr;
  if (d.tracking) {
    for (const Tool& t : d.tools) {
      if (t.hwnd == d.trackHwnd && t.id == d.trackId) tool = &t;
    }
  }
  const bool show = d.active && tool && !tool->text.empty();
  auto w = LookupOwn(hwnd);
  auto owner = w ? Lookup(w->owner) : nullptr;
  const SurfaceId ownerSurface = owner ? owner->surface : 0;
  if (show) {
    // A tool that is not a tracking tool (no TTF_TRACK) shows its tip at the
    // pointer, unless a position was given.
    if (!d.positioned && !(tool->flags & TTF_TRACK)) {
      POINT cursor{};
      GetCursorPos(&cursor);
      d.position = POINT{cursor.x, cursor.y + kBelowCursor};
    }
    d.shown = true;
    d.shownText = tool->text;
    // A rough box for the text; the backend draws the real one.
    const int width =
        std::min<int>(d.maxWidth > 0 ? d.maxWidth : 1 << 15, 8 + 7 * static_cast<int>(tool->text.size()));
    SetWindowPos(hwnd, HWND_TOPMOST, d.position.x, d.position.y, width, 22, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    sys.backend().ShowTooltip(ownerSurface, d.shownText, d.position, d.maxWidth);
  } else if (d.shown) {
    d.shown = false;
    d.shownText.clear();
    ShowWindow(hwnd, SW_HIDE);
    sys.backend().HideTooltip(ownerSurface);
  }
}

LRESULT OS_STDCALL TooltipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new TooltipData));
    return DefWindowProc(hwnd, message, wParam, lParam);
  }
  TooltipData* d = DataOf(hwnd);
  if (!d) return DefWindowProc(hwnd, message, wParam, lParam);
  auto* ti = reinterpret_cast<TOOLINFOW*>(lParam);
  switch (message) {
    case WM_NCDESTROY: {
      if (d->shown) {
        auto w = LookupOwn(hwnd);
        auto owner = w ? Lookup(w->owner) : nullptr;
        Sys().backend().HideTooltip(owner ? owner->surface : 0);
      }
      SetWindowLongPtr(hwnd, 0, 0);
      delete d;
      return DefWindowProc(hwnd, message, wParam, lParam);
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // the tip never takes the mouse from the window below
    case TTM_ADDTOOLW: {
      if (!ti) return FALSE;
      Tool t;
      t.flags = ti->uFlags;
      t.hwnd = ti->hwnd;
      t.id = ti->uId;
      t.rect = ti->rect;
      t.text = TextOf(ti->lpszText);
      t.lParam = ti->lParam;
      d->tools.push_back(t);
      return TRUE;
    }
    case TTM_DELTOOLW:
      if (ti) {
        d->tools.erase(std::remove_if(d->tools.begin(), d->tools.end(),
                                      [&](const Tool& t) { return t.hwnd == ti->hwnd && t.id == ti->uId; }),
                       d->tools.end());
        Refresh(hwnd, *d);
      }
      return 0;
    case TTM_UPDATETIPTEXTW:
      if (Tool* t = FindTool(*d, ti)) {
        t->text = TextOf(ti->lpszText);
        Refresh(hwnd, *d);
      }
      return 0;
    case TTM_NEWTOOLRECTW:
      if (Tool* t = FindTool(*d, ti)) t->rect = ti->rect;
      return 0;
    case TTM_SETTOOLINFOW:
      if (Tool* t = FindTool(*d, ti)) {
        t->flags = ti->uFlags;
        t->rect = ti->rect;
        t->text = TextOf(ti->lpszText);
        t->lParam = ti->lParam;
        Refresh(hwnd, *d);
      }
      return 0;
    case TTM_GETTOOLINFOW:
      if (Tool* t = FindTool(*d, ti)) {
        ti->uFlags = t->flags;
        ti->rect = t->rect;
        ti->lParam = t->lParam;
        return TRUE;
      }
      return FALSE;
    case TTM_GETTEXTW:
      if (Tool* t = FindTool(*d, ti); t && ti->lpszText) {
        const int size = wParam ? static_cast<int>(wParam) : 80;
        const int n = std::min(static_cast<int>(t->text.size()), size - 1);
        std::copy_n(t->text.begin(), n, ti->lpszText);
        ti->lpszText[n] = 0;
      }
      return 0;
    case TTM_GETTOOLCOUNT:
      return static_cast<LRESULT>(d->tools.size());
    case TTM_TRACKACTIVATE:
      d->tracking = wParam != 0;
      if (ti) {
        d->trackHwnd = ti->hwnd;
        d->trackId = ti->uId;
      }
      Refresh(hwnd, *d);
      return 0;
    case TTM_TRACKPOSITION:
      d->position = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      d->positioned = true;
      if (d->shown) Refresh(hwnd, *d);
      return 0;
    case TTM_SETMAXTIPWIDTH: {
      const int old = d->maxWidth;
      d->maxWidth = static_cast<int>(lParam);
      return old;
    }
    case TTM_GETMAXTIPWIDTH:
      return d->maxWidth;
    case TTM_ACTIVATE:
      d->active = wParam != 0;
      Refresh(hwnd, *d);
      return 0;
    case TTM_POP:
      d->tracking = false;
      Refresh(hwnd, *d);
      return 0;
    case TTM_SETDELAYTIME: {
      const int value = static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lParam)));
      const UINT ms = value < 0 ? 0 : static_cast<UINT>(value);
      switch (wParam) {
        case TTDT_AUTOMATIC:
          d->initial = ms;
          d->autopop = ms * 10;
          d->reshow = ms / 5;
          break;
        case TTDT_INITIAL:
          d->initial = ms;
          break;
        case TTDT_AUTOPOP:
          d->autopop = ms;
          break;
        case TTDT_RESHOW:
          d->reshow = ms;
          break;
        default:
          break;
      }
      return 0;
    }
    case TTM_GETDELAYTIME:
      switch (wParam) {
        case TTDT_AUTOPOP:
          return d->autopop ? d->autopop : InitialDelay(*d) * 10;
        case TTDT_RESHOW:
          return d->reshow ? d->reshow : InitialDelay(*d) / 5;
        case TTDT_INITIAL:
        default:
          return InitialDelay(*d);
      }
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

}  // namespace

void RegisterTooltipClass() {
  WNDCLASSEXW wc;
  wc.style = CS_DBLCLKS | CS_GLOBALCLASS | CS_SAVEBITS;
  wc.lpfnWndProc = &TooltipProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = TOOLTIPS_CLASS;
  RegisterSystemClassEx(wc, true);
}

}  // namespace internal

BOOL GetTooltipState(HWND tooltip, TooltipState* state) {
  auto w = internal::LookupOwn(tooltip);
  if (!w || !state || !w->cls || !w->cls->system || !internal::EqualNoCase(w->cls->name, TOOLTIPS_CLASS)) {
    return FALSE;
  }
  auto* d = internal::DataOf(tooltip);
  if (!d) return FALSE;
  state->active = d->active;
  state->shown = d->shown;
  state->text = d->shownText;
  state->position = d->position;
  state->maxWidth = d->maxWidth;
  state->toolCount = static_cast<int>(d->tools.size());
  state->initialDelay = internal::InitialDelay(*d);
  return TRUE;
}

}  // namespace os
