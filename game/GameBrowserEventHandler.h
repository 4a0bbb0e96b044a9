// The rules by which portal pages steer the game window: navigation rules
// (a sizable client address, the marking of game-gateway addresses), page
// rules (META elements of portal pages) and the look of the embedded
// browser. The handler never touches the window itself: it posts (or, for
// the title bar, sends) the game window's private messages.
#pragma once

#include <string>
#include <string_view>

#include "controls/WebBrowser.h"
#include "platform/base/Types.h"

// Private messages of the game window.
inline constexpr os::UINT WM_GAME_SET_WIDTH = 2024;
inline constexpr os::UINT WM_GAME_SET_HEIGHT = 2025;
inline constexpr os::UINT WM_GAME_SET_SIZABLE = 2026;
inline constexpr os::UINT WM_GAME_SET_FULL = 2027;
inline constexpr os::UINT WM_GAME_OPENED = 2028;
inline constexpr os::UINT WM_GAME_SET_BAR = 2029;
inline constexpr os::WPARAM GAME_FLAG_ON = 10000;
inline constexpr os::WPARAM GAME_FLAG_OFF = 9999;

// The host flags game pages are shown with: no help menu, no 3-D borders,
// no scroll bars.
inline constexpr os::DWORD kGameHostFlags = 0x20000E;

// Shown for a portal document that offers no HTML document interface.
inline constexpr char16_t kOldBrowserText[] =
    u"检测到你的IE版本太低，建议更新至Lumora游戏中心完整版进行畅快游戏!";
inline constexpr char16_t kLauncherCaption[] = u"LumoraMorvaine";

// The title-bar data a page's "win-bar" carries (Base64 of a JSON object).
struct GameBarData {
  std::u16string serverName;
  std::u16string announcement;
  std::u16string announcementUrl;
  std::u16string moreUrl;
  std::u16string chargeUrl;
};

// Decodes a "win-bar" text. A text that is not Base64 of a JSON object, and
// members that are missing or not strings, give empty values; so does a
// member of 256 bytes or more.
GameBarData DecodeGameBar(std::u16string_view text);

// The decimal number at the start of text as the C runtime reads one:
// leading white space and a sign allowed, the first non-digit ends it, no
// number gives 0. Values beyond the int range are clamped to it.
int ParseLeadingInt(std::u16string_view text);

class GameBrowserEventHandler final : public Kesto::CWebBrowserEventHandler {
 public:
  GameBrowserEventHandler(os::HWND window, Kesto::CWebBrowserUI* browser);

  void BeforeNavigate2(os::IDispatch* dispatch, void* url, void* flags, void* targetFrameName, void* postData,
                       void* headers, void* cancel) override;
  void DocumentComplete(os::IDispatch* dispatch, void* url) override;
  os::HRESULT GetHostInfo(os::DOCHOSTUIINFO* info) override;

 private:
  // Reads the META elements of a portal document in document order.
  void ApplyPageRules(os::IDispatch* dispatch);

  const os::HWND window_;
  Kesto::CWebBrowserUI* const browser_;
};
