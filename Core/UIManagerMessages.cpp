// The manager's window messages: native mouse, keyboard, timer and focus
// messages become control events; tooltips; reflection of control-window
// messages; window size and close.
#include "Core/UIManager.h"
#include "controls/Control.h"
#include "platform/syscontrols/Tooltip.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Window.h"

namespace Kesto {
namespace {

os::POINT PointOf(os::LPARAM lParam) { return os::POINT{os::GET_X_LPARAM(lParam), os::GET_Y_LPARAM(lParam)}; }

// Hover time when there is no tooltip window to ask for its initial delay.
constexpr os::DWORD kDefaultHoverMs = 400;

}  // namespace

void UIManager::SendEvent(CControlUI* control, int type, os::POINT point, os::WPARAM wParam,
                          os::LPARAM lParam, os::WORD keyState, char16_t key) {
  ControlEvent event;
  event.type = type;
  event.sender = control;
  event.timestamp = os::GetTickCount();
  event.mouse = point;
  event.key = key;
  event.keyState = keyState;
  event.wParam = wParam;
  event.lParam = lParam;
  control->Event(event);
}

bool UIManager::MessageHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, os::LRESULT& result) {
  if (window_ == nullptr) return false;
  DeliverPendingNotifications();
  for (std::size_t i = 0; i < messageFilters_.size(); ++i) {
    bool handled = false;
    const os::LRESULT r = messageFilters_[i]->MessageHandler(message, wParam, lParam, handled);
    if (handled) {
      result = r;
      return true;
    }
  }

  bool claimed = false;
  switch (message) {
    case kDelayedDestroyMessage:
      DestroyDelayed();
      break;

    case os::WM_CLOSE: {
      // The window goes away (or hides): nothing may stay hot or pressed.
      if (CControlUI* hot = hot_) {
        hot_ = nullptr;
        SendEvent(hot, UIEvent::MouseLeave, lastMousePoint_);
      }
      if (CControlUI* captured = captured_) {
        captured_ = nullptr;
        if (mouseCaptured_) ReleaseCapture();
        SendEvent(captured, UIEvent::ButtonUp, lastMousePoint_);
      }
      SetFocus(nullptr);
      if (const os::HWND owner = os::GetWindow(window_, os::GW_OWNER); owner != nullptr) os::SetFocus(owner);
      break;
    }

    case os::WM_ERASEBKGND:
      result = 1;
      return true;

    case os::WM_PAINT:
      Paint();
      return true;

    case os::WM_SIZE:
      if (focus_ != nullptr) SendEvent(focus_, UIEvent::WindowSize, lastMousePoint_);
      if (root_ != nullptr) root_->NeedUpdate();
      return true;

    case os::WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<os::MINMAXINFO*>(lParam);
      if (info != nullptr) {
        if (minTrack_.cx > 0) info->ptMinTrackSize.x = minTrack_.cx;
        if (minTrack_.cy > 0) info->ptMinTrackSize.y = minTrack_.cy;
        if (maxTrack_.cx > 0) info->ptMaxTrackSize.x = maxTrack_.cx;
        if (maxTrack_.cy > 0) info->ptMaxTrackSize.y = maxTrack_.cy;
      }
      break;
    }

    case os::WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == os::SC_RESTORE) restoring_ = true;
      return true;

    case os::WM_TIMER: {
      if (wParam == kCaretTimerId) {
        Invalidate(caretRect_);
        caretShown_ = !caretShown_;
        break;
      }
      for (const TimerInfo& t : timers_) {
        if (t.window == window_ && t.nativeId == wParam && !t.killed) {
          // Copied out: the control may set or kill timers while it runs.
          CControlUI* control = t.sender;
          const os::UINT localId = t.localId;
          SendEvent(control, UIEvent::Timer, lastMousePoint_, localId, lParam, KeyState());
          break;
        }
      }
      break;
    }

    case os::WM_SETCURSOR: {
      if (os::LOWORD(static_cast<std::uintptr_t>(lParam)) != os::HTCLIENT) break;
      if (mouseCaptured_) return true;
      os::POINT pt{};
      os::GetCursorPos(&pt);
      os::ScreenToClient(window_, &pt);
      CControlUI* control = FindControlAt(pt);
      if (control == nullptr || control->GetManager() != this) break;
      if ((control->GetControlFlags() & ControlFlag::SetCursor) == 0) break;
      SendEvent(control, UIEvent::SetCursor, pt, wParam, lParam, KeyState());
      return true;
    }

    case os::WM_KEYDOWN: {
      if (focus_ == nullptr) break;
      // Recorded before the event: a control destroyed by its own key-down
      // is then forgotten rather than left dangling.
      CControlUI* control = focus_;
      keyPressed_ = control;
      SendEvent(control, UIEvent::KeyDown, lastMousePoint_, 0, 0, KeyState(),
                static_cast<char16_t>(os::LOWORD(wParam)));
      break;
    }

    case os::WM_KEYUP: {
      if (keyPressed_ == nullptr) break;
      CControlUI* control = keyPressed_;
      keyPressed_ = nullptr;
      SendEvent(control, UIEvent::KeyUp, lastMousePoint_, 0, 0, KeyState(),
                static_cast<char16_t>(os::LOWORD(wParam)));
      break;
    }

    case os::WM_CHAR:
      if (focus_ == nullptr) break;
      SendEvent(focus_, UIEvent::Char, lastMousePoint_, 0, 0, KeyState(),
                static_cast<char16_t>(os::LOWORD(wParam)));
      break;

    case os::WM_NOTIFY: {
      const auto* header = reinterpret_cast<const os::NMHDR*>(lParam);
      if (header == nullptr) break;
      result = os::SendMessage(header->hwndFrom, message + kReflectOffset, wParam, lParam);
      return true;
    }

    case os::WM_COMMAND:
      if (lParam == 0) break;
      result = os::SendMessage(reinterpret_cast<os::HWND>(lParam), kReflectedCommand, wParam, lParam);
      return true;

    case os::WM_CTLCOLOREDIT:
    case os::WM_CTLCOLORSTATIC:
      if (lParam == 0) break;
      result = os::SendMessage(reinterpret_cast<os::HWND>(lParam), message + kReflectOffset, wParam, lParam);
      return true;

    default:
      if (HandleMouse(message, wParam, lParam, claimed) && claimed) return true;
      break;
  }
  DeliverPendingNotifications();
  return false;
}

