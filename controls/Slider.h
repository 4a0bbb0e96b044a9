// A progress bar the user moves: a thumb drawn at the value, pressed and
// dragged with the pointer, stepped with the wheel and the keyboard.
//
// Pointer: a press or double click on an enabled slider captures it and takes
// the value under the pointer when that lies within the range; dragging
// follows the pointer (clamped at the ends, the thumb's half size being the
// dead zone at each end) and, with "sendmove", sends "movevaluechanged" on
// every move; releasing takes the value under the pointer once more and sends
// "valuechanged". Horizontal sliders grow to the right, vertical ones
// upwards (bottom is the minimum). The wheel adds the step when turned away
// from the user (low word 0) and subtracts it towards the user (1), clamped
// to the range, each turn sending "valuechanged".
//
// Keyboard (while focused): Left and Down subtract the step, Right and Up add
// it, Home goes to the minimum and End to the maximum; "valuechanged" is sent
// when the value actually changed. The slider is a tab stop when keyboard
// input is enabled.
//
// Hovering the thumb makes it hot; the thumb images are chosen pushed (while
// captured), hot, then normal, each falling back to the next when missing.
// A negative "thumbsize" extent is taken as 0; a step of 0 or less leaves the
// value where it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "controls/Progress.h"

namespace Kesto {

class CSliderUI : public CProgressUI {
 public:
  CSliderUI();
  ~CSliderUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;

  void SetEnabled(bool enabled = true) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void PaintStatusImage(os::Canvas& dc) override;

  int GetChangeStep() const { return step_; }
  void SetChangeStep(int step) { step_ = step; }
  SIZE GetThumbSize() const { return thumb_; }
  void SetThumbSize(SIZE size);
  bool IsSendMove() const { return sendMove_; }
  void SetSendMove(bool on) { sendMove_ = on; }
  const std::u16string& GetThumbImage() const { return thumbImage_; }
  void SetThumbImage(std::u16string_view image);
  const std::u16string& GetThumbHotImage() const { return thumbHotImage_; }
  void SetThumbHotImage(std::u16string_view image);
  const std::u16string& GetThumbPushedImage() const { return thumbPushedImage_; }
  void SetThumbPushedImage(std::u16string_view image);
  // UIState bits of the thumb (hot, captured).
  UINT GetButtonState() const { return buttonState_; }

  // The thumb's rectangle in window coordinates at the current value.
  RECT GetThumbRect();
  // The value the pointer points at, clamped into the range: the end values
  // within half a thumb of either end.
  int ValueAt(POINT point);
  // The value the pointer points at without clamping; nullopt when it falls
  // outside the range (or the control is no longer than its thumb).
  std::optional<int> ValueWithinRange(POINT point);

 private:
  // Reads the geometry along the slider's axis: distances grow from the
  // minimum's end (left, or bottom) towards the maximum's.
  struct Axis {
    int length;  // the control's extent along the axis
    int thumb;   // the thumb's extent along the axis
    int offset;  // the point's distance from the minimum's end
  };
  Axis AxisOf(POINT point) const;
  // Moves the value by delta (clamped) and reports it; false when unchanged.
  bool StepBy(long long delta, bool alwaysNotify);
  void SetThumbHot(bool hot);
  bool DrawThumbImage(os::Canvas& dc, std::u16string& image, const std::u16string& modify);

  SIZE thumb_{10, 10};
  int step_ = 1;
  bool sendMove_ = false;
  UINT buttonState_ = 0;
  std::u16string thumbImage_;
  std::u16string thumbHotImage_;
  std::u16string thumbPushedImage_;
};

}  // namespace Kesto
