// Keys of the X11 desktop as Windows names them: virtual-key codes from GDK
// key values (which are X keysyms), and set-1 scan codes from X key codes.
// Kept free of GDK headers so that the tables can be checked without a display.
#pragma once

#include <cstdint>

#include "platform/base/Types.h"

namespace os::gtk {

struct VirtualKey {
  UINT code = 0;          // VK_*; 0 when the key has none
  bool extended = false;  // the E0-prefixed keys of a PC keyboard
};

// The virtual key of a key value. Letters name their upper-case key, the
// shifted punctuation of the US layout its unshifted key, keypad keys their
// VK_NUMPAD* or navigation key; left and right modifiers stay apart.
VirtualKey VirtualKeyFromKeyval(std::uint32_t keyval);

// The key of the digit row of an X key code ('0'..'9'), whatever the
// layout puts on it (Windows names these keys the same on every layout);
// 0 for other keys.
UINT DigitKeyFromKeycode(std::uint32_t keycode);

// The set-1 scan code of an X key code (evdev code + 8), without the E0
// prefix; 0 when unknown.
UINT ScanCodeFromKeycode(std::uint32_t keycode);

}  // namespace os::gtk
