// Messages posted between processes over X11: a ClientMessage of format 32
// carries five longs, of which only the low 32 bits travel (and come back
// sign-extended). The message number and both 64-bit parameters are split
// into 32-bit halves so that nothing is lost on the way.
#pragma once

#include <array>

#include "platform/base/Types.h"

namespace os::gtk {

// The name of the ClientMessage type every launcher process listens for.
inline constexpr char kPostedMessageAtom[] = "_LUMORA_POSTED_MESSAGE";

struct ForeignMessage {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// The ClientMessage payload (XClientMessageEvent::data.l) for a message.
std::array<long, 5> PackForeignMessage(const ForeignMessage& message);
// The message back from a payload as Xlib delivers it.
ForeignMessage UnpackForeignMessage(const std::array<long, 5>& data);

// Whether a window accepts a message another process posted. Another process
// cannot hand over memory, so messages whose parameters may be pointers are
// refused: only the private ranges (WM_USER up to 0xBFFF, without the
// system messages reflected to controls at +0x2000) and the few system
// messages that carry plain numbers (WM_NULL, WM_CLOSE, WM_SYSCOMMAND) get
// through.
bool AcceptsForeignMessage(UINT message);

}  // namespace os::gtk
