// The scroll bar containers create on demand (and skins may place on their
// own): two end buttons, a thumb on a rail, dragging and auto-repeat.
#pragma once

#include <string>

#include "controls/Control.h"

namespace Kesto {

class CContainerUI;

class CScrollBarUI : public CControlUI {
 public:
  // Thickness of a bar across its length.
  static constexpr int kDefaultThickness = 16;
  // Auto-repeat timer of held buttons, rail and thumb.
  static constexpr UINT kRepeatTimerId = 10;
  static constexpr UINT kRepeatElapse = 50;

  CScrollBarUI();

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  void SetEnabled(bool enabled = true) override;
  void SetFocus() override;
  void SetVisible(bool visible = true) override;
  void SetPos(RECT rc) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void DoPaint(os::Canvas& dc, const RECT& paint) override;

  CContainerUI* GetOwner() const { return owner_; }
  void SetOwner(CContainerUI* owner) { owner_ = owner; }
  using CControlUI::SetOwner;

  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal = true);
  int GetScrollRange() const { return range_; }
  void SetScrollRange(int range);
  int GetScrollPos() const { return scrollPos_; }
  void SetScrollPos(int pos);
  int GetLineSize() const { return lineSize_; }
  void SetLineSize(int size) { lineSize_ = size; }
  bool GetShowButton1() const { return showButton1_; }
  void SetShowButton1(bool show);
  bool GetShowButton2() const { return showButton2_; }
  void SetShowButton2(bool show);

  // Part rectangles in window client coordinates.
  const RECT& GetButton1Rect() const { return button1_; }
  const RECT& GetButton2Rect() const { return button2_; }
  const RECT& GetThumbRect() const { return thumb_; }
  UINT GetButton1State() const { return button1State_; }
  UINT GetButton2State() const { return button2State_; }
  UINT GetThumbState() const { return thumbState_; }

  // Image draw-strings, by part and state.
  const std::u16string& GetButton1NormalImage() const { return button1NormalImage_; }
  void SetButton1NormalImage(std::u16string_view image);
  const std::u16string& GetButton1HotImage() const { return button1HotImage_; }
  void SetButton1HotImage(std::u16string_view image);
  const std::u16string& GetButton1PushedImage() const { return button1PushedImage_; }
  void SetButton1PushedImage(std::u16string_view image);
  const std::u16string& GetButton1DisabledImage() const { return button1DisabledImage_; }
  void SetButton1DisabledImage(std::u16string_view image);
  const std::u16string& GetButton2NormalImage() const { return button2NormalImage_; }
  void SetButton2NormalImage(std::u16string_view image);
  const std::u16string& GetButton2HotImage() const { return button2HotImage_; }
  void SetButton2HotImage(std::u16string_view image);
  const std::u16string& GetButton2PushedImage() const { return button2PushedImage_; }
  void SetButton2PushedImage(std::u16string_view image);
  const std::u16string& GetButton2DisabledImage() const { return button2DisabledImage_; }
  void SetButton2DisabledImage(std::u16string_view image);
  const std::u16string& GetThumbNormalImage() const { return thumbNormalImage_; }
  void SetThumbNormalImage(std::u16string_view image);
  const std::u16string& GetThumbHotImage() const { return thumbHotImage_; }
  void SetThumbHotImage(std::u16string_view image);
  const std::u16string& GetThumbPushedImage() const { return thumbPushedImage_; }
  void SetThumbPushedImage(std::u16string_view image);
  const std::u16string& GetThumbDisabledImage() const { return thumbDisabledImage_; }
  void SetThumbDisabledImage(std::u16string_view image);
  const std::u16string& GetRailNormalImage() const { return railNormalImage_; }
  void SetRailNormalImage(std::u16string_view image);
  const std::u16string& GetRailHotImage() const { return railHotImage_; }
  void SetRailHotImage(std::u16string_view image);
  const std::u16string& GetRailPushedImage() const { return railPushedImage_; }
  void SetRailPushedImage(std::u16string_view image);
  const std::u16string& GetRailDisabledImage() const { return railDisabledImage_; }
  void SetRailDisabledImage(std::u16string_view image);
  const std::u16string& GetBkNormalImage() const { return bkNormalImage_; }
  void SetBkNormalImage(std::u16string_view image);
  const std::u16string& GetBkHotImage() const { return bkHotImage_; }
  void SetBkHotImage(std::u16string_view image);
  const std::u16string& GetBkPushedImage() const { return bkPushedImage_; }
  void SetBkPushedImage(std::u16string_view image);
  const std::u16string& GetBkDisabledImage() const { return bkDisabledImage_; }
  void SetBkDisabledImage(std::u16string_view image);

  void PaintBk(os::Canvas& dc);
  void PaintButton1(os::Canvas& dc);
  void PaintButton2(os::Canvas& dc);
  void PaintThumb(os::Canvas& dc);
  void PaintRail(os::Canvas& dc);

 private:
  // Re-places buttons and thumb inside item.
  void PlaceParts();
  // The step actions, through the owner when there is one.
  void StepBack(bool page);
  void StepForward(bool page);
  // Moves to lastScrollPos + lastScrollOffset while the thumb is dragged.
  void FollowThumb();
  // Position along the bar's axis.
  int Along(POINT p) const { return horizontal_ ? p.x : p.y; }
  // Draws the state image of a part; false when none drew.
  bool PaintPart(os::Canvas& dc, const RECT& part, UINT state, std::u16string& normal, std::u16string& hot,
                 std::u16string& pushed, std::u16string& disabled);

  bool horizontal_ = false;
  int range_ = 100;
  int scrollPos_ = 0;
  int lineSize_ = 8;
  CContainerUI* owner_ = nullptr;
  POINT lastMouse_{};
  int lastScrollPos_ = 0;
  int lastScrollOffset_ = 0;
  int scrollRepeatDelay_ = 0;
  bool showButton1_ = true;
  bool showButton2_ = true;
  RECT button1_{};
  RECT button2_{};
  RECT thumb_{};
  UINT button1State_ = 0;
  UINT button2State_ = 0;
  UINT thumbState_ = 0;
  // A press on the rail is held (it repeats its page step).
  bool railPushed_ = false;
  // Where the mouse was last seen while a press is held.
  POINT mouse_{};

  std::u16string bkNormalImage_, bkHotImage_, bkPushedImage_, bkDisabledImage_;
  std::u16string button1NormalImage_, button1HotImage_, button1PushedImage_, button1DisabledImage_;
  std::u16string button2NormalImage_, button2HotImage_, button2PushedImage_, button2DisabledImage_;
  std::u16string thumbNormalImage_, thumbHotImage_, thumbPushedImage_, thumbDisabledImage_;
  std::u16string railNormalImage_, railHotImage_, railPushedImage_, railDisabledImage_;
  std::u16string imageModify_;
};

}  // namespace Kesto
