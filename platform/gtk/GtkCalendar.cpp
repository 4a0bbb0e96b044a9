// The drop-down calendar of the "SysDateTimePick32" class: a GtkCalendar in
// a popup window under the field. Its arrows (and Ctrl with the arrow keys)
// move through months and years; the plain arrow keys move the selected
// day. A click on a day of the month shown, or Enter, picks; Escape or a
// click anywhere outside closes it. While it is open it holds the pointer
// and the keyboard (a GTK grab for our own windows, a seat grab for the
// rest), taken only once the press that opened it is over, so that its
// release still reaches the window it began in. Callbacks reach the picker
// from idle sources, never from inside the calendar's own event handling,
// because the picker destroys the calendar when it is told.
#include <algorithm>

#include "platform/gtk/GtkBackend.h"

namespace os::gtk {
namespace {

constexpr guint kGrabPollMs = 20;

class GtkNativeCalendar final : public NativeCalendar {
 public:
  GtkNativeCalendar(GtkBackend& backend, Surface& surface, const RECT& anchor, const SYSTEMTIME& date,
                    NativeCalendarEvents* events);
  ~GtkNativeCalendar() override;
  GtkNativeCalendar(const GtkNativeCalendar&) = delete;
  GtkNativeCalendar& operator=(const GtkNativeCalendar&) = delete;

 private:
  enum class Outcome { Pick, Dismiss };

  void Place(const RECT& anchor);
  static gboolean TryGrab(gpointer data);
  void Report(Outcome outcome);
  void MoveSelection(int days);
  static gboolean Deliver(gpointer data);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data);
  static gboolean OnPopupPress(GtkWidget* popup, GdkEventButton* event, gpointer data);
  static gboolean OnCalendarPress(GtkWidget*, GdkEventButton* event, gpointer data);
  static gboolean OnCalendarRelease(GtkWidget*, GdkEventButton* event, gpointer data);
  static void OnMonthChanged(GtkCalendar*, gpointer data);
  static void OnDaySelected(GtkCalendar*, gpointer data);
  static gboolean OnGrabBroken(GtkWidget*, GdkEvent*, gpointer data);

  GtkBackend& backend_;
  NativeCalendarEvents* events_;
  GtkWidget* popup_ = nullptr;
  GtkWidget* calendar_ = nullptr;
  guint grabPoll_ = 0;
  guint delivery_ = 0;
  Outcome outcome_ = Outcome::Dismiss;
  bool gtkGrab_ = false;
  bool seatGrab_ = false;
  // A press on the calendar is under way; whether it moved the month (an
  // arrow, a day of the next month) and whether it selected a day.
  bool pressing_ = false;
  bool navigated_ = false;
  bool daySelected_ = false;
};

GtkNativeCalendar::GtkNativeCalendar(GtkBackend& backend, Surface& surface, const RECT& anchor,
                                     const SYSTEMTIME& date, NativeCalendarEvents* events)
    : backend_(backend), events_(events) {
  popup_ = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_type_hint(GTK_WINDOW(popup_), GDK_WINDOW_TYPE_HINT_COMBO);
  gtk_window_set_transient_for(GTK_WINDOW(popup_), GTK_WINDOW(surface.window));
  gtk_widget_add_events(popup_, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK);
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_OUT);
  calendar_ = gtk_calendar_new();
  gtk_calendar_select_month(GTK_CALENDAR(calendar_), static_cast<guint>(date.wMonth - 1), date.wYear);
  gtk_calendar_select_day(GTK_CALENDAR(calendar_), date.wDay);
  gtk_container_add(GTK_CONTAINER(frame), calendar_);
  gtk_container_add(GTK_CONTAINER(popup_), frame);
  g_signal_connect(popup_, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect(popup_, "button-press-event", G_CALLBACK(OnPopupPress), this);
  g_signal_connect(popup_, "grab-broken-event", G_CALLBACK(OnGrabBroken), this);
  g_signal_connect(calendar_, "button-press-event", G_CALLBACK(OnCalendarPress), this);
  g_signal_connect(calendar_, "button-release-event", G_CALLBACK(OnCalendarRelease), this);
  g_signal_connect(calendar_, "month-changed", G_CALLBACK(OnMonthChanged), this);
  g_signal_connect(calendar_, "day-selected", G_CALLBACK(OnDaySelected), this);
  gtk_widget_show_all(frame);
  Place(anchor);
  gtk_widget_show(popup_);
  gtk_widget_grab_focus(calendar_);
  ++backend_.calendarsOpen;
  if (TryGrab(this) == G_SOURCE_CONTINUE) grabPoll_ = g_timeout_add(kGrabPollMs, &TryGrab, this);
}

GtkNativeCalendar::~GtkNativeCalendar() {
  if (grabPoll_) g_source_remove(grabPoll_);
  if (delivery_) g_source_remove(delivery_);
  g_signal_handlers_disconnect_by_data(popup_, this);
  g_signal_handlers_disconnect_by_data(calendar_, this);
  if (seatGrab_) gdk_seat_ungrab(gdk_display_get_default_seat(gdk_display_get_default()));
  if (gtkGrab_) gtk_grab_remove(popup_);
  gtk_widget_destroy(popup_);
  --backend_.calendarsOpen;
}

// Below the field, or above it when the screen ends first; kept on the
// field's monitor.
void GtkNativeCalendar::Place(const RECT& anchor) {
  GtkRequisition size{};
  gtk_widget_get_preferred_size(popup_, nullptr, &size);
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, anchor.left, anchor.bottom);
  GdkRectangle area{0, 0, 1 << 16, 1 << 16};
  if (monitor) gdk_monitor_get_geometry(monitor, &area);
  int x =
      std::clamp(static_cast<int>(anchor.left), area.x, std::max(area.x, area.x + area.width - size.width));
  int y = anchor.bottom;
  if (y + size.height > area.y + area.height && anchor.top - size.height >= area.y)
    y = anchor.top - size.height;
  gtk_window_move(GTK_WINDOW(popup_), x, y);
}

