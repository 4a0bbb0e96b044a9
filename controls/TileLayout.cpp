#include "controls/TileLayout.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "controls/LayoutLimit.h"
#include "controls/ScrollBar.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"TileLayout", CTileLayoutUI)

namespace {

// Items are measured with this much height available: rows grow to fit.
constexpr int kUnboundedHeight = 9999;

}  // namespace

CTileLayoutUI::CTileLayoutUI() = default;

std::u16string_view CTileLayoutUI::GetClass() const { return u"TileLayoutUI"; }

void* CTileLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"TileLayout") return static_cast<CTileLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

void CTileLayoutUI::SetItemSize(SIZE size) {
  if (itemSize_.cx == size.cx && itemSize_.cy == size.cy) return;
  itemSize_ = size;
  NeedUpdate();
}

void CTileLayoutUI::SetColumns(int columns) {
  if (columns <= 0) return;
  columns_ = columns;
  NeedUpdate();
}

void CTileLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"itemsize") {
    SetItemSize(attr::ParseSize(value));
  } else if (name == u"columns") {
    SetColumns(static_cast<int>(attr::ParseLong(value)));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CTileLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  rc = InnerRect();
  const int width = rc.right - rc.left;
  if (itemSize_.cx > 0) columns_ = width / itemSize_.cx;
  if (columns_ <= 0) columns_ = 1;
  if (items_.empty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }

  int cellWidth = width / columns_;
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    cellWidth = (width + horizontalScrollBar_->GetScrollRange()) / columns_;
  }

  const SIZE scroll = GetScrollPos();
  const int rowLeft = rc.left - scroll.cx;
  int cellX = rowLeft;
  int cellY = rc.top - scroll.cy;
  int column = 0;
  int rowHeight = 0;
  int lastBottom = rc.top - scroll.cy;
  const int half = childPadding_ / 2;
  const auto isFirst = [](int c) { return c == 0; };
  const auto isLast = [this](int c) { return c == columns_ - 1; };

  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* child = Child(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }

    if (column == 0) {
      // The row is as high as its highest item at the width it will get.
      rowHeight = 0;
      int c = 0;
      for (int j = i; j < GetCount() && c < columns_; ++j) {
        CControlUI* item = Child(j);
        if (!item->IsVisible() || item->IsFloat()) continue;
        const RECT pad = item->GetPadding();
        int availableWidth = cellWidth - pad.left - pad.right;
        availableWidth -= isFirst(c) || isLast(c) ? half : childPadding_;
        availableWidth = LimitSize(availableWidth, item->GetMinWidth(), item->GetMaxWidth());
        const SIZE s = item->EstimateSize(SIZE{availableWidth, kUnboundedHeight});
        const int height = LimitSize(s.cy, item->GetMinHeight(), item->GetMaxHeight());
        rowHeight = std::max(rowHeight, static_cast<int>(height + pad.top + pad.bottom));
        ++c;
      }
    }

    const RECT pad = child->GetPadding();
    RECT tile{cellX + pad.left, cellY + pad.top, cellX + cellWidth - pad.right, cellY + rowHeight};
    if (!isFirst(column)) tile.left += half;
    if (!isLast(column)) tile.right -= half;
    const SIZE tileSize{tile.right - tile.left, tile.bottom - tile.top};
    SIZE s = child->EstimateSize(tileSize);
    if (s.cx == 0) s.cx = tileSize.cx;
    if (s.cy == 0) s.cy = tileSize.cy;
    s.cx = LimitSize(s.cx, child->GetMinWidth(), child->GetMaxWidth());
    s.cy = LimitSize(s.cy, child->GetMinHeight(), child->GetMaxHeight());
    const int left = tile.left + (tileSize.cx - s.cx) / 2;
    const int top = tile.top + (tileSize.cy - s.cy) / 2;
    child->SetPos(RECT{left, top, left + s.cx, top + s.cy});
    lastBottom = tile.bottom;

    if (++column >= columns_) {
      column = 0;
      cellX = rowLeft;
      cellY += rowHeight + childPadding_;
      rowHeight = 0;
    } else {
      cellX += cellWidth;
    }
  }

  int needed = lastBottom - rc.top;
  if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible()) needed += scroll.cy;
  ProcessScrollBar(rc, 0, needed);
}

}  // namespace Kesto
