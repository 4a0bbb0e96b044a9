#include "controls/Slider.h"

#include <algorithm>
#include <climits>

#include "Core/ControlRegistry.h"
#include "controls/Cursor.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Slider", CSliderUI)

namespace {

std::u16string Utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string DestModify(const RECT& r) {
  return Utf16("dest='" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
               std::to_string(r.right) + "," + std::to_string(r.bottom) + "'");
}

RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

}  // namespace

CSliderUI::CSliderUI() { textStyle_ = os::DT_SINGLELINE | os::DT_CENTER; }

CSliderUI::~CSliderUI() = default;

std::u16string_view CSliderUI::GetClass() const { return u"SliderUI"; }

void* CSliderUI::GetInterface(std::u16string_view name) {
  if (name == u"Slider") return static_cast<CSliderUI*>(this);
  return CProgressUI::GetInterface(name);
}

UINT CSliderUI::GetControlFlags() const {
  UINT flags = 0;
  if (IsKeyboardEnabled()) flags |= ControlFlag::TabStop;
  if (IsEnabled()) flags |= ControlFlag::SetCursor;
  return flags;
}

void CSliderUI::SetEnabled(bool enabled) {
  CProgressUI::SetEnabled(enabled);
  if (!enabled) buttonState_ = 0;
}

void CSliderUI::SetThumbSize(SIZE size) {
  thumb_ = SIZE{std::max(0, size.cx), std::max(0, size.cy)};
  Invalidate();
}

void CSliderUI::SetThumbImage(std::u16string_view image) {
  thumbImage_.assign(image);
  Invalidate();
}

void CSliderUI::SetThumbHotImage(std::u16string_view image) {
  thumbHotImage_.assign(image);
  Invalidate();
}

void CSliderUI::SetThumbPushedImage(std::u16string_view image) {
  thumbPushedImage_.assign(image);
  Invalidate();
}

RECT CSliderUI::GetThumbRect() {
  FixUpRange();
  const long long span = static_cast<long long>(max_) - min_;
  const long long reached = static_cast<long long>(value_) - min_;
  const int width = item_.right - item_.left;
  const int height = item_.bottom - item_.top;
  if (horizontal_) {
    const int left = item_.left + static_cast<int>(reached * (width - thumb_.cx) / span);
    const int top = item_.top + (height - thumb_.cy) / 2;
    return RECT{left, top, left + thumb_.cx, top + thumb_.cy};
  }
  const int top = item_.bottom - thumb_.cy - static_cast<int>(reached * (height - thumb_.cy) / span);
  const int left = item_.left + (width - thumb_.cx) / 2;
  return RECT{left, top, left + thumb_.cx, top + thumb_.cy};
}

CSliderUI::Axis CSliderUI::AxisOf(POINT point) const {
  if (horizontal_) return Axis{item_.right - item_.left, thumb_.cx, point.x - item_.left};
  return Axis{item_.bottom - item_.top, thumb_.cy, item_.bottom - point.y};
}

std::optional<int> CSliderUI::ValueWithinRange(POINT point) {
  FixUpRange();
  const Axis axis = AxisOf(point);
  const int travel = axis.length - axis.thumb;
  if (travel <= 0) return std::nullopt;
  const long long value =
      min_ + (static_cast<long long>(max_) - min_) * (axis.offset - axis.thumb / 2) / travel;
  if (value < min_ || value > max_) return std::nullopt;
  return static_cast<int>(value);
}

int CSliderUI::ValueAt(POINT point) {
  FixUpRange();
  const Axis axis = AxisOf(point);
  if (axis.offset >= axis.length - axis.thumb / 2) return max_;
  if (axis.offset <= axis.thumb / 2) return min_;
  // Between the two dead zones travel is positive.
  const int travel = axis.length - axis.thumb;
  return static_cast<int>(min_ +
                          (static_cast<long long>(max_) - min_) * (axis.offset - axis.thumb / 2) / travel);
}

bool CSliderUI::StepBy(long long delta, bool alwaysNotify) {
  FixUpRange();
  const int next = static_cast<int>(std::clamp<long long>(value_ + delta, min_, max_));
  const bool changed = next != value_;
  SetValue(next);
  if (changed || alwaysNotify) SendNotify(u"valuechanged");
  return changed;
}

