#include "controls/ListInfoAttributes.h"

#include <climits>

namespace Kesto::listitem {

namespace {

bool Contains(std::u16string_view text, std::u16string_view word) {
  return text.find(word) != std::u16string_view::npos;
}

int Number(std::u16string_view value) {
  const long n = attr::ParseLong(value);
  return n < INT_MIN ? INT_MIN : n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

// Left unless the value says centre or right.
void SetAlign(TListInfoUI& info, std::u16string_view value) {
  info.textStyle &= ~(os::DT_CENTER | os::DT_RIGHT);
  if (Contains(value, u"center")) info.textStyle |= os::DT_CENTER;
  if (Contains(value, u"right")) info.textStyle |= os::DT_RIGHT;
}

}  // namespace

bool SetInfoAttribute(TListInfoUI& info, std::u16string_view name, std::u16string_view value) {
  if (name.substr(0, 4) != u"item") return false;
  const std::u16string_view key = name.substr(4);
  if (key == u"font") {
    info.font = Number(value);
  } else if (key == u"align") {
    SetAlign(info, value);
  } else if (key == u"endellipsis") {
    if (attr::ParseBool(value)) {
      info.textStyle |= os::DT_END_ELLIPSIS;
    } else {
      info.textStyle &= ~os::DT_END_ELLIPSIS;
    }
  } else if (key == u"textpadding") {
    info.textPadding = attr::ParseRect(value);
  } else if (key == u"textcolor") {
    info.textColor = attr::ParseColor(value);
  } else if (key == u"bkcolor") {
    info.bkColor = attr::ParseColor(value);
  } else if (key == u"bkimage") {
    info.bkImage.assign(value);
  } else if (key == u"altbk") {
    info.alternateBk = attr::ParseBool(value);
  } else if (key == u"selectedtextcolor") {
    info.selectedTextColor = attr::ParseColor(value);
  } else if (key == u"selectedbkcolor") {
    info.selectedBkColor = attr::ParseColor(value);
  } else if (key == u"selectedimage") {
    info.selectedImage.assign(value);
  } else if (key == u"hottextcolor") {
    info.hotTextColor = attr::ParseColor(value);
  } else if (key == u"hotbkcolor") {
    info.hotBkColor = attr::ParseColor(value);
  } else if (key == u"hotimage") {
    info.hotImage.assign(value);
  } else if (key == u"disabledtextcolor") {
    info.disabledTextColor = attr::ParseColor(value);
  } else if (key == u"disabledbkcolor") {
    info.disabledBkColor = attr::ParseColor(value);
  } else if (key == u"disabledimage") {
    info.disabledImage.assign(value);
  } else if (key == u"linecolor") {
    info.lineColor = attr::ParseColor(value);
  } else if (key == u"showhtml") {
    info.showHtml = attr::ParseBool(value);
  } else {
    return false;
  }
  return true;
}

}  // namespace Kesto::listitem
