#include "controls/Progress.h"

#include <algorithm>
#include <climits>
#include <string>

#include "Core/ControlRegistry.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Progress", CProgressUI)

namespace {

int Number(std::u16string_view value) {
  const long n = attr::ParseLong(value);
  return static_cast<int>(std::clamp<long>(n, INT_MIN, INT_MAX));
}

// part · length / whole without overflow for any int inputs.
int Scale(long long part, int length, long long whole) {
  return whole == 0 ? 0 : static_cast<int>(part * length / whole);
}

std::u16string Utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string RectText(const RECT& r) {
  return Utf16(std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom));
}

}  // namespace

CProgressUI::CProgressUI() { textStyle_ = os::DT_SINGLELINE | os::DT_CENTER | os::DT_VCENTER; }

CProgressUI::~CProgressUI() = default;

std::u16string_view CProgressUI::GetClass() const { return u"ProgressUI"; }

void* CProgressUI::GetInterface(std::u16string_view name) {
  if (name == u"Progress") return static_cast<CProgressUI*>(this);
  return CLabelUI::GetInterface(name);
}

void CProgressUI::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal) return;
  horizontal_ = horizontal;
  Invalidate();
}

void CProgressUI::SetMinValue(int min) {
  min_ = min;
  Invalidate();
}

void CProgressUI::SetMaxValue(int max) {
  max_ = max;
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (value_ == value) return;
  value_ = value;
  Invalidate();
}

void CProgressUI::SetStretchForeImage(bool stretch) {
  if (stretchFore_ == stretch) return;
  stretchFore_ = stretch;
  Invalidate();
}

void CProgressUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"foreimage") {
    SetForeImage(value);
  } else if (name == u"hor") {
    SetHorizontal(attr::ParseBool(value));
  } else if (name == u"min") {
    SetMinValue(Number(value));
  } else if (name == u"max") {
    SetMaxValue(Number(value));
  } else if (name == u"value") {
    SetValue(Number(value));
  } else if (name == u"isstretchfore") {
    SetStretchForeImage(attr::ParseBool(value));
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

void CProgressUI::FixUpRange() {
  if (min_ == INT_MAX) min_ = INT_MAX - 1;
  if (max_ <= min_) max_ = min_ + 1;
  value_ = std::clamp(value_, min_, max_);
}

RECT CProgressUI::ForeRect() {
  FixUpRange();
  const int width = item_.right - item_.left;
  const int height = item_.bottom - item_.top;
  const long long span = static_cast<long long>(max_) - min_;
  if (horizontal_) return RECT{0, 0, Scale(static_cast<long long>(value_) - min_, width, span), height};
  return RECT{0, Scale(static_cast<long long>(max_) - value_, height, span), width, height};
}

void CProgressUI::PaintStatusImage(os::Canvas& dc) {
  const RECT fore = ForeRect();
  if (foreImage_.empty()) return;
  std::u16string modify = u"dest='" + RectText(fore) + u"'";
  if (!stretchFore_) modify += u" source='" + RectText(fore) + u"'";
  if (!DrawImage(dc, foreImage_, modify)) foreImage_.clear();
}

}  // namespace Kesto
