// Children side by side, left to right: fixed widths first, the rest shared
// by the children without one; its own horizontal scroll bar when they do
// not fit. An optional separator band at the right (or left) edge lets the
// user drag the layout's own width.
#pragma once

#include "controls/Container.h"
#include "controls/LayoutSeparator.h"

namespace Kesto {

class CHorizontalLayoutUI : public CContainerUI {
 public:
  // The drag-in-progress bit of GetDragState.
  static constexpr UINT kDragging = LayoutSeparator::kDragging;

  CHorizontalLayoutUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;

  void SetPos(RECT rc) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void DoPostPaint(os::Canvas& dc, const RECT& paint) override;

  // Positive: a band of that many pixels at the right edge; negative: at the
  // left edge; 0: no separator.
  int GetSepWidth() const { return separator_.Size(); }
  void SetSepWidth(int width) { separator_.SetSize(width); }
  bool IsSepImmMode() const { return separator_.IsImmediate(); }
  void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate, *this); }
  UINT GetDragState() const { return separator_.DragState(); }
  RECT GetThumbRect(bool useNew = false) const { return separator_.ThumbRect(item_, useNew); }

 private:
  LayoutSeparator separator_{LayoutSeparator::Axis::kWidth};
  bool relayingOut_ = false;
};

}  // namespace Kesto
