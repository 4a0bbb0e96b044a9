#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace fuzz {

void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", condition, file, line);
  std::abort();
}

namespace {

// A fresh folder with a random name, made by a creation that fails when the
// name is taken (mkdtemp's way, which Windows lacks; the seed replays of the
// Windows build use this file too).
std::filesystem::path MakeScratch() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device seed;
  std::mt19937_64 random(seed());
  constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "lumora-fuzz-";
    for (int i = 0; i < 8; ++i) name += kDigits[random() % kDigits.size()];
    std::error_code ec;
    if (std::filesystem::create_directory(base / name, ec) && !ec) {
      std::filesystem::permissions(base / name, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, ec);
      return base / name;
    }
  }
  std::fprintf(stderr, "no scratch folder under %s\n", base.string().c_str());
  std::abort();
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

}  // namespace fuzz
