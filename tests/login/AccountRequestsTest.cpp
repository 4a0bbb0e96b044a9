// Signing in and registering through the login window against a portal
// stand-in: validation messages, the bytes the portal receives, every way a
// reply is handled, the statistics pings, the remembered account and the
// hand-over to the game window.
#include <gtest/gtest.h>

#include <filesystem>

#include "LoginFixture.h"
#include "login/RememberedAccount.h"
#include "support/MachineIdentity.h"

namespace logintest {
namespace {

using testsupport::ReadFileBytes;

class AccountRequestsTest : public LoginWindowTest {
 protected:
  void LogIn(std::u16string_view account, std::u16string_view password) {
    Fill(u"user", account);
    Click(u"pass");
    Type(password);
    Click(u"startbtn");
  }
  void Register(std::u16string_view account, std::u16string_view password, std::u16string_view again) {
    Click(u"regaccount");
    Fill(u"reguser", account);
    Click(u"regpass");
    Type(password);
    Click(u"regpassconfirm");
    Type(again);
    Click(u"regbtn");
  }
  std::filesystem::path RememberedFile() const {
    return dir_.path() / "lumora" / "login" / "lastlogininfo.info";
  }
  std::string StatisticsQuery(const char* kind) const {
    return std::string("t=") + kind + "&c=360gj&u=" + CpuSignature() + "&m=" + MacAddress();
  }
};

TEST_F(AccountRequestsTest, EmptyFieldsAndPlaceholdersAreRefusedBeforeAnyRequest) {
  Open();
  Click(u"startbtn");  // both placeholders
  Fill(u"user", u"alice");
  Click(u"startbtn");  // the password is still its placeholder
  Click(u"pass");
  Click(u"startbtn");  // the password is empty now
  Fill(u"user", u"请输入Lumora账号");
  Click(u"pass");
  Type(u"pw");
  Click(u"startbtn");  // the account typed as its placeholder
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>(4, u"请输入游戏账号或者密码"));
  for (const auto& box : os::headless::MessageBoxes()) {
    EXPECT_EQ(box.caption, u"LumoraMorvaine");
    EXPECT_EQ(box.type, os::MB_OK);
    EXPECT_EQ(box.owner, window_->GetHWND());
  }
  EXPECT_TRUE(portal_.LoginBodies().empty());

