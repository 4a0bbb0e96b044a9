// The desktop's clipboard and the input method's caret for the gtk backend.
#include "platform/base/Unicode.h"
#include "platform/gtk/GtkBackend.h"

namespace os::gtk {

// The CLIPBOARD selection (what Ctrl+C / Ctrl+V exchange between
// applications), not PRIMARY. GTK keeps serving the text while we own it.
void GtkBackend::SetClipboardText(std::u16string_view text) {
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  const std::string utf8 = Utf16ToUtf8(text);
  gtk_clipboard_set_text(clipboard, utf8.c_str(), static_cast<gint>(utf8.size()));
}

// Waits for the owner's answer in a GLib loop of its own; our message queue
// is not dispatched meanwhile, so nothing re-enters the caller. Text we own
// comes back at once.
std::u16string GtkBackend::ClipboardText() {
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  gchar* text = gtk_clipboard_wait_for_text(clipboard);
  if (text == nullptr) return {};
  std::u16string out = Utf8ToUtf16(text);
  g_free(text);
  return out;
}

void GtkBackend::SetImeCaretRect(SurfaceId surface, const RECT& caret) {
  Surface* s = Find(surface);
  if (s == nullptr || s->im == nullptr) return;
  // The IM context's client window is the canvas, which covers the surface.
  GdkRectangle area{caret.left, caret.top, caret.right - caret.left, caret.bottom - caret.top};
  gtk_im_context_set_cursor_location(s->im, &area);
}

}  // namespace os::gtk
