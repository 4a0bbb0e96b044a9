// Fonts given to the system's controls: our code hands them Font objects
// with WM_SETFONT, and the system's procedures must get the GDI font (a
// Font pointer would be no font to them, and the field would keep the
// system's). Needs the gfx group's GDI fonts.
#include <gtest/gtest.h>

#include "platform/gfx/Text.h"
#include "platform/syscontrols/Edit.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Resource.h"

namespace os {
namespace {

WNDPROC g_systemEdit = nullptr;

LRESULT OS_STDCALL SuperclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProc(g_systemEdit, hwnd, message, wParam, lParam);
}

// Where the field puts the end of its text: wider letters, further right.
int TextEnd(HWND field) {
  const auto length = static_cast<WPARAM>(GetWindowTextLength(field));
  return GET_X_LPARAM(SendMessage(field, EM_POSFROMCHAR, length - 1, 0));
}

HWND Field(const char16_t* className) {
  return CreateWindowEx(0, className, u"MMMMMMMMMM", WS_POPUP, 0, 0, 600, 60, nullptr, nullptr,
                        ExecutableModule(), nullptr);
}

TEST(Win32FontMessages, SystemFieldsDrawWithTheFontTheyAreGivenDirectlyOrThroughASuperclass) {
  WNDCLASSEXW wc;
  ASSERT_TRUE(GetClassInfoEx(nullptr, WC_EDIT, &wc));
  g_systemEdit = wc.lpfnWndProc;
  wc.lpfnWndProc = SuperclassProc;
  wc.hInstance = ExecutableModule();
  wc.lpszClassName = u"LumoraFontField";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  Font large(u"Tahoma", 40, true);

  for (const char16_t* className : {WC_EDIT, u"LumoraFontField"}) {
    HWND field = Field(className);
    ASSERT_NE(field, nullptr);
    const int systemFont = TextEnd(field);
    SendMessage(field, WM_SETFONT, reinterpret_cast<WPARAM>(&large), FALSE);
    EXPECT_GT(TextEnd(field), systemFont * 3 / 2);
    EXPECT_EQ(SendMessage(field, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(&large));
    // nullptr is the default font again.
    SendMessage(field, WM_SETFONT, 0, FALSE);
    EXPECT_EQ(TextEnd(field), systemFont);
    EXPECT_EQ(SendMessage(field, WM_GETFONT, 0, 0), 0);
    DestroyWindow(field);
  }
  UnregisterClass(u"LumoraFontField", ExecutableModule());
}

}  // namespace
}  // namespace os
