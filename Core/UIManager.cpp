// The manager's life cycle, control bookkeeping, timers, focus,
// notifications and the process message loop.
#include "Core/UIManager.h"

#include <algorithm>
#include <string>

#include "controls/Control.h"
#include "controls/Render.h"
#include "platform/base/Assert.h"
#include "platform/syscontrols/Tooltip.h"
#include "platform/system/Kernel.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"

namespace Kesto {

std::unique_ptr<FontInfo> MakeDefaultFont();

namespace {

std::vector<UIManager*>& ManagerList() {
  static std::vector<UIManager*> list;
  return list;
}

template <class T>
bool AddUnique(std::vector<T*>& list, T* item) {
  if (item == nullptr || std::find(list.begin(), list.end(), item) != list.end()) return false;
  list.push_back(item);
  return true;
}

template <class T>
bool RemoveItem(std::vector<T*>& list, T* item) {
  const auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

// The timer counter runs over 0–239; 241 stays free for the caret.
constexpr os::UINT kTimerIdRange = 240;

CControlUI* AcceptAtPoint(CControlUI* control, void* data) {
  return rect::Contains(control->GetPos(), *static_cast<const os::POINT*>(data)) ? control : nullptr;
}

CControlUI* CollectAll(CControlUI* control, void* data) {
  static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
  return nullptr;
}

bool IsTabStop(CControlUI* control) { return (control->GetControlFlags() & ControlFlag::TabStop) != 0; }

struct ShortcutSearch {
  char16_t key = 0;
  bool pickNext = false;
};

char16_t UpperAscii(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

CControlUI* AcceptShortcut(CControlUI* control, void* data) {
  auto* search = static_cast<ShortcutSearch*>(data);
  if (!control->IsVisible()) return nullptr;
  if (control->GetShortcut() != 0 && UpperAscii(control->GetShortcut()) == search->key)
    search->pickNext = true;
  // A label names the control after it; it never takes the focus itself.
  if (control->GetClass().find(u"LabelUI") != std::u16string_view::npos) return nullptr;
  return search->pickNext ? control : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Life cycle

UIManager::UIManager() : defaultFont_(MakeDefaultFont()) {}

UIManager::~UIManager() {
  DestroyDelayed();
  pendingNotify_.clear();
  names_.Clear();
  // Out of root_ first: the tree's controls ask the manager for its root
  // while they go.
  std::unique_ptr<CControlUI> root = std::move(root_);
  root.reset();
  // Controls destroyed above may have been handed over for later destruction
  // while they went.
  DestroyDelayed();
  RemoveAllFonts();
  RemoveAllImages();
  RemoveAllDefaultAttributes();
  RemoveAllOptionGroups();
  RemoveAllTimers();
  if (caretTimerRunning_ && window_ != nullptr && os::IsWindow(window_))
    os::KillTimer(window_, kCaretTimerId);
  if (toolTip_ != nullptr) {
    if (os::IsWindow(toolTip_)) os::DestroyWindow(toolTip_);
    toolTip_ = nullptr;
  }
  offscreen_.reset();
  layered_.reset();
  RemoveItem(ManagerList(), this);
}

const std::vector<UIManager*>& UIManager::Managers() { return ManagerList(); }

void UIManager::Init(os::HWND window) {
  window_ = window;
  AddUnique(ManagerList(), this);
}

bool UIManager::AttachRoot(CControlUI* control) { return AdoptRoot(std::unique_ptr<CControlUI>(control)); }

bool UIManager::AdoptRoot(std::unique_ptr<CControlUI> root) {
  if (root == nullptr) return false;
  if (root == root_) {
    // The attached root again: handing it to DestroyLater as the old root
    // would leave the window pointing at a destroyed tree. It stays as it is,
    // focus and all.
    root.release();
    return true;
  }
  SetFocus(nullptr);
  keyPressed_ = nullptr;
  hot_ = nullptr;
  captured_ = nullptr;
  if (root_ != nullptr) {
    postPaint_.clear();
    // The old tree may be the caller of this very function (an event handler
    // replacing the window's content), so it goes at the next chance.
    DestroyLater(std::move(root_));
    // Its names must not lead into a tree about to be destroyed.
    names_.Clear();
  }
  root_ = std::move(root);
  CControlUI* control = root_.get();
  layoutNeeded_ = true;
  firstLayoutPending_ = true;
  focusPassNeeded_ = true;
  InitControls(control, control->GetParent());
  return true;
}

void UIManager::InitControls(CControlUI* control, CControlUI* parent) {
  if (control == nullptr) return;
  control->SetOwner(this, parent, true);
  EnterNames(control);
}

void UIManager::EnterNames(CControlUI* control) {
  // Every control, hidden ones included, in the tree's search order: a later
  // control of the same name replaces an earlier one.
  std::vector<CControlUI*> all;
  control->FindControl(&CollectAll, &all, FindFlag::All);
  for (CControlUI* c : all) {
    const std::u16string name = c->GetName();
    if (!name.empty()) names_.Set(name, c);
  }
}

os::SIZE UIManager::ClientSize() const {
  os::RECT client{};
  if (window_ != nullptr) os::GetClientRect(window_, &client);
  return os::SIZE{client.right - client.left, client.bottom - client.top};
}

void UIManager::SetInitialSize(int cx, int cy) {
  initialSize_ = os::SIZE{cx, cy};
  if (root_ == nullptr && window_ != nullptr) {
    os::SetWindowPos(window_, nullptr, 0, 0, cx, cy, os::SWP_NOZORDER | os::SWP_NOMOVE | os::SWP_NOACTIVATE);
  }
}

void UIManager::SetWindowOpacity(int opacity) {
  opacity_ = opacity < 0 ? 0 : (opacity > 255 ? 255 : opacity);
  if (window_ == nullptr) return;
  const bool inRange = opacity >= 0 && opacity <= 255;
  const os::LONG_PTR exStyle = os::GetWindowLongPtr(window_, os::GWL_EXSTYLE);
  if (inRange) {
    os::SetWindowLongPtr(window_, os::GWL_EXSTYLE, exStyle | os::WS_EX_LAYERED);
    os::SetLayeredWindowAttributes(window_, 0, static_cast<os::BYTE>(opacity & 0xFF), os::LWA_ALPHA);
  } else {
    // An out-of-range value leaves the window opaque; its low byte is not
    // applied as a constant alpha.
    os::SetWindowLongPtr(window_, os::GWL_EXSTYLE, exStyle & ~static_cast<os::LONG_PTR>(os::WS_EX_LAYERED));
  }
}

void UIManager::SetLayeredBackground(bool layered) { layeredBackground_ = layered; }

// ---------------------------------------------------------------------------
// Control lookup

CControlUI* UIManager::FindControlAt(os::POINT point) const {
  if (root_ == nullptr) return nullptr;
  return root_->FindControl(&AcceptAtPoint, &point,
                            FindFlag::Visible | FindFlag::HitTest | FindFlag::TopFirst);
}

CControlUI* UIManager::FindControlByName(std::u16string_view name) const {
  CControlUI* const* found = names_.Find(name);
  return found != nullptr ? *found : nullptr;
}

// ---------------------------------------------------------------------------
// Focus

bool UIManager::TakesKeyboardFocus() const {
  return window_ != nullptr && (os::GetWindowLong(window_, os::GWL_EXSTYLE) & os::WS_EX_NOACTIVATE) == 0;
}

void UIManager::FocusWindow() {
  // A window that must not be activated (a drop-down list) leaves the
  // keyboard with the window that has it.
  if (TakesKeyboardFocus()) os::SetFocus(window_);
}

void UIManager::SetFocus(CControlUI* control) {
  if (window_ != nullptr && os::GetFocus() != window_ && control != focus_) FocusWindow();
  if (control == focus_) return;
  if (focus_ != nullptr) {
    CControlUI* old = focus_;
    ControlEvent event;
    event.type = UIEvent::KillFocus;
    event.sender = old;
    event.timestamp = os::GetTickCount();
    event.mouse = lastMousePoint_;
    old->Event(event);
    // The handler may have destroyed the control (ForgetControl then cleared
    // the focus) or moved the focus on.
    if (focus_ == old) {
      SendNotify(old, u"killfocus");
      if (focus_ == old) focus_ = nullptr;
    }
  }
  if (control == nullptr || control->GetManager() != this || !control->IsVisible() || !control->IsEnabled())
    return;
  focus_ = control;
  ControlEvent event;
  event.type = UIEvent::SetFocus;
  event.sender = control;
  event.timestamp = os::GetTickCount();
  event.mouse = lastMousePoint_;
  control->Event(event);
  if (focus_ == control) SendNotify(control, u"setfocus");
}

bool UIManager::FocusNextTabStop(bool forward) {
  if (layoutNeeded_ && forward) {
    // Positions are stale: move after the next layout.
    focusPassNeeded_ = true;
    if (window_ != nullptr) os::InvalidateRect(window_, nullptr, os::FALSE);
    return true;
  }
  focusPassNeeded_ = false;
  if (root_ == nullptr) return false;
  std::vector<CControlUI*> order;
  root_->FindControl(&CollectAll, &order, FindFlag::Visible | FindFlag::Enabled | FindFlag::MeFirst);
  std::vector<CControlUI*> stops;
  std::size_t focusAt = static_cast<std::size_t>(-1);
  for (CControlUI* c : order) {
    if (c == focus_) focusAt = stops.size();
    if (IsTabStop(c)) stops.push_back(c);
  }
  if (stops.empty()) return false;
  CControlUI* next = nullptr;
  if (forward) {
    // focusAt is where the focused control stands among the tab stops (or
    // where it would stand); the stop after it, else the first.
    std::size_t from = focusAt == static_cast<std::size_t>(-1) ? stops.size() : focusAt;
    if (from < stops.size() && stops[from] == focus_) ++from;
    next = from < stops.size() ? stops[from] : stops.front();
  } else {
    const std::size_t before = focusAt == static_cast<std::size_t>(-1) ? 0 : focusAt;
    next = before > 0 ? stops[before - 1] : stops.back();
  }
  SetFocus(next);
  focusPassNeeded_ = false;
  return true;
}

void UIManager::SetFocusNeeded(CControlUI* control) {
  FocusWindow();
  if (control == nullptr) return;
  if (focus_ != nullptr) {
    CControlUI* old = focus_;
    ControlEvent event;
    event.type = UIEvent::KillFocus;
    event.sender = old;
    event.timestamp = os::GetTickCount();
    event.mouse = lastMousePoint_;
    old->Event(event);
    if (focus_ == old) SendNotify(old, u"killfocus");
    focus_ = nullptr;
  }
  // Remember the tab stop before the control so that the focus pass after
  // the next layout lands on the control (or the first stop after it).
  CControlUI* before = nullptr;
  if (root_ != nullptr) {
    std::vector<CControlUI*> order;
    root_->FindControl(&CollectAll, &order, FindFlag::Visible | FindFlag::Enabled | FindFlag::MeFirst);
    for (CControlUI* c : order) {
      if (c == control) break;
      if (IsTabStop(c)) before = c;
    }
  }
  focus_ = before;
  focusPassNeeded_ = true;
  if (root_ != nullptr) root_->NeedUpdate();
  NeedLayout();
}

// ---------------------------------------------------------------------------
// Timers

bool UIManager::SetTimer(CControlUI* control, os::UINT id, os::UINT elapse) {
  if (control == nullptr || window_ == nullptr) return false;
  for (TimerInfo& t : timers_) {
    if (t.sender == control && t.window == window_ && t.localId == id) {
      if (!t.killed) return false;
      if (os::SetTimer(window_, t.nativeId, elapse, nullptr) == 0) return false;
      t.killed = false;
      return true;
    }
  }
  // Next free native id. Ids still held by a record (running or re-armable)
  // are passed over, so that two controls never share one window timer.
  for (os::UINT tries = 0; tries < kTimerIdRange; ++tries) {
    timerCounter_ = (timerCounter_ + 1) % kTimerIdRange;
    const os::UINT_PTR nativeId = timerCounter_;
    const bool taken = std::any_of(timers_.begin(), timers_.end(), [&](const TimerInfo& t) {
      return t.window == window_ && t.nativeId == nativeId;
    });
    if (taken) continue;
    if (os::SetTimer(window_, nativeId, elapse, nullptr) == 0) return false;
    timers_.push_back(TimerInfo{control, window_, id, nativeId, false});
    return true;
  }
  return false;
}

bool UIManager::KillTimer(CControlUI* control, os::UINT id) {
  for (TimerInfo& t : timers_) {
    if (t.sender == control && t.window == window_ && t.localId == id) {
      if (!t.killed && t.window != nullptr && os::IsWindow(t.window)) os::KillTimer(t.window, t.nativeId);
      t.killed = true;
      return true;
    }
  }
  return false;
}

void UIManager::KillTimers(CControlUI* control) {
  auto it = timers_.begin();
  while (it != timers_.end()) {
    if (it->sender == control && it->window == window_) {
      if (!it->killed && it->window != nullptr && os::IsWindow(it->window))
        os::KillTimer(it->window, it->nativeId);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

void UIManager::RemoveAllTimers() {
  for (const TimerInfo& t : timers_) {
    if (!t.killed && t.window != nullptr && os::IsWindow(t.window)) os::KillTimer(t.window, t.nativeId);
  }
  timers_.clear();
}

// ---------------------------------------------------------------------------
// Capture

void UIManager::SetCapture() {
  if (window_ != nullptr) os::SetCapture(window_);
  mouseCaptured_ = true;
}

void UIManager::ReleaseCapture() {
  // Cleared first: releasing may send this window a capture-changed message.
  mouseCaptured_ = false;
  os::ReleaseCapture();
}

// ---------------------------------------------------------------------------
// Option groups, painting lists, delayed destruction

bool UIManager::AddOptionGroup(std::u16string_view group, CControlUI* control) {
  if (control == nullptr) return false;
  if (auto* list = optionGroups_.Find(group)) return AddUnique(*list, control);
  std::vector<CControlUI*> list;
  list.reserve(6);
  list.push_back(control);
  return optionGroups_.Insert(group, std::move(list));
}

const std::vector<CControlUI*>* UIManager::OptionGroup(std::u16string_view group) const {
  return optionGroups_.Find(group);
}

void UIManager::RemoveOptionGroup(std::u16string_view group, CControlUI* control) {
  auto* list = optionGroups_.Find(group);
  if (list == nullptr) return;
  RemoveItem(*list, control);
  if (list->empty()) optionGroups_.Remove(group);
}

bool UIManager::AddPostPaint(CControlUI* control) { return AddUnique(postPaint_, control); }

bool UIManager::RemovePostPaint(CControlUI* control) { return RemoveItem(postPaint_, control); }

void UIManager::DestroyLater(std::unique_ptr<CControlUI> control) {
  if (control == nullptr) return;
  for (const auto& waiting : delayedDestroy_) {
    if (waiting != control) continue;
    // Already ours: two owners would delete it twice.
    os::DebugOutput(os::DebugCategory::Ui,
                    u"kesto.manager: a control was handed to the delayed clean-up twice; it goes once");
    control.release();
    return;
  }
  delayedDestroy_.push_back(std::move(control));
  if (window_ != nullptr) os::PostMessage(window_, kDelayedDestroyMessage, 0, 0);
}

void UIManager::DestroyDelayed() {
  // Destroying a control may hand further controls over; take them in turns.
  while (!delayedDestroy_.empty()) {
    std::vector<std::unique_ptr<CControlUI>> batch;
    batch.swap(delayedDestroy_);
    for (auto& c : batch) {
      LUMORA_ASSERT(c != root_, "the attached root is never destroyed while attached");
      c.reset();
    }
  }
}

void UIManager::ForgetControl(CControlUI* control) {
  if (control == nullptr) return;
  if (control == focus_) focus_ = nullptr;
  if (control == hot_) hot_ = nullptr;
  if (control == captured_) captured_ = nullptr;
  if (control == keyPressed_) keyPressed_ = nullptr;
  if (control == caretOwner_) {
    ShowCaret(false);
    caretOwner_ = nullptr;
    caretEnabled_ = false;
  }
  KillTimers(control);
  const std::u16string name = control->GetName();
  if (!name.empty()) {
    CControlUI* const* entry = names_.Find(name);
    if (entry != nullptr && *entry == control) names_.Remove(name);
  }
  for (NotifyMsg& msg : pendingNotify_) {
    if (msg.sender == control) msg.sender = nullptr;
  }
  // Nothing may paint or delete it again.
  RemoveItem(postPaint_, control);
  for (auto it = delayedDestroy_.begin(); it != delayedDestroy_.end(); ++it) {
    if (it->get() != control) continue;
    // It is being destroyed already, by whoever called this.
    it->release();
    delayedDestroy_.erase(it);
    break;
  }
}

void UIManager::Invalidate(const os::RECT& rect) {
  // The layered path repaints this together with the system's update
  // rectangle, which already covers every earlier invalidation.
  invalidRect_ = rect;
  if (window_ != nullptr) os::InvalidateRect(window_, &rect, os::FALSE);
}

// ---------------------------------------------------------------------------
// Notifications

void UIManager::SendNotify(CControlUI* sender, std::u16string_view type, os::WPARAM wParam, os::LPARAM lParam,
                           bool posted) {
  NotifyMsg msg;
  msg.sender = sender;
  msg.type.assign(type);
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, posted);
}

void UIManager::SendNotify(NotifyMsg& msg, bool posted) {
  msg.mousePoint = lastMousePoint_;
  msg.timestamp = os::GetTickCount();
  if (virtualWndUsed_ && msg.sender != nullptr) msg.virtualWnd = msg.sender->GetVirtualWnd();
  if (posted) {
    pendingNotify_.push_back(msg);
    return;
  }
  DeliverNotify(msg);
}

void UIManager::DeliverNotify(NotifyMsg& msg) {
  if (msg.sender != nullptr && msg.sender->OnNotify) msg.sender->OnNotify(msg);
  // A notifier may add or remove notifiers while it runs: walk by position
  // and re-check the bound each time.
  for (std::size_t i = 0; i < notifiers_.size(); ++i) notifiers_[i]->Notify(msg);
}

void UIManager::DeliverPendingNotifications() {
  while (!pendingNotify_.empty()) {
    NotifyMsg msg = std::move(pendingNotify_.front());
    pendingNotify_.pop_front();
    DeliverNotify(msg);
  }
}

bool UIManager::AddNotifier(INotifyUI* notifier) { return AddUnique(notifiers_, notifier); }
bool UIManager::RemoveNotifier(INotifyUI* notifier) { return RemoveItem(notifiers_, notifier); }
bool UIManager::AddPreMessageFilter(IMessageFilterUI* f) { return AddUnique(preMessageFilters_, f); }
bool UIManager::RemovePreMessageFilter(IMessageFilterUI* f) { return RemoveItem(preMessageFilters_, f); }
bool UIManager::AddMessageFilter(IMessageFilterUI* f) { return AddUnique(messageFilters_, f); }
bool UIManager::RemoveMessageFilter(IMessageFilterUI* f) { return RemoveItem(messageFilters_, f); }
bool UIManager::AddAcceleratorTranslator(ITranslateAccelerator* t) { return AddUnique(translators_, t); }
bool UIManager::RemoveAcceleratorTranslator(ITranslateAccelerator* t) { return RemoveItem(translators_, t); }

os::LRESULT UIManager::TranslateAccelerator(os::MSG* msg) {
  for (std::size_t i = 0; i < translators_.size(); ++i) {
    if (translators_[i]->TranslateAccelerator(msg) == 0) return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Before translation

bool UIManager::PreMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, os::LRESULT& result) {
  for (std::size_t i = 0; i < preMessageFilters_.size(); ++i) {
    bool handled = false;
    const os::LRESULT r = preMessageFilters_[i]->MessageHandler(message, wParam, lParam, handled);
    if (handled) {
      result = r;
      return true;
    }
  }
  switch (message) {
    case os::WM_KEYDOWN: {
      if (wParam != os::VK_TAB) return false;
      if (focus_ != nullptr && focus_->IsVisible() && focus_->IsEnabled() &&
          focus_->GetClass().find(u"RichEditUI") != std::u16string_view::npos) {
        auto* wantTab = static_cast<IWantTabUI*>(focus_->GetInterface(u"WantTab"));
        if (wantTab != nullptr && wantTab->IsWantTab()) return false;
      }
      FocusNextTabStop(os::GetKeyState(os::VK_SHIFT) >= 0);
      return true;
    }
    case os::WM_SYSKEYDOWN: {
      if (focus_ != nullptr) {
        ControlEvent event;
        event.type = UIEvent::SysKey;
        event.sender = focus_;
        event.key = static_cast<char16_t>(wParam);
        event.mouse = lastMousePoint_;
        event.keyState = KeyState();
        event.timestamp = os::GetTickCount();
        focus_->Event(event);
      }
      return false;
    }
    case os::WM_SYSCHAR: {
      if (root_ == nullptr) return false;
      ShortcutSearch search;
      search.key = UpperAscii(static_cast<char16_t>(wParam));
      CControlUI* found = root_->FindControl(&AcceptShortcut, &search,
                                             FindFlag::Enabled | FindFlag::MeFirst | FindFlag::TopFirst);
      if (found == nullptr) return false;
      found->SetFocus();
      found->Activate();
      return true;
    }
    default:
      return false;
  }
}

os::WORD UIManager::KeyState() {
  os::WORD state = 0;
  if (os::GetKeyState(os::VK_LBUTTON) < 0) state |= 0x01;
  if (os::GetKeyState(os::VK_RBUTTON) < 0) state |= 0x02;
  if (os::GetKeyState(os::VK_SHIFT) < 0) state |= 0x04;
  if (os::GetKeyState(os::VK_CONTROL) < 0) state |= 0x08;
  if (os::GetKeyState(os::VK_MENU) < 0) state |= 0x20;
  return state;
}

// ---------------------------------------------------------------------------
// Message loop

bool UIManager::TranslateForManagers(os::MSG* msg) {
  if (msg == nullptr) return false;
  const os::HWND target = msg->hwnd;
  const std::vector<UIManager*>& managers = ManagerList();
  const bool child = target != nullptr && (os::GetWindowLongPtr(target, os::GWL_STYLE) & os::WS_CHILD) != 0;
  if (child) {
    // A control window of a managed window: each ancestor's manager sees the
    // message, but the child window still gets it.
    for (std::size_t i = 0; i < managers.size(); ++i) {
      UIManager* manager = managers[i];
      for (os::HWND parent = os::GetParent(target); parent != nullptr; parent = os::GetParent(parent)) {
        if (parent != manager->window_) continue;
        if (manager->TranslateAccelerator(msg) == 0) return true;
        os::LRESULT ignored = 0;
        manager->PreMessage(msg->message, msg->wParam, msg->lParam, ignored);
      }
    }
    return false;
  }
  for (std::size_t i = 0; i < managers.size(); ++i) {
    UIManager* manager = managers[i];
    if (target == nullptr || target != manager->window_) continue;
    if (manager->TranslateAccelerator(msg) == 0) return true;
    os::LRESULT result = 0;
    return manager->PreMessage(msg->message, msg->wParam, msg->lParam, result);
  }
  return false;
}

int UIManager::RunMessageLoop() {
  os::MSG msg{};
  for (;;) {
    const os::BOOL got = os::GetMessage(&msg, nullptr, 0, 0);
    // 0 is the quit message; −1 an error that would repeat for ever.
    if (got <= 0) break;
    try {
      if (!TranslateForManagers(&msg)) {
        os::TranslateMessage(&msg);
        os::DispatchMessage(&msg);
      }
    } catch (...) {
      // A window's handler failed; the process keeps serving its windows,
      // and the developer learns what went wrong and where.
      os::DebugOutput(os::DebugCategory::Ui, "kesto.dispatch: message " + std::to_string(msg.message) +
                                                 " failed: " + os::DescribeCurrentException());
    }
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace Kesto
