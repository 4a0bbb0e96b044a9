#include "controls/Text.h"

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Cursor.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Text", CTextUI)

CTextUI::CTextUI() {
  // Several lines: wrapped at words rather than centred on one line.
  textStyle_ = os::DT_WORDBREAK;
}

CTextUI::~CTextUI() = default;

std::u16string_view CTextUI::GetClass() const { return u"TextUI"; }

void* CTextUI::GetInterface(std::u16string_view name) {
  if (name == u"Text") return static_cast<CTextUI*>(this);
  return CLabelUI::GetInterface(name);
}

UINT CTextUI::GetControlFlags() const { return IsEnabled() && !links_.empty() ? ControlFlag::SetCursor : 0; }

std::u16string CTextUI::GetLinkContent(int index) const {
  if (index < 0 || index >= GetLinkCount()) return {};
  return links_[static_cast<std::size_t>(index)].target;
}

RECT CTextUI::GetLinkRect(int index) const {
  if (index < 0 || index >= GetLinkCount()) return {};
  return links_[static_cast<std::size_t>(index)].rect;
}

int CTextUI::LinkAt(POINT point) const {
  for (std::size_t i = 0; i < links_.size(); ++i) {
    if (rect::Contains(links_[i].rect, point)) return static_cast<int>(i);
  }
  return -1;
}

void CTextUI::DoEvent(ControlEvent& event) {
  switch (event.type) {
    case UIEvent::SetCursor:
      if (LinkAt(event.mouse) >= 0) {
        SetHandCursor();
        return;
      }
      break;
    case UIEvent::ButtonDown:
    case UIEvent::DblClick:
      if (IsEnabled() && LinkAt(event.mouse) >= 0) {
        Invalidate();
        return;
      }
      break;
    case UIEvent::ButtonUp:
      if (IsEnabled()) {
        const int link = LinkAt(event.mouse);
        if (link >= 0) {
          SendNotify(u"link", static_cast<WPARAM>(link));
          return;
        }
      }
      break;
    case UIEvent::ContextMenu:
      return;
    case UIEvent::MouseMove:
      if (!links_.empty() && IsEnabled()) {
        const int hover = LinkAt(event.mouse);
        if (hover != hoverLink_) {
          hoverLink_ = hover;
          Invalidate();
          return;
        }
      }
      break;
    case UIEvent::MouseLeave:
      if (!links_.empty() && IsEnabled() && hoverLink_ != -1) {
        hoverLink_ = -1;
        Invalidate();
        return;
      }
      break;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

SIZE CTextUI::EstimateSize(SIZE /*available*/) {
  if (autoCalcWidth_ && manager_ != nullptr) {
    const std::u16string text = GetText();
    RECT measured{0, 0, 9999 - textPadding_.left - textPadding_.right, 9999};
    if (text.empty()) {
      measured.right = measured.left;
    } else if (showHtml_) {
      Renderer::DrawHtmlText(nullptr, manager_, measured, text, 0, nullptr, 0, textStyle_ | os::DT_CALCRECT);
    } else {
      Renderer::DrawText(nullptr, manager_, measured, text, 0, font_, textStyle_ | os::DT_CALCRECT);
    }
    fixedSize_.cx = (measured.right - measured.left) + textPadding_.left + textPadding_.right;
  }
  return fixedSize_;
}

void CTextUI::PaintText(os::Canvas& dc) {
  if (text_.empty()) {
    links_.clear();
    hoverLink_ = -1;
    return;
  }
  RECT rc{item_.left + textPadding_.left, item_.top + textPadding_.top, item_.right - textPadding_.right,
          item_.bottom - textPadding_.bottom};
  const DWORD color = ResolvedTextColor();
  if (showHtml_) {
    Renderer::DrawHtmlText(&dc, manager_, rc, text_, color, &links_, kMaxLinks, textStyle_);
  } else {
    links_.clear();
    Renderer::DrawText(&dc, manager_, rc, text_, color, font_, textStyle_);
  }
  if (hoverLink_ >= GetLinkCount()) hoverLink_ = -1;
}

}  // namespace Kesto