  // One character more is an account like any other; it does not convert
  // to narrow text, so it travels empty.
  Fill(u"user", u"请输入Lumora账号x");
  Click(u"startbtn");
  ASSERT_EQ(portal_.LoginBodies().size(), 1u);
  EXPECT_EQ(portal_.LoginBodies()[0], "&gid=73&username=&password=pw");
}

TEST_F(AccountRequestsTest, ALoginSendsTheFormPingsHidesAndHandsOver) {
  CalveraWnd& window = Open();
  LogIn(u"alice", u"p&w=x y%");
  ASSERT_EQ(portal_.LoginBodies().size(), 1u);
  // "&" and "=" in a password are escaped, so the portal reads the fields
  // that were typed and no others.
  EXPECT_EQ(portal_.LoginBodies()[0], "&gid=73&username=alice&password=p%26w%3Dx%20y%25");
  EXPECT_EQ(portal_.ContentTypes()[0], "application/x-www-form-urlencoded");
  EXPECT_EQ(portal_.Pings(), std::vector<std::string>{StatisticsQuery("3")});
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_FALSE(os::IsWindowVisible(window.GetHWND()));
  EXPECT_TRUE(os::IsWindow(window.GetHWND()));

  ASSERT_EQ(GameHandOverCount(), 1u);
  const GameHandOverRecord record = *LastGameHandOver();
  EXPECT_EQ(record.gameUrl, u"http://127.0.0.1:1/client/redirect.html?type=servers&gcode=mvn&ver=3");
  EXPECT_EQ(record.uid, u"1001");
  EXPECT_EQ(record.token, u"tok-1");
  // A login leaves the remembered account alone.
  EXPECT_FALSE(std::filesystem::exists(RememberedFile()));
}

TEST_F(AccountRequestsTest, ALoginLeavesAnEarlierRememberedAccountAsItWas) {
  ASSERT_TRUE(SaveRememberedAccount("old", "oldpw", 2, 0));
  const std::string before = ReadFileBytes(RememberedFile());
  Open();
  Fill(u"user", u"someone");
  Click(u"pass");  // already masked: the restored password stays
  Click(u"startbtn");
  ASSERT_EQ(portal_.LoginBodies().size(), 1u);
  EXPECT_EQ(portal_.LoginBodies()[0], "&gid=73&username=someone&password=oldpw");
  EXPECT_EQ(ReadFileBytes(RememberedFile()), before);
}

TEST_F(AccountRequestsTest, RefusalsAndUnreadableLoginReplies) {
  CalveraWnd& window = Open();
  Fill(u"user", u"alice");
  Click(u"pass");
  Type(u"pw");

  portal_.SetLoginReply(R"({"status":"403","message":"密码错误"})");
  Click(u"startbtn");
  portal_.SetLoginReply(R"({"status":"403"})");
  Click(u"startbtn");
  portal_.SetLoginReply(R"({"status":"403","message":null})");
  Click(u"startbtn");
  portal_.SetLoginReply("<html>busy</html>");
  Click(u"startbtn");
  portal_.SetLoginReply("");
  Click(u"startbtn");
  portal_.SetLoginReply(R"(["status","200"])");
  Click(u"startbtn");
  portal_.SetLoginReply(R"({"status":200,"uid":"1"})");  // not the text "200"
  Click(u"startbtn");
  // A long refusal is still shown whole.
  const std::string longMessage(300, 'm');
  portal_.SetLoginReply(R"({"status":"500","message":")" + longMessage + "\"}");
  Click(u"startbtn");

  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{u"密码错误", u"登陆失败", u"登陆失败", u"登陆失败",
                                                     os::Utf8ToUtf16(longMessage)}));
  EXPECT_EQ(portal_.LoginBodies().size(), 8u);
  EXPECT_TRUE(portal_.Pings().empty());
  EXPECT_TRUE(os::IsWindowVisible(window.GetHWND()));
  EXPECT_EQ(GameHandOverCount(), 0u);
}

TEST_F(AccountRequestsTest, AnUnreachablePortalFailsTheLogin) {
  Open();
  Fill(u"user", u"alice");
  Click(u"pass");
  Type(u"pw");
  testsupport::ScopedEnv web("LUMORA_PORTAL_WEB_HOST", "127.0.0.1:1");
  ReloadPortalHosts();
  Click(u"startbtn");
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"登陆失败"});
}

TEST_F(AccountRequestsTest, RegistrationValidatesBeforeSending) {
  Open();
  Click(u"regaccount");
  Click(u"regbtn");  // placeholders
  Register(u"erin", u"one", u"two");
  EXPECT_EQ(BoxTexts(), (std::vector<std::u16string>{u"请输入游戏账号或者密码", u"两次密码不一致,请确认"}));
  EXPECT_TRUE(portal_.RegistrationBodies().empty());
}

