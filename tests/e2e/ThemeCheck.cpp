// gtk_theme_check: GTK starts with the quick theme, the desktop's replaces
// it when asked, and the native edit field looks the same under both (what
// lets the first frame go without the desktop's theme). An entry without the
// field's style sheet is drawn under both as well: it must change, or the
// comparison would prove nothing. Prints what differs and exits 1 on a
// failure.
#include <cstdio>
#include <string>

#include "platform/gtk/DesktopTheme.h"
#include "platform/gtk/EditStyle.h"

#include <gtk/gtk.h>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
  if (!ok) ++failures;
}

void Settle() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// An entry in an offscreen window of its own, the text in it.
GtkWidget* Field(const char* css) {
  GtkWidget* window = gtk_offscreen_window_new();
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_has_frame(GTK_ENTRY(entry), FALSE);
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
  gtk_entry_set_text(GTK_ENTRY(entry), "xplayer 请输入 jpgQ 123");
  if (css != nullptr) {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(entry), GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
    gtk_widget_set_size_request(entry, 240, 24);
  }
  gtk_container_add(GTK_CONTAINER(window), entry);
  gtk_widget_show_all(window);
  return window;
}

// The window's pixels, with their size in front.
std::string Pixels(GtkWidget* window) {
  Settle();
  GdkPixbuf* shot = gtk_offscreen_window_get_pixbuf(GTK_OFFSCREEN_WINDOW(window));
  if (shot == nullptr) return {};
  std::string bytes = std::to_string(gdk_pixbuf_get_width(shot)) + "x" +
                      std::to_string(gdk_pixbuf_get_height(shot)) + ":";
  const int rows = gdk_pixbuf_get_height(shot);
  const int stride = gdk_pixbuf_get_rowstride(shot);
  const int row = gdk_pixbuf_get_width(shot) * gdk_pixbuf_get_n_channels(shot);
  const auto* data = reinterpret_cast<const char*>(gdk_pixbuf_read_pixels(shot));
  for (int y = 0; y < rows; ++y) bytes.append(data + static_cast<std::size_t>(y) * stride, row);
  g_object_unref(shot);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) {
    std::puts("FAIL: no display");
    return 2;
  }
  Check(os::gtk::StartWithQuickTheme(), "the settings are made with the quick theme");
  Check(os::gtk::QuickThemeInUse(), "the quick theme is in use");

  os::gtk::EditLook look;
  look.face = "Sans";
  look.pixelSize = 14;
  look.marginLeft = 4;
  look.textColor = 0x202020;
  look.background = 0xF0F8FF;
  const std::string css = os::gtk::EditStyleSheet(look);
  GtkWidget* styled = Field(css.c_str());
  GtkWidget* plain = Field(nullptr);
  const std::string styledQuick = Pixels(styled);
  const std::string plainQuick = Pixels(plain);
  Check(!styledQuick.empty() && !plainQuick.empty(), "the fields are drawn");

  os::gtk::LoadDesktopTheme();
  Check(!os::gtk::QuickThemeInUse(), "the desktop's theme replaced the quick one");
  const std::string styledDesktop = Pixels(styled);
  const std::string plainDesktop = Pixels(plain);
  Check(styledQuick == styledDesktop, "the edit field looks the same under both themes");
  Check(plainQuick != plainDesktop, "an entry left to the theme changes with it");

  // Loading it again changes nothing and asks GTK for nothing.
  os::gtk::LoadDesktopTheme();
  Check(Pixels(styled) == styledDesktop, "a second load leaves the field as it was");
  gtk_widget_destroy(styled);
  gtk_widget_destroy(plain);
  return failures == 0 ? 0 : 1;
}
