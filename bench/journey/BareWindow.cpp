// journey-bare-window [HOLD-FOLDER]: the reference of the launcher's first
// login frame. A bare, undecorated 1100×720 GTK window, centred, that draws
// one frame (a filled background, a framed panel and a line of text, as a
// login window has) and quits once it is drawn; "mark: first-frame" is
// printed when that frame has gone to the display: at the end of the paint
// that drew it (GTK copies its buffer to the window after the draw handlers),
// the point at which the launcher's window system reports its frame drawn.
#include <gtk/gtk.h>

#include <string>

#include "bench/journey/Marks.h"

namespace {

std::string holdFolder;
bool drawn = false;

gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer) {
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  cairo_set_source_rgb(cr, 0.10, 0.13, 0.25);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0.93, 0.94, 0.98);
  cairo_rectangle(cr, width - 380, 120, 320, 420);
  cairo_fill(cr);
  PangoLayout* text = gtk_widget_create_pango_layout(widget, "LumoraMorvaine 请输入Lumora账号");
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_move_to(cr, width - 360, 140);
  pango_cairo_show_layout(cr, text);
  g_object_unref(text);
  (void)height;
  if (!drawn) {
    drawn = true;
    g_signal_connect(gtk_widget_get_frame_clock(widget), "after-paint",
                     G_CALLBACK(+[](GdkFrameClock* clock, gpointer data) {
                       g_signal_handlers_disconnect_by_data(clock, data);
                       gdk_display_flush(gtk_widget_get_display(static_cast<GtkWidget*>(data)));
                       journeyref::Mark("first-frame", holdFolder, [] { gtk_main_quit(); });
                     }),
                     widget);
  }
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) holdFolder = argv[1];
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "JourneyBareWindow");
  gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
  gtk_window_set_default_size(GTK_WINDOW(window), 1100, 720);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  GtkWidget* area = gtk_drawing_area_new();
  g_signal_connect(area, "draw", G_CALLBACK(OnDraw), nullptr);
  gtk_container_add(GTK_CONTAINER(window), area);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
