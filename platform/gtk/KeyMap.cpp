// Key value and key code tables. Key values are the X11 keysyms GDK reports;
// their numbers are fixed by the X protocol, so no GDK header is needed.
#include "platform/gtk/KeyMap.h"

#include "platform/window/Messages.h"

namespace os::gtk {
namespace {

struct Entry {
  std::uint32_t keyval;
  UINT vk;
  bool extended;
};

// Function, navigation, modifier and keypad keys (the 0xFFxx keysym page and
// a few of the 0xFExx one).
constexpr Entry kSpecial[] = {
    {0xff08, VK_BACK, false},
    {0xff09, VK_TAB, false},
    {0xfe20, VK_TAB, false},  // ISO_Left_Tab
    {0xff0b, VK_CLEAR, false},
    {0xff0d, VK_RETURN, false},
    {0xff13, VK_PAUSE, false},
    {0xff14, VK_SCROLL, false},
    {0xff15, VK_SNAPSHOT, false},
    {0xff1b, VK_ESCAPE, false},
    {0xff50, VK_HOME, true},
    {0xff51, VK_LEFT, true},
    {0xff52, VK_UP, true},
    {0xff53, VK_RIGHT, true},
    {0xff54, VK_DOWN, true},
    {0xff55, VK_PRIOR, true},
    {0xff56, VK_NEXT, true},
    {0xff57, VK_END, true},
    {0xff58, VK_CLEAR, false},
    {0xff60, VK_SELECT, false},
    {0xff61, VK_SNAPSHOT, true},
    {0xff62, VK_EXECUTE, false},
    {0xff63, VK_INSERT, true},
    {0xff67, VK_APPS, true},
    {0xff69, VK_CANCEL, true},
    {0xff6a, VK_HELP, false},
    {0xff6b, VK_PAUSE, false},
    {0xff7f, VK_NUMLOCK, true},
    {0xffff, VK_DELETE, true},
    // Keypad with Num Lock off: the navigation keys, not extended.
    {0xff80, VK_SPACE, false},
    {0xff89, VK_TAB, false},
    {0xff8d, VK_RETURN, true},
    {0xff95, VK_HOME, false},
    {0xff96, VK_LEFT, false},
    {0xff97, VK_UP, false},
    {0xff98, VK_RIGHT, false},
    {0xff99, VK_DOWN, false},
    {0xff9a, VK_PRIOR, false},
    {0xff9b, VK_NEXT, false},
    {0xff9c, VK_END, false},
    {0xff9d, VK_CLEAR, false},
    {0xff9e, VK_INSERT, false},
    {0xff9f, VK_DELETE, false},
    {0xffaa, VK_MULTIPLY, false},
    {0xffab, VK_ADD, false},
    {0xffac, VK_SEPARATOR, false},
    {0xffad, VK_SUBTRACT, false},
    {0xffae, VK_DECIMAL, false},
    {0xffaf, VK_DIVIDE, true},
    {0xffbd, VK_OEM_PLUS, false},
    // Modifiers; AltGr is the right Alt key.
    {0xffe1, VK_LSHIFT, false},
    {0xffe2, VK_RSHIFT, false},
    {0xffe3, VK_LCONTROL, false},
    {0xffe4, VK_RCONTROL, true},
    {0xffe5, VK_CAPITAL, false},
    {0xffe6, VK_CAPITAL, false},
    {0xffe7, VK_LMENU, false},
    {0xffe8, VK_RMENU, true},
    {0xffe9, VK_LMENU, false},
    {0xffea, VK_RMENU, true},
    {0xfe03, VK_RMENU, true},
    {0xffeb, VK_LWIN, true},
    {0xffec, VK_RWIN, true},
};

// US-layout punctuation, shifted and not, on the key that carries it.
UINT PunctuationKey(std::uint32_t c) {
  switch (c) {
    case ' ':
      return VK_SPACE;
    case ';':
    case ':':
      return VK_OEM_1;
    case '=':
    case '+':
      return VK_OEM_PLUS;
    case ',':
    case '<':
      return VK_OEM_COMMA;
    case '-':
    case '_':
      return VK_OEM_MINUS;
    case '.':
    case '>':
      return VK_OEM_PERIOD;
    case '/':
    case '?':
      return VK_OEM_2;
    case '`':
    case '~':
      return VK_OEM_3;
    case '[':
    case '{':
      return VK_OEM_4;
    case '\\':
    case '|':
      return VK_OEM_5;
    case ']':
    case '}':
      return VK_OEM_6;
    case '\'':
    case '"':
      return VK_OEM_7;
    case ')':
      return '0';
    case '!':
      return '1';
    case '@':
      return '2';
    case '#':
      return '3';
    case '$':
      return '4';
    case '%':
      return '5';
    case '^':
      return '6';
    case '&':
      return '7';
    case '*':
      return '8';
    case '(':
      return '9';
    default:
      return 0;
  }
}

}  // namespace

VirtualKey VirtualKeyFromKeyval(std::uint32_t keyval) {
  if (keyval >= 'a' && keyval <= 'z') return {static_cast<UINT>(keyval - 'a' + 'A'), false};
  if ((keyval >= 'A' && keyval <= 'Z') || (keyval >= '0' && keyval <= '9')) return {keyval, false};
  if (keyval < 0x80) return {PunctuationKey(keyval), false};
  if (keyval >= 0xffb0 && keyval <= 0xffb9) return {VK_NUMPAD0 + (keyval - 0xffb0), false};
  if (keyval >= 0xffbe && keyval <= 0xffd5) return {VK_F1 + (keyval - 0xffbe), false};  // F1..F24
  for (const Entry& e : kSpecial) {
    if (e.keyval == keyval) return {e.vk, e.extended};
  }
  return {};
}

UINT DigitKeyFromKeycode(std::uint32_t keycode) {
  // evdev 2..10 are the keys 1..9, 11 is 0.
  if (keycode < 10 || keycode > 19) return 0;
  return keycode == 19 ? '0' : '1' + (keycode - 10);
}

UINT ScanCodeFromKeycode(std::uint32_t keycode) {
  if (keycode < 8) return 0;
  const std::uint32_t evdev = keycode - 8;
  // Up to F12 (the keypad and the extra key of ISO keyboards among them)
  // evdev numbers are the set-1 codes; 84 and 85 are no PC keys.
  if (evdev > 0 && evdev <= 88 && evdev != 84 && evdev != 85) return evdev;
  switch (evdev) {
    case 96:  // keypad Enter
      return 0x1C;
    case 97:  // right Ctrl
      return 0x1D;
    case 98:  // keypad /
      return 0x35;
    case 99:  // SysRq / Print
      return 0x37;
    case 100:  // right Alt
      return 0x38;
    case 102:  // Home
      return 0x47;
    case 103:  // Up
      return 0x48;
    case 104:  // Page Up
      return 0x49;
    case 105:  // Left
      return 0x4B;
    case 106:  // Right
      return 0x4D;
    case 107:  // End
      return 0x4F;
    case 108:  // Down
      return 0x50;
    case 109:  // Page Down
      return 0x51;
    case 110:  // Insert
      return 0x52;
    case 111:  // Delete
      return 0x53;
    case 119:  // Pause
      return 0x45;
    case 125:  // left Windows key
      return 0x5B;
    case 126:  // right Windows key
      return 0x5C;
    case 127:  // Menu
      return 0x5D;
    default:
      return 0;
  }
}

}  // namespace os::gtk
