// Key tables of the gtk backend. Key values are X11 keysyms and key codes
// evdev codes + 8, both fixed by their protocols, so plain numbers are used.
#include <gtest/gtest.h>

#include "platform/gtk/KeyMap.h"
#include "platform/window/Messages.h"

namespace {

using os::gtk::ScanCodeFromKeycode;
using os::gtk::VirtualKeyFromKeyval;

TEST(GtkKeyMap, CharacterKeysNameTheKeyNotTheCharacter) {
  // Both cases of a letter are its key.
  EXPECT_EQ(VirtualKeyFromKeyval('a').code, 'A');
  EXPECT_EQ(VirtualKeyFromKeyval('z').code, 'Z');
  EXPECT_EQ(VirtualKeyFromKeyval('Q').code, 'Q');
  EXPECT_EQ(VirtualKeyFromKeyval('0').code, '0');
  EXPECT_EQ(VirtualKeyFromKeyval('9').code, '9');
  // Shifted digits and punctuation of a US keyboard are the keys below them.
  EXPECT_EQ(VirtualKeyFromKeyval('!').code, '1');
  EXPECT_EQ(VirtualKeyFromKeyval(')').code, '0');
  EXPECT_EQ(VirtualKeyFromKeyval('(').code, '9');
  EXPECT_EQ(VirtualKeyFromKeyval(':').code, os::VK_OEM_1);
  EXPECT_EQ(VirtualKeyFromKeyval(';').code, os::VK_OEM_1);
  EXPECT_EQ(VirtualKeyFromKeyval('"').code, os::VK_OEM_7);
  EXPECT_EQ(VirtualKeyFromKeyval('?').code, os::VK_OEM_2);
  EXPECT_EQ(VirtualKeyFromKeyval('{').code, os::VK_OEM_4);
  EXPECT_EQ(VirtualKeyFromKeyval('|').code, os::VK_OEM_5);
  EXPECT_EQ(VirtualKeyFromKeyval('~').code, os::VK_OEM_3);
  EXPECT_EQ(VirtualKeyFromKeyval(' ').code, os::VK_SPACE);
  EXPECT_FALSE(VirtualKeyFromKeyval('a').extended);
  // Characters without a key of their own travel as typed text.
  EXPECT_EQ(VirtualKeyFromKeyval(0xe9).code, 0u);       // eacute
  EXPECT_EQ(VirtualKeyFromKeyval(0x1000416).code, 0u);  // a Unicode keysym
  EXPECT_EQ(VirtualKeyFromKeyval(0xfe52).code, 0u);     // dead circumflex
  EXPECT_EQ(VirtualKeyFromKeyval(0).code, 0u);
}

TEST(GtkKeyMap, NavigationKeysAreExtendedExceptOnTheKeypad) {
  struct Case {
    std::uint32_t keyval;
    os::UINT vk;
    bool extended;
  };
  const Case cases[] = {
      {0xff51, os::VK_LEFT, true},      {0xff52, os::VK_UP, true},       {0xff53, os::VK_RIGHT, true},
      {0xff54, os::VK_DOWN, true},      {0xff50, os::VK_HOME, true},     {0xff57, os::VK_END, true},
      {0xff55, os::VK_PRIOR, true},     {0xff56, os::VK_NEXT, true},     {0xff63, os::VK_INSERT, true},
      {0xffff, os::VK_DELETE, true},    {0xff96, os::VK_LEFT, false},    {0xff95, os::VK_HOME, false},
      {0xff9f, os::VK_DELETE, false},   {0xff9e, os::VK_INSERT, false},  {0xff9d, os::VK_CLEAR, false},
      {0xff8d, os::VK_RETURN, true},    {0xff0d, os::VK_RETURN, false},  {0xffaf, os::VK_DIVIDE, true},
      {0xffaa, os::VK_MULTIPLY, false}, {0xffb0, os::VK_NUMPAD0, false}, {0xffb9, os::VK_NUMPAD9, false},
      {0xffae, os::VK_DECIMAL, false},  {0xff08, os::VK_BACK, false},    {0xff1b, os::VK_ESCAPE, false},
      {0xff09, os::VK_TAB, false},      {0xfe20, os::VK_TAB, false},  // Shift+Tab
  };
  for (const Case& c : cases) {
    const auto vk = VirtualKeyFromKeyval(c.keyval);
    EXPECT_EQ(vk.code, c.vk) << std::hex << c.keyval;
    EXPECT_EQ(vk.extended, c.extended) << std::hex << c.keyval;
  }
}

TEST(GtkKeyMap, ModifiersKeepTheirSideAndFunctionKeysRunToF24) {
  EXPECT_EQ(VirtualKeyFromKeyval(0xffe1).code, os::VK_LSHIFT);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffe2).code, os::VK_RSHIFT);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffe3).code, os::VK_LCONTROL);
  EXPECT_FALSE(VirtualKeyFromKeyval(0xffe3).extended);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffe4).code, os::VK_RCONTROL);
  EXPECT_TRUE(VirtualKeyFromKeyval(0xffe4).extended);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffe9).code, os::VK_LMENU);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffea).code, os::VK_RMENU);
  EXPECT_EQ(VirtualKeyFromKeyval(0xfe03).code, os::VK_RMENU);  // AltGr
  EXPECT_TRUE(VirtualKeyFromKeyval(0xfe03).extended);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffe5).code, os::VK_CAPITAL);
  EXPECT_EQ(VirtualKeyFromKeyval(0xff7f).code, os::VK_NUMLOCK);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffbe).code, os::VK_F1);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffc9).code, os::VK_F12);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffd5).code, os::VK_F24);
  EXPECT_EQ(VirtualKeyFromKeyval(0xffd6).code, 0u);
}

