#include "controls/HorizontalLayout.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "controls/LayoutLimit.h"
#include "controls/ScrollBar.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"HorizontalLayout", CHorizontalLayoutUI)

CHorizontalLayoutUI::CHorizontalLayoutUI() = default;

std::u16string_view CHorizontalLayoutUI::GetClass() const { return u"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"HorizontalLayout") return static_cast<CHorizontalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const {
  return IsEnabled() && separator_.Size() != 0 ? ControlFlag::SetCursor : 0;
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  rc = InnerRect();
  if (items_.empty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }

  SIZE available{rc.right - rc.left, rc.bottom - rc.top};
  const int visibleWidth = available.cx;
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    available.cx += horizontalScrollBar_->GetScrollRange();
  }

  int stretchCount = 0;
  int fixedTotal = 0;
  int counted = 0;
  for (CControlUI* child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    SIZE s = child->EstimateSize(available);
    if (s.cx == 0) {
      ++stretchCount;
    } else {
      s.cx = LimitSize(s.cx, child->GetMinWidth(), child->GetMaxWidth());
    }
    const RECT pad = child->GetPadding();
    fixedTotal += s.cx + pad.left + pad.right;
    ++counted;
  }
  if (counted > 0) fixedTotal += (counted - 1) * childPadding_;

  int expand = 0;
  if (stretchCount > 0) expand = std::max(0, (available.cx - fixedTotal) / stretchCount);

  const SIZE scroll = GetScrollPos();
  int x = rc.left - scroll.cx;
  SIZE remaining = available;
  int needed = 0;
  for (int i = 0; i < OwnCount(); ++i) {
    CControlUI* child = items_[static_cast<std::size_t>(i)];
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    const RECT pad = child->GetPadding();
    remaining.cx -= pad.left;
    const SIZE s = child->EstimateSize(remaining);
    const int width = LimitSize(s.cx != 0 ? s.cx : expand, child->GetMinWidth(), child->GetMaxWidth());
    int height = child->GetFixedHeight();
    if (height == 0) height = std::max(0, static_cast<int>(rc.bottom - rc.top - pad.top - pad.bottom));
    height = LimitSize(height, child->GetMinHeight(), child->GetMaxHeight());

    child->SetPos(RECT{x + pad.left, rc.top + pad.top, x + pad.left + width, rc.top + pad.top + height});
    x += width + childPadding_ + pad.left + pad.right;
    needed += width + pad.left + pad.right;
    remaining.cx -= width + childPadding_ + pad.right;
  }
  if (counted > 0) needed += (counted - 1) * childPadding_;

  // The horizontal bar belongs to this layout's arithmetic: shown with the
  // overflow as its range, hidden when everything fits.
  bool barToggled = false;
  if (horizontalScrollBar_ != nullptr) {
    if (visibleWidth < needed) {
      if (!horizontalScrollBar_->IsVisible()) {
        horizontalScrollBar_->SetVisible(true);
        horizontalScrollBar_->SetScrollRange(needed - visibleWidth);
        horizontalScrollBar_->SetScrollPos(0);
        rc.bottom -= horizontalScrollBar_->GetFixedHeight();
        barToggled = true;
      } else {
        horizontalScrollBar_->SetScrollRange(needed - visibleWidth);
      }
    } else if (horizontalScrollBar_->IsVisible()) {
      horizontalScrollBar_->SetVisible(false);
      horizontalScrollBar_->SetScrollRange(0);
      horizontalScrollBar_->SetScrollPos(0);
      rc.bottom += horizontalScrollBar_->GetFixedHeight();
      barToggled = true;
    }
  }
  ProcessScrollBar(rc, needed, 0);
  // The children were placed for the height before the bar came or went:
  // place them again for the height they have now. The bar does not change
  // the width they need, so the second pass keeps the bar as it is.
  if (barToggled && !relayingOut_) {
    relayingOut_ = true;
    SetPos(item_);
    relayingOut_ = false;
  }
}

void CHorizontalLayoutUI::DoEvent(ControlEvent& event) {
  if (separator_.HandleEvent(*this, event, fixedSize_)) return;
  CContainerUI::DoEvent(event);
}

void CHorizontalLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"sepwidth") {
    SetSepWidth(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"sepimm") {
    SetSepImmMode(attr::ParseBool(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CHorizontalLayoutUI::DoPostPaint(os::Canvas& dc, const RECT& paint) {
  separator_.PostPaint(*this, dc, paint);
}

}  // namespace Kesto
