#include "controls/Combo.h"

#include <algorithm>
#include <climits>

#include "Core/ControlRegistry.h"
#include "controls/ComboWnd.h"
#include "controls/ListElement.h"
#include "controls/ListInfoAttributes.h"
#include "controls/Render.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Combo", CComboUI)
KESTO_REGISTER_CONTROL(u"ComboBox", CComboBoxUI)

namespace {

IListItemUI* ListItem(CControlUI* control) {
  return control == nullptr ? nullptr : static_cast<IListItemUI*>(control->GetInterface(u"ListItem"));
}

RECT Deflate(RECT rc, const RECT& by) {
  return RECT{rc.left + by.left, rc.top + by.top, rc.right - by.right, rc.bottom - by.bottom};
}

std::u16string Utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string RectText(const RECT& r) {
  return Utf16(std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom));
}

}  // namespace

// Watches the owner window while the list is open: clicks elsewhere in it,
// losing activation, moving and resizing close the list.
class CComboUI::OwnerWindowWatch : public IMessageFilterUI {
 public:
  explicit OwnerWindowWatch(CComboUI& combo) : combo_(combo) {}
  os::LRESULT MessageHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) override {
    switch (message) {
      case os::WM_MOUSEWHEEL:
        // The wheel goes to the window with the keyboard; over the list it
        // is the list's.
        if (ForwardWheel(wParam, lParam)) handled = true;
        break;
      case os::WM_LBUTTONDOWN:
      case os::WM_LBUTTONDBLCLK:
      case os::WM_RBUTTONDOWN:
      case os::WM_MBUTTONDOWN: {
        // A click on the box itself is the box's to handle (it toggles).
        const os::POINT pt{static_cast<short>(os::LOWORD(lParam)), static_cast<short>(os::HIWORD(lParam))};
        if (!rect::Contains(combo_.GetPos(), pt)) combo_.CloseDropDown();
        break;
      }
      case os::WM_NCLBUTTONDOWN:
      case os::WM_MOVE:
      case os::WM_SIZE:
      case os::WM_KILLFOCUS:
        combo_.CloseDropDown();
        break;
      case os::WM_ACTIVATE:
        if (os::LOWORD(wParam) == os::WA_INACTIVE) combo_.CloseDropDown();
        break;
      case os::WM_ACTIVATEAPP:
        if (wParam == 0) combo_.CloseDropDown();
        break;
      default:
        break;
    }
    return 0;
  }

 private:
  bool ForwardWheel(os::WPARAM wParam, os::LPARAM lParam) {
    CComboWnd* list = combo_.GetDropDownWindow();
    if (list == nullptr) return false;
    const os::POINT screen{static_cast<short>(os::LOWORD(lParam)), static_cast<short>(os::HIWORD(lParam))};
    os::RECT rc{};
    os::GetWindowRect(list->GetHWND(), &rc);
    if (!os::PtInRect(&rc, screen)) return false;
    os::SendMessage(list->GetHWND(), os::WM_MOUSEWHEEL, wParam, lParam);
    return true;
  }

  CComboUI& combo_;
};

// ---------------------------------------------------------------------------
// CComboUI

CComboUI::CComboUI() = default;

CComboUI::~CComboUI() {
  // The items must be back before the container deletes them.
  CloseDropDown();
}

std::u16string_view CComboUI::GetClass() const { return u"ComboUI"; }

