#include "platform/gtk/ForeignMessages.h"

#include <cstdint>

#include "platform/window/Messages.h"

namespace os::gtk {
namespace {

long Low(std::uint64_t v) { return static_cast<long>(static_cast<std::uint32_t>(v)); }
long High(std::uint64_t v) { return static_cast<long>(static_cast<std::uint32_t>(v >> 32)); }
std::uint64_t Join(long low, long high) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
         static_cast<std::uint32_t>(low);
}

}  // namespace

std::array<long, 5> PackForeignMessage(const ForeignMessage& m) {
  const auto w = static_cast<std::uint64_t>(m.wParam);
  const auto l = static_cast<std::uint64_t>(m.lParam);
  return {static_cast<long>(m.message), Low(w), High(w), Low(l), High(l)};
}

ForeignMessage UnpackForeignMessage(const std::array<long, 5>& d) {
  ForeignMessage m;
  m.message = static_cast<UINT>(static_cast<std::uint32_t>(d[0]));
  m.wParam = static_cast<WPARAM>(Join(d[1], d[2]));
  m.lParam = static_cast<LPARAM>(Join(d[3], d[4]));
  return m;
}

bool AcceptsForeignMessage(UINT message) {
  const bool reflected = message >= OCM__BASE && message < OCM__BASE + WM_USER;
  if (message >= WM_USER && message <= 0xBFFF && !reflected) return true;
  return message == WM_NULL || message == WM_CLOSE || message == WM_SYSCOMMAND;
}

}  // namespace os::gtk
