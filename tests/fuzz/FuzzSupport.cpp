#include "FuzzSupport.h"

#include <glib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fuzz {

void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", condition, file, line);
  std::abort();
}

namespace {

std::filesystem::path MakeScratch() {
  std::string pattern = (std::filesystem::temp_directory_path() / "lumora-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern;
}

void RemoveScratch() {
  std::error_code ignored;
  std::filesystem::remove_all(Scratch(), ignored);
}

}  // namespace

const std::filesystem::path& Scratch() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path made = MakeScratch();
    std::atexit(&RemoveScratch);
    return made;
  }();
  return folder;
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("the scratch file could be written", __FILE__, __LINE__);
}

std::u16string Units(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return units;
}

std::string_view Split(std::string_view& rest, char separator) {
  const std::size_t at = rest.find(separator);
  const std::string_view head = rest.substr(0, at);
  rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
  return head;
}

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
