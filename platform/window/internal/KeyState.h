// The state of every virtual key as the window system keeps it twice: once as
// the UI thread's messages have seen it (GetKeyState) and once as the devices
// reported it (GetAsyncKeyState). Bit 0x80 is "down"; bit 0x01 the toggle of
// CapsLock, NumLock and ScrollLock, flipped on each press. A left or right
// modifier moves its generic key too, and a generic modifier its left key, so
// that either name answers.
#pragma once

#include <array>

#include "platform/window/Input.h"

namespace os::internal {

class KeyState {
 public:
  void Set(UINT virtualKey, bool down);
  bool IsDown(UINT virtualKey) const { return (keys_[virtualKey & 0xFF] & 0x80) != 0; }
  bool IsToggled(UINT virtualKey) const { return (keys_[virtualKey & 0xFF] & 0x01) != 0; }
  BYTE Raw(UINT virtualKey) const { return keys_[virtualKey & 0xFF]; }
  // MK_* flags of the mouse buttons, Shift and Ctrl held.
  WPARAM MouseKeyFlags() const;

 private:
  void SetBit(UINT virtualKey, bool down);
  std::array<BYTE, 256> keys_{};
};

// The generic key (VK_SHIFT, VK_CONTROL, VK_MENU) of a left or right modifier;
// any other key is its own.
UINT GenericKey(UINT virtualKey);
// VK_LBUTTON ... VK_XBUTTON2 of a mouse button.
UINT ButtonKey(MouseButton button);

}  // namespace os::internal
