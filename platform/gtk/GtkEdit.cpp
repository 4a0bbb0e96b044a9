// The native edit widget of the system "Edit" class: a GtkEntry in the
// surface's canvas, styled to look like a flat Windows edit box. Positions
// and the text limit count UTF-16 units, as edit controls do. Every change of
// the text is reported; of the focus, only what the player did.
#include <cstring>
#include <memory>

#include "platform/base/Unicode.h"
#include "platform/gtk/EditStyle.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/gtk/TextOffsets.h"

namespace os::gtk {

class GtkNativeEdit final : public NativeEdit {
 public:
  GtkNativeEdit(Surface& surface, NativeEditEvents* events);
  ~GtkNativeEdit() override;
  GtkNativeEdit(const GtkNativeEdit&) = delete;
  GtkNativeEdit& operator=(const GtkNativeEdit&) = delete;

  // The surface is going away and takes the widget with it.
  void Detach();

  void SetRect(const RECT& rect) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetReadOnly(bool readOnly) override;
  void SetText(std::u16string_view text) override;
  std::u16string Text() const override;
  void SetLimit(int characters) override;
  void SetPasswordChar(char16_t character) override;
  void SetSelection(int start, int end) override;
  std::pair<int, int> Selection() const override;
  void SetMargins(int left, int right) override;
  void SetFont(std::u16string_view face, int pixelSize, bool bold, bool italic, bool underline) override;
  void SetColors(COLORREF text, COLORREF background) override;
  void Focus() override;
  void Blur() override;

 private:
  static void OnChanged(GtkEditable*, gpointer data);
  static void OnInsertText(GtkEditable* editable, gchar* text, gint length, gint* position, gpointer data);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data);
  static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data);
  void ApplyStyle();
  bool HasFocus() const;
  void CancelDeferred();

  Surface* surface_;
  NativeEditEvents* events_;
  GtkWidget* entry_ = nullptr;
  GtkCssProvider* css_ = nullptr;
  gulong insertHandler_ = 0;
  int quiet_ = 0;           // above zero while this interface moves the focus
  int settingText_ = 0;     // above zero while SetText runs: the limit binds typing only
  std::size_t length_ = 0;  // UTF-16 units at the last "changed"
  guint deferred_ = 0;      // idle source of a deferred report
  // Cleared when the edit is destroyed, which any notification may do.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  int limit_ = 0;  // UTF-16 units; 0: none
  EditLook look_;
};

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

