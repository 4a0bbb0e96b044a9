// Children stacked top to bottom: the box layout along the vertical axis.
// Fixed heights first, the rest shared by the children without one; its
// vertical scroll bar when they do not fit. An optional separator band at the
// bottom (or top) edge lets the user drag the layout's own height.
#pragma once

#include "controls/BoxLayout.h"

namespace Kesto {

class CVerticalLayoutUI : public CBoxLayoutUI {
 public:
  CVerticalLayoutUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  // Positive: a band of that many pixels at the bottom edge; negative: at
  // the top edge; 0: no separator.
  int GetSepHeight() const { return SeparatorSize(); }
  void SetSepHeight(int height) { SetSeparatorSize(height); }
};

}  // namespace Kesto
