#include "controls/DateTime.h"

#include <cstdio>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "platform/base/ShowCommands.h"
#include "platform/syscontrols/DatePicker.h"
#include "platform/system/Kernel.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"DateTime", CDateTimeUI)

// --- CDateTimeUI -----------------------------------------------------------------------------

CDateTimeUI::CDateTimeUI() {
  textPadding_ = RECT{4, 3, 4, 3};
  bkColor_ = 0xFFFFFFFF;
  os::GetLocalTime(&time_);
  CLabelUI::SetText(FormatDate(time_));
}

CDateTimeUI::~CDateTimeUI() { ClosePicker(); }

std::u16string_view CDateTimeUI::GetClass() const { return u"DateTimeUI"; }

void* CDateTimeUI::GetInterface(std::u16string_view name) {
  if (name == u"DateTime") return static_cast<CDateTimeUI*>(this);
  return CLabelUI::GetInterface(name);
}

UINT CDateTimeUI::GetControlFlags() const {
  return IsEnabled() ? (ControlFlag::TabStop | ControlFlag::SetCursor) : 0;
}

os::HWND CDateTimeUI::GetNativeWindow() const { return window_ != nullptr ? window_->GetHWND() : nullptr; }

std::u16string CDateTimeUI::FormatDate(const os::SYSTEMTIME& time) {
  constexpr char kFormat[] = "%4d-%02d-%02d";
  const int length = std::snprintf(nullptr, 0, kFormat, time.wYear, time.wMonth, time.wDay);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), kFormat, time.wYear, time.wMonth, time.wDay);
  text.resize(static_cast<std::size_t>(length));
  return std::u16string(text.begin(), text.end());
}

bool CDateTimeUI::SetTime(const os::SYSTEMTIME& time) {
  if (!os::IsValidDate(time)) {
    os::DebugOutput(os::DebugCategory::Ui, "DateTime: a date outside the calendar was refused");
    return false;
  }
  time_ = time;
  time_.wDayOfWeek = static_cast<os::WORD>(os::DayOfWeek(time.wYear, time.wMonth, time.wDay));
  CLabelUI::SetText(FormatDate(time_));
  if (window_ != nullptr) {
    os::SendMessage(window_->GetHWND(), os::DTM_SETSYSTEMTIME, static_cast<os::WPARAM>(os::GDT_VALID),
                    reinterpret_cast<os::LPARAM>(&time_));
  }
  return true;
}

void CDateTimeUI::TakePicked(const os::SYSTEMTIME& time) {
  if (!os::IsValidDate(time)) return;
  const bool changed = time.wYear != time_.wYear || time.wMonth != time_.wMonth || time.wDay != time_.wDay;
  time_ = time;
  CLabelUI::SetText(FormatDate(time_));
  if (changed && manager_ != nullptr) manager_->SendNotify(this, u"textchanged");
}

void CDateTimeUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!IsEnabled()) ClosePicker();
}

void CDateTimeUI::SetPos(RECT rc) {
  CLabelUI::SetPos(rc);
  if (window_ == nullptr || window_->closing_) return;
  // The control moved (a layout, a scroll): the picker goes with it.
  const RECT pos = window_->PlacedPos();
  os::SetWindowPos(window_->GetHWND(), nullptr, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
                   os::SWP_NOZORDER | os::SWP_NOACTIVATE);
}

void CDateTimeUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  if (!IsVisible()) ClosePicker();
}

void CDateTimeUI::SetInternVisible(bool visible) {
  CLabelUI::SetInternVisible(visible);
  if (!IsVisible()) ClosePicker();
}

void CDateTimeUI::OpenPicker() {
  if (manager_ == nullptr || manager_->Window() == nullptr || !IsEnabled()) return;
  if (window_ != nullptr) {
    if (!window_->closing_) return;
    // Clicked again before the closing picker has gone: it goes on closing
    // on its own, and a fresh one opens.
    window_->owner_ = nullptr;
    window_ = nullptr;
  }
  auto* window = new CDateTimeWnd();
  window_ = window;
  if (!window->Init(this)) {
    // Nothing was created, so no final message will free it.
    if (window_ == window) window_ = nullptr;
    delete window;
  }
}

void CDateTimeUI::ClosePicker() {
  if (window_ == nullptr) return;
  // The picker may be in the middle of one of its own messages (a handler
  // that deletes this control): it is told to go at the next chance, hidden
  // at once, and never comes back to this control.
  CDateTimeWnd* window = window_;
  window_ = nullptr;
  window->owner_ = nullptr;
  window->CloseLater();
  os::SendMessage(window->GetHWND(), os::DTM_CLOSEMONTHCAL, 0, 0);
  os::ShowWindow(window->GetHWND(), os::SW_HIDE);
}

void CDateTimeUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (parent_ != nullptr) {
      parent_->DoEvent(event);
    } else {
      CLabelUI::DoEvent(event);
    }
    return;
  }
  switch (event.type) {
    case UIEvent::SetCursor:
      if (IsEnabled()) {
        os::SetCursor(os::LoadCursor(nullptr, os::IDC_HAND));
        return;
      }
      break;
    case UIEvent::ButtonDown:
    case UIEvent::DblClick:
      if (IsEnabled()) {
        // The picker takes the mouse from here on.
        if (manager_ != nullptr) manager_->ReleaseCapture();
        OpenPicker();
      }
      return;
    case UIEvent::ScrollWheel:
      if (window_ != nullptr) return;
      break;
    case UIEvent::MouseMove:
    case UIEvent::ButtonUp:
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

// --- CDateTimeWnd -----------------------------------------------------------------------------

CDateTimeWnd::CDateTimeWnd() = default;

std::u16string_view CDateTimeWnd::GetWindowClassName() const { return u"DateTimeWnd"; }

std::u16string_view CDateTimeWnd::GetSuperClassName() const { return os::DATETIMEPICK_CLASS; }

RECT CDateTimeWnd::PlacedPos() const {
  RECT rc = owner_->GetPos();
  if (popup_) {
    const os::HWND managed = owner_->GetManager()->Window();
    os::POINT corners[2] = {{rc.left, rc.top}, {rc.right, rc.bottom}};
    os::ClientToScreen(managed, &corners[0]);
    os::ClientToScreen(managed, &corners[1]);
    rc = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  }
  return rc;
}

bool CDateTimeWnd::Init(CDateTimeUI* owner) {
  owner_ = owner;
  UIManager* manager = owner->GetManager();
  // Over a layered window a child would not be seen: the picker becomes a
  // popup of its own at the same place on the screen.
  popup_ = manager->IsLayeredBackground();
  const os::DWORD style = popup_ ? (os::WS_POPUP | os::WS_VISIBLE) : os::WS_CHILD;
  creating_ = true;
  const os::HWND created = Create(manager->Window(), u"", style, 0, PlacedPos());
  creating_ = false;
  if (created == nullptr) {
    owner_ = nullptr;
    return false;
  }
  const os::HWND hwnd = GetHWND();
  const FontInfo* font = manager->FontAt(owner->GetFont());
  if (font == nullptr) font = manager->DefaultFont();
  if (font != nullptr) os::SendMessage(hwnd, os::WM_SETFONT, reinterpret_cast<os::WPARAM>(font->Handle()), 1);
  os::SendMessage(hwnd, os::DTM_SETSYSTEMTIME, static_cast<os::WPARAM>(os::GDT_VALID),
                  reinterpret_cast<os::LPARAM>(&owner->time_));
  os::ShowWindow(hwnd, os::SW_SHOWNOACTIVATE);
  os::SetFocus(hwnd);
  // Dropped down at once: the click that opened the picker was meant for it.
  if (owner_ != nullptr && !closing_) os::SendMessage(hwnd, os::WM_KEYDOWN, os::VK_F4, 0);
  return true;
}

void CDateTimeWnd::OnFinalMessage(os::HWND) {
  // A window that failed during its creation is freed by whoever asked for
  // it, who learns of the failure from Init.
  if (creating_) return;
  if (owner_ != nullptr) {
    owner_->Invalidate();
    owner_->window_ = nullptr;
  }
  delete this;
}

void CDateTimeWnd::CloseLater() {
  if (closing_) return;
  closing_ = true;
  PostMessage(os::WM_CLOSE);
}

void CDateTimeWnd::OnNotify(const os::NMHDR& header) {
  if (header.code == os::DTN_DATETIMECHANGE) {
    const auto& change = reinterpret_cast<const os::NMDATETIMECHANGE&>(header);
    if (owner_ != nullptr && change.dwFlags == static_cast<os::DWORD>(os::GDT_VALID))
      owner_->TakePicked(change.st);
  } else if (header.code == os::DTN_CLOSEUP) {
    // The keyboard goes back to the skinned window; losing it closes this.
    const os::HWND parent = os::GetParent(GetHWND());
    if (os::GetFocus() == GetHWND() && parent != nullptr && !popup_) {
      os::SetFocus(parent);
    }
    CloseLater();
  }
}

os::LRESULT CDateTimeWnd::HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case os::WM_KILLFOCUS: {
      const os::LRESULT result = CallSavedProcedure(message, wParam, lParam);
      CloseLater();
      return result;
    }
    case os::OCM_NOTIFY:
      if (const auto* header = reinterpret_cast<const os::NMHDR*>(lParam)) OnNotify(*header);
      return 0;
    default:
      break;
  }
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

}  // namespace Kesto