void* CComboUI::GetInterface(std::u16string_view name) {
  if (name == u"Combo") return static_cast<CComboUI*>(this);
  if (name == u"IListOwner") return static_cast<IListOwnerUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CComboUI::GetControlFlags() const {
  UINT flags = 0;
  if (IsKeyboardEnabled()) flags |= ControlFlag::TabStop;
  if (IsEnabled()) flags |= ControlFlag::SetCursor;
  return flags;
}

void CComboUI::Renumber(int from) {
  for (int i = std::max(0, from); i < GetCount(); ++i) {
    if (IListItemUI* item = ListItem(GetItemAt(i))) item->SetIndex(i);
  }
}

bool CComboUI::AddAt(CControlUI* control, int index) {
  // The list cannot take new rows while it shows the old ones.
  CloseDropDown();
  if (!CContainerUI::AddAt(control, index)) return false;
  if (IListItemUI* item = ListItem(control)) item->SetListOwner(this);
  if (curSel_ >= index) ++curSel_;
  Renumber(index);
  return true;
}

bool CComboUI::Remove(CControlUI* control) {
  // Removing by index comes here too.
  const int index = GetItemIndex(control);
  if (index < 0) return false;
  CloseDropDown();
  if (IListItemUI* item = ListItem(control)) item->SetListOwner(nullptr);
  if (!CContainerUI::Remove(control)) return false;
  if (index == curSel_) {
    curSel_ = -1;
  } else if (index < curSel_) {
    --curSel_;
  }
  Renumber(index);
  Invalidate();
  return true;
}

void CComboUI::RemoveAll() {
  CloseDropDown();
  for (const ChildPtr& control : items_) {
    if (IListItemUI* item = ListItem(control.get())) item->SetListOwner(nullptr);
  }
  curSel_ = -1;
  CContainerUI::RemoveAll();
  Invalidate();
}

bool CComboUI::SelectItem(int index, bool takeFocus) {
  if (index == curSel_) return true;
  const int previous = curSel_;
  if (IListItemUI* old = ListItem(GetItemAt(curSel_))) old->Select(false);
  curSel_ = -1;
  Invalidate();
  IListItemUI* item = ListItem(GetItemAt(index));
  if (index < 0 || item == nullptr || !item->Select(true)) return false;
  curSel_ = index;
  if (window_ != nullptr) window_->EnsureVisible(index);
  if (takeFocus && !IsFocused()) SetFocus();
  SendNotify(u"itemselect", static_cast<WPARAM>(index), static_cast<LPARAM>(previous));
  return true;
}

int CComboUI::NextSelectable(int step, bool toEnd) const {
  const auto selectable = [this](int i) {
    CControlUI* c = GetItemAt(i);
    return ListItem(c) != nullptr && c->IsVisible() && c->IsEnabled();
  };
  int i = toEnd ? (step > 0 ? GetCount() - 1 : 0) : curSel_ + step;
  if (!toEnd && curSel_ < 0) i = step > 0 ? 0 : GetCount() - 1;
  for (; i >= 0 && i < GetCount(); i += toEnd ? -step : step) {
    if (selectable(i)) return i;
  }
  return -1;
}

bool CComboUI::MoveSelection(int step, bool toEnd) {
  const int next = NextSelectable(step, toEnd);
  return next >= 0 && SelectItem(next);
}

bool CComboUI::HandleKey(char16_t key) {
  switch (key) {
    case os::VK_UP:
      MoveSelection(-1, false);
      return true;
    case os::VK_DOWN:
      MoveSelection(1, false);
      return true;
    case os::VK_HOME:
      MoveSelection(-1, true);
      return true;
    case os::VK_END:
      MoveSelection(1, true);
      return true;
    case os::VK_F4:
      if (IsDroppedDown()) {
        CloseDropDown();
      } else {
        ShowDropDown();
      }
      return true;
    case os::VK_RETURN:
      if (!IsDroppedDown()) return false;
      CloseDropDown();
      return true;
    case os::VK_ESCAPE:
      if (!IsDroppedDown()) return false;
      CloseDropDown(true);
      return true;
    default:
      return false;
  }
}

void CComboUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (parent_ != nullptr) {
      parent_->DoEvent(event);
    } else {
      CContainerUI::DoEvent(event);
    }
    return;
  }
  switch (event.type) {
    case UIEvent::SetFocus:
      focused_ = true;
      Invalidate();
      return;
    case UIEvent::KillFocus:
      focused_ = false;
      CloseDropDown();
      Invalidate();
      return;
    case UIEvent::ButtonDown:
    case UIEvent::DblClick:
      if (IsEnabled()) {
        buttonState_ |= UIState::Pushed | UIState::Captured;
        if (IsDroppedDown()) {
          CloseDropDown();
        } else {
          Activate();
        }
        Invalidate();
      }
      return;
    case UIEvent::ButtonUp:
      if ((buttonState_ & UIState::Captured) != 0) {
        buttonState_ &= ~(UIState::Pushed | UIState::Captured);
        Invalidate();
      }
      return;
    case UIEvent::MouseMove:
      return;
    case UIEvent::KeyDown:
      if (IsEnabled() && HandleKey(event.key)) return;
      break;
    case UIEvent::SysKey:
      if (IsEnabled() && (event.key == os::VK_DOWN || event.key == os::VK_UP)) {
        if (IsDroppedDown()) {
          CloseDropDown();
        } else {
          ShowDropDown();
        }
        return;
      }
      break;
    case UIEvent::ScrollWheel:
      // Rows hand their wheel turns to their owner: while the list is open
      // they scroll it; on the closed box they step the selection.
      if (window_ != nullptr) {
        window_->ScrollByWheel(event.wParam == 0);
      } else if (IsEnabled()) {
        MoveSelection(event.wParam == 0 ? -1 : 1, false);
      }
      return;
    case UIEvent::MouseEnter:
      if (IsEnabled()) {
        buttonState_ |= UIState::Hot;
        Invalidate();
      }
      return;
    case UIEvent::MouseLeave:
      if ((buttonState_ & UIState::Hot) != 0) {
        buttonState_ &= ~UIState::Hot;
        Invalidate();
      }
      return;
    default:
      break;
  }
  CContainerUI::DoEvent(event);
}

