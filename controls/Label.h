// Single-line text: colours, font, alignment and padding, optional markup,
// and a width that can follow the text.
#pragma once

#include <string>
#include <string_view>

#include "controls/Control.h"

namespace Kesto {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  ~CLabelUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  std::u16string GetText() const override;
  void SetText(std::u16string_view text) override;

  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintText(os::Canvas& dc) override;

  virtual bool IsAutoCalcWidth() const;
  virtual void SetAutoCalcWidth(bool on);

  // DT_* flags the text is drawn with.
  UINT GetTextStyle() const { return textStyle_; }
  void SetTextStyle(UINT style);
  // 0 means "the manager's default" at paint time.
  DWORD GetTextColor() const { return textColor_; }
  void SetTextColor(DWORD color);
  DWORD GetDisabledTextColor() const { return disabledTextColor_; }
  void SetDisabledTextColor(DWORD color);
  // Index into the manager's font table; -1 is the default font.
  int GetFont() const { return font_; }
  void SetFont(int index);
  RECT GetTextPadding() const { return textPadding_; }
  void SetTextPadding(RECT padding);
  bool IsShowHtml() const { return showHtml_; }
  void SetShowHtml(bool on);

  // Text effects: stored for skins that name them; a label with effects
  // enabled paints no text.
  bool IsEnabledEffect() const { return enabledEffect_; }
  void SetEnabledEffect(bool on);
  struct TextEffects {
    bool shadow = false;
    bool stroke = false;
    int transShadow = 0;
    int transText = 0;
    int transShadow1 = 0;
    int transText1 = 0;
    int transStroke = 0;
    int gradientAngle = 0;
    int gradientLength = 0;
    DWORD textColor1 = 0;
    DWORD textShadowColorA = 0;
    DWORD textShadowColorB = 0;
    DWORD strokeColor = 0;
  };
  const TextEffects& GetTextEffects() const { return effects_; }

 protected:
  // The text colour the label paints with now (defaults resolved).
  DWORD ResolvedTextColor() const;
  // Draws text_ into item minus textPadding in color with style.
  void DrawLabelText(os::Canvas& dc, DWORD color, UINT style);

  DWORD textColor_ = 0;
  DWORD disabledTextColor_ = 0;
  int font_ = -1;
  UINT textStyle_ = 0x4;  // DT_VCENTER
  RECT textPadding_{};
  bool showHtml_ = false;
  bool autoCalcWidth_ = false;
  bool enabledEffect_ = false;
  std::u16string effectText_;
  TextEffects effects_;
};

}  // namespace Kesto
