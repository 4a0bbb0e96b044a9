#include "controls/ComboWnd.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "controls/Combo.h"
#include "controls/ListElement.h"
#include "controls/ScrollBar.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace Kesto {

namespace {

CControlUI* CollectAll(CControlUI* control, void* data) {
  static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
  return nullptr;
}

os::POINT PointOf(os::LPARAM lParam) {
  return os::POINT{static_cast<short>(os::LOWORD(lParam)), static_cast<short>(os::HIWORD(lParam))};
}

}  // namespace

// ---------------------------------------------------------------------------
// CComboBodyUI

CComboBodyUI::CComboBodyUI() {
  SetAutoDestroy(false);
  EnableScrollBar(true, false);
}

void CComboBodyUI::Lend(CControlUI* item) {
  // Lent, not given: the combo keeps owning its items.
  items_.push_back(ChildPtr(item, ChildDeleter{false}));
  item->SetOwner(manager_, this, false);
  item->SetInternVisible(true);
  NeedUpdate();
}

void CComboBodyUI::ReturnAll() {
  items_.clear();
  NeedUpdate();
}

// ---------------------------------------------------------------------------
// CComboWnd

CComboWnd::CComboWnd(CComboUI* owner) : owner_(owner), body_(new CComboBodyUI()) {
  body_->ApplyAttributeList(owner->GetDropBoxAttributeList());
}

CComboWnd::~CComboWnd() {
  // Whatever happens to the window, the items go back to the box.
  ReturnItems();
  // A list whose window never came to be was never given to the manager.
  if (manager_.Root() != body_) delete body_;
}

std::u16string_view CComboWnd::GetWindowClassName() const { return u"ComboWnd"; }

os::UINT CComboWnd::GetClassStyle() const { return os::CS_DBLCLKS; }

int CComboWnd::ContentHeight(int width) const {
  const RECT inset = body_->GetInset();
  int height = inset.top + inset.bottom;
  int shown = 0;
  for (int i = 0; i < owner_->GetCount(); ++i) {
    CControlUI* item = owner_->GetItemAt(i);
    if (!item->IsVisible()) continue;
    height += item->EstimateSize(SIZE{width, 0}).cy;
    ++shown;
  }
  if (shown > 1) height += body_->GetChildPadding() * (shown - 1);
  // An empty list still shows one row's worth.
  if (shown == 0) height += listitem::DefaultHeight(owner_->GetManager(), owner_->GetListInfo());
  return height;
}

