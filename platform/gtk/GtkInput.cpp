// Device events of the surfaces as the window system wants them: pointer
// events with screen positions, keys with virtual-key codes and typed text
// through the input method, and what the desktop did to the windows (moved,
// resized, minimised, activated, asked to close).
#include <cmath>

#include "platform/base/Unicode.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/gtk/KeyMap.h"
#include "platform/window/internal/WindowSystem.h"

namespace os::gtk {
namespace {

std::optional<MouseButton> ButtonOf(guint button) {
  switch (button) {
    case 1:
      return MouseButton::Left;
    case 2:
      return MouseButton::Middle;
    case 3:
      return MouseButton::Right;
    case 8:
      return MouseButton::X1;
    case 9:
      return MouseButton::X2;
    default:
      return std::nullopt;
  }
}

POINT RootPoint(double x, double y) {
  return POINT{static_cast<LONG>(std::lround(std::floor(x))), static_cast<LONG>(std::lround(std::floor(y)))};
}

void Pointer(Surface* s, PointerEvent::Kind kind, POINT screen, MouseButton button = MouseButton::Left,
             int delta = 0) {
  if (!s->backend->events()) return;
  PointerEvent e;
  e.kind = kind;
  e.screen = screen;
  e.button = button;
  e.delta = delta;
  e.native = true;
  s->backend->events()->PointerInput(e);
}

void Key(Surface* s, bool down, UINT vk, char16_t character, UINT scanCode, bool extended) {
  if (!s->backend->events()) return;
  KeyEvent k;
  k.down = down;
  k.virtualKey = vk;
  k.character = character;
  k.scanCode = scanCode;
  k.extended = extended;
  s->backend->events()->KeyInput(k);
}

// Typed text as VK_PACKET keystrokes, as an input method delivers it.
void Packets(Surface* s, std::u16string_view text) {
  for (char16_t c : text) {
    Key(s, true, VK_PACKET, c, 0, false);
    Key(s, false, VK_PACKET, c, 0, false);
  }
}

gboolean OnButtonPress(GtkWidget*, GdkEventButton* e, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  // Double and triple clicks arrive as extra events after the presses; the
  // window system counts clicks itself.
  if (e->type != GDK_BUTTON_PRESS) return TRUE;
  s->backend->NoteButton(e->button, true);
  if (auto b = ButtonOf(e->button)) Pointer(s, PointerEvent::Kind::Down, RootPoint(e->x_root, e->y_root), *b);
  return TRUE;
}

gboolean OnButtonRelease(GtkWidget*, GdkEventButton* e, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  if (s->backend->nativeDrag() && s->backend->nativeDragButton() == e->button) {
    s->backend->EndNativeDrag();
    return TRUE;
  }
  s->backend->NoteButton(e->button, false);
  if (auto b = ButtonOf(e->button)) Pointer(s, PointerEvent::Kind::Up, RootPoint(e->x_root, e->y_root), *b);
  return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* e, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  const POINT at = RootPoint(e->x_root, e->y_root);
  s->backend->DragMotion(at, e->state, e->time);
  Pointer(s, PointerEvent::Kind::Move, at);
  return FALSE;
}

gboolean OnCrossing(GtkWidget*, GdkEventCrossing* e, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  // The desktop ends a move or resize by releasing its grab; the release of
  // the button never reaches the window.
  if (e->mode == GDK_CROSSING_UNGRAB && s->backend->nativeDragStarted()) s->backend->EndNativeDrag();
  if (e->mode == GDK_CROSSING_GRAB || e->mode == GDK_CROSSING_GTK_GRAB || e->mode == GDK_CROSSING_GTK_UNGRAB)
    return FALSE;
  // Moving onto an edit widget is no leave: the pointer is still over the
  // window, over the edit.
  if (e->detail == GDK_NOTIFY_INFERIOR) return FALSE;
  if (e->type == GDK_LEAVE_NOTIFY) {
    Pointer(s, PointerEvent::Kind::Leave, RootPoint(e->x_root, e->y_root));
  } else {
    Pointer(s, PointerEvent::Kind::Move, RootPoint(e->x_root, e->y_root));
  }
  return FALSE;
}

gboolean OnScroll(GtkWidget*, GdkEventScroll* e, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  const POINT at = RootPoint(e->x_root, e->y_root);
  // One notch is WHEEL_DELTA; away from the user and to the right are positive.
  switch (e->direction) {
    case GDK_SCROLL_UP:
      Pointer(s, PointerEvent::Kind::Wheel, at, MouseButton::Left, WHEEL_DELTA);
      break;
    case GDK_SCROLL_DOWN:
      Pointer(s, PointerEvent::Kind::Wheel, at, MouseButton::Left, -WHEEL_DELTA);
      break;
    case GDK_SCROLL_LEFT:
      Pointer(s, PointerEvent::Kind::HorizontalWheel, at, MouseButton::Left, -WHEEL_DELTA);
      break;
    case GDK_SCROLL_RIGHT:
      Pointer(s, PointerEvent::Kind::HorizontalWheel, at, MouseButton::Left, WHEEL_DELTA);
      break;
    case GDK_SCROLL_SMOOTH: {
      // Touchpads scroll in fractions of a notch: whole notches are reported
      // as they add up.
      double dx = 0, dy = 0;
      gdk_event_get_scroll_deltas(reinterpret_cast<GdkEvent*>(e), &dx, &dy);
      s->scrollX += dx;
      s->scrollY += dy;
      const int notchesY = static_cast<int>(std::trunc(s->scrollY));
      const int notchesX = static_cast<int>(std::trunc(s->scrollX));
      s->scrollY -= notchesY;
      s->scrollX -= notchesX;
      if (notchesY) Pointer(s, PointerEvent::Kind::Wheel, at, MouseButton::Left, -notchesY * WHEEL_DELTA);
      if (notchesX)
        Pointer(s, PointerEvent::Kind::HorizontalWheel, at, MouseButton::Left, notchesX * WHEEL_DELTA);
      break;
    }
  }
  return TRUE;
}

gboolean OnKey(GtkWidget* window, GdkEventKey* e, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  // An edit widget with the focus gets its keys from GTK.
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
  if (focus && focus != s->canvas) return FALSE;
  const KeyEvent k = KeyEventOf(e);
  const bool down = e->type == GDK_KEY_PRESS;
  if (down) {
    s->filtering = true;
    s->committed.clear();
    const bool filtered = gtk_im_context_filter_keypress(s->im, e);
    s->filtering = false;
    PressedKey pressed;
    if (filtered) {
      if (s->committed.empty()) return TRUE;  // the input method is composing
      // Text the key typed. When it is what the key makes on a US keyboard,
      // the key goes as itself and TranslateMessage makes the same character;
      // otherwise (other layouts, composed characters) as typed text.
      const bool shift = e->state & GDK_SHIFT_MASK;
      const bool ctrl = e->state & GDK_CONTROL_MASK;
      const bool caps = e->state & GDK_LOCK_MASK;
      if (s->committed.size() == 1 && k.virtualKey &&
          internal::UsLayoutChar(k.virtualKey, shift, ctrl, caps) == s->committed[0]) {
        pressed.virtualKey = k.virtualKey;
      } else {
        pressed.packet = s->committed;
      }
    } else {
      if (!k.virtualKey) return TRUE;
      pressed.virtualKey = k.virtualKey;
    }
    s->pressedKeys[e->hardware_keycode] = pressed;
    if (pressed.virtualKey) {
      Key(s, true, pressed.virtualKey, 0, k.scanCode, k.extended);
    } else {
      Packets(s, pressed.packet);
    }
    return TRUE;
  }
  gtk_im_context_filter_keypress(s->im, e);
  auto it = s->pressedKeys.find(e->hardware_keycode);
  if (it == s->pressedKeys.end()) {
    // Pressed before the window had the keyboard: the key state still wants
    // to know it is up.
    if (k.virtualKey) Key(s, false, k.virtualKey, 0, k.scanCode, k.extended);
    return TRUE;
  }
  const PressedKey pressed = it->second;
  s->pressedKeys.erase(it);
  if (pressed.virtualKey) Key(s, false, pressed.virtualKey, 0, k.scanCode, k.extended);
  return TRUE;
}

void OnCommit(GtkIMContext*, gchar* text, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  if (!text) return;
  const std::u16string units = Utf8ToUtf16(text);
  if (s->filtering) {
    s->committed += units;
    return;
  }
  // Committed on its own (an input method finished composing).
  Packets(s, units);
}

gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
  gtk_im_context_focus_in(static_cast<Surface*>(data)->im);
  return FALSE;
}

gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  gtk_im_context_focus_out(s->im);
  gtk_im_context_reset(s->im);
  return FALSE;
}

