#include "controls/Control.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <set>
#include <string>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Cursor.h"
#include "controls/LayoutLimit.h"
#include "controls/Render.h"
#include "platform/system/Kernel.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Control", CControlUI)

// ---------------------------------------------------------------------------
// Value readers

namespace attr {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

int DigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  return 99;
}

// The common part of wcstol and wcstoul: blanks, sign, optional "0x" for base
// 16, digits. The magnitude saturates at limit. *end stays at the start when
// no digit was read.
unsigned long long ReadDigits(std::u16string_view s, int base, unsigned long long limit, bool& negative,
                              std::size_t* end) {
  std::size_t pos = 0;
  while (pos < s.size() && IsBlank(s[pos])) ++pos;
  negative = false;
  if (pos < s.size() && (s[pos] == u'-' || s[pos] == u'+')) negative = s[pos++] == u'-';
  if (base == 16 && pos + 2 < s.size() && s[pos] == u'0' && (s[pos + 1] == u'x' || s[pos + 1] == u'X') &&
      DigitValue(s[pos + 2]) < 16) {
    pos += 2;
  }
  const std::size_t digitsStart = pos;
  unsigned long long value = 0;
  for (; pos < s.size() && DigitValue(s[pos]) < base; ++pos) {
    value = value * base + DigitValue(s[pos]);
    if (value > limit) value = limit + 1;  // remembered as overflow, stays bounded
  }
  if (end != nullptr) *end = pos == digitsStart ? 0 : pos;
  if (pos == digitsStart) negative = false;
  return value;
}

}  // namespace

long ParseLong(std::u16string_view text, std::size_t* end) {
  // Numbers of skins are 32-bit, as a C long is on the systems skins were
  // written for; out-of-range values saturate as wcstol does.
  bool negative = false;
  const unsigned long long magnitude = ReadDigits(text, 10, 0x80000000ull, negative, end);
  if (negative)
    return magnitude >= 0x80000000ull ? static_cast<long>(INT32_MIN) : -static_cast<long>(magnitude);
  return magnitude > 0x7FFFFFFFull ? static_cast<long>(INT32_MAX) : static_cast<long>(magnitude);
}

unsigned long ParseHex(std::u16string_view text, std::size_t* end) {
  bool negative = false;
  const unsigned long long magnitude = ReadDigits(text, 16, 0xFFFFFFFFull, negative, end);
  if (magnitude > 0xFFFFFFFFull) return 0xFFFFFFFFul;
  const auto value = static_cast<std::uint32_t>(magnitude);
  return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

std::vector<long> ParseList(std::u16string_view text, std::size_t count) {
  std::vector<long> values(count, 0);
  std::size_t pos = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (pos > text.size()) break;
    std::size_t used = 0;
    values[i] = ParseLong(text.substr(pos), &used);
    pos += used + 1;  // the separator, whatever it is
  }
  return values;
}

RECT ParseRect(std::u16string_view text) {
  const std::vector<long> v = ParseList(text, 4);
  return RECT{static_cast<os::LONG>(v[0]), static_cast<os::LONG>(v[1]), static_cast<os::LONG>(v[2]),
              static_cast<os::LONG>(v[3])};
}

SIZE ParseSize(std::u16string_view text) {
  const std::vector<long> v = ParseList(text, 2);
  return SIZE{static_cast<os::LONG>(v[0]), static_cast<os::LONG>(v[1])};
}

DWORD ParseColor(std::u16string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] <= u' ') ++pos;
  if (pos < text.size() && text[pos] == u'#') ++pos;
  return static_cast<DWORD>(ParseHex(text.substr(pos)));
}

DWORD ParseColorNoBlank(std::u16string_view text) {
  if (!text.empty() && text[0] == u'#') text.remove_prefix(1);
  return static_cast<DWORD>(ParseHex(text));
}

}  // namespace attr