// The mouse messages. Returns false for any other message; claimed tells
// whether the message is taken.
bool UIManager::HandleMouse(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& claimed) {
  claimed = false;
  switch (message) {
    case os::WM_MOUSEMOVE: {
      if (!mouseTracking_) {
        os::TRACKMOUSEEVENT track;
        track.dwFlags = os::TME_HOVER | os::TME_LEAVE;
        track.hwndTrack = window_;
        track.dwHoverTime =
            toolTip_ != nullptr
                ? static_cast<os::DWORD>(os::SendMessage(toolTip_, os::TTM_GETDELAYTIME, os::TTDT_INITIAL, 0))
                : kDefaultHoverMs;
        os::TrackMouseEvent(&track);
        mouseTracking_ = true;
      }
      const os::POINT pt = PointOf(lParam);
      lastMousePoint_ = pt;
      CControlUI* newHover = FindControlAt(pt);
      if (newHover != nullptr && newHover->GetManager() != this) return true;
      if (newHover != hot_ && hot_ != nullptr) {
        CControlUI* old = hot_;
        hot_ = nullptr;
        SendEvent(old, UIEvent::MouseLeave, pt);
        HideToolTip();
      }
      if (newHover != hot_ && newHover != nullptr) {
        hot_ = newHover;
        SendEvent(newHover, UIEvent::MouseEnter, pt);
        // Entering may have destroyed it.
        if (hot_ != newHover) newHover = nullptr;
      }
      if (captured_ != nullptr) {
        SendEvent(captured_, UIEvent::MouseMove, pt);
      } else if (newHover != nullptr) {
        SendEvent(newHover, UIEvent::MouseMove, pt);
      }
      return true;
    }

    case os::WM_LBUTTONDOWN:
      RoutePress(PressKind::kLeft, wParam, lParam);
      return true;

    case os::WM_LBUTTONDBLCLK:
      RoutePress(PressKind::kDouble, wParam, lParam);
      return true;

    case os::WM_LBUTTONUP: {
      const os::POINT pt = PointOf(lParam);
      lastMousePoint_ = pt;
      if (captured_ == nullptr) return true;
      CControlUI* control = captured_;
      ReleaseCapture();
      captured_ = nullptr;
      SendEvent(control, UIEvent::ButtonUp, pt, wParam, lParam, os::LOWORD(wParam));
      return true;
    }

    case os::WM_RBUTTONDOWN:
      RoutePress(PressKind::kRight, wParam, lParam);
      return true;

    case os::WM_CONTEXTMENU: {
      os::POINT pt = PointOf(lParam);
      os::ScreenToClient(window_, &pt);
      lastMousePoint_ = pt;
      if (captured_ == nullptr) return true;
      CControlUI* control = captured_;
      ReleaseCapture();
      captured_ = nullptr;
      SendEvent(control, UIEvent::ContextMenu, pt, 0, reinterpret_cast<os::LPARAM>(control));
      return true;
    }

    case os::WM_MOUSEWHEEL: {
      os::POINT pt = PointOf(lParam);
      os::ScreenToClient(window_, &pt);
      lastMousePoint_ = pt;
      CControlUI* control = FindControlAt(pt);
      if (control == nullptr || control->GetManager() != this) return true;
      const int delta = static_cast<short>(os::HIWORD(wParam));
      // 1 (line down) when the wheel turned towards the user.
      SendEvent(control, UIEvent::ScrollWheel, pt, delta < 0 ? 1 : 0, lParam, KeyState());
      // The content moved under the pointer: let hover follow it.
      os::SendMessage(
          window_, os::WM_MOUSEMOVE, 0,
          os::MAKELPARAM(static_cast<os::WORD>(lastMousePoint_.x), static_cast<os::WORD>(lastMousePoint_.y)));
      return true;
    }

    case os::WM_MOUSEHOVER: {
      mouseTracking_ = false;
      const os::POINT pt = PointOf(lParam);
      lastMousePoint_ = pt;
      CControlUI* control = FindControlAt(pt);
      if (control == nullptr || control->GetManager() != this) return true;
      if (hot_ != nullptr) SendEvent(hot_, UIEvent::MouseHover, pt);
      // The hover event may have destroyed the control under the pointer.
      if (FindControlAt(pt) != control) {
        claimed = true;
        return true;
      }
      ShowToolTip(control);
      claimed = true;
      return true;
    }

    case os::WM_MOUSELEAVE: {
      HideToolTip();
      if (mouseTracking_) os::SendMessage(window_, os::WM_MOUSEMOVE, 0, static_cast<os::LPARAM>(-1));
      mouseTracking_ = false;
      return true;
    }

    default:
      return false;
  }
}