gboolean OnConfigure(GtkWidget*, GdkEventConfigure* e, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  s->backend->DesktopMoved(*s, RECT{e->x, e->y, e->x + e->width, e->y + e->height});
  return FALSE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* e, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  if (!(e->changed_mask & (GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED))) return FALSE;
  SurfaceState state = SurfaceState::Normal;
  if (e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) {
    state = SurfaceState::Minimized;
  } else if (e->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) {
    state = SurfaceState::Maximized;
  }
  s->backend->DesktopState(*s, state);
  return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  // The window decides (WM_SYSCOMMAND SC_CLOSE); GTK must not destroy it.
  if (s->backend->events()) s->backend->events()->SurfaceCloseRequested(s->id);
  return TRUE;
}

void OnActive(GObject* window, GParamSpec*, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  const bool active = gtk_window_is_active(GTK_WINDOW(window)) != FALSE;
  if (s->backend->calendarsOpen > 0) return;
  if (s->backend->events() && s->backend->ActivationIsNews(s->id, active))
    s->backend->events()->SurfaceActivated(s->id, active);
}

gboolean OnMap(GtkWidget* window, GdkEvent*, gpointer data) {
  auto* s = static_cast<Surface*>(data);
  // Without a window manager the focus can only be given to a window once it
  // is on the screen.
  if (s->activateOnMap) {
    s->activateOnMap = false;
    s->backend->ExpectActivation(s->id);
    PresentNow(GTK_WINDOW(window));
  }
  return FALSE;
}

}  // namespace

