#include "controls/VerticalLayout.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "controls/LayoutLimit.h"
#include "controls/ScrollBar.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"VerticalLayout", CVerticalLayoutUI)

CVerticalLayoutUI::CVerticalLayoutUI() = default;

std::u16string_view CVerticalLayoutUI::GetClass() const { return u"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"VerticalLayout") return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const {
  return IsEnabled() && separator_.Size() != 0 ? ControlFlag::SetCursor : 0;
}

void CVerticalLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  rc = InnerRect();
  if (items_.empty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }

  SIZE available{rc.right - rc.left, rc.bottom - rc.top};
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    available.cx += horizontalScrollBar_->GetScrollRange();
  }

  // What the children with a height of their own take.
  int stretchCount = 0;
  int fixedTotal = 0;
  int counted = 0;
  for (CControlUI* child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    SIZE s = child->EstimateSize(available);
    if (s.cy == 0) {
      ++stretchCount;
    } else {
      s.cy = LimitSize(s.cy, child->GetMinHeight(), child->GetMaxHeight());
    }
    const RECT pad = child->GetPadding();
    fixedTotal += s.cy + pad.top + pad.bottom;
    ++counted;
  }
  if (counted > 0) fixedTotal += (counted - 1) * childPadding_;

  // The rest is shared evenly; what the division leaves stays unused.
  int expand = 0;
  if (stretchCount > 0) expand = std::max(0, (available.cy - fixedTotal) / stretchCount);

  const SIZE scroll = GetScrollPos();
  int y = rc.top - scroll.cy;
  const int x = rc.left - scroll.cx;
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
    remaining.cy -= pad.top;
    const SIZE s = child->EstimateSize(remaining);
    const int height = LimitSize(s.cy != 0 ? s.cy : expand, child->GetMinHeight(), child->GetMaxHeight());
    int width = child->GetFixedWidth();
    if (width == 0) width = std::max(0, static_cast<int>(available.cx - pad.left - pad.right));
    width = LimitSize(width, child->GetMinWidth(), child->GetMaxWidth());

    child->SetPos(RECT{x + pad.left, y + pad.top, x + pad.left + width, y + pad.top + height});
    y += height + childPadding_ + pad.top + pad.bottom;
    needed += height + pad.top + pad.bottom;
    remaining.cy -= height + childPadding_ + pad.bottom;
  }
  if (counted > 0) needed += (counted - 1) * childPadding_;
  ProcessScrollBar(rc, 0, needed);
}

void CVerticalLayoutUI::DoEvent(ControlEvent& event) {
  if (separator_.HandleEvent(*this, event, fixedSize_)) return;
  CContainerUI::DoEvent(event);
}

void CVerticalLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"sepheight") {
    SetSepHeight(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"sepimm") {
    SetSepImmMode(attr::ParseBool(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CVerticalLayoutUI::DoPostPaint(os::Canvas& dc, const RECT& paint) {
  separator_.PostPaint(*this, dc, paint);
}

}  // namespace Kesto
