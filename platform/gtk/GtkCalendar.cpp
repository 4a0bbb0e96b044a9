// The drop-down calendar of the "SysDateTimePick32" class: a GtkCalendar in
// a popup window under the field. Its arrows move through months and years
// (reported to the picker as a moved selection); a click on a day of the
// month shown picks it; a click anywhere outside closes it. Keys are the
// picker's: they go to the window system as input, and the picker moves the
// selection (Select), picks or closes. While it is open it holds the pointer
// and the keyboard (a GTK grab for our own windows, a seat grab for the
// rest), taken only once the press that opened it is over, so that its
// release still reaches the window it began in. Picks and dismissals reach
// the picker from idle sources, never from inside the calendar's own event
// handling, because the picker destroys the calendar when it is told.
#include <algorithm>

#include "platform/gtk/DesktopTheme.h"
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

  void Select(const SYSTEMTIME& day) override;

 private:
  enum class Outcome { Pick, Dismiss };

  void Place(const RECT& anchor);
  static gboolean TryGrab(gpointer data);
  void Report(Outcome outcome);
  SYSTEMTIME Selected() const;
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
  bool browsed_ = false;  // the month changed, the day not yet reselected
  int selecting_ = 0;     // above zero while Select moves the calendar
};

GtkNativeCalendar::GtkNativeCalendar(GtkBackend& backend, Surface& surface, const RECT& anchor,
                                     const SYSTEMTIME& date, NativeCalendarEvents* events)
    : backend_(backend), events_(events) {
  LoadDesktopTheme();
  popup_ = gtk_window_new(GTK_WINDOW_POPUP);
  gtk_window_set_type_hint(GTK_WINDOW(popup_), GDK_WINDOW_TYPE_HINT_COMBO);
  gtk_window_set_transient_for(GTK_WINDOW(popup_), GTK_WINDOW(surface.window));
  gtk_widget_add_events(popup_, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK);
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_OUT);
  calendar_ = gtk_calendar_new();
  gtk_calendar_select_month(GTK_CALENDAR(calendar_), static_cast<guint>(date.wMonth - 1), date.wYear);
  gtk_calendar_select_day(GTK_CALENDAR(calendar_), date.wDay);
  gtk_container_add(GTK_CONTAINER(frame), calendar_);
  gtk_container_add(GTK_CONTAINER(popup_), frame);
  g_signal_connect(popup_, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect(popup_, "key-release-event", G_CALLBACK(OnKey), this);
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
  events->Picked(self->Selected());  // may destroy self
  return G_SOURCE_REMOVE;
}

void GtkNativeCalendar::Select(const SYSTEMTIME& day) {
  ++selecting_;
  gtk_calendar_select_month(GTK_CALENDAR(calendar_), static_cast<guint>(day.wMonth - 1), day.wYear);
  gtk_calendar_select_day(GTK_CALENDAR(calendar_), day.wDay);
  --selecting_;
}

SYSTEMTIME GtkNativeCalendar::Selected() const {
  guint year = 0, month = 0, day = 0;
  gtk_calendar_get_date(GTK_CALENDAR(calendar_), &year, &month, &day);
  SYSTEMTIME selected;
  selected.wYear = static_cast<WORD>(year);
  selected.wMonth = static_cast<WORD>(month + 1);
  selected.wDay = static_cast<WORD>(day);
  return selected;
}

gboolean GtkNativeCalendar::OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  const KeyEvent key = KeyEventOf(event);
  BackendEvents* events = self->backend_.events();
  if (key.virtualKey != 0 && events != nullptr) events->KeyInput(key);
  return TRUE;
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
  if (self->selecting_) return;
  if (self->pressing_) self->navigated_ = true;
  // The day is selected after the month changes: report once both are.
  self->browsed_ = true;
}

void GtkNativeCalendar::OnDaySelected(GtkCalendar*, gpointer data) {
  auto* self = static_cast<GtkNativeCalendar*>(data);
  if (self->selecting_) return;
  if (self->pressing_) self->daySelected_ = true;
  if (self->browsed_) {
    self->browsed_ = false;
    self->events_->SelectionChanged(self->Selected());
  }
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
