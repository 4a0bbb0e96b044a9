#include "portal/Forms.h"

#include <unordered_set>

namespace portal {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      int high = HexDigit(text[i + 1]);
      int low = HexDigit(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::optional<std::vector<FormField>> ParseForm(std::string_view body) {
  std::vector<FormField> fields;
  std::unordered_set<std::string_view> names;
  std::size_t pos = 0;
  while (pos <= body.size()) {
    std::size_t amp = body.find('&', pos);
    if (amp == std::string_view::npos) amp = body.size();
    std::string_view piece = body.substr(pos, amp - pos);
    pos = amp + 1;
    if (piece.empty()) continue;
    std::size_t eq = piece.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::optional<std::string> name = PercentDecode(piece.substr(0, eq), true);
    std::optional<std::string> value = PercentDecode(piece.substr(eq + 1), true);
    if (!name || !value || name->empty() || fields.size() == kMaxFormFields) return std::nullopt;
    fields.push_back(FormField{std::move(*name), std::move(*value)});
  }
  // Names are compared once all are decoded: views into the vector stay valid.
  for (const FormField& field : fields) {
    if (!names.insert(field.name).second) return std::nullopt;
  }
  return fields;
}

const std::string* FindField(const std::vector<FormField>& fields, std::string_view name) {
  for (const FormField& field : fields) {
    if (field.name == name) return &field.value;
  }
  return nullptr;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string UrlEncode(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                 c == '_' || c == '.' || c == '~';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kDigits[c >> 4]);
      out.push_back(kDigits[c & 0xF]);
    }
  }
  return out;
}

}  // namespace portal
