#include "portal/Installer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

namespace portal {

namespace {

constexpr std::string_view kScript =
    "#!/bin/sh\n"
    "# Morvaine installer stand-in, served by the local Lumora portal.\n"
    "echo \"Morvaine: this installer comes from the local Lumora portal; there is nothing to install.\"\n"
    "exit 0\n";

constexpr std::uint64_t kLineLength = 64;

char PaddingByte(std::uint64_t position) {
  std::uint64_t line = position / kLineLength;
  std::uint64_t column = position % kLineLength;
  if (column == 0) return '#';
  if (column == 1) return ' ';
  if (column == kLineLength - 1) return '\n';
  return static_cast<char>('a' + (line + column) % 26);
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool ParseDigits(std::string_view text, std::uint64_t* out) {
  if (text.empty()) return false;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return ec == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

std::string InstallerBytes(std::uint64_t size, std::uint64_t offset, std::uint64_t length) {
  if (offset >= size) return {};
  std::uint64_t end = offset + std::min(length, size - offset);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(end - offset));
  for (std::uint64_t p = offset; p < end; ++p) {
    bytes.push_back(p < kScript.size() ? kScript[p] : PaddingByte(p - kScript.size()));
  }
  return bytes;
}

std::string InstallerTag(std::string_view name, std::uint64_t size) {
  // FNV-1a over the name: the tag stays a short token whatever the name holds.
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  std::ostringstream text;
  text << '"' << std::hex << hash << '-' << size << '"';
  return text.str();
}

RangeRequest ParseRange(std::string_view header, std::uint64_t size) {
  RangeRequest whole;
  header = Trim(header);
  constexpr std::string_view kUnit = "bytes=";
  if (header.size() < kUnit.size()) return whole;
  for (std::size_t i = 0; i < kUnit.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(header[i])) != kUnit[i]) return whole;
  }
  std::string_view ranges = Trim(header.substr(kUnit.size()));
  if (ranges.find(',') != std::string_view::npos) return whole;
  std::size_t dash = ranges.find('-');
  if (dash == std::string_view::npos) return whole;
  std::string_view firstText = Trim(ranges.substr(0, dash));
  std::string_view lastText = Trim(ranges.substr(dash + 1));

  RangeRequest range;
  if (firstText.empty()) {
    // "-N": the last N bytes.
    std::uint64_t count = 0;
    if (!ParseDigits(lastText, &count)) return whole;
    if (count == 0 || size == 0) return RangeRequest{RangeKind::kUnsatisfiable};
    range.first = size - std::min(count, size);
    range.last = size - 1;
  } else {
    if (!ParseDigits(firstText, &range.first)) return whole;
    if (lastText.empty()) {
      range.last = size == 0 ? 0 : size - 1;
    } else {
      if (!ParseDigits(lastText, &range.last)) return whole;
      if (range.last < range.first) return whole;  // invalid ranges are ignored, not refused
      range.last = std::min(range.last, size == 0 ? 0 : size - 1);
    }
    if (range.first >= size) return RangeRequest{RangeKind::kUnsatisfiable};
  }
  range.kind = RangeKind::kSatisfiable;
  return range;
}

}  // namespace portal
