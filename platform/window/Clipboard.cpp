#include "platform/window/Clipboard.h"

#include "platform/window/internal/WindowSystem.h"

namespace os {

void SetClipboardText(std::u16string_view text) { internal::Sys().backend().SetClipboardText(text); }

std::u16string GetClipboardText() { return internal::Sys().backend().ClipboardText(); }

}  // namespace os
