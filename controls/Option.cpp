#include "controls/Option.h"

#include <vector>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Render.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Option", COptionUI)

COptionUI::COptionUI() = default;

COptionUI::~COptionUI() { LeaveGroup(); }

void COptionUI::LeaveGroup() {
  if (groupManager_ != nullptr) groupManager_->RemoveOptionGroup(group_, this);
  groupManager_ = nullptr;
}

void COptionUI::JoinGroup() {
  if (group_.empty() || manager_ == nullptr || groupManager_ == manager_) return;
  LeaveGroup();
  manager_->AddOptionGroup(group_, this);
  groupManager_ = manager_;
}

std::u16string_view COptionUI::GetClass() const { return u"OptionUI"; }

void* COptionUI::GetInterface(std::u16string_view name) {
  if (name == u"Option") return static_cast<COptionUI*>(this);
  return CButtonUI::GetInterface(name);
}

void COptionUI::SetOwner(UIManager* manager, CControlUI* parent, bool init) {
  CButtonUI::SetOwner(manager, parent, init);
  if (init) JoinGroup();
}

void COptionUI::SetGroup(std::u16string_view group) {
  if (group != group_) {
    LeaveGroup();
    group_.assign(group);
    JoinGroup();
  }
  Selected(selected_);
}

void COptionUI::Selected(bool selected) {
  selected_ = selected;
  if (selected) {
    buttonState_ |= UIState::Selected;
  } else {
    buttonState_ &= ~UIState::Selected;
  }
  if (group_.empty()) {
    SendNotify(u"selectchanged");
  } else if (selected) {
    if (manager_ != nullptr) {
      if (const std::vector<CControlUI*>* members = manager_->OptionGroup(group_)) {
        // Deselecting changes nothing in the list, but a copy keeps the walk
        // safe whatever a member does.
        const std::vector<CControlUI*> others = *members;
        for (CControlUI* member : others) {
          if (member == this) continue;
          if (auto* option = static_cast<COptionUI*>(member->GetInterface(u"Option")))
            option->Selected(false);
        }
      }
    }
    SendNotify(u"selectchanged");
  }
  Invalidate();
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  Selected(group_.empty() ? !selected_ : true);
  return true;
}

void COptionUI::SetEnabled(bool enabled) {
  CButtonUI::SetEnabled(enabled);
  if (!enabled) buttonState_ = selected_ ? UIState::Selected : 0;
}

void COptionUI::SetSelectedImage(std::u16string_view image) { SetImage(selectedImage_, image); }
void COptionUI::SetSelectedHotImage(std::u16string_view image) { SetImage(selectedHotImage_, image); }
void COptionUI::SetSelectedPushedImage(std::u16string_view image) { SetImage(selectedPushedImage_, image); }
void COptionUI::SetOptionForeImage(std::u16string_view image) { SetImage(optionForeImage_, image); }
void COptionUI::SetSelectedForeImage(std::u16string_view image) { SetImage(selectedForeImage_, image); }

void COptionUI::SetSelectedBkColor(DWORD color) {
  selectedBkColor_ = color;
  Invalidate();
}

void COptionUI::SetSelectedTextColor(DWORD color) {
  selectedTextColor_ = color;
  Invalidate();
}

void COptionUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"group") {
    SetGroup(value);
  } else if (name == u"selected") {
    Selected(attr::ParseBool(value));
  } else if (name == u"selectedimage") {
    SetSelectedImage(value);
  } else if (name == u"selectedhotimage") {
    SetSelectedHotImage(value);
  } else if (name == u"selectedpushedimage") {
    SetSelectedPushedImage(value);
  } else if (name == u"foreimage") {
    SetOptionForeImage(value);
  } else if (name == u"selectedforeimage") {
    SetSelectedForeImage(value);
  } else if (name == u"selectedbkcolor") {
    SetSelectedBkColor(attr::ParseColor(value));
  } else if (name == u"selectedtextcolor") {
    SetSelectedTextColor(attr::ParseColor(value));
  } else {
    CButtonUI::SetAttribute(name, value);
  }
}

void COptionUI::PaintStatusImage(os::Canvas& dc) {
  RefreshPaintState();
  const UINT state = buttonState_;
  const bool pushed = (state & UIState::Pushed) != 0;
  const bool hot = (state & UIState::Hot) != 0;
  if (selected_ && pushed && DrawStateImage(dc, selectedPushedImage_)) {
  } else if (selected_ && hot && DrawStateImage(dc, selectedHotImage_)) {
  } else if (selected_ && DrawStateImage(dc, selectedImage_)) {
  } else if (selected_ && selectedBkColor_ != 0) {
    Renderer::DrawColor(dc, paintRect_, GetAdjustColor(selectedBkColor_));
    return;
  } else {
    CButtonUI::PaintStatusImage(dc);
  }
  if (!(selected_ && DrawStateImage(dc, selectedForeImage_))) DrawStateImage(dc, optionForeImage_);
}

void COptionUI::PaintText(os::Canvas& dc) {
  if (!selected_) {
    CButtonUI::PaintText(dc);
    return;
  }
  if (text_.empty() || enabledEffect_) return;
  DWORD normal = selectedTextColor_ != 0 ? selectedTextColor_ : textColor_;
  if (normal == 0 && manager_ != nullptr) normal = manager_->DefaultFontColor();
  DrawLabelText(dc, StateTextColor(normal), textStyle_);
}

}  // namespace Kesto
