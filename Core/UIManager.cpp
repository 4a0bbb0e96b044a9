// The manager's life cycle, control bookkeeping, timers, focus,
// notifications and the process message loop.
#include "Core/UIManager.h"

#include <algorithm>

#include "controls/Render.h"

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

}  // namespace

UIManager::UIManager() : defaultFont_(MakeDefaultFont()) {}

UIManager::~UIManager() { RemoveItem(ManagerList(), this); }

const std::vector<UIManager*>& UIManager::Managers() { return ManagerList(); }

void UIManager::Init(os::HWND window) {
  window_ = window;
  AddUnique(ManagerList(), this);
}

bool UIManager::AttachRoot(CControlUI* control) {
  if (control == nullptr) return false;
  root_ = control;
  layoutNeeded_ = true;
  firstLayoutPending_ = true;
  focusPassNeeded_ = true;
  return true;
}

void UIManager::InitControls(CControlUI*, CControlUI*) {}

os::SIZE UIManager::ClientSize() const { return os::SIZE{}; }
void UIManager::SetInitialSize(int cx, int cy) { initialSize_ = os::SIZE{cx, cy}; }
void UIManager::SetWindowOpacity(int opacity) {
  opacity_ = opacity < 0 ? 0 : (opacity > 255 ? 255 : opacity);
}
void UIManager::SetLayeredBackground(bool layered) { layeredBackground_ = layered; }

CControlUI* UIManager::FindControlAt(os::POINT) const { return nullptr; }
CControlUI* UIManager::FindControlByName(std::u16string_view name) const {
  CControlUI* const* found = names_.Find(name);
  return found != nullptr ? *found : nullptr;
}

void UIManager::SetFocus(CControlUI* control) { focus_ = control; }
bool UIManager::FocusNextTabStop(bool) { return false; }
void UIManager::SetFocusNeeded(CControlUI*) { focusPassNeeded_ = true; }

bool UIManager::SetTimer(CControlUI*, os::UINT, os::UINT) { return false; }
bool UIManager::KillTimer(CControlUI*, os::UINT) { return false; }
void UIManager::KillTimers(CControlUI*) {}
void UIManager::RemoveAllTimers() { timers_.clear(); }

void UIManager::SetCapture() { mouseCaptured_ = true; }
void UIManager::ReleaseCapture() { mouseCaptured_ = false; }

bool UIManager::AddOptionGroup(std::u16string_view group, CControlUI* control) {
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
void UIManager::DestroyLater(CControlUI* control) { delayedDestroy_.push_back(control); }
void UIManager::ForgetControl(CControlUI*) {}
void UIManager::Invalidate(const os::RECT& rect) { invalidRect_ = rect; }

bool UIManager::CreateCaret(CControlUI*, int, int, os::DWORD) { return false; }
void UIManager::DestroyCaret() {}
void UIManager::SetCaretPos(os::POINT) {}
void UIManager::ShowCaret(bool on) { caretShown_ = on; }

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
  if (posted) {
    pendingNotify_.push_back(msg);
    return;
  }
  for (INotifyUI* n : notifiers_) n->Notify(msg);
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
  for (ITranslateAccelerator* t : translators_) {
    if (t->TranslateAccelerator(msg) == 0) return 0;
  }
  return 1;
}

bool UIManager::PreMessage(os::UINT, os::WPARAM, os::LPARAM, os::LRESULT&) { return false; }
bool UIManager::MessageHandler(os::UINT, os::WPARAM, os::LPARAM, os::LRESULT&) { return false; }
int UIManager::RunMessageLoop() { return 0; }
bool UIManager::TranslateForManagers(os::MSG*) { return false; }
os::WORD UIManager::KeyState() { return 0; }

}  // namespace Kesto
