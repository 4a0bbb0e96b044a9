// A clickable label: state images and colours for hot, pushed, focused and
// disabled, "click" on activation, and an optional tab page it switches to.
#pragma once

#include <string>
#include <string_view>

#include "controls/Label.h"

namespace Kesto {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  ~CButtonUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;

  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintText(os::Canvas& dc) override;
  void PaintStatusImage(os::Canvas& dc) override;

  // UIState bits.
  UINT GetButtonState() const { return buttonState_; }

  const std::u16string& GetNormalImage() const { return normalImage_; }
  void SetNormalImage(std::u16string_view image);
  const std::u16string& GetHotImage() const { return hotImage_; }
  void SetHotImage(std::u16string_view image);
  const std::u16string& GetPushedImage() const { return pushedImage_; }
  void SetPushedImage(std::u16string_view image);
  const std::u16string& GetFocusedImage() const { return focusedImage_; }
  void SetFocusedImage(std::u16string_view image);
  const std::u16string& GetDisabledImage() const { return disabledImage_; }
  void SetDisabledImage(std::u16string_view image);
  const std::u16string& GetHotForeImage() const { return hotForeImage_; }
  void SetHotForeImage(std::u16string_view image);
  const std::u16string& GetPushedForeImage() const { return pushedForeImage_; }
  void SetPushedForeImage(std::u16string_view image);

  // 0 means "not set".
  DWORD GetHotBkColor() const { return hotBkColor_; }
  void SetHotBkColor(DWORD color);
  DWORD GetHotTextColor() const { return hotTextColor_; }
  void SetHotTextColor(DWORD color);
  DWORD GetPushedTextColor() const { return pushedTextColor_; }
  void SetPushedTextColor(DWORD color);
  DWORD GetFocusedTextColor() const { return focusedTextColor_; }
  void SetFocusedTextColor(DWORD color);

  // The tab layout (by control name) and page a click selects; -1: none.
  int GetBindTabLayoutIndex() const { return bindTabIndex_; }
  void BindTabIndex(int index);
  const std::u16string& GetBindTabLayoutName() const { return bindTabLayoutName_; }
  void BindTabLayoutName(std::u16string_view name);
  // Selects page index (the bound page when negative) of the bound tab layout.
  void BindTriggerTabSel(int index = -1);

 protected:
  // Brings the focused and disabled bits in line with the control.
  void RefreshPaintState();
  // The button's text colour rules over a base colour for the enabled state.
  DWORD StateTextColor(DWORD enabledColor) const;
  // Draws one state image; a draw-string that fails is dropped.
  bool DrawStateImage(os::Canvas& dc, std::u16string& image);
  void SetImage(std::u16string& field, std::u16string_view image);

  UINT buttonState_ = 0;
  DWORD hotBkColor_ = 0;
  DWORD hotTextColor_ = 0;
  DWORD pushedTextColor_ = 0;
  DWORD focusedTextColor_ = 0;
  std::u16string normalImage_;
  std::u16string hotImage_;
  std::u16string hotForeImage_;
  std::u16string pushedImage_;
  std::u16string pushedForeImage_;
  std::u16string focusedImage_;
  std::u16string disabledImage_;
  int bindTabIndex_ = -1;
  std::u16string bindTabLayoutName_;
};

}  // namespace Kesto
