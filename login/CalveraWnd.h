// The login window: a fixed-size, borderless, skinned window with three
// portal links and a two-page form (sign in, register) in the tab layout
// "switch". It performs the account requests itself, synchronously, and on a
// successful login hides for good and hands over to the game window.
//
// Its construction hands the skin's background picture to a worker thread to
// decode (Kesto::PictureAhead) while the window is created and its skin
// built: the first frame's paint then finds it decoded.
//
// Once its first frame is drawn it posts itself kWarmWebEngineMessage and
// loads the web engine's module the game window will need
// (os::WarmBrowserEngine), so that the engine's libraries are mapped while the
// player types instead of after the login; nothing of the engine is loaded
// before the window is seen. The engine's context and processes wait for the
// game window: they would take the login window's process far beyond its
// memory budget.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Core/WindowImplBase.h"

namespace Kesto {
class CButtonUI;
class CEditUI;
class CTabLayoutUI;
struct ControlEvent;
}  // namespace Kesto

// Texts of the login window and its requests.
inline constexpr char16_t kLoginWindowClass[] = u"LumoraMorvaine";
inline constexpr char16_t kLoginCaption[] = u"LumoraMorvaine";
inline constexpr char16_t kAccountPlaceholder[] = u"请输入Lumora账号";
inline constexpr char16_t kPasswordPlaceholder[] = u"请输入密码";
inline constexpr char16_t kConfirmPlaceholder[] = u"请确认密码";
inline constexpr char16_t kMissingInputText[] = u"请输入游戏账号或者密码";
inline constexpr char16_t kPasswordsDifferText[] = u"两次密码不一致,请确认";
inline constexpr char16_t kLoginFailedText[] = u"登陆失败";
inline constexpr char kChannelCode[] = "360gj";
inline constexpr int kLoginSkinResource = 113;
// The picture behind the whole window, in the skin archive.
inline constexpr char16_t kLoginBackground[] = u"bg.png";
// The skin file in that archive.
inline constexpr std::u16string_view kLoginSkinFile = u"calvera.xml";
inline constexpr int kLauncherIconResource = 115;
// Private message of the login window: start the web engine now.
inline constexpr os::UINT kWarmWebEngineMessage = os::WM_APP + 1;

// --- Request building -----------------------------------------------------------

// One form value for an application/x-www-form-urlencoded body or a query:
// letters, digits and "-._~" stay, every other byte becomes %XX, so that a
// value holding "&", "=", "+" or "%" arrives as typed and cannot add fields.
std::string FormValue(std::string_view value);

// A control's text as request text: the C runtime's narrow conversion into a
// 256-byte area. Texts of 256 characters or more, or with a character beyond
// U+00FF, give an empty value.
std::string RequestText(std::u16string_view text);

std::string LoginUrl();         // web host, "/login/tillow.html"
std::string RegistrationUrl();  // web host, "/register/tillow.html"
std::string ServerListUrl();    // API host, the server-list page
// "&gid=73&username=...&password=..." (it begins with an ampersand).
std::string LoginBody(std::string_view account, std::string_view password);
// "gid=73&username=...&password=...&password_again=...&channel=...&version=1.0.0.1".
std::string RegistrationBody(std::string_view account, std::string_view password, std::string_view again,
                             std::string_view channel);
// Statistics host, "/col_tw.aspx?t=<kind>&c=<channel>&u=<cpu>&m=<mac>"; kind
// "3" after a login, "2" after a registration.
std::string StatisticsUrl(std::string_view kind, std::string_view channel, std::string_view cpu,
                          std::string_view mac);

// What an account reply says.
struct AccountReply {
  enum class Outcome {
    kUnreadable,  // not JSON, or not a JSON object (an empty reply included)
    kRefused,     // "status" other than "200"
    kAccepted,    // "status" is "200"
  };
  Outcome outcome = Outcome::kUnreadable;
  // The refusal's "message" when it is a string; none when absent or null.
  std::optional<std::u16string> message;
  // On acceptance; members that are missing read as empty texts.
  std::u16string uid;
  std::u16string token;
  std::u16string openUrl;
};
AccountReply ReadAccountReply(const std::string& body);

// --- The window -------------------------------------------------------------------

class CalveraWnd : public Kesto::WindowImplBase {
 public:
  // Writes "channel.ini" (the channel code and one zero byte) into the data
  // folder; failures are ignored.
  CalveraWnd();
  // Starts on worker threads what the window's first frame needs most, for a
  // program that has other work to do before it makes the window: the
  // pictures of its first look decoded (the background, then the buttons and
  // fields) and the skin's fonts loaded. The calling
  // thread is the one that will make the window.
  static void StartAhead();

  std::u16string_view GetWindowClassName() const override;
  void InitWindow() override;
  std::u16string GetSkinFolder() override;
  std::u16string GetSkinFile() override;
  Kesto::ResourceKind GetResourceType() const override;
  std::u16string GetZipFileName() const override;
  os::ResourceName GetResourceId() const override;

  os::LRESULT OnNcHitTest(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) override;
  // SC_CLOSE ends the message loop; the rest goes to the base.
  os::LRESULT OnSysCommand(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) override;
  // Enter on the window submits the current page.
  os::LRESULT OnKeyDown(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) override;
  // A double-click on the caption does nothing.
  os::LRESULT HandleCustomMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                  bool& handled) override;

  void Notify(Kesto::NotifyMsg& msg) override;

  // Placeholder handling of the password fields: the first focus clears the
  // hint and masks the field. Always true.
  bool OnPasswordFocus(Kesto::ControlEvent& event);

  // The account requests. openServerList: open the server-list page (true)
  // or the reply's "open_url" (false, the login after a registration).
  void SubmitLogin(bool openServerList);
  void SubmitRegistration();

  const std::string& ChannelCode() const { return channelCode_; }

 private:
  void ShowMessage(std::u16string_view text);
  void SendStatistics(std::string_view kind);
  int CurrentPage() const;

  Kesto::CButtonUI* startButton_ = nullptr;
  Kesto::CEditUI* user_ = nullptr;
  Kesto::CEditUI* pass_ = nullptr;
  Kesto::CEditUI* regUser_ = nullptr;
  Kesto::CEditUI* regPass_ = nullptr;
  Kesto::CEditUI* regPassConfirm_ = nullptr;
  Kesto::CButtonUI* regAccount_ = nullptr;
  Kesto::CButtonUI* regButton_ = nullptr;
  Kesto::CButtonUI* restoreToLogin_ = nullptr;
  Kesto::CTabLayoutUI* switch_ = nullptr;
  std::string channelCode_;
};
