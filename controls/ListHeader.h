// The column header of a list: a row of header items whose positions are the
// list's columns. An item can be clicked ("headerclick") and, when dragable,
// resized by dragging its separator band; the text columns of the list
// follow at once.
//
// Choices:
// - A header without items takes no height and gives no columns.
// - Without a height of its own the header is as tall as the default font
//   plus 8 pixels.
// - "sepwidth" n > 0 is a band of n pixels at the item's right edge that
//   resizes the item itself; n < 0 is a band of -n pixels at the left edge
//   that resizes the column to the left (the previous visible item), so the
//   band always moves the boundary under the pointer. The first item's left
//   band has no column to resize and is inert. 0, or a value that is no
//   number, means no band. Bands are clipped to the item.
// - "sepwidth" defaults to 4 (a band at the right edge); "dragable" to off.
// - A column shrinks no further than its min width (and never below 0).
// - With "scaleheader" the items that have a "scale" (percent of the header's
//   width) are sized by it on every layout, and a drag changes the scale.
#pragma once

#include <string>
#include <string_view>

#include "controls/HorizontalLayout.h"

namespace Kesto {

class CListHeaderItemUI;

class CListHeaderUI : public CHorizontalLayoutUI {
 public:
  CListHeaderUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  void SetPos(RECT rc) override;
  SIZE EstimateSize(SIZE available) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  bool IsScaleHeader() const { return scaleHeader_; }
  void SetScaleHeader(bool on);
  // The header item at index, null for another kind of child.
  CListHeaderItemUI* HeaderItemAt(int index) const;

 private:
  bool scaleHeader_ = false;
};

class CListHeaderItemUI : public CControlUI {
 public:
  CListHeaderItemUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintText(os::Canvas& dc) override;
  void PaintStatusImage(os::Canvas& dc) override;

  bool IsDragable() const { return dragable_; }
  void SetDragable(bool on);
  int GetSepWidth() const { return sepWidth_; }
  void SetSepWidth(int width);
  // Percent of the header's width under "scaleheader"; 0 for none.
  int GetScale() const { return scale_; }
  void SetScale(int percent);
  UINT GetTextStyle() const { return textStyle_; }
  DWORD GetTextColor() const { return textColor_; }
  int GetFont() const { return font_; }
  RECT GetTextPadding() const { return textPadding_; }
  bool IsShowHtml() const { return showHtml_; }
  UINT GetButtonState() const { return buttonState_; }

  // The separator band in window coordinates; empty without one.
  RECT GetThumbRect() const;

 private:
  // The item whose width the band changes, or null when the band is inert.
  CListHeaderItemUI* DragTarget();
  void DragTo(POINT mouse);
  void SetImage(std::u16string& slot, std::u16string_view image);

  bool dragable_ = false;
  int sepWidth_ = 4;
  int scale_ = 0;
  UINT textStyle_;
  DWORD textColor_ = 0;
  int font_ = -1;
  RECT textPadding_{};
  bool showHtml_ = false;
  UINT buttonState_ = 0;
  bool dragging_ = false;
  // Where the drag started and how wide the column was then.
  int dragStartX_ = 0;
  int dragStartWidth_ = 0;
  std::u16string normalImage_;
  std::u16string hotImage_;
  std::u16string pushedImage_;
  std::u16string focusedImage_;
  std::u16string sepImage_;
};

}  // namespace Kesto
