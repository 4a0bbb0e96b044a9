// The account requests of the login window: sign in, register, and the
// statistics pings that follow a success.
#include <json/json.h>

#include "controls/Edit.h"
#include "controls/TabLayout.h"
#include "login/CalveraWnd.h"
#include "login/GameHandOver.h"
#include "login/RememberedAccount.h"
#include "platform/base/Unicode.h"
#include "platform/syscontrols/MessageBox.h"
#include "support/Encoding.h"
#include "support/HttpClient.h"
#include "support/JourneyMarks.h"
#include "support/JsonReply.h"
#include "support/MachineIdentity.h"
#include "support/PortalHosts.h"

namespace {

constexpr std::size_t kRequestTextBytes = 256;
constexpr char kGameId[] = "73";
constexpr char kLauncherVersion[] = "1.0.0.1";

// Reply text as wide text, whole: the conversion's area is made to fit, so
// that a long refusal is still shown and a long token still arrives.
std::u16string WideText(const std::string& utf8) {
  std::u16string wide;
  Utf8ToWide(utf8, &wide, utf8.size() + 1);
  return wide;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

// A reply member as text. Strings are what the portal sends; a number is
// read as its decimal text, anything else as empty. The whole value is
// kept: a token or address cut to nothing would fail later in a way the
// player cannot see.
std::u16string MemberText(const Json::Value& root, const char* name) {
  const Json::Value& value = root[name];
  if (value.isString() || value.isIntegral()) return WideText(value.asString());
  return {};
}

std::u16string TextOf(const Kesto::CEditUI* field) {
  return field != nullptr ? field->GetText() : std::u16string();
}

}  // namespace

std::string FormValue(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size());
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

std::string RequestText(std::u16string_view text) {
  std::string narrow;
  if (WideToNarrow(text, &narrow, kRequestTextBytes) != 0) return {};
  return narrow;
}

std::string LoginUrl() { return PortalUrl(GetPortalHosts().web, "/login/tillow.html"); }

std::string RegistrationUrl() { return PortalUrl(GetPortalHosts().web, "/register/tillow.html"); }

std::string ServerListUrl() {
  return PortalUrl(GetPortalHosts().api, "/client/redirect.html?type=servers&gcode=mvn&ver=3");
}

std::string LoginBody(std::string_view account, std::string_view password) {
  return std::string("&gid=") + kGameId + "&username=" + FormValue(account) +
         "&password=" + FormValue(password);
}

std::string RegistrationBody(std::string_view account, std::string_view password, std::string_view again,
                             std::string_view channel) {
  return std::string("gid=") + kGameId + "&username=" + FormValue(account) +
         "&password=" + FormValue(password) + "&password_again=" + FormValue(again) +
         "&channel=" + FormValue(channel) + "&version=" + kLauncherVersion;
}

std::string StatisticsUrl(std::string_view kind, std::string_view channel, std::string_view cpu,
                          std::string_view mac) {
  return PortalUrl(GetPortalHosts().stats, "/col_tw.aspx?") + "t=" + FormValue(kind) +
         "&c=" + FormValue(channel) + "&u=" + FormValue(cpu) + "&m=" + FormValue(mac);
}

AccountReply ReadAccountReply(const std::string& body) {
  AccountReply reply;
  Json::Value root;
  if (!ParseJsonObject(body, root)) return reply;
  const Json::Value& status = root["status"];
  if (!status.isString() || status.asString() != "200") {
    reply.outcome = AccountReply::Outcome::kRefused;
    const Json::Value& message = root["message"];
    if (message.isString()) reply.message = WideText(message.asString());
    return reply;
  }
  reply.outcome = AccountReply::Outcome::kAccepted;
  reply.uid = MemberText(root, "uid");
  reply.token = MemberText(root, "token");
  reply.openUrl = MemberText(root, "open_url");
  return reply;
}

void CalveraWnd::ShowMessage(std::u16string_view text) {
  const std::u16string copy(text);
  os::MessageBox(hwnd_, copy.c_str(), kLoginCaption, os::MB_OK);
}

void CalveraWnd::SendStatistics(std::string_view kind) {
  HttpClient::Get(StatisticsUrl(kind, channelCode_, CpuSignature(), MacAddress()), nullptr, nullptr, false);
}

void CalveraWnd::SubmitLogin(bool openServerList) {
  const std::u16string account = TextOf(user_);
  const std::u16string password = TextOf(pass_);
  if (account.empty() || password.empty() || account == kAccountPlaceholder ||
      password == kPasswordPlaceholder) {
    ShowMessage(kMissingInputText);
    return;
  }

  journey::Mark(journey::kLogin);
  std::string body;
  HttpClient::Post(LoginUrl(), LoginBody(RequestText(account), RequestText(password)),
                   &HttpClient::AppendToString, &body, false);
  const AccountReply reply = ReadAccountReply(body);
  if (reply.outcome == AccountReply::Outcome::kUnreadable) {
    ShowMessage(kLoginFailedText);
    return;
  }
  if (reply.outcome == AccountReply::Outcome::kRefused) {
    if (reply.message) ShowMessage(*reply.message);
    return;
  }

  SendStatistics("3");
  // Hidden for the rest of the process; the game window takes over.
  ShowWindow(false, false);
  HandOverToGame(openServerList ? os::Utf8ToUtf16(ServerListUrl()) : reply.openUrl, reply.uid, reply.token);
}

void CalveraWnd::SubmitRegistration() {
  const std::u16string account = TextOf(regUser_);
  const std::u16string password = TextOf(regPass_);
  const std::u16string again = TextOf(regPassConfirm_);
  if (account.empty() || password.empty() || again.empty() || account == kAccountPlaceholder ||
      password == kPasswordPlaceholder || again == kConfirmPlaceholder) {
    ShowMessage(kMissingInputText);
    return;
  }
  if (again != password) {
    ShowMessage(kPasswordsDifferText);
    return;
  }

  std::string body;
  HttpClient::Post(
      RegistrationUrl(),
      RegistrationBody(RequestText(account), RequestText(password), RequestText(again), channelCode_),
      &HttpClient::AppendToString, &body, false);
  const AccountReply reply = ReadAccountReply(body);
  if (reply.outcome == AccountReply::Outcome::kUnreadable) return;
  if (reply.outcome == AccountReply::Outcome::kRefused) {
    if (reply.message) ShowMessage(*reply.message);
    return;
  }

  if (switch_ != nullptr) switch_->SelectItem(0);
  if (user_ != nullptr) user_->SetText(account);
  if (pass_ != nullptr) {
    pass_->SetText(password);
    pass_->SetPasswordMode(true);
  }
  SaveRememberedAccount(RequestText(account), RequestText(password), 2, 0);
  SendStatistics("2");
  SubmitLogin(false);
}