void UIManager::RoutePress(PressKind kind, os::WPARAM wParam, os::LPARAM lParam) {
  FocusWindow();
  const os::POINT pt = PointOf(lParam);
  lastMousePoint_ = pt;
  CControlUI* control = FindControlAt(pt);
  if (control == nullptr || control->GetManager() != this) return;
  captured_ = control;
  // A double click leaves the focus where the first click put it.
  if (kind != PressKind::kDouble) {
    control->SetFocus();
    if (captured_ != control) return;  // destroyed while taking the focus
  }
  SetCapture();
  const os::WORD keyState = os::LOWORD(wParam);
  switch (kind) {
    case PressKind::kLeft:
      SendEvent(control, UIEvent::ButtonDown, pt, wParam, lParam, keyState);
      break;
    case PressKind::kRight:
      SendEvent(control, UIEvent::RButtonDown, pt, wParam, lParam, keyState);
      break;
    case PressKind::kDouble:
      // A double click carries only the key state.
      SendEvent(control, UIEvent::DblClick, pt, 0, 0, keyState);
      break;
  }
}

void UIManager::ShowToolTip(CControlUI* control) {
  toolTipText_ = control->GetToolTip();
  if (toolTipText_.empty()) return;
  if (!toolInfo_) toolInfo_ = std::make_unique<os::TOOLINFOW>();
  os::TOOLINFOW& tool = *toolInfo_;
  tool = os::TOOLINFOW{};
  tool.uFlags = os::TTF_IDISHWND;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<os::UINT_PTR>(window_);
  tool.hinst = ProcessInstance();
  tool.lpszText = toolTipText_.data();
  tool.rect = control->GetPos();
  if (toolTip_ == nullptr) {
    toolTip_ = os::CreateWindowEx(0, os::TOOLTIPS_CLASS, nullptr,
                                  os::WS_POPUP | os::TTS_NOPREFIX | os::TTS_ALWAYSTIP, os::CW_USEDEFAULT,
                                  os::CW_USEDEFAULT, os::CW_USEDEFAULT, os::CW_USEDEFAULT, window_, nullptr,
                                  ProcessInstance(), nullptr);
    if (toolTip_ == nullptr) return;
    os::SendMessage(toolTip_, os::TTM_ADDTOOL, 0, reinterpret_cast<os::LPARAM>(&tool));
  }
  os::SendMessage(toolTip_, os::TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
  os::SendMessage(toolTip_, os::TTM_SETTOOLINFO, 0, reinterpret_cast<os::LPARAM>(&tool));
  os::SendMessage(toolTip_, os::TTM_TRACKACTIVATE, os::TRUE, reinterpret_cast<os::LPARAM>(&tool));
}

void UIManager::HideToolTip() {
  if (toolTip_ == nullptr || !toolInfo_) return;
  os::SendMessage(toolTip_, os::TTM_TRACKACTIVATE, os::FALSE, reinterpret_cast<os::LPARAM>(toolInfo_.get()));
}

}  // namespace Kesto
