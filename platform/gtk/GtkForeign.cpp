// Windows of other processes over X11: the top-level window list with
// captions, classes and process ids, messages posted through a ClientMessage,
// and polite close requests through WM_DELETE_WINDOW.
#include <unistd.h>

#include <algorithm>
#include <set>

#include "platform/base/Unicode.h"
#include "platform/gtk/ForeignMessages.h"
#include "platform/gtk/GtkBackend.h"

// Xlib last: its macros (None, Status, ...) would collide with the names of
// the platform layer's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

namespace os::gtk {
namespace {

// X errors about windows that vanished meanwhile are expected: trapped, and
// the call that caused one reports failure.
class ErrorTrap {
 public:
  ErrorTrap() : display_(gdk_display_get_default()) { gdk_x11_display_error_trap_push(display_); }
  ~ErrorTrap() {
    if (display_) gdk_x11_display_error_trap_pop_ignored(display_);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Waits for the server's answer; true when no error came.
  bool Ok() {
    GdkDisplay* display = display_;
    display_ = nullptr;
    return gdk_x11_display_error_trap_pop(display) == 0;
  }

 private:
  GdkDisplay* display_;
};

Atom AtomOf(const char* name) {
  return gdk_x11_get_xatom_by_name_for_display(gdk_display_get_default(), name);
}

// Frees what XGetWindowProperty returned.
struct PropertyData {
  unsigned char* data = nullptr;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  ~PropertyData() {
    if (data) XFree(data);
  }
};

bool ReadProperty(Display* dpy, Window w, Atom property, Atom type, PropertyData* out) {
  unsigned long after = 0;
  const int status = XGetWindowProperty(dpy, w, property, 0, 1 << 20, False, type, &out->type, &out->format,
                                        &out->count, &after, &out->data);
  return status == Success && out->data && out->type != None;
}

std::vector<Window> WindowList(Display* dpy, Window root, Atom property) {
  PropertyData p;
  std::vector<Window> list;
  if (!ReadProperty(dpy, root, property, XA_WINDOW, &p) || p.format != 32) return list;
  // Format-32 data comes back as an array of long, whatever their width.
  const auto* ids = reinterpret_cast<const unsigned long*>(p.data);
  list.assign(ids, ids + p.count);
  return list;
}

DWORD ProcessOf(Display* dpy, Window w) {
  PropertyData p;
  if (!ReadProperty(dpy, w, AtomOf("_NET_WM_PID"), XA_CARDINAL, &p) || p.format != 32 || p.count < 1)
    return 0;
  return static_cast<DWORD>(*reinterpret_cast<const unsigned long*>(p.data));
}

std::string CaptionOf(Display* dpy, Window w) {
  {
    PropertyData p;
    if (ReadProperty(dpy, w, AtomOf("_NET_WM_NAME"), AtomOf("UTF8_STRING"), &p) && p.format == 8)
      return std::string(reinterpret_cast<const char*>(p.data), p.count);
  }
  XTextProperty text{};
  std::string caption;
  if (XGetWMName(dpy, w, &text) && text.value) {
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(dpy, &text, &list, &count) >= Success && list) {
      if (count > 0 && list[0]) caption = list[0];
      XFreeStringList(list);
    }
    XFree(text.value);
  }
  return caption;
}

std::string ClassOf(Display* dpy, Window w) {
  XClassHint hint{};
  std::string name;
  if (XGetClassHint(dpy, w, &hint)) {
    if (hint.res_class) name = hint.res_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
  }
  return name;
}

bool HasWmState(Display* dpy, Window w) {
  PropertyData p;
  return ReadProperty(dpy, w, AtomOf("WM_STATE"), AnyPropertyType, &p);
}

// Under a reparenting window manager without the client list, the children
// of the root are frames: the client is the descendant with WM_STATE.
Window ClientOf(Display* dpy, Window w, int depth) {
  if (HasWmState(dpy, w)) return w;
  if (depth == 0) return None;
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  Window found = None;
  if (XQueryTree(dpy, w, &root, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count && found == None; ++i) found = ClientOf(dpy, children[i], depth - 1);
    if (children) XFree(children);
  }
  return found;
}

bool SendClientMessage(Display* dpy, Window target, Atom type, const std::array<long, 5>& data) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.display = dpy;
  e.xclient.window = target;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  for (int i = 0; i < 5; ++i) e.xclient.data.l[i] = data[i];
  ErrorTrap trap;
  const Status sent = XSendEvent(dpy, target, False, NoEventMask, &e);
  XSync(dpy, False);
  return trap.Ok() && sent != 0;
}

GdkFilterReturn ForeignFilter(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  const auto* x = static_cast<const XEvent*>(xevent);
  if (x->type != ClientMessage || x->xclient.format != 32 ||
      x->xclient.message_type != AtomOf(kPostedMessageAtom))
    return GDK_FILTER_CONTINUE;
  auto* s = static_cast<Surface*>(data);
  std::array<long, 5> payload{};
  for (int i = 0; i < 5; ++i) payload[i] = x->xclient.data.l[i];
  const ForeignMessage m = UnpackForeignMessage(payload);
  if (AcceptsForeignMessage(m.message) && s->backend->events())
    s->backend->events()->ForeignMessageReceived(s->id, m.message, m.wParam, m.lParam);
  return GDK_FILTER_REMOVE;
}

}  // namespace