TEST(GtkKeyMap, TheDigitRowIsDigitsOnEveryLayout) {
  // On a French keyboard the key of 1 types '&' unshifted; it is still VK '1'.
  EXPECT_EQ(os::gtk::DigitKeyFromKeycode(10), static_cast<os::UINT>('1'));
  EXPECT_EQ(os::gtk::DigitKeyFromKeycode(18), static_cast<os::UINT>('9'));
  EXPECT_EQ(os::gtk::DigitKeyFromKeycode(19), static_cast<os::UINT>('0'));
  EXPECT_EQ(os::gtk::DigitKeyFromKeycode(9), 0u);   // Escape
  EXPECT_EQ(os::gtk::DigitKeyFromKeycode(20), 0u);  // minus
  EXPECT_EQ(os::gtk::DigitKeyFromKeycode(87), 0u);  // keypad 1
}

TEST(GtkKeyMap, ScanCodesFollowThePcKeyboard) {
  EXPECT_EQ(ScanCodeFromKeycode(9), 0x01u);   // Escape
  EXPECT_EQ(ScanCodeFromKeycode(38), 0x1Eu);  // A
  EXPECT_EQ(ScanCodeFromKeycode(36), 0x1Cu);  // Return
  EXPECT_EQ(ScanCodeFromKeycode(96), 0x58u);  // F12
  EXPECT_EQ(ScanCodeFromKeycode(94), 0x56u);  // the extra key of ISO keyboards
  // Keys of the E0 group have their own evdev numbers.
  EXPECT_EQ(ScanCodeFromKeycode(104), 0x1Cu);  // keypad Enter
  EXPECT_EQ(ScanCodeFromKeycode(105), 0x1Du);  // right Ctrl
  EXPECT_EQ(ScanCodeFromKeycode(108), 0x38u);  // right Alt
  EXPECT_EQ(ScanCodeFromKeycode(110), 0x47u);  // Home
  EXPECT_EQ(ScanCodeFromKeycode(111), 0x48u);  // Up
  EXPECT_EQ(ScanCodeFromKeycode(119), 0x53u);  // Delete
  EXPECT_EQ(ScanCodeFromKeycode(0), 0u);
  EXPECT_EQ(ScanCodeFromKeycode(8), 0u);
  EXPECT_EQ(ScanCodeFromKeycode(92), 0u);  // no PC key
  EXPECT_EQ(ScanCodeFromKeycode(255), 0u);
}

}  // namespace
