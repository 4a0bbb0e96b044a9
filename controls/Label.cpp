#include "controls/Label.h"

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Render.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Label", CLabelUI)

namespace {

bool Contains(std::u16string_view text, std::u16string_view word) {
  return text.find(word) != std::u16string_view::npos;
}

int Number(std::u16string_view value) { return static_cast<int>(attr::ParseLong(value)); }

}  // namespace

CLabelUI::CLabelUI() = default;
CLabelUI::~CLabelUI() = default;

std::u16string_view CLabelUI::GetClass() const { return u"LabelUI"; }

void* CLabelUI::GetInterface(std::u16string_view name) {
  if (name == u"Label") return static_cast<CLabelUI*>(this);
  return CControlUI::GetInterface(name);
}

std::u16string CLabelUI::GetText() const {
  if (enabledEffect_) return effectText_;
  return CControlUI::GetText();
}

void CLabelUI::SetText(std::u16string_view text) {
  if (enabledEffect_) {
    // Effect text is painted by nothing here: keep it without a repaint.
    effectText_.assign(text);
    return;
  }
  const bool changed = text_ != text;
  CControlUI::SetText(text);
  // A label sized by its text must be laid out again when the text changes.
  if (changed && autoCalcWidth_) NeedParentUpdate();
}

void CLabelUI::DoEvent(ControlEvent& event) {
  // Labels take the focus without showing it.
  if (event.type == UIEvent::SetFocus) {
    focused_ = true;
    return;
  }
  if (event.type == UIEvent::KillFocus) {
    focused_ = false;
    return;
  }
  CControlUI::DoEvent(event);
}

bool CLabelUI::IsAutoCalcWidth() const { return autoCalcWidth_; }

void CLabelUI::SetAutoCalcWidth(bool on) {
  if (autoCalcWidth_ == on) return;
  autoCalcWidth_ = on;
  NeedParentUpdate();
}

void CLabelUI::SetTextStyle(UINT style) {
  textStyle_ = style;
  Invalidate();
}

void CLabelUI::SetTextColor(DWORD color) {
  textColor_ = color;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
  disabledTextColor_ = color;
  Invalidate();
}

void CLabelUI::SetFont(int index) {
  font_ = index;
  Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding) {
  textPadding_ = padding;
  Invalidate();
}

void CLabelUI::SetShowHtml(bool on) {
  if (showHtml_ == on) return;
  showHtml_ = on;
  Invalidate();
}

void CLabelUI::SetEnabledEffect(bool on) {
  enabledEffect_ = on;
  Invalidate();
}

void CLabelUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  using os::DT_BOTTOM;
  using os::DT_CENTER;
  using os::DT_RIGHT;
  using os::DT_SINGLELINE;
  using os::DT_VCENTER;
  if (name == u"align") {
    UINT style = textStyle_;
    if (Contains(value, u"left")) style &= ~(DT_CENTER | DT_RIGHT | DT_SINGLELINE);
    if (Contains(value, u"center")) {
      style &= ~DT_RIGHT;
      style |= DT_CENTER;
    }
    if (Contains(value, u"right")) {
      style &= ~(DT_CENTER | DT_SINGLELINE);
      style |= DT_RIGHT;
    }
    SetTextStyle(style);
  } else if (name == u"valign") {
    UINT style = textStyle_;
    if (Contains(value, u"top")) {
      style &= ~(DT_BOTTOM | DT_VCENTER);
      style |= DT_SINGLELINE;
    }
    if (Contains(value, u"vcenter")) {
      style &= ~DT_BOTTOM;
      style |= DT_VCENTER | DT_SINGLELINE;
    }
    if (Contains(value, u"bottom")) {
      style &= ~DT_VCENTER;
      style |= DT_BOTTOM | DT_SINGLELINE;
    }
    SetTextStyle(style);
  } else if (name == u"endellipsis") {
    if (attr::ParseBool(value)) {
      SetTextStyle(textStyle_ | os::DT_END_ELLIPSIS);
    } else {
      SetTextStyle(textStyle_ & ~os::DT_END_ELLIPSIS);
    }
  } else if (name == u"font") {
    SetFont(Number(value));
  } else if (name == u"textcolor") {
    SetTextColor(attr::ParseColor(value));
  } else if (name == u"disabledtextcolor") {
    SetDisabledTextColor(attr::ParseColor(value));
  } else if (name == u"textpadding") {
    SetTextPadding(attr::ParseRect(value));
  } else if (name == u"showhtml") {
    SetShowHtml(attr::ParseBool(value));
  } else if (name == u"autocalcwidth") {
    SetAutoCalcWidth(attr::ParseBool(value));
  } else if (name == u"enabledeffect") {
    SetEnabledEffect(attr::ParseBool(value));
  } else if (name == u"enabledshadow") {
    effects_.shadow = attr::ParseBool(value);
  } else if (name == u"enabledstroke") {
    effects_.stroke = attr::ParseBool(value);
  } else if (name == u"transshadow") {
    effects_.transShadow = Number(value);
  } else if (name == u"transtext") {
    effects_.transText = Number(value);
  } else if (name == u"transshadow1") {
    effects_.transShadow1 = Number(value);
  } else if (name == u"transtext1") {
    effects_.transText1 = Number(value);
  } else if (name == u"transstroke") {
    effects_.transStroke = Number(value);
  } else if (name == u"gradientangle") {
    effects_.gradientAngle = Number(value);
  } else if (name == u"gradientlength") {
    effects_.gradientLength = Number(value);
  } else if (name == u"textcolor1") {
    effects_.textColor1 = attr::ParseColor(value);
  } else if (name == u"textshadowcolora") {
    effects_.textShadowColorA = attr::ParseColor(value);
  } else if (name == u"textshadowcolorb") {
    effects_.textShadowColorB = attr::ParseColor(value);
  } else if (name == u"strokecolor") {
    effects_.strokeColor = attr::ParseColor(value);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

SIZE CLabelUI::EstimateSize(SIZE /*available*/) {
  if (autoCalcWidth_ && manager_ != nullptr) {
    const std::u16string text = GetText();
    RECT measured{0, 0, 9999, 9999};
    const UINT style = (textStyle_ | os::DT_SINGLELINE | os::DT_CALCRECT) & ~(os::DT_CENTER | os::DT_RIGHT);
    if (text.empty()) {
      measured.right = 0;
    } else if (showHtml_) {
      measured.right = 0;  // no width: one unwrapped line
      Renderer::DrawHtmlText(nullptr, manager_, measured, text, 0, nullptr, 0, style);
    } else {
      Renderer::DrawText(nullptr, manager_, measured, text, 0, font_, style);
    }
    fixedSize_.cx = (measured.right - measured.left) + textPadding_.left + textPadding_.right;
  }
  if (fixedSize_.cy != 0) return fixedSize_;
  int textHeight = 0;
  if (manager_ != nullptr) {
    if (const FontInfo* font = manager_->FontAt(font_)) textHeight = font->Metrics().height;
  }
  return SIZE{fixedSize_.cx, textHeight + 4};
}

DWORD CLabelUI::ResolvedTextColor() const {
  if (IsEnabled()) {
    if (textColor_ != 0 || manager_ == nullptr) return textColor_;
    return manager_->DefaultFontColor();
  }
  if (disabledTextColor_ != 0 || manager_ == nullptr) return disabledTextColor_;
  return manager_->DefaultDisabledColor();
}

void CLabelUI::DrawLabelText(os::Canvas& dc, DWORD color, UINT style) {
  RECT rc{item_.left + textPadding_.left, item_.top + textPadding_.top, item_.right - textPadding_.right,
          item_.bottom - textPadding_.bottom};
  if (showHtml_) {
    Renderer::DrawHtmlText(&dc, manager_, rc, text_, color, nullptr, 0, style);
  } else {
    Renderer::DrawText(&dc, manager_, rc, text_, color, font_, style);
  }
}

void CLabelUI::PaintText(os::Canvas& dc) {
  if (text_.empty() || enabledEffect_) return;
  DrawLabelText(dc, ResolvedTextColor(), textStyle_ | os::DT_SINGLELINE);
}

}  // namespace Kesto
