// Registration and login on the web host, over real HTTP with the launcher's
// own bodies.
#include <sqlite3.h>

#include "PortalFixture.h"
#include "portal/Accounts.h"

namespace portaltest {
namespace {

using WebAccounts = PortalTest;
namespace messages = portal::messages;

TEST_F(WebAccounts, RegistrationThenLogin) {
  StartPortal();
  Json::Value reg = Register("morvaine_1", "Pa$$w0rd!");
  EXPECT_EQ(reg["status"].asString(), "200");
  EXPECT_TRUE(reg["message"].isString());

  Json::Value login = Login("morvaine_1", "Pa$$w0rd!");
  ASSERT_EQ(login["status"].asString(), "200") << login.toStyledString();
  // Every member the launcher reads is a JSON string.
  for (const char* key : {"status", "message", "uid", "token", "open_url"}) {
    EXPECT_TRUE(login[key].isString()) << key;
  }
  EXPECT_EQ(login["uid"].asString(), reg["uid"].asString());
  EXPECT_EQ(login["token"].asString().size(), 32u);
  EXPECT_EQ(login["open_url"].asString(),
            portal_->Url(Role::kApi, "/client/redirect.html?type=servers&gcode=mvn&ver=3"));

  // A second account gets its own uid.
  Json::Value other = NewPlayer("someone");
  EXPECT_NE(other["uid"].asString(), login["uid"].asString());
}

TEST_F(WebAccounts, FieldsArePercentDecodedLikeAnyForm) {
  StartPortal();
  // "%21" is "!", "+" a blank (refused in passwords), "%2B" a plus.
  EXPECT_EQ(Register("walker", "abc%21%2B123")["status"].asString(), "200");
  EXPECT_EQ(Login("walker", "abc!+123")["status"].asString(), "401");
  EXPECT_EQ(Login("walker", "abc%21%2B123")["status"].asString(), "200");
  EXPECT_EQ(Login("walker", "abc%21%2b123")["status"].asString(), "200");
  EXPECT_EQ(Register("walker2", "abc+123")["message"].asString(), messages::kPasswordCharacters);
}

TEST_F(WebAccounts, DuplicateAccountIsRefusedWhateverTheLetterCase) {
  StartPortal();
  ASSERT_EQ(Register("Ranger", "first-pass")["status"].asString(), "200");
  for (const char* name : {"Ranger", "ranger", "RANGER"}) {
    Json::Value again = Register(name, "second-pass");
    EXPECT_NE(again["status"].asString(), "200") << name;
    EXPECT_EQ(again["message"].asString(), messages::kAccountTaken) << name;
  }
  // The first password still holds.
  EXPECT_EQ(Login("ranger", "first-pass")["status"].asString(), "200");
  EXPECT_NE(Login("ranger", "second-pass")["status"].asString(), "200");
}

TEST_F(WebAccounts, WrongPasswordAndUnknownAccountGiveTheSameRefusal) {
  StartPortal();
  NewPlayer("keeper", "right-one");
  Json::Value wrong = Login("keeper", "wrong-one");
  Json::Value unknown = Login("nobody", "right-one");
  for (const Json::Value& reply : {wrong, unknown}) {
    EXPECT_NE(reply["status"].asString(), "200");
    EXPECT_EQ(reply["message"].asString(), messages::kWrongCredentials);
    EXPECT_FALSE(reply.isMember("token"));
    EXPECT_FALSE(reply.isMember("uid"));
  }
  EXPECT_EQ(Login("keeper", "Right-one")["status"].asString(), "401");
  EXPECT_EQ(Login("keeper", "right-one")["status"].asString(), "200");
}

TEST_F(WebAccounts, RegistrationValidation) {
  StartPortal();
  struct Case {
    std::string account, password, again, message;
  };
  const Case cases[] = {
      {"abc", "secret12", "secret12", messages::kAccountLength},
      {"abcdefghijklmnopq", "secret12", "secret12", messages::kAccountLength},
      {"1abc", "secret12", "secret12", messages::kAccountCharacters},
      {"ab-cd", "secret12", "secret12", messages::kAccountCharacters},
      {"%E7%8E%A9%E5%AE%B6%E4%B8%80", "secret12", "secret12", messages::kAccountCharacters},
      {"player", "12345", "12345", messages::kPasswordLength},
      {"player", "123456789012345678901", "123456789012345678901", messages::kPasswordLength},
      {"player", "pass%20word", "pass%20word", messages::kPasswordCharacters},
      {"player", "pass%E9word", "pass%E9word", messages::kPasswordCharacters},
      {"player", "secret12", "secret13", messages::kPasswordsDiffer},
      {"player", "", "", messages::kMissingFields},
      {"", "secret12", "secret12", messages::kMissingFields},
  };
  for (const Case& c : cases) {
    Json::Value reply = Register(c.account, c.password, c.again);
    EXPECT_NE(reply["status"].asString(), "200") << c.account << " / " << c.password;
    EXPECT_EQ(reply["message"].asString(), c.message) << c.account << " / " << c.password;
  }
  // None of them created the account; limits themselves are accepted.
  EXPECT_EQ(Register("player", "123456")["status"].asString(), "200");
  EXPECT_EQ(Register("abcd", "12345678901234567890")["status"].asString(), "200");
  EXPECT_EQ(Register("a_23456789012345", "~!@#$%25^*()_-")["status"].asString(), "200");
}

TEST_F(WebAccounts, MalformedOrForeignFormsGetARefusalReply) {
  StartPortal();
  NewPlayer("tester", "secret12");
  struct Case {
    const char* path;
    std::string body;
    std::string message;
  };
  const Case cases[] = {
      // A password with an unescaped "&" or "=" breaks the form apart.
      {"/login/tillow.html", "&gid=73&username=tester&password=sec&ret12", messages::kMalformed},
      {"/login/tillow.html", "&gid=73&username=tester&password=a&password=b", messages::kMalformed},
      {"/login/tillow.html", "&gid=73&username=tester&password=bad%zzescape", messages::kMalformed},
      {"/login/tillow.html", "&gid=73&username=tester&password=secret12%", messages::kMalformed},
      {"/login/tillow.html", "&gid=74&username=tester&password=secret12", messages::kWrongGame},
      {"/login/tillow.html", "&username=tester&password=secret12", messages::kWrongGame},
      {"/login/tillow.html", "", messages::kMissingFields},
      {"/login/tillow.html", std::string("&gid=73&username=tester\0x&password=secret12", 43),
       messages::kWrongCredentials},
      {"/register/tillow.html", "gid=73&username=newbie&password=secret12", messages::kMissingFields},
      {"/register/tillow.html", "gid=7&username=newbie&password=secret12&password_again=secret12",
       messages::kWrongGame},
      {"/register/tillow.html", "\xff\xfe=\x01&&&", messages::kMissingFields},
  };
  for (const Case& c : cases) {
    auto res = PostForm(Role::kWeb, c.path, c.body);
    ASSERT_TRUE(res) << c.body;
    EXPECT_EQ(res->status, 200) << c.body;
    Json::Value reply = ParseJson(res->body);
    EXPECT_NE(reply["status"].asString(), "200") << c.body;
    EXPECT_EQ(reply["message"].asString(), c.message) << c.body;
  }
  EXPECT_EQ(Login("tester", "secret12")["status"].asString(), "200");
}

TEST_F(WebAccounts, BrokenJsonSwitchCutsTheAccountReplies) {
  StartPortal([](portal::Options& o) { o.brokenJson = true; });
  auto res =
      PostForm(Role::kWeb, "/register/tillow.html",
               "gid=73&username=broken&password=secret12&password_again=secret12&channel=360gj&version=1");
  ASSERT_TRUE(res);
  EXPECT_FALSE(res->body.empty());
  EXPECT_TRUE(ParseJson(res->body).isNull()) << res->body;
}

TEST_F(WebAccounts, PasswordsAreStoredAsSaltedHashes) {
  StartPortal();
  NewPlayer("twin_a", "same-secret");
  NewPlayer("twin_b", "same-secret");
  portal_->Stop();

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dir_ / "data" / "portal.sqlite").c_str(), &db), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT account, password, channel FROM accounts ORDER BY id", -1, &stmt,
                               nullptr),
            SQLITE_OK);
  std::vector<std::string> records;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    records.push_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)), "360gj");
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].find("same-secret"), std::string::npos);
  EXPECT_EQ(records[0].rfind("pbkdf2_sha256$", 0), 0u);
  EXPECT_NE(records[0], records[1]);
}

TEST_F(WebAccounts, AccountsTokensAndSignaturesSurviveARestart) {
  StartPortal();
  Json::Value login = NewPlayer("sleeper", "secret12");
  std::string sign = portal_->Sign(10001, 2, 1900000000);
  StartPortal();
  EXPECT_EQ(ServerList(login)->status, 200);
  EXPECT_EQ(portal_->Sign(10001, 2, 1900000000), sign);
  EXPECT_EQ(Login("sleeper", "secret12")["status"].asString(), "200");
  EXPECT_EQ(Register("sleeper", "secret12")["message"].asString(), messages::kAccountTaken);
}

}  // namespace
}  // namespace portaltest
