// A bar that shows a value between a minimum and a maximum: the fore image
// covers the part of the control the value has reached, growing from the
// left (horizontal) or from the bottom (vertical), stretched over that part
// or cropped to it. The label's text is drawn over the bar.
//
// Range rules: setters store what they are given; before every paint (and
// before a slider maps a pointer) the maximum is raised to minimum + 1 when it
// is not above the minimum, and the value is clamped into [minimum, maximum].
// A minimum of INT_MAX is lowered by one so that the raised maximum exists.
// Text is drawn single-line and centred both ways unless a skin says
// otherwise.
#pragma once

#include <string>
#include <string_view>

#include "controls/Label.h"

namespace Kesto {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  ~CProgressUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void PaintStatusImage(os::Canvas& dc) override;

  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal = true);
  int GetMinValue() const { return min_; }
  void SetMinValue(int min);
  int GetMaxValue() const { return max_; }
  void SetMaxValue(int max);
  int GetValue() const { return value_; }
  void SetValue(int value);
  bool IsStretchForeImage() const { return stretchFore_; }
  void SetStretchForeImage(bool stretch = true);

  // The part of the control the value covers, relative to the control's
  // top-left corner, after the range fix-ups.
  RECT ForeRect();

 protected:
  // Raises the maximum and clamps the value as described above.
  void FixUpRange();

  bool horizontal_ = true;
  bool stretchFore_ = true;
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
};

}  // namespace Kesto
