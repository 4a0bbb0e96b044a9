// Decoding of form bodies and query values, and escaping of text put into pages.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portal {

struct FormField {
  std::string name;
  std::string value;
};

// %XX escapes become bytes; with plusIsSpace "+" becomes a blank, as in form
// bodies. nullopt for a "%" not followed by two hex digits.
std::optional<std::string> PercentDecode(std::string_view text, bool plusIsSpace);

// An application/x-www-form-urlencoded body. Empty pieces between "&" are
// skipped (the launcher's login body starts with one). nullopt when the body
// is malformed: a piece without "=", a bad escape, or a name given twice, which
// is what a value with an unescaped "&" or "=" produces and which cannot be
// read back unambiguously; and a body of more than kMaxFormFields fields, which
// no form of the portal has. Linear in the size of the body.
inline constexpr std::size_t kMaxFormFields = 32;
std::optional<std::vector<FormField>> ParseForm(std::string_view body);

// The value of the named field, or null.
const std::string* FindField(const std::vector<FormField>& fields, std::string_view name);

// Text safe inside HTML elements and double-quoted attributes.
std::string HtmlEscape(std::string_view text);

// Query-value escaping for links the portal builds itself.
std::string UrlEncode(std::string_view text);

}  // namespace portal
