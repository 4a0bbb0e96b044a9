// The portal's form reading on any body: a body that parses, written out again
// with the portal's own escaping, parses to the same fields; any text escaped
// for a query reads back as itself, and escaped for a page holds no markup.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "portal/Forms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body = fuzz::Bytes(data, size);
  if (const auto fields = portal::ParseForm(body)) {
    std::string again;
    for (const portal::FormField& field : *fields) {
      FUZZ_CHECK(!field.name.empty());
      FUZZ_CHECK(portal::FindField(*fields, field.name) == &field.value);
      again += "&" + portal::UrlEncode(field.name) + "=" + portal::UrlEncode(field.value);
    }
    const auto reread = portal::ParseForm(again);
    FUZZ_CHECK(reread && reread->size() == fields->size());
    for (std::size_t i = 0; i < fields->size(); ++i) {
      FUZZ_CHECK((*reread)[i].name == (*fields)[i].name && (*reread)[i].value == (*fields)[i].value);
    }
  }

  for (const bool plusIsSpace : {false, true}) {
    const auto decoded = portal::PercentDecode(body, plusIsSpace);
    if (decoded) FUZZ_CHECK(decoded->size() <= body.size());
    FUZZ_CHECK(portal::PercentDecode(portal::UrlEncode(body), plusIsSpace) == std::string(body));
  }
  const std::string escaped = portal::HtmlEscape(body);
  FUZZ_CHECK(escaped.find_first_of("<>\"'") == std::string::npos);
  for (std::size_t at = escaped.find('&'); at != std::string::npos; at = escaped.find('&', at + 1)) {
    const std::size_t end = escaped.find(';', at);
    FUZZ_CHECK(end != std::string::npos && end - at <= 5);
  }
  return 0;
}
