// The key state: setting a key and what a press of a modifier or lock key
// does to its companions.
#include "platform/window/internal/KeyState.h"

namespace os::internal {

UINT GenericKey(UINT vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
      return VK_MENU;
    default:
      return vk;
  }
}

UINT ButtonKey(MouseButton b) {
  switch (b) {
    case MouseButton::Left:
      return VK_LBUTTON;
    case MouseButton::Right:
      return VK_RBUTTON;
    case MouseButton::Middle:
      return VK_MBUTTON;
    case MouseButton::X1:
      return VK_XBUTTON1;
    case MouseButton::X2:
      return VK_XBUTTON2;
  }
  return VK_LBUTTON;
}

void KeyState::SetBit(UINT vk, bool down) {
  vk &= 0xFF;
  const bool was = keys_[vk] & 0x80;
  if (down) {
    keys_[vk] |= 0x80;
    if (!was && (vk == VK_CAPITAL || vk == VK_NUMLOCK || vk == VK_SCROLL)) keys_[vk] ^= 0x01;
  } else {
    keys_[vk] &= ~0x80;
  }
}

void KeyState::Set(UINT vk, bool down) {
  vk &= 0xFF;
  SetBit(vk, down);
  const UINT generic = GenericKey(vk);
  if (generic != vk) {
    SetBit(generic, down);
  } else if (vk == VK_SHIFT) {
    SetBit(VK_LSHIFT, down);
  } else if (vk == VK_CONTROL) {
    SetBit(VK_LCONTROL, down);
  } else if (vk == VK_MENU) {
    SetBit(VK_LMENU, down);
  }
}

WPARAM KeyState::MouseKeyFlags() const {
  WPARAM flags = 0;
  if (IsDown(VK_LBUTTON)) flags |= MK_LBUTTON;
  if (IsDown(VK_RBUTTON)) flags |= MK_RBUTTON;
  if (IsDown(VK_MBUTTON)) flags |= MK_MBUTTON;
  if (IsDown(VK_XBUTTON1)) flags |= MK_XBUTTON1;
  if (IsDown(VK_XBUTTON2)) flags |= MK_XBUTTON2;
  if (IsDown(VK_SHIFT)) flags |= MK_SHIFT;
  if (IsDown(VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

}  // namespace os::internal