bool CComboUI::Activate() {
  if (!CControlUI::Activate()) return false;
  return ShowDropDown();
}

bool CComboUI::ShowDropDown() {
  if (IsDroppedDown() || !IsVisible() || !IsEnabled() || manager_ == nullptr) return false;
  // Handlers may fill the list now, before it is measured.
  SendNotify(u"dropdown");
  if (IsDroppedDown() || !IsVisible() || !IsEnabled() || manager_ == nullptr) return false;
  selectionWhenOpened_ = curSel_;
  window_ = CComboWnd::Open(this);
  if (window_ == nullptr) return false;
  watch_ = new OwnerWindowWatch(*this);
  manager_->AddMessageFilter(watch_);
  Invalidate();
  return true;
}

void CComboUI::CloseDropDown(bool restore) {
  if (watch_ != nullptr) {
    if (manager_ != nullptr) manager_->RemoveMessageFilter(watch_);
    delete watch_;
    watch_ = nullptr;
  }
  if (window_ == nullptr) return;
  CComboWnd* window = window_;
  window_ = nullptr;
  window->Close();
  if (restore && selectionWhenOpened_ != curSel_) {
    if (selectionWhenOpened_ >= 0) {
      SelectItem(selectionWhenOpened_);
    } else if (IListItemUI* item = ListItem(GetItemAt(curSel_))) {
      item->Select(false);
      curSel_ = -1;
    }
  }
  Invalidate();
}

void CComboUI::SetPos(RECT rc) {
  // The items are laid out by the list, not in the box.
  CControlUI::SetPos(rc);
}

void CComboUI::SetVisible(bool visible) {
  if (!visible) CloseDropDown();
  CContainerUI::SetVisible(visible);
}

void CComboUI::SetInternVisible(bool visible) {
  if (!visible) CloseDropDown();
  CControlUI::SetInternVisible(visible);
}

void CComboUI::SetEnabled(bool enabled) {
  if (!enabled) {
    CloseDropDown();
    buttonState_ = 0;
  }
  CContainerUI::SetEnabled(enabled);
}

CControlUI* CComboUI::FindControl(FindControlProc proc, void* data, UINT flags) {
  // For the pointer the box is one piece: its items are reached in the list.
  if ((flags & FindFlag::HitTest) != 0) return CControlUI::FindControl(proc, data, flags);
  return CContainerUI::FindControl(proc, data, flags);
}

void CComboUI::SetTextPadding(RECT padding) {
  textPadding_ = padding;
  Invalidate();
}

void CComboUI::SetImage(std::u16string& field, std::u16string_view image) {
  field.assign(image);
  Invalidate();
}

void CComboUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"textpadding") {
    SetTextPadding(attr::ParseRect(value));
  } else if (name == u"normalimage") {
    SetImage(normalImage_, value);
  } else if (name == u"hotimage") {
    SetImage(hotImage_, value);
  } else if (name == u"pushedimage") {
    SetImage(pushedImage_, value);
  } else if (name == u"focusedimage") {
    SetImage(focusedImage_, value);
  } else if (name == u"disabledimage") {
    SetImage(disabledImage_, value);
  } else if (name == u"dropbox") {
    SetDropBoxAttributeList(value);
  } else if (name == u"dropboxsize") {
    SetDropBoxSize(attr::ParseSize(value));
  } else if (listitem::SetInfoAttribute(listInfo_, name, value)) {
    Invalidate();
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

SIZE CComboUI::EstimateSize(SIZE /*available*/) {
  if (fixedSize_.cy != 0) return fixedSize_;
  return SIZE{fixedSize_.cx, listitem::DefaultHeight(manager_, &listInfo_)};
}

void CComboUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  // Only the box: the items are painted by the list.
  CControlUI::DoPaint(dc, paint);
}

