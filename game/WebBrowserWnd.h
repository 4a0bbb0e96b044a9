// The game window: a skinned, resizable window whose thin title bar carries
// the game's name, the server and its announcement, the page's "More" and
// top-up links and the window buttons, above the browser control that shows
// the game page. Portal pages size and label it through the private
// messages of GameBrowserEventHandler.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Core/WindowImplBase.h"
#include "controls/Button.h"
#include "controls/WebBrowser.h"
#include "game/GameBrowserEventHandler.h"

// The texts of the game window's own boxes.
inline constexpr char16_t kGameWindowBoxCaption[] = u"警告";
inline constexpr char16_t kCacheClearedText[] = u"清空IE缓存成功!";
inline constexpr char16_t kSameServerOpenText[] = u"您已经打开相同区服的游戏!";

// The file in which every launcher process records the game it shows:
// one section per process, named by its id.
std::u16string OpenedGameFile();

class WebBrowserWnd : public Kesto::WindowImplBase {
 public:
  WebBrowserWnd();
  ~WebBrowserWnd() override;

  std::u16string_view GetWindowClassName() const override;
  os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;
  void InitWindow() override;
  std::u16string GetSkinFolder() override;
  std::u16string GetSkinFile() override;
  Kesto::ResourceKind GetResourceType() const override;
  std::u16string GetZipFileName() const override;
  os::ResourceName GetResourceId() const override;
  os::LRESULT OnSysCommand(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) override;
  void OnClick(Kesto::NotifyMsg& msg) override;

  // Stores the player's uid and token and the title, sets the optional icon
  // and opens url with "&uid=" and "&token=" appended.
  void OpenGame(const std::u16string& title, const std::optional<std::u16string>& iconFile,
                const std::u16string& url, const std::u16string& uid, const std::u16string& token);

  // What the title bar and the page rules left behind.
  int FullMode() const { return fullMode_; }
  const std::u16string& MoreUrl() const { return moreUrl_; }
  const std::u16string& ChargeUrl() const { return chargeUrl_; }
  const std::u16string& AnnouncementUrl() const { return announcementUrl_; }
  const std::u16string& Title() const { return title_; }
  Kesto::CWebBrowserUI* Browser() const { return ie_; }
  // The address the top-up link opens.
  std::u16string ChargeAddress() const;

 private:
  os::LRESULT SetWidth(int width);
  os::LRESULT SetHeight(int height);
  void SetSizable(os::WPARAM flag);
  void SetFull(os::WPARAM flag);
  void SetBar(const char16_t* text);
  os::LRESULT CheckOpenedGame(os::WPARAM gameId, os::LPARAM serverId);
  void ToggleMaximized();

  int fullMode_ = 1;
  Kesto::CWebBrowserUI* ie_ = nullptr;
  Kesto::CControlUI* gameIcon_ = nullptr;
  Kesto::CButtonUI* gameName_ = nullptr;
  Kesto::CButtonUI* gameArea_ = nullptr;
  Kesto::CButtonUI* clearCacheButton_ = nullptr;
  Kesto::CButtonUI* refreshButton_ = nullptr;
  Kesto::CButtonUI* maxButton_ = nullptr;
  Kesto::CButtonUI* more_ = nullptr;
  Kesto::CButtonUI* charge_ = nullptr;
  std::u16string uid_;
  std::u16string token_;
  std::u16string title_;
  std::u16string moreUrl_;
  std::u16string chargeUrl_;
  std::u16string announcementUrl_;
  // The handler lives as long as the window; the browser control only
  // borrows it.
  std::unique_ptr<GameBrowserEventHandler> handler_;
};