gboolean GtkNativeCalendar::TryGrab(gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  if (self->backend_.AnyButtonHeld()) return G_SOURCE_CONTINUE;
  self->grabPoll_ = 0;
  gtk_grab_add(self->popup_);
  self->gtkGrab_ = true;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  self->seatGrab_ = gdk_seat_grab(seat, gtk_widget_get_window(self->popup_), GDK_SEAT_CAPABILITY_ALL, TRUE,
                                  nullptr, nullptr, nullptr, nullptr) == GDK_GRAB_SUCCESS;
  return G_SOURCE_REMOVE;
}

void GtkNativeCalendar::Report(Outcome outcome) {
  if (delivery_) return;
  outcome_ = outcome;
  delivery_ = g_idle_add(&Deliver, this);
}

gboolean GtkNativeCalendar::Deliver(gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  self->delivery_ = 0;
  NativeCalendarEvents* events = self->events_;
  if (self->outcome_ == Outcome::Dismiss) {
    events->Dismissed();  // may destroy self
    return G_SOURCE_REMOVE;
  }
  guint year = 0, month = 0, day = 0;
  gtk_calendar_get_date(GTK_CALENDAR(self->calendar_), &year, &month, &day);
  SYSTEMTIME picked;
  picked.wYear = static_cast<WORD>(year);
  picked.wMonth = static_cast<WORD>(month + 1);
  picked.wDay = static_cast<WORD>(day);
  events->Picked(picked);  // may destroy self
  return G_SOURCE_REMOVE;
}

void GtkNativeCalendar::MoveSelection(int days) {
  guint year = 0, month = 0, day = 0;
  gtk_calendar_get_date(GTK_CALENDAR(calendar_), &year, &month, &day);
  GDate* date = g_date_new_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month + 1),
                               static_cast<GDateYear>(year));
  if (days < 0) {
    g_date_subtract_days(date, static_cast<guint>(-days));
  } else {
    g_date_add_days(date, static_cast<guint>(days));
  }
  if (g_date_valid(date)) {
    gtk_calendar_select_month(GTK_CALENDAR(calendar_), g_date_get_month(date) - 1, g_date_get_year(date));
    gtk_calendar_select_day(GTK_CALENDAR(calendar_), g_date_get_day(date));
  }
  g_date_free(date);
}

gboolean GtkNativeCalendar::OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  // The arrows move the selected day itself (GtkCalendar's own keyboard
  // focus starts nowhere); with Ctrl they are the calendar's month and year
  // steps.
  const bool plain = (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) == 0;
  switch (event->keyval) {
    case GDK_KEY_Escape:
      self->Report(Outcome::Dismiss);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
    case GDK_KEY_space:
      self->Report(Outcome::Pick);
      return TRUE;
    case GDK_KEY_Left:
    case GDK_KEY_Right:
    case GDK_KEY_Up:
    case GDK_KEY_Down: {
      if (!plain) return FALSE;
      const guint key = event->keyval;
      self->MoveSelection(key == GDK_KEY_Left ? -1 : key == GDK_KEY_Right ? 1 : key == GDK_KEY_Up ? -7 : 7);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

gboolean GtkNativeCalendar::OnPopupPress(GtkWidget* popup, GdkEventButton* event, gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  // Under the grab, presses on other windows arrive here too.
  int x = 0, y = 0, width = 0, height = 0;
  gtk_window_get_position(GTK_WINDOW(popup), &x, &y);
  gtk_window_get_size(GTK_WINDOW(popup), &width, &height);
  const bool inside =
      event->x_root >= x && event->x_root < x + width && event->y_root >= y && event->y_root < y + height;
  if (!inside) self->Report(Outcome::Dismiss);
  return TRUE;
}

gboolean GtkNativeCalendar::OnCalendarPress(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  if (event->button != GDK_BUTTON_PRIMARY) return TRUE;
  self->pressing_ = true;
  self->navigated_ = false;
  self->daySelected_ = false;
  return FALSE;
}

gboolean GtkNativeCalendar::OnCalendarRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  if (event->button != GDK_BUTTON_PRIMARY || !self->pressing_) return FALSE;
  self->pressing_ = false;
  if (self->daySelected_ && !self->navigated_) self->Report(Outcome::Pick);
  return FALSE;
}

void GtkNativeCalendar::OnMonthChanged(GtkCalendar*, gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  if (self->pressing_) self->navigated_ = true;
}

void GtkNativeCalendar::OnDaySelected(GtkCalendar*, gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  if (self->pressing_) self->daySelected_ = true;
}

gboolean GtkNativeCalendar::OnGrabBroken(GtkWidget*, GdkEvent*, gpointer data) {
  // Another program took the pointer or keyboard: the calendar could no
  // longer tell a click outside it.
  static_cast<GtkNativeCalendar*>(data)->Report(Outcome::Dismiss);
  return FALSE;
}

}  // namespace

std::unique_ptr<NativeCalendar> GtkBackend::OpenNativeCalendar(SurfaceId surface, const RECT& anchor,
                                                               const SYSTEMTIME& date,
                                                               NativeCalendarEvents* events) {
  Surface* s = Find(surface);
  if (!s || !events) return nullptr;
  return std::make_unique<GtkNativeCalendar>(*this, *s, anchor, date, events);
}

}  // namespace os::gtk
