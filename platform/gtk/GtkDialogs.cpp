// Message boxes as modal GtkMessageDialogs, and the tooltip window.
#include <algorithm>

#include "platform/base/Unicode.h"
#include "platform/gtk/DesktopTheme.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/window/internal/WindowSystem.h"

namespace os::gtk {
namespace {

const char* ButtonLabel(int id) {
  switch (id) {
    case IDOK:
      return "_OK";
    case IDCANCEL:
      return "_Cancel";
    case IDABORT:
      return "_Abort";
    case IDRETRY:
      return "_Retry";
    case IDIGNORE:
      return "_Ignore";
    case IDYES:
      return "_Yes";
    case IDNO:
      return "_No";
    case IDTRYAGAIN:
      return "_Try Again";
    case IDCONTINUE:
      return "_Continue";
    default:
      return "_OK";
  }
}

GtkMessageType MessageTypeOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return GTK_MESSAGE_ERROR;
    case MB_ICONQUESTION:
      return GTK_MESSAGE_QUESTION;
    case MB_ICONEXCLAMATION:
      return GTK_MESSAGE_WARNING;
    case MB_ICONASTERISK:
      return GTK_MESSAGE_INFO;
    default:
      return GTK_MESSAGE_OTHER;
  }
}

// A tooltip looks like the Windows one: pale yellow, black text, thin frame.
constexpr char kTooltipStyle[] =
    "window.lumora-tooltip{background-color:#ffffe1;border:1px solid #767676;}"
    "window.lumora-tooltip label{color:#000000;padding:2px 4px;}";

}  // namespace

int GtkBackend::ShowMessageBox(SurfaceId owner, std::u16string_view text, std::u16string_view caption,
                               UINT type) {
  Surface* s = Find(owner);
  GtkWindow* parent = s && s->visible ? GTK_WINDOW(s->window) : nullptr;
  const std::string message = Utf16ToUtf8(text);
  LoadDesktopTheme();
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, MessageTypeOf(type), GTK_BUTTONS_NONE,
                                             "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), Utf16ToUtf8(caption).c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), (type & MB_SYSTEMMODAL) != 0);
  const std::vector<int> buttons = internal::MessageBoxButtons(type);
  for (int id : buttons) gtk_dialog_add_button(GTK_DIALOG(dialog), ButtonLabel(id), id);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), internal::DefaultMessageBoxAnswer(type));
  // The box takes the keyboard once it is on the screen, window manager or
  // not, so that Enter answers it.
  g_signal_connect(dialog, "map-event", G_CALLBACK(+[](GtkWidget* widget, GdkEvent*, gpointer) -> gboolean {
                     PresentNow(GTK_WINDOW(widget));
                     return FALSE;
                   }),
                   nullptr);
  int response;
  {
    NestedLoopScope nested(*this);
    response = gtk_dialog_run(GTK_DIALOG(dialog));
  }
  gtk_widget_destroy(dialog);
  if (response > 0) return response;
  // Closed with Escape or by the desktop: Cancel when the box has one, as on
  // Windows; a box with only OK answers OK.
  if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end()) return IDCANCEL;
  if (buttons.size() == 1) return buttons.front();
  return internal::DefaultMessageBoxAnswer(type);
}

void GtkBackend::ShowTooltip(SurfaceId owner, std::u16string_view text, POINT screen, int maxWidth) {
  Surface* s = Find(owner);
  if (!s) owner = 0;
  GtkWidget*& tip = tooltips_[owner];
  if (!tip) {
    LoadDesktopTheme();
    tip = gtk_window_new(GTK_WINDOW_POPUP);
    gtk_window_set_type_hint(GTK_WINDOW(tip), GDK_WINDOW_TYPE_HINT_TOOLTIP);
    gtk_window_set_accept_focus(GTK_WINDOW(tip), FALSE);
    if (s) gtk_window_set_transient_for(GTK_WINDOW(tip), GTK_WINDOW(s->window));
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kTooltipStyle, -1, nullptr);
    GtkStyleContext* context = gtk_widget_get_style_context(tip);
    gtk_style_context_add_class(context, "lumora-tooltip");
    gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(css), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(label), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_container_add(GTK_CONTAINER(tip), label);
  }
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(tip));
  const std::string utf8 = Utf16ToUtf8(text);
  gtk_label_set_text(GTK_LABEL(label), utf8.c_str());
  // A text wider than the maximum width wraps at it; others keep one line.
  bool wrap = false;
  if (maxWidth > 0) {
    PangoLayout* layout = gtk_widget_create_pango_layout(label, utf8.c_str());
    int width = 0, height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    wrap = width > maxWidth;
  }
  gtk_label_set_line_wrap(GTK_LABEL(label), wrap);
  gtk_widget_set_size_request(label, wrap ? maxWidth : -1, -1);
  gtk_window_resize(GTK_WINDOW(tip), 1, 1);
  gtk_window_move(GTK_WINDOW(tip), screen.x, screen.y);
  gtk_widget_show_all(tip);
}

void GtkBackend::HideTooltip(SurfaceId owner) {
  if (!Find(owner)) owner = 0;
  auto it = tooltips_.find(owner);
  if (it == tooltips_.end()) return;
  gtk_widget_destroy(it->second);
  tooltips_.erase(it);
}

}  // namespace os::gtk
