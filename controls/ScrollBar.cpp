#include "controls/ScrollBar.h"

#include <algorithm>
#include <string>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Container.h"
#include "controls/Render.h"
#include "platform/base/Unicode.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"ScrollBar", CScrollBarUI)

namespace {

// Outline of parts that have no image.
constexpr DWORD kPlainPartColor = 0x0085E4FF;
// Ticks a held button or rail waits before it repeats.
constexpr int kRepeatAfterTicks = 5;

struct Span {
  int start = 0;
  int end = 0;
};

}  // namespace

CScrollBarUI::CScrollBarUI() { fixedSize_ = SIZE{kDefaultThickness, 0}; }

std::u16string_view CScrollBarUI::GetClass() const { return u"ScrollBarUI"; }

void* CScrollBarUI::GetInterface(std::u16string_view name) {
  if (name == u"ScrollBar") return this;
  return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  const UINT state = enabled ? 0 : UIState::Disabled;
  button1State_ = button2State_ = thumbState_ = state;
  railPushed_ = false;
}

void CScrollBarUI::SetFocus() {
  // A click on a bar keeps the keyboard with the container it scrolls.
  if (owner_ != nullptr) {
    owner_->SetFocus();
  } else {
    CControlUI::SetFocus();
  }
}

void CScrollBarUI::SetVisible(bool visible) {
  // The owner shows and hides its bars while it lays itself out; asking it
  // for another layout from here would only repeat that pass.
  if (visible_ == visible) return;
  visible_ = visible;
  focused_ = false;
}

void CScrollBarUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  PlaceParts();
}

void CScrollBarUI::PlaceParts() {
  const int thickness = horizontal_ ? (fixedSize_.cy > 0 ? fixedSize_.cy : item_.bottom - item_.top)
                                    : (fixedSize_.cx > 0 ? fixedSize_.cx : item_.right - item_.left);
  const int start = horizontal_ ? item_.left : item_.top;
  const int end = horizontal_ ? item_.right : item_.bottom;
  const int across = horizontal_ ? item_.top : item_.left;
  const int length = end - start;
  int track = length;
  if (showButton1_) track -= thickness;
  if (showButton2_) track -= thickness;

  Span b1, b2, thumb;
  bool thumbShown = true;
  if (thickness < track) {
    b1 = showButton1_ ? Span{start, start + thickness} : Span{start, start};
    b2 = showButton2_ ? Span{end - thickness, end} : Span{end, end};
    if (range_ > 0) {
      const long long proportional = static_cast<long long>(length) * track / (length + range_);
      const int size = std::max(static_cast<int>(proportional), thickness);
      const int offset = static_cast<int>(static_cast<long long>(track - size) * scrollPos_ / range_);
      thumb = Span{b1.end + offset, b1.end + offset + size};
      if (thumb.end > b2.start) thumb = Span{b2.start - size, b2.start};
    } else {
      thumb = Span{b1.end, b2.start};
    }
  } else {
    const int size = std::min(thickness, length / 2);
    b1 = showButton1_ ? Span{start, start + size} : Span{start, start};
    b2 = showButton2_ ? Span{end - size, end} : Span{end, end};
    thumbShown = false;
  }

  const auto make = [&](Span s) {
    return horizontal_ ? RECT{s.start, across, s.end, across + thickness}
                       : RECT{across, s.start, across + thickness, s.end};
  };
  button1_ = make(b1);
  button2_ = make(b2);
  thumb_ = thumbShown ? make(thumb) : RECT{};
}

void CScrollBarUI::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal) return;
  horizontal_ = horizontal;
  if (horizontal_) {
    if (fixedSize_.cy == 0) fixedSize_ = SIZE{0, kDefaultThickness};
  } else {
    if (fixedSize_.cx == 0) fixedSize_ = SIZE{kDefaultThickness, 0};
  }
  if (owner_ != nullptr) {
    owner_->NeedUpdate();
  } else {
    NeedParentUpdate();
  }
}

void CScrollBarUI::SetScrollRange(int range) {
  range_ = std::max(range, 0);
  scrollPos_ = std::clamp(scrollPos_, 0, range_);
  PlaceParts();
  Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
  scrollPos_ = std::clamp(pos, 0, range_);
  PlaceParts();
  Invalidate();
}

void CScrollBarUI::SetShowButton1(bool show) {
  showButton1_ = show;
  PlaceParts();
  Invalidate();
}

void CScrollBarUI::SetShowButton2(bool show) {
  showButton2_ = show;
  PlaceParts();
  Invalidate();
}

