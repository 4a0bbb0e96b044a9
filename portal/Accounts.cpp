#include "portal/Accounts.h"

#include "portal/Crypto.h"
#include "portal/Forms.h"

namespace portal {

namespace {

constexpr std::size_t kTokenBytes = 16;

Json::Value Reply(const char* status, const char* message) {
  Json::Value reply(Json::objectValue);
  reply["status"] = status;
  reply["message"] = message;
  return reply;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::string> AccountProblem(std::string_view account) {
  if (account.size() < 4 || account.size() > 16) return messages::kAccountLength;
  if (!IsAsciiLetter(account.front())) return messages::kAccountCharacters;
  for (char c : account) {
    if (!IsAsciiLetter(c) && !IsDigit(c) && c != '_') return messages::kAccountCharacters;
  }
  return std::nullopt;
}

std::optional<std::string> PasswordProblem(std::string_view password) {
  if (password.size() < 6 || password.size() > 20) return messages::kPasswordLength;
  for (char c : password) {
    // Printable ASCII without the blank: what a player can type on any layout
    // and what survives the launcher's narrow conversion unchanged.
    if (c < 0x21 || c > 0x7E) return messages::kPasswordCharacters;
  }
  return std::nullopt;
}

Accounts::Accounts(Store& store, int passwordIterations, std::int64_t tokenTtlSeconds, std::string openUrl)
    : store_(store),
      iterations_(passwordIterations),
      tokenTtl_(tokenTtlSeconds),
      openUrl_(std::move(openUrl)),
      decoyRecord_(HashPassword("decoy-password", passwordIterations).value_or("")) {}

Json::Value Accounts::Register(std::string_view body, std::int64_t now) {
  std::optional<std::vector<FormField>> form = ParseForm(body);
  if (!form) return Reply("400", messages::kMalformed);
  const std::string* gid = FindField(*form, "gid");
  const std::string* account = FindField(*form, "username");
  const std::string* password = FindField(*form, "password");
  const std::string* again = FindField(*form, "password_again");
  const std::string* channel = FindField(*form, "channel");
  const std::string* version = FindField(*form, "version");
  if (account == nullptr || password == nullptr || again == nullptr || account->empty() ||
      password->empty() || again->empty()) {
    return Reply("400", messages::kMissingFields);
  }
  if (gid == nullptr || *gid != kGameId) return Reply("400", messages::kWrongGame);
  if (std::optional<std::string> problem = AccountProblem(*account)) return Reply("400", problem->c_str());
  if (std::optional<std::string> problem = PasswordProblem(*password)) return Reply("400", problem->c_str());
  if (*password != *again) return Reply("400", messages::kPasswordsDiffer);

  std::optional<std::string> record = HashPassword(*password, iterations_);
  if (!record) return Reply("500", messages::kServerBusy);
  std::int64_t uid = 0;
  switch (
      store_.CreateAccount(*account, *record, channel ? *channel : "", version ? *version : "", now, &uid)) {
    case Store::Outcome::kDone:
      break;
    case Store::Outcome::kTaken:
      return Reply("409", messages::kAccountTaken);
    default:
      return Reply("500", messages::kServerBusy);
  }
  Json::Value reply = Reply("200", messages::kRegistered);
  reply["uid"] = std::to_string(uid);
  return reply;
}

Json::Value Accounts::Login(std::string_view body, std::int64_t now) {
  std::optional<std::vector<FormField>> form = ParseForm(body);
  if (!form) return Reply("400", messages::kMalformed);
  const std::string* gid = FindField(*form, "gid");
  const std::string* account = FindField(*form, "username");
  const std::string* password = FindField(*form, "password");
  if (account == nullptr || password == nullptr || account->empty() || password->empty()) {
    return Reply("400", messages::kMissingFields);
  }
  if (gid == nullptr || *gid != kGameId) return Reply("400", messages::kWrongGame);

  std::int64_t uid = 0;
  std::string record;
  Store::Outcome found = store_.FindAccount(*account, &uid, &record);
  if (found == Store::Outcome::kFailed) return Reply("500", messages::kServerBusy);
  if (found == Store::Outcome::kMissing) {
    VerifyPassword(*password, decoyRecord_);
    return Reply("401", messages::kWrongCredentials);
  }
  if (!VerifyPassword(*password, record)) return Reply("401", messages::kWrongCredentials);

  std::optional<std::string> token = RandomBytes(kTokenBytes);
  if (!token) return Reply("500", messages::kServerBusy);
  std::string tokenHex = HexEncode(*token);
  if (!store_.SaveToken(tokenHex, uid, now + tokenTtl_, now)) return Reply("500", messages::kServerBusy);

  Json::Value reply = Reply("200", messages::kLoggedIn);
  reply["uid"] = std::to_string(uid);
  reply["token"] = tokenHex;
  reply["open_url"] = openUrl_;
  return reply;
}

}  // namespace portal