namespace rect {

bool Intersect(RECT& dst, const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (IsEmpty(r)) {
    dst = RECT{};
    return false;
  }
  dst = r;
  return true;
}

RECT Union(const RECT& a, const RECT& b) {
  if (IsEmpty(a)) return b;
  if (IsEmpty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

}  // namespace rect

// ---------------------------------------------------------------------------
// CControlUI

void CControlUI::SendNotify(std::u16string_view type, WPARAM wParam, LPARAM lParam) {
  if (manager_ != nullptr) manager_->SendNotify(this, type, wParam, lParam);
}

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  OnDestroy(*this);
  if (manager_ != nullptr) manager_->ForgetControl(this);
}

std::u16string CControlUI::GetName() const { return name_; }
void CControlUI::SetName(std::u16string_view name) { name_.assign(name); }
std::u16string_view CControlUI::GetClass() const { return u"ControlUI"; }

void* CControlUI::GetInterface(std::u16string_view name) {
  if (name == u"Control") return this;
  return nullptr;
}

UINT CControlUI::GetControlFlags() const { return 0; }

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

UIManager* CControlUI::GetManager() const { return manager_; }

void CControlUI::SetOwner(UIManager* manager, CControlUI* parent, bool init) {
  manager_ = manager;
  parent_ = parent;
  if (init && parent != nullptr) Init();
}

CControlUI* CControlUI::GetParent() const { return parent_; }

std::u16string CControlUI::GetText() const { return text_; }

void CControlUI::SetText(std::u16string_view text) {
  if (text_ == text) return;
  text_.assign(text);
  Invalidate();
}

const RECT& CControlUI::GetPos() const { return item_; }

void CControlUI::SetPos(RECT rc) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;

  RECT invalid = rect::IsEmpty(item_) ? rc : item_;
  item_ = rc;
  if (manager_ == nullptr) return;

  if (!inSetPos_) {
    inSetPos_ = true;
    if (OnSize) OnSize(*this);
    inSetPos_ = false;
  }

  if (isFloat_ && parent_ != nullptr) {
    const RECT& p = parent_->GetPos();
    fixedXY_.cx = fixedXY_.cx >= 0 ? item_.left - p.left : item_.right - p.right;
    fixedXY_.cy = fixedXY_.cy >= 0 ? item_.top - p.top : item_.bottom - p.bottom;
    fixedSize_ = SIZE{item_.right - item_.left, item_.bottom - item_.top};
  }

  updateNeeded_ = false;

  invalid = rect::Union(invalid, item_);
  for (CControlUI* p = parent_; p != nullptr; p = p->GetParent()) {
    if (!rect::Intersect(invalid, invalid, p->GetPos())) return;
  }
  manager_->Invalidate(invalid);
}

int CControlUI::GetWidth() const { return item_.right - item_.left; }
int CControlUI::GetHeight() const { return item_.bottom - item_.top; }
int CControlUI::GetX() const { return item_.left; }
int CControlUI::GetY() const { return item_.top; }

RECT CControlUI::GetPadding() const { return padding_; }

void CControlUI::SetPadding(RECT padding) {
  padding_ = LimitExtent(padding);
  NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const { return fixedXY_; }

namespace {

// The end of every SetAttribute chain: no class of the control took the
// attribute. Told once per class and name, so that a skin's typo is seen
// without a line for every control that repeats it.
void ReportUnknownAttribute(std::u16string_view className, std::u16string_view name) {
  if (!os::DebugCategoryEnabled(os::DebugCategory::Skin)) return;
  static std::mutex mutex;
  static std::set<std::u16string, std::less<>> reported;
  std::u16string key(className);
  key += u'\0';
  key += name;
  {
    std::lock_guard lock(mutex);
    if (!reported.insert(std::move(key)).second) return;
  }
  os::DebugOutput(os::DebugCategory::Skin, u"kesto.skin: " + std::u16string(className) +
                                               u" accepts no attribute \"" + std::u16string(name) +
                                               u"\"; ignored");
}

// A floating control only re-places itself; a laid-out one needs its
// container's layout.
void SizeChanged(CControlUI& control) {
  if (control.IsFloat()) {
    control.NeedUpdate();
  } else {
    control.NeedParentUpdate();
  }
}
}  // namespace

void CControlUI::SetFixedXY(SIZE xy) {
  fixedXY_ = LimitExtent(xy);
  SizeChanged(*this);
}

int CControlUI::GetFixedWidth() const { return fixedSize_.cx; }

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  fixedSize_.cx = LimitExtent(cx);
  SizeChanged(*this);
}

int CControlUI::GetFixedHeight() const { return fixedSize_.cy; }

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  fixedSize_.cy = LimitExtent(cy);
  SizeChanged(*this);
}

int CControlUI::GetMinWidth() const { return minWidth_; }