void CScrollBarUI::StepBack(bool page) {
  const int length = horizontal_ ? item_.right - item_.left : item_.bottom - item_.top;
  if (owner_ != nullptr) {
    if (horizontal_) {
      page ? owner_->PageLeft() : owner_->LineLeft();
    } else {
      page ? owner_->PageUp() : owner_->LineUp();
    }
    return;
  }
  SetScrollPos(scrollPos_ - (page ? length : lineSize_));
  SendNotify(u"scroll");
}

void CScrollBarUI::StepForward(bool page) {
  const int length = horizontal_ ? item_.right - item_.left : item_.bottom - item_.top;
  if (owner_ != nullptr) {
    if (horizontal_) {
      page ? owner_->PageRight() : owner_->LineRight();
    } else {
      page ? owner_->PageDown() : owner_->LineDown();
    }
    return;
  }
  SetScrollPos(scrollPos_ + (page ? length : lineSize_));
  SendNotify(u"scroll");
}

void CScrollBarUI::FollowThumb() {
  const int target = lastScrollPos_ + lastScrollOffset_;
  if (owner_ != nullptr) {
    SIZE pos = owner_->GetScrollPos();
    (horizontal_ ? pos.cx : pos.cy) = target;
    owner_->SetScrollPos(pos);
    return;
  }
  if (target == scrollPos_) return;
  SetScrollPos(target);
  SendNotify(u"scroll");
}

void CScrollBarUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (owner_ != nullptr) {
      owner_->DoEvent(event);
    } else if (parent_ != nullptr) {
      parent_->DoEvent(event);
    } else {
      CControlUI::DoEvent(event);
    }
    return;
  }
  switch (event.type) {
    case UIEvent::SetFocus:
    case UIEvent::KillFocus:
      return;
    case UIEvent::ButtonDown:
    case UIEvent::DblClick: {
      if (!IsEnabled()) return;
      lastScrollOffset_ = 0;
      scrollRepeatDelay_ = 0;
      mouse_ = event.mouse;
      if (manager_ != nullptr) manager_->SetTimer(this, kRepeatTimerId, kRepeatElapse);
      const POINT pt = event.mouse;
      if (rect::Contains(button1_, pt)) {
        button1State_ |= UIState::Pushed;
        StepBack(false);
      } else if (rect::Contains(button2_, pt)) {
        button2State_ |= UIState::Pushed;
        StepForward(false);
      } else if (rect::Contains(thumb_, pt)) {
        thumbState_ |= UIState::Captured | UIState::Pushed;
        lastMouse_ = pt;
        lastScrollPos_ = scrollPos_;
      } else {
        railPushed_ = true;
        const int at = Along(pt);
        if (at < (horizontal_ ? thumb_.left : thumb_.top)) {
          StepBack(true);
        } else if (at >= (horizontal_ ? thumb_.right : thumb_.bottom)) {
          StepForward(true);
        }
      }
      Invalidate();
      return;
    }
    case UIEvent::ButtonUp:
      if (manager_ != nullptr) manager_->KillTimer(this, kRepeatTimerId);
      button1State_ &= ~UIState::Pushed;
      button2State_ &= ~UIState::Pushed;
      thumbState_ &= ~(UIState::Pushed | UIState::Captured);
      railPushed_ = false;
      Invalidate();
      return;
    case UIEvent::MouseMove:
      mouse_ = event.mouse;
      if ((thumbState_ & UIState::Captured) != 0) {
        const int movable = (horizontal_ ? button2_.left - button1_.right : button2_.top - button1_.bottom) -
                            (horizontal_ ? thumb_.right - thumb_.left : thumb_.bottom - thumb_.top);
        lastScrollOffset_ =
            movable > 0 ? static_cast<int>(static_cast<long long>(Along(event.mouse) - Along(lastMouse_)) *
                                           range_ / movable)
                        : 0;
        FollowThumb();
      } else if (IsEnabled()) {
        const UINT before = thumbState_;
        if (rect::Contains(thumb_, event.mouse)) {
          thumbState_ |= UIState::Hot;
        } else {
          thumbState_ &= ~UIState::Hot;
        }
        if (before != thumbState_) Invalidate();
      }
      return;
    case UIEvent::MouseEnter:
      if (IsEnabled()) {
        button1State_ |= UIState::Hot;
        button2State_ |= UIState::Hot;
        if (rect::Contains(thumb_, event.mouse)) thumbState_ |= UIState::Hot;
        Invalidate();
      }
      return;
    case UIEvent::MouseLeave:
      if (IsEnabled()) {
        button1State_ &= ~UIState::Hot;
        button2State_ &= ~UIState::Hot;
        thumbState_ &= ~UIState::Hot;
        Invalidate();
      }
      return;
    case UIEvent::Timer:
      if (event.wParam != kRepeatTimerId) {
        // Someone else's timer on this bar: notified as for any control.
        CControlUI::DoEvent(event);
        return;
      }
      ++scrollRepeatDelay_;
      if ((thumbState_ & UIState::Captured) != 0) {
        FollowThumb();
        return;
      }
      if (scrollRepeatDelay_ <= kRepeatAfterTicks) return;
      if ((button1State_ & UIState::Pushed) != 0) {
        StepBack(false);
      } else if ((button2State_ & UIState::Pushed) != 0) {
        StepForward(false);
      } else if (railPushed_) {
        const int at = Along(mouse_);
        if (at < (horizontal_ ? thumb_.left : thumb_.top)) {
          StepBack(true);
        } else if (at >= (horizontal_ ? thumb_.right : thumb_.bottom)) {
          StepForward(true);
        }
      }
      return;
    default:
      break;
  }
  if (owner_ != nullptr) {
    owner_->DoEvent(event);
  } else {
    CControlUI::DoEvent(event);
  }
}

void CScrollBarUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  using Setter = void (CScrollBarUI::*)(std::u16string_view);
  static constexpr struct {
    std::u16string_view name;
    Setter setter;
  } kImages[] = {
      {u"button1normalimage", &CScrollBarUI::SetButton1NormalImage},
      {u"button1hotimage", &CScrollBarUI::SetButton1HotImage},
      {u"button1pushedimage", &CScrollBarUI::SetButton1PushedImage},
      {u"button1disabledimage", &CScrollBarUI::SetButton1DisabledImage},
      {u"button2normalimage", &CScrollBarUI::SetButton2NormalImage},
      {u"button2hotimage", &CScrollBarUI::SetButton2HotImage},
      {u"button2pushedimage", &CScrollBarUI::SetButton2PushedImage},
      {u"button2disabledimage", &CScrollBarUI::SetButton2DisabledImage},
      {u"thumbnormalimage", &CScrollBarUI::SetThumbNormalImage},
      {u"thumbhotimage", &CScrollBarUI::SetThumbHotImage},
      {u"thumbpushedimage", &CScrollBarUI::SetThumbPushedImage},
      {u"thumbdisabledimage", &CScrollBarUI::SetThumbDisabledImage},
      {u"railnormalimage", &CScrollBarUI::SetRailNormalImage},
      {u"railhotimage", &CScrollBarUI::SetRailHotImage},
      {u"railpushedimage", &CScrollBarUI::SetRailPushedImage},
      {u"raildisabledimage", &CScrollBarUI::SetRailDisabledImage},
      {u"bknormalimage", &CScrollBarUI::SetBkNormalImage},
      {u"bkhotimage", &CScrollBarUI::SetBkHotImage},
      {u"bkpushedimage", &CScrollBarUI::SetBkPushedImage},
      {u"bkdisabledimage", &CScrollBarUI::SetBkDisabledImage},
  };
  for (const auto& image : kImages) {
    if (name == image.name) {
      (this->*image.setter)(value);
      return;
    }
  }
  if (name == u"hor") {
    SetHorizontal(attr::ParseBool(value));
  } else if (name == u"linesize") {
    SetLineSize(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"range") {
    SetScrollRange(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"value") {
    SetScrollPos(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"showbutton1") {
    SetShowButton1(attr::ParseBool(value));
  } else if (name == u"showbutton2") {
    SetShowButton2(attr::ParseBool(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

#define KESTO_IMAGE_SETTER(Name, field)                     \
  void CScrollBarUI::Set##Name(std::u16string_view image) { \
    field.assign(image);                                    \
    Invalidate();                                           \
  }
KESTO_IMAGE_SETTER(Button1NormalImage, button1NormalImage_)
KESTO_IMAGE_SETTER(Button1HotImage, button1HotImage_)
KESTO_IMAGE_SETTER(Button1PushedImage, button1PushedImage_)
KESTO_IMAGE_SETTER(Button1DisabledImage, button1DisabledImage_)
KESTO_IMAGE_SETTER(Button2NormalImage, button2NormalImage_)
KESTO_IMAGE_SETTER(Button2HotImage, button2HotImage_)
KESTO_IMAGE_SETTER(Button2PushedImage, button2PushedImage_)
KESTO_IMAGE_SETTER(Button2DisabledImage, button2DisabledImage_)
KESTO_IMAGE_SETTER(ThumbNormalImage, thumbNormalImage_)
KESTO_IMAGE_SETTER(ThumbHotImage, thumbHotImage_)
KESTO_IMAGE_SETTER(ThumbPushedImage, thumbPushedImage_)
KESTO_IMAGE_SETTER(ThumbDisabledImage, thumbDisabledImage_)
KESTO_IMAGE_SETTER(RailNormalImage, railNormalImage_)
KESTO_IMAGE_SETTER(RailHotImage, railHotImage_)
KESTO_IMAGE_SETTER(RailPushedImage, railPushedImage_)
KESTO_IMAGE_SETTER(RailDisabledImage, railDisabledImage_)
KESTO_IMAGE_SETTER(BkNormalImage, bkNormalImage_)
KESTO_IMAGE_SETTER(BkHotImage, bkHotImage_)
KESTO_IMAGE_SETTER(BkPushedImage, bkPushedImage_)
KESTO_IMAGE_SETTER(BkDisabledImage, bkDisabledImage_)
#undef KESTO_IMAGE_SETTER

// ---------------------------------------------------------------------------
// Painting

void CScrollBarUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  if (!rect::Intersect(paintRect_, paint, item_)) return;
  PaintBk(dc);
  PaintButton1(dc);
  PaintButton2(dc);
  PaintThumb(dc);
  PaintRail(dc);
}

bool CScrollBarUI::PaintPart(os::Canvas& dc, const RECT& part, UINT state, std::u16string& normal,
                             std::u16string& hot, std::u16string& pushed, std::u16string& disabled) {
  imageModify_ = u"dest='" + os::Utf8ToUtf16(std::to_string(part.left - item_.left)) + u"," +
                 os::Utf8ToUtf16(std::to_string(part.top - item_.top)) + u"," +
                 os::Utf8ToUtf16(std::to_string(part.right - item_.left)) + u"," +
                 os::Utf8ToUtf16(std::to_string(part.bottom - item_.top)) + u"'";
  // The most specific state image that draws wins; one whose draw fails is
  // dropped for good and the normal image stands in.
  std::u16string* chosen = nullptr;
  if ((state & UIState::Disabled) != 0) {
    chosen = &disabled;
  } else if ((state & UIState::Pushed) != 0) {
    chosen = &pushed;
  } else if ((state & UIState::Hot) != 0) {
    chosen = &hot;
  }
  if (chosen != nullptr && !chosen->empty()) {
    if (DrawImage(dc, *chosen, imageModify_)) return true;
    chosen->clear();
  }
  if (!normal.empty()) {
    if (DrawImage(dc, normal, imageModify_)) return true;
    normal.clear();
  }
  return false;
}

void CScrollBarUI::PaintBk(os::Canvas& dc) {
  UINT state = 0;
  if (!IsEnabled()) {
    state = UIState::Disabled;
  } else if (((button1State_ | button2State_ | thumbState_) & UIState::Pushed) != 0 || railPushed_) {
    state = UIState::Pushed;
  } else if (((button1State_ | button2State_ | thumbState_) & UIState::Hot) != 0) {
    state = UIState::Hot;
  }
  PaintPart(dc, item_, state, bkNormalImage_, bkHotImage_, bkPushedImage_, bkDisabledImage_);
}

void CScrollBarUI::PaintButton1(os::Canvas& dc) {
  if (!showButton1_ || rect::IsEmpty(button1_)) return;
  if (!PaintPart(dc, button1_, button1State_, button1NormalImage_, button1HotImage_, button1PushedImage_,
                 button1DisabledImage_)) {
    Renderer::DrawRect(dc, button1_, 2, kPlainPartColor);
  }
}

void CScrollBarUI::PaintButton2(os::Canvas& dc) {
  if (!showButton2_ || rect::IsEmpty(button2_)) return;
  if (!PaintPart(dc, button2_, button2State_, button2NormalImage_, button2HotImage_, button2PushedImage_,
                 button2DisabledImage_)) {
    Renderer::DrawRect(dc, button2_, 2, kPlainPartColor);
  }
}

void CScrollBarUI::PaintThumb(os::Canvas& dc) {
  if (rect::IsEmpty(thumb_)) return;
  if (!PaintPart(dc, thumb_, thumbState_, thumbNormalImage_, thumbHotImage_, thumbPushedImage_,
                 thumbDisabledImage_)) {
    Renderer::DrawRect(dc, thumb_, 2, kPlainPartColor);
  }
}

void CScrollBarUI::PaintRail(os::Canvas& dc) {
  // The rail is the grip drawn over the thumb, in the thumb's state.
  if (rect::IsEmpty(thumb_)) return;
  PaintPart(dc, thumb_, thumbState_, railNormalImage_, railHotImage_, railPushedImage_, railDisabledImage_);
}

}  // namespace Kesto
