// Children stacked top to bottom: fixed heights first, the rest shared by
// the children without one. An optional separator band at the bottom (or top)
// edge lets the user drag the layout's own height.
#pragma once

#include "controls/Container.h"
#include "controls/LayoutSeparator.h"

namespace Kesto {

class CVerticalLayoutUI : public CContainerUI {
 public:
  // The drag-in-progress bit of GetDragState.
  static constexpr UINT kDragging = LayoutSeparator::kDragging;

  CVerticalLayoutUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;

  void SetPos(RECT rc) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void DoPostPaint(os::Canvas& dc, const RECT& paint) override;

  // Positive: a band of that many pixels at the bottom edge; negative: at
  // the top edge; 0: no separator.
  int GetSepHeight() const { return separator_.Size(); }
  void SetSepHeight(int height) { separator_.SetSize(height); }
  // Immediate mode relayouts on every move; otherwise the band is drawn
  // where it would go and the layout follows on release.
  bool IsSepImmMode() const { return separator_.IsImmediate(); }
  void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate, *this); }
  UINT GetDragState() const { return separator_.DragState(); }
  // The separator band now (during a drag: where it is being dragged to).
  RECT GetThumbRect(bool useNew = false) const { return separator_.ThumbRect(item_, useNew); }

 private:
  LayoutSeparator separator_{LayoutSeparator::Axis::kHeight};
};

}  // namespace Kesto
