// The reference readings of UTF-8 (FuzzSupport.h), by GLib: apart from the
// rest of the fuzz support, which the Windows build's seed replays use too.
#include <glib.h>

#include "FuzzSupport.h"

namespace fuzz {

bool WellFormedUtf8(std::string_view bytes) {
  // GLib refuses zero bytes inside a counted text; they are well-formed UTF-8,
  // so the pieces between them are checked.
  while (true) {
    const std::string_view piece = Split(bytes, '\0');
    if (!g_utf8_validate(piece.data(), static_cast<gssize>(piece.size()), nullptr)) return false;
    if (bytes.empty()) return true;
  }
}

std::optional<std::u16string> ReferenceUtf16(std::string_view bytes) {
  if (!WellFormedUtf8(bytes)) return std::nullopt;
  glong units = 0;
  gunichar2* converted =
      g_utf8_to_utf16(bytes.data(), static_cast<glong>(bytes.size()), nullptr, &units, nullptr);
  if (converted == nullptr) return std::nullopt;
  std::u16string text(reinterpret_cast<const char16_t*>(converted), static_cast<std::size_t>(units));
  g_free(converted);
  return text;
}

}  // namespace fuzz
