// Children side by side, left to right: the box layout along the horizontal
// axis. Fixed widths first, the rest shared by the children without one; its
// own horizontal scroll bar when they do not fit. An optional separator band
// at the right (or left) edge lets the user drag the layout's own width.
#pragma once

#include "controls/BoxLayout.h"

namespace Kesto {

class CHorizontalLayoutUI : public CBoxLayoutUI {
 public:
  CHorizontalLayoutUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  // Positive: a band of that many pixels at the right edge; negative: at the
  // left edge; 0: no separator.
  int GetSepWidth() const { return SeparatorSize(); }
  void SetSepWidth(int width) { SetSeparatorSize(width); }
};

}  // namespace Kesto
