// The clipboard is the system's (CF_UNICODETEXT), shared with every program.
// Another program may hold it open for a moment: opening is tried a few
// times before giving up (with a debug note).
#include "platform/window/Clipboard.h"

#include <cstring>

#include "platform/base/DebugOutput.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {
namespace {

bool OpenTheClipboard() {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (::OpenClipboard(nullptr)) return true;
    ::Sleep(10);
  }
  DebugOutput(DebugCategory::Window, "the clipboard stays open in another program");
  return false;
}

}  // namespace

void SetClipboardText(std::u16string_view text) {
  if (!OpenTheClipboard()) return;
  ::EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
  ::HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (void* target = memory ? ::GlobalLock(memory) : nullptr) {
    std::memcpy(target, text.data(), text.size() * sizeof(char16_t));
    static_cast<char16_t*>(target)[text.size()] = u'\0';
    ::GlobalUnlock(memory);
    // The clipboard owns the memory once it has taken it.
    if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) ::GlobalFree(memory);
  } else if (memory) {
    ::GlobalFree(memory);
  }
  ::CloseClipboard();
}

std::u16string GetClipboardText() {
  if (!OpenTheClipboard()) return {};
  std::u16string text;
  ::HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  if (const auto* units = data ? static_cast<const char16_t*>(::GlobalLock(data)) : nullptr) {
    // Another program wrote the block: read no further than it is long, also
    // when its text lacks the terminating zero.
    const std::size_t capacity = ::GlobalSize(data) / sizeof(char16_t);
    std::size_t length = 0;
    while (length < capacity && units[length] != u'\0') ++length;
    text.assign(units, length);
    ::GlobalUnlock(data);
  }
  ::CloseClipboard();
  return text;
}

}  // namespace os