GtkNativeEdit::GtkNativeEdit(Surface& surface, NativeEditEvents* events)
    : surface_(&surface), events_(events) {
  entry_ = gtk_entry_new();
  // Small sizes must be possible: no minimum width from characters, no frame.
  gtk_entry_set_width_chars(GTK_ENTRY(entry_), 1);
  gtk_entry_set_has_frame(GTK_ENTRY(entry_), FALSE);
  css_ = gtk_css_provider_new();
  gtk_style_context_add_provider(gtk_widget_get_style_context(entry_), GTK_STYLE_PROVIDER(css_),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  ApplyStyle();
  g_signal_connect(entry_, "changed", G_CALLBACK(OnChanged), this);
  insertHandler_ = g_signal_connect(entry_, "insert-text", G_CALLBACK(OnInsertText), this);
  g_signal_connect(entry_, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect(entry_, "key-release-event", G_CALLBACK(OnKey), this);
  g_signal_connect(entry_, "focus-in-event", G_CALLBACK(OnFocusIn), this);
  // Hidden until the edit window is shown, as a window created without
  // WS_VISIBLE is.
  gtk_widget_set_no_show_all(entry_, TRUE);
  gtk_fixed_put(GTK_FIXED(surface.canvas), entry_, 0, 0);
  surface.edits.insert(this);
}

GtkNativeEdit::~GtkNativeEdit() {
  *alive_ = false;
  CancelDeferred();
  if (entry_) {
    g_signal_handlers_disconnect_by_data(entry_, this);
    if (HasFocus()) gtk_widget_grab_focus(surface_->canvas);
    gtk_widget_destroy(entry_);
    surface_->edits.erase(this);
  }
  g_object_unref(css_);
}

void GtkNativeEdit::Detach() {
  CancelDeferred();
  if (entry_) g_signal_handlers_disconnect_by_data(entry_, this);
  entry_ = nullptr;
  surface_ = nullptr;
}

bool GtkNativeEdit::HasFocus() const {
  return entry_ && surface_ && gtk_window_get_focus(GTK_WINDOW(surface_->window)) == entry_;
}

void GtkNativeEdit::ApplyStyle() {
  gtk_css_provider_load_from_data(css_, EditStyleSheet(look_).c_str(), -1, nullptr);
}

void GtkNativeEdit::SetRect(const RECT& rect) {
  if (!entry_) return;
  gtk_fixed_move(GTK_FIXED(surface_->canvas), entry_, rect.left, rect.top);
  gtk_widget_set_size_request(entry_, std::max<int>(rect.right - rect.left, 1),
                              std::max<int>(rect.bottom - rect.top, 1));
}

void GtkNativeEdit::SetVisible(bool visible) {
  if (!entry_) return;
  if (visible) {
    gtk_widget_show(entry_);
    return;
  }
  if (HasFocus()) {
    ++quiet_;
    gtk_widget_grab_focus(surface_->canvas);
    --quiet_;
  }
  gtk_widget_hide(entry_);
}

void GtkNativeEdit::SetEnabled(bool enabled) {
  if (entry_) gtk_widget_set_sensitive(entry_, enabled);
}

void GtkNativeEdit::SetReadOnly(bool readOnly) {
  if (entry_) gtk_editable_set_editable(GTK_EDITABLE(entry_), !readOnly);
}

void GtkNativeEdit::SetText(std::u16string_view text) {
  if (!entry_) return;
  // The limit binds typing only, as EM_LIMITTEXT does.
  ++settingText_;
  gtk_entry_set_text(GTK_ENTRY(entry_), Utf16ToUtf8(text).c_str());
  --settingText_;
}

std::u16string GtkNativeEdit::Text() const {
  if (!entry_) return {};
  return Utf8ToUtf16(gtk_entry_get_text(GTK_ENTRY(entry_)));
}

void GtkNativeEdit::SetLimit(int characters) { limit_ = characters > 0 ? characters : 0; }

void GtkNativeEdit::SetPasswordChar(char16_t character) {
  if (!entry_) return;
  GtkEntry* entry = GTK_ENTRY(entry_);
  if (character) {
    gtk_entry_set_invisible_char(entry, character);
    gtk_entry_set_visibility(entry, FALSE);
    gtk_entry_set_input_purpose(entry, GTK_INPUT_PURPOSE_PASSWORD);
  } else {
    gtk_entry_set_visibility(entry, TRUE);
    gtk_entry_set_input_purpose(entry, GTK_INPUT_PURPOSE_FREE_FORM);
  }
}

void GtkNativeEdit::SetSelection(int start, int end) {
  if (!entry_) return;
  GtkEditable* editable = GTK_EDITABLE(entry_);
  const std::u16string text = Text();
  if (start < 0) {
    // EM_SETSEL with -1: no selection, the caret stays.
    const int caret = gtk_editable_get_position(editable);
    gtk_editable_select_region(editable, caret, caret);
  } else {
    const int from = CharsFromUnits(text, start);
    const int to = end < 0 ? -1 : CharsFromUnits(text, end);
    gtk_editable_select_region(editable, from, to);
  }
}

std::pair<int, int> GtkNativeEdit::Selection() const {
  if (!entry_) return {0, 0};
  GtkEditable* editable = GTK_EDITABLE(entry_);
  gint start = 0, end = 0;
  if (!gtk_editable_get_selection_bounds(editable, &start, &end))
    start = end = gtk_editable_get_position(editable);
  const std::u16string text = Text();
  return {UnitsFromChars(text, start), UnitsFromChars(text, end)};
}

void GtkNativeEdit::SetMargins(int left, int right) {
  look_.marginLeft = std::max(left, 0);
  look_.marginRight = std::max(right, 0);
  ApplyStyle();
}

void GtkNativeEdit::SetFont(std::u16string_view face, int pixelSize, bool bold, bool italic, bool underline) {
  look_.face = Utf16ToUtf8(face);
  look_.pixelSize = pixelSize;
  look_.bold = bold;
  look_.italic = italic;
  ApplyStyle();
  if (!entry_) return;
  PangoAttrList* attributes = pango_attr_list_new();
  if (underline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  gtk_entry_set_attributes(GTK_ENTRY(entry_), attributes);
  pango_attr_list_unref(attributes);
}

void GtkNativeEdit::SetColors(COLORREF text, COLORREF background) {
  look_.textColor = text;
  look_.background = background;
  ApplyStyle();
}

void GtkNativeEdit::Focus() {
  if (!entry_) return;
  ++quiet_;
  // Focus alone does not select the text, unlike GTK's default.
  gtk_entry_grab_focus_without_selecting(GTK_ENTRY(entry_));
  --quiet_;
}

void GtkNativeEdit::Blur() {
  if (!HasFocus()) return;
  ++quiet_;
  gtk_widget_grab_focus(surface_->canvas);
  --quiet_;
}

// Typing over a selection reaches GTK as a deletion and an insertion, each
// with its own "changed"; Windows reports one change. A deletion made by the
// player is therefore reported once GTK is done with the keystroke, unless
// an insertion follows and reports both.
void GtkNativeEdit::OnChanged(GtkEditable*, gpointer data) {
  auto* self = static_cast<GtkNativeEdit*>(data);
  const std::size_t length = self->Text().size();
  const bool shorter = length < self->length_;
  self->length_ = length;
  if (shorter && !self->settingText_) {
    if (!self->deferred_) {
      self->deferred_ = g_idle_add_full(
          G_PRIORITY_HIGH_IDLE,
          [](gpointer data) -> gboolean {
            auto* self = static_cast<GtkNativeEdit*>(data);
            self->deferred_ = 0;
            if (self->events_) self->events_->TextChanged();
            return G_SOURCE_REMOVE;
          },
          self, nullptr);
    }
    return;
  }
  self->CancelDeferred();
  if (self->events_) self->events_->TextChanged();
}

void GtkNativeEdit::CancelDeferred() {
  if (deferred_) g_source_remove(deferred_);
  deferred_ = 0;
}

void GtkNativeEdit::OnInsertText(GtkEditable* editable, gchar* text, gint length, gint* position,
                                 gpointer data) {
  auto* self = static_cast<GtkNativeEdit*>(data);
  if (self->settingText_ || self->limit_ <= 0 || !text) return;
  const std::u16string current = self->Text();
  const std::u16string inserted =
      Utf8ToUtf16(std::string_view(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length)));
  const long room = static_cast<long>(self->limit_) - static_cast<long>(current.size());
  if (room >= static_cast<long>(inserted.size())) return;
  // Only what fits goes in (a paste is cut short), never half a surrogate pair.
  g_signal_stop_emission_by_name(editable, "insert-text");
  std::size_t fits = room > 0 ? static_cast<std::size_t>(room) : 0;
  if (fits > 0 && IsHighSurrogate(inserted[fits - 1])) --fits;
  if (fits == 0) {
    gtk_widget_error_bell(self->entry_);
    return;
  }
  const std::string part = Utf16ToUtf8(inserted.substr(0, fits));
  g_signal_handler_block(editable, self->insertHandler_);
  gtk_editable_insert_text(editable, part.c_str(), static_cast<gint>(part.size()), position);
  g_signal_handler_unblock(editable, self->insertHandler_);
}

gboolean GtkNativeEdit::OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<GtkNativeEdit*>(data);
  if (!self->events_) return FALSE;
  const KeyEvent k = EditKeyEventOf(event);
  if (!k.virtualKey) return FALSE;  // a dead key: the widget composes
  const std::shared_ptr<bool> alive = self->alive_;
  const bool swallow = self->events_->Key(k);
  // A procedure that closed the field (Enter can) leaves nothing to type into.
  return swallow || !*alive ? TRUE : FALSE;
}

gboolean GtkNativeEdit::OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
  auto* self = static_cast<GtkNativeEdit*>(data);
  // Only the player's doing is news: the window system asked for the rest.
  if (!self->quiet_ && self->events_) self->events_->FocusChanged(true);
  return FALSE;
}

void GtkBackend::DetachEdit(GtkNativeEdit* edit) { edit->Detach(); }

std::unique_ptr<NativeEdit> GtkBackend::CreateNativeEdit(SurfaceId surface, NativeEditEvents* events) {
  Surface* s = Find(surface);
  if (!s) return nullptr;
  return std::make_unique<GtkNativeEdit>(*s, events);
}

}  // namespace os::gtk