KeyEvent KeyEventOf(const GdkEventKey* e) {
  KeyEvent k;
  k.down = e->type == GDK_KEY_PRESS;
  // The key's own value, whatever modifiers are held (Num Lock excepted), in
  // the first layout group: the virtual key names the key, not the character.
  guint base = 0;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  gdk_keymap_translate_keyboard_state(keymap, e->hardware_keycode,
                                      static_cast<GdkModifierType>(e->state & GDK_MOD2_MASK), 0, &base,
                                      nullptr, nullptr, nullptr);
  VirtualKey vk{DigitKeyFromKeycode(e->hardware_keycode), false};
  if (!vk.code) vk = VirtualKeyFromKeyval(base);
  if (!vk.code) vk = VirtualKeyFromKeyval(e->keyval);
  k.virtualKey = vk.code;
  k.extended = vk.extended;
  k.scanCode = ScanCodeFromKeycode(e->hardware_keycode);
  return k;
}

KeyEvent EditKeyEventOf(const GdkEventKey* e) {
  KeyEvent k = KeyEventOf(e);
  const bool ctrl = e->state & GDK_CONTROL_MASK;
  const gunichar c = gdk_keyval_to_unicode(e->keyval);
  if (!k.down || ctrl || c < 0x20 || c == 0x7F || c > 0xFFFF) return k;
  const bool shift = e->state & GDK_SHIFT_MASK;
  const bool caps = e->state & GDK_LOCK_MASK;
  if (k.virtualKey && internal::UsLayoutChar(k.virtualKey, shift, false, caps) == c) return k;
  k.virtualKey = VK_PACKET;
  k.character = static_cast<char16_t>(c);
  k.extended = false;
  return k;
}

void GtkBackend::ConnectInput(Surface& s) {
  g_signal_connect(s.canvas, "button-press-event", G_CALLBACK(OnButtonPress), &s);
  g_signal_connect(s.canvas, "button-release-event", G_CALLBACK(OnButtonRelease), &s);
  g_signal_connect(s.canvas, "motion-notify-event", G_CALLBACK(OnMotion), &s);
  g_signal_connect(s.canvas, "enter-notify-event", G_CALLBACK(OnCrossing), &s);
  g_signal_connect(s.canvas, "leave-notify-event", G_CALLBACK(OnCrossing), &s);
  g_signal_connect(s.canvas, "scroll-event", G_CALLBACK(OnScroll), &s);
  // Keys are taken at the window, before GTK routes them to a focus widget.
  g_signal_connect(s.window, "key-press-event", G_CALLBACK(OnKey), &s);
  g_signal_connect(s.window, "key-release-event", G_CALLBACK(OnKey), &s);
  g_signal_connect(s.window, "focus-in-event", G_CALLBACK(OnFocusIn), &s);
  g_signal_connect(s.window, "focus-out-event", G_CALLBACK(OnFocusOut), &s);
  g_signal_connect(s.window, "configure-event", G_CALLBACK(OnConfigure), &s);
  g_signal_connect(s.window, "window-state-event", G_CALLBACK(OnWindowState), &s);
  g_signal_connect(s.window, "delete-event", G_CALLBACK(OnDelete), &s);
  g_signal_connect(s.window, "notify::is-active", G_CALLBACK(OnActive), &s);
  g_signal_connect(s.window, "map-event", G_CALLBACK(OnMap), &s);
  g_signal_connect(s.im, "commit", G_CALLBACK(OnCommit), &s);
}

}  // namespace os::gtk