void CControlUI::SetMinWidth(int cx) {
  cx = LimitExtent(cx);
  if (cx < 0 || cx == minWidth_) return;
  minWidth_ = cx;
  SizeChanged(*this);
}

int CControlUI::GetMaxWidth() const { return maxWidth_; }

void CControlUI::SetMaxWidth(int cx) {
  cx = LimitExtent(cx);
  if (cx < 0 || cx == maxWidth_) return;
  maxWidth_ = cx;
  SizeChanged(*this);
}

int CControlUI::GetMinHeight() const { return minHeight_; }

void CControlUI::SetMinHeight(int cy) {
  cy = LimitExtent(cy);
  if (cy < 0 || cy == minHeight_) return;
  minHeight_ = cy;
  SizeChanged(*this);
}

int CControlUI::GetMaxHeight() const { return maxHeight_; }

void CControlUI::SetMaxHeight(int cy) {
  cy = LimitExtent(cy);
  if (cy < 0 || cy == maxHeight_) return;
  maxHeight_ = cy;
  SizeChanged(*this);
}

void CControlUI::SetRelativePos(SIZE move, SIZE zoom) {
  relativePos_.relative = true;
  relativePos_.moveXPercent = move.cx;
  relativePos_.moveYPercent = move.cy;
  relativePos_.zoomXPercent = zoom.cx;
  relativePos_.zoomYPercent = zoom.cy;
}

void CControlUI::SetRelativeParentSize(SIZE size) { relativePos_.parentSize = size; }
RelativePosUI CControlUI::GetRelativePos() const { return relativePos_; }
bool CControlUI::IsRelativePos() const { return relativePos_.relative; }

std::u16string CControlUI::GetToolTip() const { return toolTip_; }

void CControlUI::SetToolTip(std::u16string_view text) {
  // Skins cannot hold line breaks in attribute values; "<n>" stands for one.
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text.substr(i, 3) == u"<n>") {
      out += u"\r\n";
      i += 3;
    } else {
      out += text[i++];
    }
  }
  toolTip_ = std::move(out);
}

void CControlUI::SetToolTipWidth(int width) { toolTipWidth_ = width; }
int CControlUI::GetToolTipWidth() const { return toolTipWidth_; }

char16_t CControlUI::GetShortcut() const { return shortcut_; }
void CControlUI::SetShortcut(char16_t ch) { shortcut_ = ch; }
bool CControlUI::IsContextMenuUsed() const { return menuUsed_; }
void CControlUI::SetContextMenuUsed(bool used) { menuUsed_ = used; }
const std::u16string& CControlUI::GetUserData() const { return userData_; }
void CControlUI::SetUserData(std::u16string_view text) { userData_.assign(text); }
std::uintptr_t CControlUI::GetTag() const { return tag_; }
void CControlUI::SetTag(std::uintptr_t tag) { tag_ = tag; }

bool CControlUI::IsVisible() const { return visible_ && internVisible_; }

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  const bool wasVisible = IsVisible();
  visible_ = visible;
  focused_ = false;
  if (!visible && manager_ != nullptr && manager_->Focus() == this) manager_->SetFocus(nullptr);
  if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  internVisible_ = visible;
  if (!visible && manager_ != nullptr && manager_->Focus() == this) manager_->SetFocus(nullptr);
}

bool CControlUI::IsEnabled() const { return enabled_; }

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

bool CControlUI::IsMouseEnabled() const { return mouseEnabled_; }
void CControlUI::SetMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }
bool CControlUI::IsKeyboardEnabled() const { return keyboardEnabled_; }
void CControlUI::SetKeyboardEnabled(bool enabled) { keyboardEnabled_ = enabled; }
bool CControlUI::IsFocused() const { return focused_; }

void CControlUI::SetFocus() {
  if (manager_ != nullptr) manager_->SetFocus(this);
}

bool CControlUI::IsFloat() const { return isFloat_; }

void CControlUI::SetFloat(bool isFloat) {
  if (isFloat_ == isFloat) return;
  isFloat_ = isFloat;
  NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FindControlProc proc, void* data, UINT flags) {
  if ((flags & FindFlag::Visible) != 0 && !IsVisible()) return nullptr;
  if ((flags & FindFlag::Enabled) != 0 && !IsEnabled()) return nullptr;
  if ((flags & FindFlag::HitTest) != 0 &&
      (!IsMouseEnabled() || !rect::Contains(item_, *static_cast<const POINT*>(data)))) {
    return nullptr;
  }
  return proc(this, data);
}

