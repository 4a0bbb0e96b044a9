#include "game/OpenGameWindow.h"

#include <optional>

#include "game/WebBrowserWnd.h"
#include "platform/window/Messages.h"

namespace {
constexpr os::UINT kLauncherIconGroup = 115;
}

WebBrowserWnd* OpenGameWindow(const std::u16string& url, const std::u16string& uid,
                              const std::u16string& token) {
  auto* window = new WebBrowserWnd();
  const os::DWORD style = os::WS_OVERLAPPED | os::WS_CAPTION | os::WS_SYSMENU | os::WS_THICKFRAME |
                          os::WS_MINIMIZEBOX | os::WS_MAXIMIZEBOX | os::WS_VISIBLE;
  if (window->Create(nullptr, kGameWindowTitle, style, os::WS_EX_APPWINDOW | os::WS_EX_WINDOWEDGE) ==
      nullptr) {
    delete window;
    return nullptr;
  }
  window->OpenGame(kGameWindowTitle, std::nullopt, url, uid, token);
  window->SetIcon(kLauncherIconGroup);
  window->CenterWindow();
  window->ShowWindow(true);
  return window;
}
