// Messages posted to windows of other processes over X11.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/gtk/ForeignMessages.h"
#include "platform/window/Messages.h"

namespace {

using os::gtk::ForeignMessage;

// What the X server does to a format-32 ClientMessage: each long travels as
// 32 bits and Xlib sign-extends it on the way in.
std::array<long, 5> OverTheWire(const std::array<long, 5>& sent) {
  std::array<long, 5> received{};
  for (std::size_t i = 0; i < sent.size(); ++i)
    received[i] = static_cast<long>(static_cast<std::int32_t>(static_cast<std::uint32_t>(sent[i])));
  return received;
}

TEST(GtkForeignMessage, ParametersSurviveThe32BitWire) {
  const ForeignMessage cases[] = {
      {2028, 7, 9},
      {os::WM_USER + 5, static_cast<os::WPARAM>(0xFFFFFFFF80000000ull), -1},
      {0xBFFF, 0x80000000u, static_cast<os::LPARAM>(0x123456789ABCDEF0ll)},
      {os::WM_SYSCOMMAND, os::SC_CLOSE, static_cast<os::LPARAM>(0xFFFF8000)},
  };
  for (const ForeignMessage& m : cases) {
    const ForeignMessage back = os::gtk::UnpackForeignMessage(OverTheWire(os::gtk::PackForeignMessage(m)));
    EXPECT_EQ(back.message, m.message);
    EXPECT_EQ(back.wParam, m.wParam) << m.message;
    EXPECT_EQ(back.lParam, m.lParam) << m.message;
  }
}

TEST(GtkForeignMessage, OnlyMessagesWithoutPointersAreAccepted) {
  using os::gtk::AcceptsForeignMessage;
  EXPECT_TRUE(AcceptsForeignMessage(2028));
  EXPECT_TRUE(AcceptsForeignMessage(os::WM_USER));
  EXPECT_TRUE(AcceptsForeignMessage(os::WM_APP + 1));
  EXPECT_TRUE(AcceptsForeignMessage(0xBFFF));
  EXPECT_TRUE(AcceptsForeignMessage(os::WM_SYSCOMMAND));
  EXPECT_TRUE(AcceptsForeignMessage(os::WM_CLOSE));
  EXPECT_TRUE(AcceptsForeignMessage(os::WM_NULL));
  // System messages may carry pointers into the sender's memory.
  EXPECT_FALSE(AcceptsForeignMessage(os::WM_SETTEXT));
  EXPECT_FALSE(AcceptsForeignMessage(os::WM_USER - 1));
  EXPECT_FALSE(AcceptsForeignMessage(os::OCM_NOTIFY));
  EXPECT_FALSE(AcceptsForeignMessage(os::OCM__BASE));
  EXPECT_TRUE(AcceptsForeignMessage(os::OCM__BASE + os::WM_USER));
  // Registered messages have no meaning shared between processes here.
  EXPECT_FALSE(AcceptsForeignMessage(0xC000));
  EXPECT_FALSE(AcceptsForeignMessage(0x10000));
}

}  // namespace