void CControlUI::Init() {
  DoInit();
  OnInit(*this);
}

void CControlUI::DoInit() {}

void CControlUI::Event(ControlEvent& event) {
  if (OnEvent(event)) DoEvent(event);
}

void CControlUI::DoEvent(ControlEvent& event) {
  switch (event.type) {
    case UIEvent::SetCursor:
      SetArrowCursor();
      return;
    case UIEvent::SetFocus:
      focused_ = true;
      Invalidate();
      return;
    case UIEvent::KillFocus:
      focused_ = false;
      Invalidate();
      return;
    case UIEvent::Timer:
      SendNotify(u"timer", event.wParam, event.lParam);
      return;
    case UIEvent::ContextMenu:
      if (IsContextMenuUsed()) {
        SendNotify(u"menu", event.wParam, event.lParam);
        return;
      }
      break;
    default:
      break;
  }
  if (parent_ != nullptr) parent_->DoEvent(event);
}

void CControlUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"pos") {
    const RECT r = attr::ParseRect(value);
    fixedXY_.cx = r.left >= 0 ? r.left : r.right;
    fixedXY_.cy = r.top >= 0 ? r.top : r.bottom;
    SetFixedWidth(r.right - r.left);
    SetFixedHeight(r.bottom - r.top);
  } else if (name == u"relativepos") {
    const std::vector<long> v = attr::ParseList(value, 4);
    SetRelativePos(SIZE{static_cast<os::LONG>(v[0]), static_cast<os::LONG>(v[1])},
                   SIZE{static_cast<os::LONG>(v[2]), static_cast<os::LONG>(v[3])});
  } else if (name == u"padding") {
    SetPadding(attr::ParseRect(value));
  } else if (name == u"bkcolor" || name == u"bkcolor1") {
    SetBkColor(attr::ParseColor(value));
  } else if (name == u"bkcolor2") {
    SetBkColor2(attr::ParseColor(value));
  } else if (name == u"bkcolor3") {
    SetBkColor3(attr::ParseColor(value));
  } else if (name == u"bordercolor") {
    SetBorderColor(attr::ParseColorNoBlank(value));
  } else if (name == u"focusbordercolor") {
    SetFocusBorderColor(attr::ParseColorNoBlank(value));
  } else if (name == u"colorhsl") {
    SetColorHSL(attr::ParseBool(value));
  } else if (name == u"bordersize") {
    if (value.find(u',') == std::u16string_view::npos) {
      SetBorderSize(static_cast<int>(attr::ParseLong(value)));
      SetBorderSize(RECT{});
    } else {
      SetBorderSize(attr::ParseRect(value));
    }
  } else if (name == u"leftbordersize") {
    SetLeftBorderSize(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"topbordersize") {
    SetTopBorderSize(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"rightbordersize") {
    SetRightBorderSize(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"bottombordersize") {
    SetBottomBorderSize(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"borderstyle") {
    SetBorderStyle(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"borderround") {
    SetBorderRound(attr::ParseSize(value));
  } else if (name == u"bkimage") {
    SetBkImage(value);
  } else if (name == u"width") {
    SetFixedWidth(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"height") {
    SetFixedHeight(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"minwidth") {
    SetMinWidth(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"minheight") {
    SetMinHeight(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"maxwidth") {
    SetMaxWidth(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"maxheight") {
    SetMaxHeight(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"name") {
    SetName(value);
  } else if (name == u"text") {
    SetText(value);
  } else if (name == u"tooltip") {
    SetToolTip(value);
  } else if (name == u"userdata") {
    SetUserData(value);
  } else if (name == u"enabled") {
    SetEnabled(attr::ParseBool(value));
  } else if (name == u"mouse") {
    SetMouseEnabled(attr::ParseBool(value));
  } else if (name == u"keyboard") {
    SetKeyboardEnabled(attr::ParseBool(value));
  } else if (name == u"visible") {
    SetVisible(attr::ParseBool(value));
  } else if (name == u"float") {
    SetFloat(attr::ParseBool(value));
  } else if (name == u"menu") {
    SetContextMenuUsed(attr::ParseBool(value));
  } else if (name == u"shortcut") {
    SetShortcut(value.empty() ? u'\0' : value[0]);
  } else if (name == u"virtualwnd") {
    SetVirtualWnd(value);
  } else {
    ReportUnknownAttribute(GetClass(), name);
  }
}

SIZE CControlUI::EstimateSize(SIZE /*available*/) { return fixedSize_; }

void CControlUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  if (!rect::Intersect(paintRect_, paint, item_)) return;
  RenderClip roundClip;
  if (borderRound_.cx > 0 || borderRound_.cy > 0) {
    Renderer::GenerateRoundClip(dc, paintRect_, item_, borderRound_.cx, borderRound_.cy, roundClip);
  }
  PaintBkColor(dc);
  PaintBkImage(dc);
  PaintStatusImage(dc);
  PaintText(dc);
  PaintBorder(dc);
}

void CControlUI::PaintBkColor(os::Canvas& dc) {
  if (bkColor_ == 0) return;
  if (bkColor2_ != 0) {
    if (bkColor3_ != 0) {
      RECT upper = item_;
      upper.bottom = (item_.top + item_.bottom) / 2;
      Renderer::DrawGradient(dc, upper, GetAdjustColor(bkColor_), GetAdjustColor(bkColor2_), true, 8);
      RECT lower = item_;
      lower.top = upper.bottom;
      Renderer::DrawGradient(dc, lower, GetAdjustColor(bkColor2_), GetAdjustColor(bkColor3_), true, 8);
    } else {
      Renderer::DrawGradient(dc, item_, GetAdjustColor(bkColor_), GetAdjustColor(bkColor2_), true, 16);
    }
  } else if (bkColor_ >= 0xFF000000u) {
    Renderer::DrawColor(dc, paintRect_, GetAdjustColor(bkColor_));
  } else {
    // A translucent fill must cover the whole item: painting only the damaged
    // part would blend it twice where it overlaps the last frame's fill.
    Renderer::DrawColor(dc, item_, GetAdjustColor(bkColor_));
  }
}

void CControlUI::PaintBkImage(os::Canvas& dc) {
  if (bkImage_.empty()) return;
  if (!DrawImage(dc, bkImage_)) bkImage_.clear();
}

void CControlUI::PaintStatusImage(os::Canvas& /*dc*/) {}
void CControlUI::PaintText(os::Canvas& /*dc*/) {}

void CControlUI::PaintBorder(os::Canvas& dc) {
  if (borderColor_ == 0 && focusBorderColor_ == 0) return;
  const bool useFocusColor = IsFocused() && focusBorderColor_ != 0;
  if (borderSize_ > 0 && (borderRound_.cx > 0 || borderRound_.cy > 0)) {
    const DWORD color = useFocusColor ? focusBorderColor_ : borderColor_;
    if (color != 0) {
      Renderer::DrawRoundRect(dc, item_, borderSize_, borderRound_.cx, borderRound_.cy,
                              GetAdjustColor(color));
    }
    return;
  }
  if (useFocusColor && borderSize_ > 0) {
    Renderer::DrawRect(dc, item_, borderSize_, GetAdjustColor(focusBorderColor_));
    return;
  }
  // The remaining outlines use the plain border colour; one that is not set
  // draws nothing rather than black.
  if (borderColor_ == 0) return;
  const DWORD color = GetAdjustColor(borderColor_);
  if (borderSides_.left > 0 || borderSides_.top > 0 || borderSides_.right > 0 || borderSides_.bottom > 0) {
    if (borderSides_.left > 0) {
      RECT r = item_;
      r.right = r.left;
      Renderer::DrawLine(dc, r, borderSides_.left, color, borderStyle_);
    }
    if (borderSides_.top > 0) {
      RECT r = item_;
      r.bottom = r.top;
      Renderer::DrawLine(dc, r, borderSides_.top, color, borderStyle_);
    }
    if (borderSides_.right > 0) {
      RECT r = item_;
      r.left = r.right;
      Renderer::DrawLine(dc, r, borderSides_.right, color, borderStyle_);
    }
    if (borderSides_.bottom > 0) {
      RECT r = item_;
      r.top = r.bottom;
      Renderer::DrawLine(dc, r, borderSides_.bottom, color, borderStyle_);
    }
    return;
  }
  if (borderSize_ > 0) Renderer::DrawRect(dc, item_, borderSize_, color);
}

void CControlUI::DoPostPaint(os::Canvas& /*dc*/, const RECT& /*paint*/) {}

// --- non-virtual -----------------------------------------------------------

void CControlUI::Invalidate() {
  if (!IsVisible()) return;
  RECT invalid = item_;
  for (CControlUI* p = parent_; p != nullptr; p = p->GetParent()) {
    if (!rect::Intersect(invalid, invalid, p->GetPos())) return;
  }
  if (manager_ != nullptr) manager_->Invalidate(invalid);
}

void CControlUI::NeedUpdate() {
  if (!IsVisible()) return;
  updateNeeded_ = true;
  Invalidate();
  if (manager_ != nullptr) manager_->NeedLayout();
}

void CControlUI::NeedParentUpdate() {
  if (parent_ != nullptr) {
    parent_->NeedUpdate();
    parent_->Invalidate();
  } else {
    NeedUpdate();
  }
  if (manager_ != nullptr) manager_->NeedLayout();
}

DWORD CControlUI::GetAdjustColor(DWORD color) const {
  if (!colorHSL_ || manager_ == nullptr) return color;
  return Renderer::AdjustColor(color, manager_->Hue(), manager_->Saturation(), manager_->Lightness());
}

bool CControlUI::DrawImage(os::Canvas& dc, std::u16string_view drawString, std::u16string_view modify) {
  return Renderer::DrawImageString(&dc, manager_, item_, paintRect_, drawString, modify);
}

void CControlUI::SetBkColor(DWORD color) {
  if (bkColor_ == color) return;
  bkColor_ = color;
  Invalidate();
}

void CControlUI::SetBkColor2(DWORD color) {
  if (bkColor2_ == color) return;
  bkColor2_ = color;
  Invalidate();
}

void CControlUI::SetBkColor3(DWORD color) {
  if (bkColor3_ == color) return;
  bkColor3_ = color;
  Invalidate();
}

void CControlUI::SetBkImage(std::u16string_view image) {
  if (bkImage_ == image) return;
  bkImage_.assign(image);
  Invalidate();
}

void CControlUI::SetForeImage(std::u16string_view image) {
  if (foreImage_ == image) return;
  foreImage_.assign(image);
  Invalidate();
}

void CControlUI::SetBorderColor(DWORD color) {
  if (borderColor_ == color) return;
  borderColor_ = color;
  Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color) {
  if (focusBorderColor_ == color) return;
  focusBorderColor_ = color;
  Invalidate();
}

void CControlUI::SetColorHSL(bool on) {
  if (colorHSL_ == on) return;
  colorHSL_ = on;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  if (borderSize_ == size) return;
  borderSize_ = size;
  Invalidate();
}

void CControlUI::SetBorderSize(RECT sides) {
  borderSides_ = sides;
  Invalidate();
}

void CControlUI::SetLeftBorderSize(int size) {
  borderSides_.left = size;
  Invalidate();
}

void CControlUI::SetTopBorderSize(int size) {
  borderSides_.top = size;
  Invalidate();
}

void CControlUI::SetRightBorderSize(int size) {
  borderSides_.right = size;
  Invalidate();
}

void CControlUI::SetBottomBorderSize(int size) {
  borderSides_.bottom = size;
  Invalidate();
}

void CControlUI::SetBorderStyle(int style) {
  borderStyle_ = style;
  Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
  borderRound_ = round;
  Invalidate();
}

std::u16string CControlUI::GetVirtualWnd() const {
  if (!virtualWnd_.empty()) return virtualWnd_;
  if (parent_ != nullptr) return parent_->GetVirtualWnd();
  return {};
}

void CControlUI::SetVirtualWnd(std::u16string_view name) {
  virtualWnd_.assign(name);
  if (manager_ != nullptr) manager_->UsedVirtualWnd(true);
}

void CControlUI::ApplyAttributeList(std::u16string_view list) {
  std::size_t pos = 0;
  while (pos < list.size()) {
    const std::size_t eq = list.find(u'=', pos);
    if (eq == std::u16string_view::npos) return;
    const std::u16string_view name = list.substr(pos, eq - pos);
    if (eq + 1 >= list.size() || list[eq + 1] != u'"') return;
    const std::size_t close = list.find(u'"', eq + 2);
    if (close == std::u16string_view::npos) return;
    SetAttribute(name, list.substr(eq + 2, close - eq - 2));
    if (close + 1 >= list.size() || list[close + 1] != u' ') return;
    pos = close + 2;
  }
}

}  // namespace Kesto
