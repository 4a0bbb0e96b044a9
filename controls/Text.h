// Multi-line text; with markup ("showhtml") its links are clickable and
// report "link" with the link's index.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "controls/Label.h"
#include "controls/Render.h"

namespace Kesto {

class CTextUI : public CLabelUI {
 public:
  // Links beyond this many in one text are neither recorded nor clickable.
  static constexpr std::size_t kMaxLinks = 8;

  CTextUI();
  ~CTextUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;

  void DoEvent(ControlEvent& event) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintText(os::Canvas& dc) override;

  // The links found by the last paint, in text order; a link wrapped over
  // several lines counts once per line.
  int GetLinkCount() const { return static_cast<int>(links_.size()); }
  // The target of link index; empty when there is no such link.
  std::u16string GetLinkContent(int index) const;
  // Where link index was drawn; empty when there is none.
  RECT GetLinkRect(int index) const;
  // The link under the pointer, -1 for none.
  int GetHoverLink() const { return hoverLink_; }

 private:
  int LinkAt(POINT point) const;

  std::vector<HtmlLink> links_;
  int hoverLink_ = -1;
};

}  // namespace Kesto
