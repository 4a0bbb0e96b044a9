// What the fuzz targets share: a check that ends the run with a message when
// a property the code promises does not hold (libFuzzer then keeps the input
// as a crash), a private scratch folder for the readers that only read files,
// and the ways the targets turn the fuzzer's bytes into texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : ::fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] void Fail(const char* condition, const char* file, int line);

// A folder of this process, made on first use and removed at exit.
const std::filesystem::path& Scratch();

// Replaces the file's contents with bytes.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Pairs of bytes as little-endian UTF-16 units (an odd last byte is dropped):
// texts with any unit, lone surrogates and zeros included.
std::u16string Units(std::string_view bytes);

// Takes the input apart: the text up to the first separator byte, the rest
// after it (all of it, and an empty rest, when there is none).
std::string_view Split(std::string_view& rest, char separator);

// Reference readings of UTF-8 by GLib: whether the bytes are well-formed
// (zero bytes included), and the UTF-16 of a text without zero bytes (none
// when it is not well-formed).
bool WellFormedUtf8(std::string_view bytes);
std::optional<std::u16string> ReferenceUtf16(std::string_view bytes);

}  // namespace fuzz
