#include "controls/TabLayout.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/LayoutLimit.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"TabLayout", CTabLayoutUI)

CTabLayoutUI::CTabLayoutUI() = default;

std::u16string_view CTabLayoutUI::GetClass() const { return u"TabLayoutUI"; }

void* CTabLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"TabLayout") return static_cast<CTabLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

// Appending is inserting after the last page: the first visible page added
// becomes the current one, every other page is hidden.
bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (currentSel_ == -1 && control->IsVisible()) {
    currentSel_ = GetItemIndex(control);
    return true;
  }
  // The current page moved one place on when the new one went before it.
  if (currentSel_ != -1 && index <= currentSel_) ++currentSel_;
  // Only the current page is ever visible, wherever the new one goes.
  control->SetVisible(false);
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
  const int index = GetItemIndex(control);
  if (control == nullptr || index < 0) return false;
  if (!CContainerUI::Remove(control)) return false;
  if (index == currentSel_) {
    if (GetCount() > 0) {
      currentSel_ = 0;
      GetItemAt(0)->SetVisible(true);
    } else {
      currentSel_ = -1;
    }
    NeedParentUpdate();
  } else if (index < currentSel_) {
    --currentSel_;
  }
  return true;
}

void CTabLayoutUI::RemoveAll() {
  currentSel_ = -1;
  CContainerUI::RemoveAll();
  NeedParentUpdate();
}

bool CTabLayoutUI::SelectItem(CControlUI* control) {
  const int index = GetItemIndex(control);
  if (index < 0) return false;
  return SelectItem(index);
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == currentSel_) return true;
  const int previous = currentSel_;
  currentSel_ = index;
  for (int i = 0; i < GetCount(); ++i) {
    if (i != index) GetItemAt(i)->SetVisible(false);
  }
  CControlUI* page = GetItemAt(index);
  page->SetVisible(true);
  page->SetFocus();
  SetPos(item_);
  NeedParentUpdate();
  if (manager_ != nullptr) {
    manager_->SetFocusNeeded(this);
    manager_->SendNotify(this, u"tabselect", static_cast<WPARAM>(currentSel_), static_cast<LPARAM>(previous));
  }
  return true;
}

void CTabLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const RECT inner{item_.left + inset_.left, item_.top + inset_.top, item_.right - inset_.right,
                   item_.bottom - inset_.bottom};
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* page = Child(i);
    if (!page->IsVisible()) continue;
    if (page->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    if (i != currentSel_) continue;
    const RECT pad = page->GetPadding();
    const RECT area{inner.left + pad.left, inner.top + pad.top, inner.right - pad.right,
                    inner.bottom - pad.bottom};
    const SIZE available{area.right - area.left, area.bottom - area.top};
    SIZE s = page->EstimateSize(available);
    if (s.cx == 0) s.cx = std::max(0, static_cast<int>(available.cx));
    if (s.cy == 0) s.cy = std::max(0, static_cast<int>(available.cy));
    s.cx = LimitSize(s.cx, page->GetMinWidth(), page->GetMaxWidth());
    s.cy = LimitSize(s.cy, page->GetMinHeight(), page->GetMaxHeight());
    page->SetPos(RECT{area.left, area.top, area.left + s.cx, area.top + s.cy});
  }
}

void CTabLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"selectedid") {
    SelectItem(static_cast<int>(attr::ParseLong(value)));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

}  // namespace Kesto