os::RECT CComboWnd::PlaceList(CComboUI* owner, int contentHeight) {
  const os::HWND ownerWindow = owner->GetManager()->Window();
  const RECT box = owner->GetPos();
  os::POINT topLeft{box.left, box.top};
  os::POINT bottomRight{box.right, box.bottom};
  os::ClientToScreen(ownerWindow, &topLeft);
  os::ClientToScreen(ownerWindow, &bottomRight);
  os::MONITORINFO monitor;
  os::GetMonitorInfo(os::MonitorFromWindow(ownerWindow, os::MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;

  const SIZE wanted = owner->GetDropBoxSize();
  const int width =
      std::min<int>(wanted.cx > 0 ? wanted.cx : bottomRight.x - topLeft.x, work.right - work.left);
  int height = wanted.cy > 0 ? std::min(wanted.cy, contentHeight) : contentHeight;
  const int below = work.bottom - bottomRight.y;
  const int above = topLeft.y - work.top;
  RECT rc{topLeft.x, bottomRight.y, topLeft.x + width, bottomRight.y};
  if (height <= below || below >= above) {
    height = std::max(1, std::min(height, below));
    rc.bottom = rc.top + height;
  } else {
    height = std::max(1, std::min(height, above));
    rc.bottom = topLeft.y;
    rc.top = rc.bottom - height;
  }
  // Keep it on the work area sideways, its left edge winning.
  if (rc.right > work.right) os::OffsetRect(&rc, work.right - rc.right, 0);
  if (rc.left < work.left) os::OffsetRect(&rc, work.left - rc.left, 0);
  return rc;
}

CComboWnd* CComboWnd::Open(CComboUI* owner) {
  if (owner == nullptr || owner->GetManager() == nullptr || owner->GetManager()->Window() == nullptr) {
    return nullptr;
  }
  auto* wnd = new CComboWnd(owner);
  const int boxWidth = owner->GetPos().right - owner->GetPos().left;
  const SIZE wanted = owner->GetDropBoxSize();
  const RECT rc = PlaceList(owner, wnd->ContentHeight(wanted.cx > 0 ? wanted.cx : boxWidth));
  const os::HWND hwnd = wnd->Create(owner->GetManager()->Window(), u"", os::WS_POPUP,
                                    os::WS_EX_TOOLWINDOW | os::WS_EX_TOPMOST | os::WS_EX_NOACTIVATE, rc);
  if (hwnd == nullptr) {
    delete wnd;
    return nullptr;
  }
  wnd->EnsureVisible(owner->GetCurSel());
  wnd->ShowWindow(true, false);
  return wnd;
}

void CComboWnd::Close() {
  ReturnItems();
  owner_ = nullptr;
  if (hwnd_ == nullptr) {
    delete this;
  } else if (busy_ > 0) {
    // Asked to close from inside one of its own messages (a click that
    // deactivated the owner): the window goes once that message is done.
    os::ShowWindow(hwnd_, os::SW_HIDE);
    PostMessage(kCloseRequest);
  } else {
    os::DestroyWindow(hwnd_);  // deletes this object
  }
}

void CComboWnd::OnFinalMessage(os::HWND /*hwnd*/) {
  if (owner_ != nullptr && owner_->window_ == this) owner_->window_ = nullptr;
  delete this;
}

void CComboWnd::Notify(NotifyMsg& msg) {
  if (owner_ == nullptr || owner_->GetManager() == nullptr) return;
  NotifyMsg forwarded = msg;
  // The sender's own delegates have had this one already, from the list's
  // manager: the box window's manager only tells its listeners.
  EventSource<NotifyMsg> delegates;
  if (msg.sender != nullptr) std::swap(delegates, msg.sender->OnNotify);
  owner_->GetManager()->SendNotify(forwarded);
  if (msg.sender != nullptr) std::swap(delegates, msg.sender->OnNotify);
}

void CComboWnd::CopyResources() {
  UIManager* source = owner_->GetManager();
  // Items name fonts by their index in the box's manager: the list's
  // manager gets the same table in the same order.
  for (std::size_t i = 0; i < source->FontCount(); ++i) {
    const FontInfo* font = source->FontAt(static_cast<int>(i));
    manager_.AddFontEntry(font->faceName, font->size, font->bold, font->underline, font->italic);
  }
  if (const FontInfo* font = source->DefaultFont()) {
    manager_.SetDefaultFontEntry(font->faceName, font->size, font->bold, font->underline, font->italic);
  }
  manager_.SetDefaultFontColor(source->DefaultFontColor());
  manager_.SetDefaultDisabledColor(source->DefaultDisabledColor());
  manager_.SetDefaultLinkFontColor(source->DefaultLinkFontColor());
  manager_.SetDefaultLinkHoverFontColor(source->DefaultLinkHoverFontColor());
  manager_.SetDefaultSelectedBkColor(source->DefaultSelectedBkColor());
  manager_.SetParentResourceManager(source);
}

void CComboWnd::ReturnItems() {
  if (owner_ == nullptr) return;
  std::vector<CControlUI*> lent;
  for (int i = 0; i < body_->GetCount(); ++i)
    body_->GetItemAt(i)->FindControl(&CollectAll, &lent, FindFlag::All);
  for (CControlUI* control : lent) manager_.ForgetControl(control);
  body_->ReturnAll();
  for (int i = 0; i < owner_->GetCount(); ++i)
    owner_->GetItemAt(i)->SetOwner(owner_->GetManager(), owner_, false);
}

void CComboWnd::EnsureVisible(int index) {
  CControlUI* item = owner_->GetItemAt(index);
  if (item == nullptr || body_->GetItemIndex(item) < 0) return;
  const RECT inset = body_->GetInset();
  const RECT pos = body_->GetPos();
  const RECT shown{pos.left + inset.left, pos.top + inset.top, pos.right - inset.right,
                   pos.bottom - inset.bottom};
  const RECT rc = item->GetPos();
  int dy = 0;
  if (rc.top < shown.top) {
    dy = rc.top - shown.top;
  } else if (rc.bottom > shown.bottom) {
    dy = std::min(rc.bottom - shown.bottom, rc.top - shown.top);
  }
  if (dy == 0) return;
  SIZE scroll = body_->GetScrollPos();
  scroll.cy += dy;
  body_->SetScrollPos(scroll);
}

void CComboWnd::ScrollByWheel(bool up) {
  if (up) {
    body_->LineUp();
  } else {
    body_->LineDown();
  }
}

bool CComboWnd::IsOverItem(os::POINT point) const {
  for (CControlUI* c = const_cast<UIManager&>(manager_).FindControlAt(point); c != nullptr;
       c = c->GetParent()) {
    if (c->GetInterface(u"ScrollBar") != nullptr) return false;
    if (c->GetInterface(u"ListItem") != nullptr) return true;
  }
  return false;
}

os::LRESULT CComboWnd::HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case os::WM_CREATE: {
      manager_.Init(hwnd_);
      manager_.AddNotifier(this);
      CopyResources();
      manager_.AttachRoot(body_);
      for (int i = 0; i < owner_->GetCount(); ++i) body_->Lend(owner_->GetItemAt(i));
      os::RECT client{};
      os::GetClientRect(hwnd_, &client);
      body_->SetPos(client);
      return 0;
    }
    case os::WM_MOUSEACTIVATE:
      return os::MA_NOACTIVATE;
    case kCloseRequest:
      // Either way this object is gone afterwards.
      if (owner_ != nullptr) {
        owner_->CloseDropDown();
      } else {
        os::DestroyWindow(hwnd_);
      }
      return 0;
    default:
      break;
  }
  os::LRESULT result = 0;
  ++busy_;
  const bool handled = manager_.MessageHandler(message, wParam, lParam, result);
  --busy_;
  // A click that ends on an item chooses it: close once the click is done.
  if (message == os::WM_LBUTTONUP && owner_ != nullptr && IsOverItem(PointOf(lParam)))
    PostMessage(kCloseRequest);
  if (handled) return result;
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

}  // namespace Kesto
