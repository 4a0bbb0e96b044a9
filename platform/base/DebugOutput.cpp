#include "platform/base/DebugOutput.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/base/Unicode.h"

namespace os {
namespace {

constexpr std::string_view kCategoryNames[kDebugCategoryCount] = {
    "general", "window", "input", "skin", "ui", "web", "update", "net", "settings"};

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char c = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] + 32) : a[i];
    if (c != b[i]) return false;
  }
  return true;
}

// Bit i is category i. A value that is not a list of known names turns on
// every category.
unsigned ParseDebugSetting(std::string_view value) {
  constexpr unsigned kAll = (1u << kDebugCategoryCount) - 1;
  unsigned mask = 0;
  bool named = false;
  for (std::size_t start = 0; start <= value.size();) {
    const auto comma = value.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? value.size() : comma;
    const std::string_view name = TrimBlanks(value.substr(start, end - start));
    start = end + 1;
    if (name.empty()) continue;
    named = true;
    if (SameName(name, "all")) {
      mask = kAll;
      continue;
    }
    unsigned i = 0;
    while (i < kDebugCategoryCount && !SameName(name, kCategoryNames[i])) ++i;
    if (i == kDebugCategoryCount) return kAll;
    mask |= 1u << i;
  }
  return named ? mask : kAll;
}

unsigned EnabledDebugCategories() {
  const char* value = std::getenv("LUMORA_DEBUG");
  if (value == nullptr || *value == '\0') return 0;
  return ParseDebugSetting(value);
}

void WriteDebugLine(std::string_view text) {
  std::string line(text);
  if (line.empty() || line.back() != '\n') line.push_back('\n');
  // One write per call keeps lines from different threads apart.
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string_view DebugCategoryName(DebugCategory category) {
  const auto index = static_cast<unsigned>(category);
  return index < kDebugCategoryCount ? kCategoryNames[index] : std::string_view("general");
}

bool DebugCategoryEnabled(DebugCategory category) {
  const auto index = static_cast<unsigned>(category);
  return index < kDebugCategoryCount && (EnabledDebugCategories() & (1u << index)) != 0;
}

void DebugOutput(DebugCategory category, std::string_view text) {
  if (DebugCategoryEnabled(category)) WriteDebugLine(text);
}

void DebugOutput(DebugCategory category, std::u16string_view text) {
  if (DebugCategoryEnabled(category)) WriteDebugLine(Utf16ToUtf8(text));
}

}  // namespace os
