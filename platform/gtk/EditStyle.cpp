#include "platform/gtk/EditStyle.h"

#include <cstdio>
#include <sstream>

#include "platform/gfx/Text.h"

namespace os::gtk {
namespace {

std::string CssColor(COLORREF c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return text;
}

std::string CssString(const std::string& value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n' || c == '\r') continue;
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string EditStyleSheet(const EditLook& look) {
  std::ostringstream css;
  css << "entry,entry:focus,entry:disabled{min-height:0;min-width:0;margin:0;border:none;border-radius:0;"
      << "box-shadow:none;outline:none;background-image:none;text-shadow:none;transition:none;"
      << "padding:0 " << look.marginRight << "px 0 " << look.marginLeft << "px;"
      << "color:" << CssColor(look.textColor) << ";caret-color:" << CssColor(look.textColor) << ";"
      << "background-color:" << CssColor(look.background) << ";";
  if (!look.face.empty()) css << "font-family:" << CssString(look.face) << ";";
  // CSS pixels ignore the text resolution; the field's text grows with it as
  // the painted text does.
  if (look.pixelSize > 0) css << "font-size:" << look.pixelSize * TextResolution() / 96 << "px;";
  css << "font-weight:" << (look.bold ? "bold" : "normal") << ";font-style:" << (look.italic ? "italic" : "normal")
      << ";}";
  css << "entry selection{background-color:#3399ff;color:#ffffff;}";
  return css.str();
}

}  // namespace os::gtk
