// Children side by side, left to right: fixed widths first, the rest shared
// by the children without one; its own horizontal scroll bar when they do
// not fit. An optional separator band at the right (or left) edge lets the
// user drag the layout's own width.
#pragma once

#include "controls/Container.h"

namespace Kesto {

class CHorizontalLayoutUI : public CContainerUI {
 public:
  static constexpr UINT kDragging = 0x40;

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
  int GetSepWidth() const { return sepWidth_; }
  void SetSepWidth(int width) { sepWidth_ = width; }
  bool IsSepImmMode() const { return sepImmMode_; }
  void SetSepImmMode(bool immediate);
  UINT GetDragState() const { return dragState_; }
  RECT GetThumbRect(bool useNew = false) const;

 private:
  int sepWidth_ = 0;
  bool sepImmMode_ = false;
  UINT dragState_ = 0;
  POINT lastMouse_{};
  RECT newPos_{};
  bool relayingOut_ = false;
};

}  // namespace Kesto