TEST_F(AccountRequestsTest, ARegistrationRemembersTheAccountAndLogsInOnTheGivenPage) {
  CalveraWnd& window = Open();
  portal_.SetLoginReply(
      R"({"status":"200","message":"ok","uid":"77","token":"t77","open_url":"http://127.0.0.1:1/start?sid=1"})");
  Register(u"frank", u"a&b", u"a&b");
  ASSERT_EQ(portal_.RegistrationBodies().size(), 1u);
  EXPECT_EQ(portal_.RegistrationBodies()[0],
            "gid=73&username=frank&password=a%26b&password_again=a%26b&channel=360gj&version=1.0.0.1");
  // The login page got the account, and the login that followed sent it.
  EXPECT_EQ(Page(), 0);
  EXPECT_EQ(Text(u"user"), u"frank");
  EXPECT_EQ(Text(u"pass"), u"a&b");
  EXPECT_TRUE(Edit(u"pass")->IsPasswordMode());
  ASSERT_EQ(portal_.LoginBodies().size(), 1u);
  EXPECT_EQ(portal_.LoginBodies()[0], "&gid=73&username=frank&password=a%26b");
  EXPECT_EQ(portal_.Pings(), (std::vector<std::string>{StatisticsQuery("2"), StatisticsQuery("3")}));
  EXPECT_EQ(ReadFileBytes(RememberedFile()),
            EncodeRememberedText("frank") + "\r\n" + EncodeRememberedText("a&b") + "\r\n2\r\n0");
  EXPECT_FALSE(os::IsWindowVisible(window.GetHWND()));
  ASSERT_EQ(GameHandOverCount(), 1u);
  EXPECT_EQ(LastGameHandOver()->gameUrl, u"http://127.0.0.1:1/start?sid=1");
  EXPECT_EQ(LastGameHandOver()->uid, u"77");
  EXPECT_EQ(LastGameHandOver()->token, u"t77");
}

TEST_F(AccountRequestsTest, RegistrationRefusalsShowTheirMessageAndUnreadableRepliesNothing) {
  Open();
  portal_.SetRegistrationReply(R"({"status":"409","message":"账号已存在"})");
  Register(u"gina", u"pw", u"pw");
  portal_.SetRegistrationReply(R"({"status":"409"})");
  Click(u"regbtn");
  portal_.SetRegistrationReply("not json");
  Click(u"regbtn");
  EXPECT_EQ(BoxTexts(), std::vector<std::u16string>{u"账号已存在"});
  EXPECT_EQ(portal_.RegistrationBodies().size(), 3u);
  EXPECT_TRUE(portal_.LoginBodies().empty());
  EXPECT_TRUE(portal_.Pings().empty());
  EXPECT_EQ(Page(), 1);
  EXPECT_FALSE(std::filesystem::exists(RememberedFile()));
}

TEST_F(AccountRequestsTest, LongTextsTravelEmptyWithoutAMessage) {
  Open();
  // Typing stops at the field's limit; a text set by the program does not.
  Edit(u"user")->SetText(std::u16string(256, u'a'));
  Click(u"pass");
  Type(u"pw");
  Click(u"startbtn");
  ASSERT_EQ(portal_.LoginBodies().size(), 1u);
  EXPECT_EQ(portal_.LoginBodies()[0], "&gid=73&username=&password=pw");
}

TEST(AccountReplyTest, ReadsTheMembersTheLoginUses) {
  const AccountReply accepted = ReadAccountReply(R"({"status":"200","uid":5,"token":"t","open_url":"u"})");
  EXPECT_EQ(accepted.outcome, AccountReply::Outcome::kAccepted);
  EXPECT_EQ(accepted.uid, u"5");
  EXPECT_EQ(accepted.token, u"t");
  EXPECT_EQ(accepted.openUrl, u"u");
  const AccountReply bare = ReadAccountReply(R"({"status":"200"})");
  EXPECT_EQ(bare.outcome, AccountReply::Outcome::kAccepted);
  EXPECT_TRUE(bare.uid.empty() && bare.token.empty() && bare.openUrl.empty());
  EXPECT_EQ(ReadAccountReply(R"({"status":"403","message":7})").message, std::nullopt);
  EXPECT_EQ(ReadAccountReply("42").outcome, AccountReply::Outcome::kUnreadable);
  // Nesting the JSON reader refuses by throwing reads as unreadable, not as a crash.
  EXPECT_EQ(ReadAccountReply(std::string(20000, '[') + std::string(20000, ']')).outcome,
            AccountReply::Outcome::kUnreadable);
  EXPECT_EQ(ReadAccountReply("{\"status\":" + std::string(20000, '[')).outcome,
            AccountReply::Outcome::kUnreadable);
}

TEST(FormValueTest, OnlyUnreservedBytesStayAsTheyAre) {
  EXPECT_EQ(FormValue("Az09-._~"), "Az09-._~");
  EXPECT_EQ(FormValue("a b+c&d=e%f/"), "a%20b%2Bc%26d%3De%25f%2F");
  EXPECT_EQ(FormValue(std::string("\xE9\x01", 2)), "%E9%01");
  // Latin-1 text converts to one byte a character, which is what is escaped.
  EXPECT_EQ(RequestText(u"caf\u00e9"), "caf\xE9");
  EXPECT_EQ(RequestText(u"\u4e2d"), "");
}

}  // namespace
}  // namespace logintest