void GtkBackend::AddForeignFilter(Surface& s) {
  GdkWindow* window = gtk_widget_get_window(s.window);
  if (!window || s.filterAdded) return;
  gdk_window_add_filter(window, ForeignFilter, &s);
  s.filterAdded = true;
}

void GtkBackend::RemoveForeignFilter(Surface& s) {
  GdkWindow* window = gtk_widget_get_window(s.window);
  if (window && s.filterAdded) gdk_window_remove_filter(window, ForeignFilter, &s);
  s.filterAdded = false;
}

std::vector<ForeignWindowInfo> GtkBackend::ForeignWindows() {
  Display* dpy = gdk_x11_get_default_xdisplay();
  const Window root = DefaultRootWindow(dpy);
  ErrorTrap trap;

  // Bottom to top.
  bool managed = true;
  std::vector<Window> list = WindowList(dpy, root, AtomOf("_NET_CLIENT_LIST_STACKING"));
  if (list.empty()) list = WindowList(dpy, root, AtomOf("_NET_CLIENT_LIST"));
  if (list.empty()) {
    managed = false;
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(dpy, root, &rootReturn, &parent, &children, &count)) {
      for (unsigned int i = 0; i < count; ++i) {
        const Window client = ClientOf(dpy, children[i], 2);
        list.push_back(client != None ? client : children[i]);
      }
      if (children) XFree(children);
    }
  }

  std::set<Window> own;
  for (auto& [id, s] : surfaces_) {
    if (GdkWindow* w = gtk_widget_get_window(s->window)) own.insert(GDK_WINDOW_XID(w));
  }
  const auto self = static_cast<DWORD>(::getpid());

  // X measures in device pixels; the window system in logical units.
  const DeviceScale scale(gdk_window_get_scale_factor(gdk_get_default_root_window()));
  std::vector<ForeignWindowInfo> result;
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    const Window w = *it;
    if (own.count(w)) continue;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(dpy, w, &attributes) || attributes.c_class == InputOnly) continue;
    // Without a window manager's list, unmapped windows are helpers (every
    // GTK process has an unmapped client leader with a title), and
    // override-redirect ones are menus and tooltips.
    if (!managed && (attributes.map_state != IsViewable || attributes.override_redirect)) continue;
    ForeignWindowInfo info;
    info.id = w;
    info.processId = ProcessOf(dpy, w);
    if (info.processId == self) continue;  // this process's windows are its own
    // A live window has a thread; the main thread's id is the process id.
    info.threadId = info.processId ? info.processId : 1;
    info.caption = Utf8ToUtf16(CaptionOf(dpy, w));
    info.className = Utf8ToUtf16(ClassOf(dpy, w));
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(dpy, w, root, 0, 0, &x, &y, &child);
    info.rect = scale.ToLogical(RECT{x, y, x + attributes.width, y + attributes.height});
    // A minimised window is still visible in the sense of IsWindowVisible.
    info.visible = true;
    result.push_back(std::move(info));
  }
  return result;
}

bool GtkBackend::PostToForeign(ForeignId window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) return false;
  return SendClientMessage(gdk_x11_get_default_xdisplay(), static_cast<Window>(window),
                           AtomOf(kPostedMessageAtom),
                           PackForeignMessage(ForeignMessage{message, wParam, lParam}));
}

bool GtkBackend::CloseForeign(ForeignId window) {
  if (!window) return false;
  Display* dpy = gdk_x11_get_default_xdisplay();
  const Atom deleteWindow = AtomOf("WM_DELETE_WINDOW");
  bool supported = false;
  {
    ErrorTrap trap;
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(dpy, static_cast<Window>(window), &protocols, &count)) {
      supported = std::find(protocols, protocols + count, deleteWindow) != protocols + count;
      XFree(protocols);
    }
  }
  if (!supported) return false;
  return SendClientMessage(dpy, static_cast<Window>(window), AtomOf("WM_PROTOCOLS"),
                           {static_cast<long>(deleteWindow), CurrentTime, 0, 0, 0});
}

}  // namespace os::gtk