void CSliderUI::SetThumbHot(bool hot) {
  const UINT before = buttonState_;
  if (hot) {
    buttonState_ |= UIState::Hot;
  } else {
    buttonState_ &= ~UIState::Hot;
  }
  if (before != buttonState_) Invalidate();
}

void CSliderUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (parent_ != nullptr) {
      parent_->DoEvent(event);
    } else {
      CProgressUI::DoEvent(event);
    }
    return;
  }
  switch (event.type) {
    case UIEvent::ButtonDown:
    case UIEvent::DblClick:
      if (IsEnabled()) {
        buttonState_ |= UIState::Captured;
        if (const std::optional<int> value = ValueWithinRange(event.mouse)) SetValue(*value);
        Invalidate();
      }
      return;
    case UIEvent::ButtonUp:
      if ((buttonState_ & UIState::Captured) != 0) {
        buttonState_ &= ~UIState::Captured;
        if (const std::optional<int> value = ValueWithinRange(event.mouse)) SetValue(*value);
        SendNotify(u"valuechanged");
        Invalidate();
      }
      return;
    case UIEvent::MouseMove:
      if ((buttonState_ & UIState::Captured) != 0) {
        SetValue(ValueAt(event.mouse));
        if (sendMove_) SendNotify(u"movevaluechanged");
        Invalidate();
      }
      if (IsEnabled()) SetThumbHot(rect::Contains(GetThumbRect(), event.mouse));
      return;
    case UIEvent::MouseEnter:
      if (IsEnabled()) SetThumbHot(rect::Contains(GetThumbRect(), event.mouse));
      return;
    case UIEvent::MouseLeave:
      SetThumbHot(false);
      return;
    case UIEvent::ScrollWheel:
      if (IsEnabled()) StepBy(event.wParam == 0 ? step_ : -static_cast<long long>(step_), true);
      return;
    case UIEvent::KeyDown:
      if (IsEnabled() && IsKeyboardEnabled()) {
        const long long span = static_cast<long long>(INT_MAX) - INT_MIN;
        switch (event.key) {
          case os::VK_LEFT:
          case os::VK_DOWN:
            StepBy(-static_cast<long long>(step_), false);
            return;
          case os::VK_RIGHT:
          case os::VK_UP:
            StepBy(step_, false);
            return;
          case os::VK_HOME:
            StepBy(-span, false);
            return;
          case os::VK_END:
            StepBy(span, false);
            return;
          default:
            break;
        }
      }
      break;
    case UIEvent::SetCursor:
      if (IsEnabled()) {
        SetHandCursor();
        return;
      }
      break;
    default:
      break;
  }
  CProgressUI::DoEvent(event);
}

void CSliderUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"thumbimage") {
    SetThumbImage(value);
  } else if (name == u"thumbhotimage") {
    SetThumbHotImage(value);
  } else if (name == u"thumbpushedimage") {
    SetThumbPushedImage(value);
  } else if (name == u"thumbsize") {
    SetThumbSize(attr::ParseSize(value));
  } else if (name == u"step") {
    SetChangeStep(static_cast<int>(std::clamp<long>(attr::ParseLong(value), INT_MIN, INT_MAX)));
  } else if (name == u"sendmove") {
    SetSendMove(attr::ParseBool(value));
  } else {
    CProgressUI::SetAttribute(name, value);
  }
}

bool CSliderUI::DrawThumbImage(os::Canvas& dc, std::u16string& image, const std::u16string& modify) {
  if (image.empty()) return false;
  if (DrawImage(dc, image, modify)) return true;
  image.clear();
  return false;
}

void CSliderUI::PaintStatusImage(os::Canvas& dc) {
  CProgressUI::PaintStatusImage(dc);
  const std::u16string modify = DestModify(Offset(GetThumbRect(), -item_.left, -item_.top));
  if ((buttonState_ & UIState::Captured) != 0 && DrawThumbImage(dc, thumbPushedImage_, modify)) return;
  if ((buttonState_ & UIState::Hot) != 0 && DrawThumbImage(dc, thumbHotImage_, modify)) return;
  DrawThumbImage(dc, thumbImage_, modify);
}

}  // namespace Kesto