UINT CComboUI::PaintState() const {
  UINT state = buttonState_;
  if (IsDroppedDown()) state |= UIState::Pushed;
  if (IsFocused()) state |= UIState::Focused;
  if (!IsEnabled()) state |= UIState::Disabled;
  return state;
}

bool CComboUI::DrawStateImage(os::Canvas& dc, std::u16string& image) {
  if (image.empty()) return false;
  if (DrawImage(dc, image)) return true;
  image.clear();
  return false;
}

void CComboUI::PaintStatusImage(os::Canvas& dc) {
  const UINT state = PaintState();
  if ((state & UIState::Disabled) != 0 && DrawStateImage(dc, disabledImage_)) return;
  if ((state & UIState::Pushed) != 0 && DrawStateImage(dc, pushedImage_)) return;
  if ((state & UIState::Hot) != 0 && DrawStateImage(dc, hotImage_)) return;
  if ((state & UIState::Focused) != 0 && DrawStateImage(dc, focusedImage_)) return;
  DrawStateImage(dc, normalImage_);
}

RECT CComboUI::TextRect() const { return Deflate(item_, textPadding_); }

void CComboUI::PaintText(os::Canvas& dc) {
  IListItemUI* item = ListItem(GetItemAt(curSel_));
  if (item == nullptr) return;
  const RECT rc = TextRect();
  if (rect::IsEmpty(rc)) return;
  RenderClip clip;
  Renderer::GenerateClip(dc, rc, clip);
  item->DrawItemText(dc, rc);
}

// ---------------------------------------------------------------------------
// CComboBoxUI

namespace {
constexpr int kArrowFrames = 5;
enum ArrowFrame { kArrowNormal, kArrowHot, kArrowPushed, kArrowFocused, kArrowDisabled };
}  // namespace

std::u16string_view CComboBoxUI::GetClass() const { return u"ComboBoxUI"; }

void* CComboBoxUI::GetInterface(std::u16string_view name) {
  if (name == u"ComboBox") return static_cast<CComboBoxUI*>(this);
  return CComboUI::GetInterface(name);
}

void CComboBoxUI::SetArrowImage(std::u16string_view image) {
  arrowImage_.assign(image);
  Invalidate();
}

void CComboBoxUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"arrowimage") {
    SetArrowImage(value);
  } else {
    CComboUI::SetAttribute(name, value);
  }
}

SIZE CComboBoxUI::ArrowSize() const {
  if (arrowImage_.empty() || manager_ == nullptr) return SIZE{};
  const std::vector<ImageDrawSettings> draws = Renderer::ParseDrawString(item_, arrowImage_);
  if (draws.empty()) return SIZE{};
  const ImageInfo* image =
      manager_->ImageOrLoad(draws.front().name, draws.front().resType, draws.front().mask);
  if (image == nullptr) return SIZE{};
  return SIZE{image->width / kArrowFrames, image->height};
}

RECT CComboBoxUI::TextRect() const {
  RECT rc = CComboUI::TextRect();
  rc.right = std::min(rc.right, item_.right - ArrowSize().cx);
  return rc;
}

void CComboBoxUI::PaintStatusImage(os::Canvas& dc) {
  CComboUI::PaintStatusImage(dc);
  const SIZE arrow = ArrowSize();
  if (arrow.cx <= 0 || arrow.cy <= 0) return;
  const UINT state = PaintState();
  int frame = kArrowNormal;
  if ((state & UIState::Disabled) != 0) {
    frame = kArrowDisabled;
  } else if ((state & UIState::Pushed) != 0) {
    frame = kArrowPushed;
  } else if ((state & UIState::Hot) != 0) {
    frame = kArrowHot;
  } else if ((state & UIState::Focused) != 0) {
    frame = kArrowFocused;
  }
  const int width = item_.right - item_.left;
  const int height = item_.bottom - item_.top;
  const RECT source{arrow.cx * frame, 0, arrow.cx * (frame + 1), arrow.cy};
  const int top = (height - arrow.cy) / 2;
  const RECT dest{width - arrow.cx, top, width, top + arrow.cy};
  const std::u16string modify = u"source='" + RectText(source) + u"' dest='" + RectText(dest) + u"'";
  if (!DrawImage(dc, arrowImage_, modify)) arrowImage_.clear();
}

}  // namespace Kesto
