#include "game/WebBrowserWnd.h"

#include <string>

#include "platform/syscontrols/MessageBox.h"
#include "platform/system/Kernel.h"
#include "platform/system/Profile.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"
#include "support/BrowserCache.h"
#include "support/DefaultBrowser.h"
#include "support/Encoding.h"
#include "support/InstallRecord.h"
#include "support/JourneyMarks.h"
#include "support/ProcessWindow.h"

namespace {

// Values of the opened-game file are read into areas of this many
// characters, terminator included; section names likewise.
constexpr os::DWORD kRecordValueSize = 1024;
constexpr os::DWORD kSectionNamesSize = 1024;

std::u16string Decimal(unsigned long long value) {
  const std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

std::u16string ReadRecord(const std::u16string& section, const char16_t* key, const std::u16string& file) {
  std::u16string value;
  os::GetPrivateProfileString(section.c_str(), key, u"", &value, kRecordValueSize, file);
  return value;
}

// A section name read as the C runtime reads a decimal number.
os::DWORD ProcessIdOf(const std::u16string& section) {
  unsigned long long value = 0;
  for (char16_t c : section) {
    if (c < u'0' || c > u'9') break;
    value = value * 10 + static_cast<unsigned long long>(c - u'0');
    if (value > 0xFFFFFFFFull) return 0;
  }
  return static_cast<os::DWORD>(value);
}

}  // namespace

std::u16string OpenedGameFile() { return DataDirectory() + u"tmp/tmporary_opened_gamewnd.ini"; }

WebBrowserWnd::WebBrowserWnd() = default;

WebBrowserWnd::~WebBrowserWnd() {
  // The browser goes quiet before the handler it borrows is destroyed.
  if (auto* browser = static_cast<Kesto::CWebBrowserUI*>(manager_.FindControlByName(u"ie"))) {
    browser->ReleaseControl();
  }
}

std::u16string_view WebBrowserWnd::GetWindowClassName() const { return u"IEWeb"; }
std::u16string WebBrowserWnd::GetSkinFolder() { return {}; }
std::u16string WebBrowserWnd::GetSkinFile() { return u"webframe.xml"; }
Kesto::ResourceKind WebBrowserWnd::GetResourceType() const { return Kesto::ResourceKind::ZipResource; }
std::u16string WebBrowserWnd::GetZipFileName() const { return {}; }
os::ResourceName WebBrowserWnd::GetResourceId() const { return os::ResourceName(114); }

void WebBrowserWnd::InitWindow() {
  ie_ = static_cast<Kesto::CWebBrowserUI*>(manager_.FindControlByName(u"ie"));
  if (ie_ != nullptr && ie_->GetInterface(u"WebBrowser") == nullptr) ie_ = nullptr;
  if (ie_ != nullptr) {
    handler_ = std::make_unique<GameBrowserEventHandler>(GetHWND(), ie_);
    ie_->SetWebBrowserEventHandler(handler_.get());
  }
  auto button = [this](std::u16string_view name) {
    Kesto::CControlUI* control = manager_.FindControlByName(name);
    return control != nullptr ? static_cast<Kesto::CButtonUI*>(control->GetInterface(u"Button")) : nullptr;
  };
  gameName_ = button(u"gamename");
  gameArea_ = button(u"gamearea");
  clearCacheButton_ = button(u"clearcachebtn");
  refreshButton_ = button(u"refreshbtn");
  gameIcon_ = manager_.FindControlByName(u"gameicon");
  maxButton_ = button(u"maxbtn");
  more_ = button(u"more");
  charge_ = button(u"charge");

  // Windows XP draws the title-bar font higher in its line.
  os::OSVERSIONINFO version;
  if (os::GetVersionEx(&version) && version.dwMajorVersion == 5 && version.dwMinorVersion == 1 &&
      gameArea_ != nullptr) {
    gameArea_->SetTextPadding(os::RECT{0, 5, 0, 0});
  }
}

void WebBrowserWnd::OpenGame(const std::u16string& title, const std::optional<std::u16string>& iconFile,
                             const std::u16string& url, const std::u16string& uid,
                             const std::u16string& token) {
  uid_ = uid;
  token_ = token;
  title_ = title;
  const std::u16string address = url + u"&uid=" + uid + u"&token=" + token;
  // Icons come from icon-group resources only; an icon file cannot be
  // loaded here, which leaves the window's icons and gameicon as they are.
  (void)iconFile;
  os::SetWindowText(GetHWND(), title.c_str());
  if (gameName_ != nullptr) gameName_->SetText(title);
  if (ie_ != nullptr) ie_->Navigate2(address);
}

std::u16string WebBrowserWnd::ChargeAddress() const {
  return chargeUrl_ + u"&uid=" + uid_ + u"&token=" + token_ + u"&ver=3";
}

void WebBrowserWnd::ToggleMaximized() {
  SendMessage(os::WM_SYSCOMMAND, os::IsZoomed(GetHWND()) ? os::SC_RESTORE : os::SC_MAXIMIZE, 0);
}

void WebBrowserWnd::OnClick(Kesto::NotifyMsg& msg) {
  if (msg.sender == nullptr) return;
  const std::u16string name = msg.sender->GetName();
  if (name == u"minbtn") {
    SendMessage(os::WM_SYSCOMMAND, os::SC_MINIMIZE, 0);
  } else if (name == u"closebtn") {
    os::PostQuitMessage(0);
  } else if (name == u"maxbtn") {
    ToggleMaximized();
  } else if (name == u"clearcachebtn") {
    ClearBrowserCache();
    os::MessageBox(nullptr, kCacheClearedText, kGameWindowBoxCaption, os::MB_OK);
  } else if (name == u"refreshbtn") {
    if (ie_ != nullptr) ie_->Refresh();
  } else if (name == u"more") {
    OpenInBrowser(moreUrl_);
  } else if (name == u"gamearea") {
    OpenInBrowser(announcementUrl_);
  } else if (name == u"charge") {
    OpenInBrowser(ChargeAddress());
  }
}

os::LRESULT WebBrowserWnd::OnSysCommand(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                        bool& handled) {
  if ((wParam & 0xFFF0) == os::SC_CLOSE) {
    os::PostQuitMessage(0);
    handled = true;
    return 0;
  }
  return WindowImplBase::OnSysCommand(message, wParam, lParam, handled);
}

os::LRESULT WebBrowserWnd::SetWidth(int width) {
  os::RECT r{};
  os::GetWindowRect(GetHWND(), &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  // Integer division truncates toward zero: the window stays centred on its
  // old position, to the pixel the page asked for.
  os::SetWindowPos(GetHWND(), nullptr, r.left + (w - width) / 2, r.top, width, h, os::SWP_NOZORDER);
  journey::Mark(journey::kServerList);
  return 0;
}

os::LRESULT WebBrowserWnd::SetHeight(int height) {
  os::RECT r{};
  os::GetWindowRect(GetHWND(), &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  os::SetWindowPos(GetHWND(), nullptr, r.left, r.top + (h - height) / 2, w, height, os::SWP_NOZORDER);
  journey::Mark(journey::kServerList);
  return 0;
}

void WebBrowserWnd::SetSizable(os::WPARAM flag) {
  if (flag == GAME_FLAG_ON) {
    manager_.SetSizingBorder(os::RECT{4, 0, 4, 4});
  } else if (flag == GAME_FLAG_OFF) {
    manager_.SetSizingBorder(os::RECT{0, 0, 0, 0});
  }
}

void WebBrowserWnd::SetFull(os::WPARAM flag) {
  fullMode_ = static_cast<int>(flag);
  if (flag == GAME_FLAG_ON) {
    if (maxButton_ != nullptr) maxButton_->SetEnabled(true);
    SendMessage(os::WM_SYSCOMMAND, os::SC_MAXIMIZE, 0);
  } else if (flag == GAME_FLAG_OFF) {
    if (maxButton_ != nullptr) maxButton_->SetEnabled(false);
  }
}

void WebBrowserWnd::SetBar(const char16_t* text) {
  const GameBarData bar = DecodeGameBar(text != nullptr ? std::u16string_view(text) : std::u16string_view());
  if (gameArea_ != nullptr) gameArea_->SetText(bar.serverName + u" 公告:" + bar.announcement);
  moreUrl_ = bar.moreUrl;
  chargeUrl_ = bar.chargeUrl;
  announcementUrl_ = bar.announcementUrl;
  if (more_ != nullptr) more_->SetVisible(!moreUrl_.empty());
  if (charge_ != nullptr) charge_->SetVisible(!chargeUrl_.empty());
  if (more_ != nullptr) more_->SetMouseEnabled(true);
  if (gameArea_ != nullptr) gameArea_->SetMouseEnabled(true);
}

os::LRESULT WebBrowserWnd::CheckOpenedGame(os::WPARAM gameId, os::LPARAM serverId) {
  const std::u16string gidText = Decimal(gameId);
  const std::u16string sidText = Decimal(static_cast<unsigned long long>(serverId));
  const std::u16string file = OpenedGameFile();
  const std::u16string escapedTitle = EscapeUtf16Units(title_);

  std::u16string names;
  os::GetPrivateProfileSectionNames(&names, kSectionNamesSize, file);
  bool open = false;
  for (const std::u16string& section : os::SplitMultiString(names)) {
    const std::u16string id = ReadRecord(section, u"id", file);
    const std::u16string uid = ReadRecord(section, u"uid", file);
    const std::u16string gid = ReadRecord(section, u"gid", file);
    const std::u16string sid = ReadRecord(section, u"sid", file);
    if (FindProcessWindow(ProcessIdOf(section)) == nullptr) {
      os::WritePrivateProfileString(section.c_str(), nullptr, nullptr, file);
    }
    if (uid == uid_ && id == escapedTitle && gid == gidText && sid == sidText) open = true;
  }
  if (open) {
    os::MessageBox(nullptr, kSameServerOpenText, kGameWindowBoxCaption, os::MB_OK);
    return 0;
  }
  os::DWORD processId = 0;
  os::GetWindowThreadProcessId(GetHWND(), &processId);
  const std::u16string own = Decimal(processId);
  // The check matches on "id" and "uid" too, so the record carries them:
  // otherwise no record could ever match.
  os::WritePrivateProfileString(own.c_str(), u"id", escapedTitle.c_str(), file);
  os::WritePrivateProfileString(own.c_str(), u"uid", uid_.c_str(), file);
  os::WritePrivateProfileString(own.c_str(), u"gid", gidText.c_str(), file);
  os::WritePrivateProfileString(own.c_str(), u"sid", sidText.c_str(), file);
  return 1;
}

os::LRESULT WebBrowserWnd::HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case WM_GAME_SET_WIDTH:
      return SetWidth(static_cast<int>(wParam));
    case WM_GAME_SET_HEIGHT:
      return SetHeight(static_cast<int>(wParam));
    case WM_GAME_SET_SIZABLE:
      SetSizable(wParam);
      break;
    case WM_GAME_SET_FULL:
      SetFull(wParam);
      break;
    case os::WM_NCLBUTTONDBLCLK:
      if (fullMode_ != static_cast<int>(GAME_FLAG_OFF)) ToggleMaximized();
      return 1;
    case WM_GAME_SET_BAR:
      SetBar(reinterpret_cast<const char16_t*>(lParam));
      return 1;
    case WM_GAME_OPENED:
      return CheckOpenedGame(wParam, lParam);
    default:
      break;
  }
  return WindowImplBase::HandleMessage(message, wParam, lParam);
}
