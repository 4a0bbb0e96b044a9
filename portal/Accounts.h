// Registration and login on the web host: validation, password hashing, tokens
// and the JSON replies the launcher reads ("status", "message", "uid",
// "token", "open_url", all strings).
#pragma once

#include <json/json.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "portal/Store.h"

namespace portal {

// Texts shown to the player by the launcher.
namespace messages {
inline constexpr const char* kMalformed = "请求格式错误";
inline constexpr const char* kMissingFields = "请输入游戏账号或者密码";
inline constexpr const char* kWrongGame = "游戏编号错误";
inline constexpr const char* kAccountLength = "账号长度应为4-16个字符";
inline constexpr const char* kAccountCharacters = "账号只能由字母、数字和下划线组成，并以字母开头";
inline constexpr const char* kPasswordLength = "密码长度应为6-20个字符";
inline constexpr const char* kPasswordCharacters = "密码只能由字母、数字和英文符号组成";
inline constexpr const char* kPasswordsDiffer = "两次密码不一致,请确认";
inline constexpr const char* kAccountTaken = "该账号已被注册";
inline constexpr const char* kWrongCredentials = "账号或密码错误";
inline constexpr const char* kServerBusy = "服务器繁忙，请稍后再试";
inline constexpr const char* kRegistered = "注册成功";
inline constexpr const char* kLoggedIn = "登录成功";
}  // namespace messages

// The message refusing an account name, or nullopt when it is acceptable.
std::optional<std::string> AccountProblem(std::string_view account);
std::optional<std::string> PasswordProblem(std::string_view password);

class Accounts {
 public:
  // openUrl: the page a login sends the player to (the server list).
  Accounts(Store& store, int passwordIterations, std::int64_t tokenTtlSeconds, std::string openUrl);

  // Both take the raw form body and the current time in seconds.
  Json::Value Register(std::string_view body, std::int64_t now);
  Json::Value Login(std::string_view body, std::int64_t now);

 private:
  Store& store_;
  int iterations_;
  std::int64_t tokenTtl_;
  std::string openUrl_;
  // Hashed against when an account does not exist, so that a miss costs as
  // much time as a wrong password and does not reveal which accounts exist.
  std::string decoyRecord_;
};

// The game id the launcher sends.
inline constexpr std::string_view kGameId = "73";

}  // namespace portal
