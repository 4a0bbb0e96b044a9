// Command line, form decoding and the cryptographic helpers.
#include <gtest/gtest.h>

#include "portal/Crypto.h"
#include "portal/Forms.h"
#include "portal/Options.h"
#include "testsupport/TempDir.h"

namespace portaltest {
namespace {

using portal::Role;

portal::CommandLine Parse(std::vector<std::string> args) { return portal::ParseCommandLine(args); }
int PortOf(const portal::Options& o, Role role) { return o.ports[static_cast<std::size_t>(role)]; }

TEST(CommandLine, PortsDefaultsEphemeralAndLists) {
  portal::CommandLine none = Parse({});
  ASSERT_TRUE(none.ok);
  EXPECT_EQ(PortOf(none.options, Role::kApi), 47801);
  EXPECT_EQ(PortOf(none.options, Role::kDownload), 47807);

  portal::CommandLine ephemeral = Parse({"--ports", "ephemeral"});
  ASSERT_TRUE(ephemeral.ok);
  for (Role role : portal::kAllRoles) EXPECT_EQ(PortOf(ephemeral.options, role), 0);

  portal::CommandLine list = Parse({"--ports=web=9000,download=0"});
  ASSERT_TRUE(list.ok) << list.error;
  EXPECT_EQ(PortOf(list.options, Role::kWeb), 9000);
  EXPECT_EQ(PortOf(list.options, Role::kDownload), 0);
  EXPECT_EQ(PortOf(list.options, Role::kApi), 47801);

  for (const char* bad : {"web=70000", "mail=25", "web", "web=", "web=80,", "random"}) {
    portal::CommandLine result = Parse({"--ports", bad});
    EXPECT_FALSE(result.ok) << bad;
    EXPECT_NE(result.error.find("--ports"), std::string::npos) << bad;
  }
}

TEST(CommandLine, SwitchesAndTheirValues) {
  portal::CommandLine cl = Parse({"--version",
                                  "9.9",
                                  "--force-update",
                                  "--installer-size",
                                  "1024",
                                  "--download-mode",
                                  "cut",
                                  "--win-full",
                                  "true",
                                  "--win-sizable=false",
                                  "--more-url",
                                  "",
                                  "--delay",
                                  "250",
                                  "--delay",
                                  "web=5",
                                  "--fail",
                                  "stats=503",
                                  "--broken-json",
                                  "--quiet",
                                  "--data",
                                  "/tmp/x",
                                  "--token-ttl",
                                  "60",
                                  "--request-timeout",
                                  "3",
                                  "--idle-timeout=2",
                                  "--min-reply-rate",
                                  "0",
                                  "--max-connections",
                                  "100",
                                  "--ping-limit",
                                  "0",
                                  "--max-pings",
                                  "500"});
  ASSERT_TRUE(cl.ok) << cl.error;
  const portal::Options& o = cl.options;
  EXPECT_EQ(o.version, "9.9");
  EXPECT_TRUE(o.forceUpdate);
  EXPECT_EQ(o.installerSize, 1024u);
  EXPECT_EQ(o.downloadMode, portal::DownloadMode::kCut);
  EXPECT_TRUE(o.winFull);
  EXPECT_FALSE(o.winSizable);
  ASSERT_TRUE(o.moreUrl.has_value());
  EXPECT_EQ(*o.moreUrl, "");
  EXPECT_FALSE(o.chargeUrl.has_value());
  EXPECT_EQ(o.delayMs[static_cast<std::size_t>(Role::kApi)], 250);
  EXPECT_EQ(o.delayMs[static_cast<std::size_t>(Role::kWeb)], 5);
  EXPECT_EQ(o.failStatus[static_cast<std::size_t>(Role::kStats)], 503);
  EXPECT_EQ(o.failStatus[static_cast<std::size_t>(Role::kApi)], 0);
  EXPECT_TRUE(o.brokenJson);
  EXPECT_FALSE(o.logRequests);
  EXPECT_EQ(o.dataDir, "/tmp/x");
  EXPECT_EQ(o.tokenTtlSeconds, 60);
  EXPECT_EQ(o.requestTimeoutMs, 3000);
  EXPECT_EQ(o.idleTimeoutMs, 2000);
  EXPECT_EQ(o.minReplyRate, 0u);
  EXPECT_EQ(o.maxConnections, 100u);
  EXPECT_EQ(o.pingsPerMinute, 0);
  EXPECT_EQ(o.maxStoredPings, 500);

  const std::vector<std::vector<std::string>> bad = {
      {"--nope"},
      {"--version"},
      {"--force-update=yes"},
      {"--installer-size", "-1"},
      {"--installer-size", "3000000000"},
      {"--installer-name", "../../etc/passwd"},
      {"--download-mode", "slow"},
      {"--win-full", "True"},
      {"--win-width", "12px"},
      {"--fail", "200"},
      {"--fail", "mail=500"},
      {"--delay", "-1"},
      {"--server-name", std::string(256, 'x')},
      {"--max-body", "10"},
      {"--request-timeout", "0"},
      {"--idle-timeout", "1.5"},
      {"--min-reply-rate", "-1"},
      {"--min-reply-rate", "4k"},
      {"--max-connections", "2"},
      {"--max-connections", "129"},
      {"--ping-limit", "-1"},
      {"--max-pings", "0"},
  };
  for (const auto& args : bad) {
    portal::CommandLine result = Parse(args);
    EXPECT_FALSE(result.ok) << args[0];
    EXPECT_FALSE(result.error.empty()) << args[0];
  }
  EXPECT_TRUE(Parse({"--server-name", std::string(255, 'x')}).ok);
}

TEST(CommandLine, HelpDocumentsEveryOption) {
  portal::CommandLine help = Parse({"--ports", "ephemeral", "--help"});
  EXPECT_TRUE(help.ok);
  EXPECT_TRUE(help.help);
  std::string text = portal::HelpText();
  for (const std::string& name : portal::OptionNames()) {
    EXPECT_NE(text.find(name), std::string::npos) << name;
  }
  EXPECT_NE(text.find("LUMORA_PORTAL_HOSTS="), std::string::npos);
}

TEST(CommandLine, DefaultDataFolderFollowsXdg) {
  {
    testsupport::ScopedEnv xdg("XDG_DATA_HOME", "/srv/xdg");
    EXPECT_EQ(portal::DefaultDataDir(), "/srv/xdg/lumora-portal");
  }
  testsupport::ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
  testsupport::ScopedEnv home("HOME", "/home/player");
  EXPECT_EQ(portal::DefaultDataDir(), "/home/player/.local/share/lumora-portal");
}

TEST(Forms, DecodingAndMalformedBodies) {
  EXPECT_EQ(portal::PercentDecode("a%20b+c%2B%e4%BD%a0", true), "a b c+\xe4\xbd\xa0");
  EXPECT_EQ(portal::PercentDecode("a+b", false), "a+b");
  for (const char* bad : {"%", "%2", "%zz", "ab%g0"}) EXPECT_FALSE(portal::PercentDecode(bad, true)) << bad;

  auto fields = portal::ParseForm("&gid=73&username=a%26b&password==x=&empty=&&");
  ASSERT_TRUE(fields);
  ASSERT_EQ(fields->size(), 4u);
  EXPECT_EQ(*portal::FindField(*fields, "username"), "a&b");
  EXPECT_EQ(*portal::FindField(*fields, "password"), "=x=");
  EXPECT_EQ(*portal::FindField(*fields, "empty"), "");
  EXPECT_EQ(portal::FindField(*fields, "missing"), nullptr);
  EXPECT_TRUE(portal::ParseForm("")->empty());
  for (const char* bad : {"a=1&b", "a=1&a=2", "=1", "a=%"}) EXPECT_FALSE(portal::ParseForm(bad)) << bad;

  // The number of fields is bounded; the bound itself is accepted, and a name
  // given twice is found however far apart.
  std::string many;
  for (std::size_t i = 1; i < portal::kMaxFormFields; ++i) many += "&f" + std::to_string(i) + "=v";
  ASSERT_TRUE(portal::ParseForm("dup=1" + many));
  EXPECT_EQ(portal::ParseForm("dup=1" + many)->size(), portal::kMaxFormFields);
  EXPECT_FALSE(portal::ParseForm("dup=1" + many + "&extra=1"));
  EXPECT_FALSE(portal::ParseForm("dup=1" + many.substr(0, many.rfind('&')) + "&dup=2"));
  EXPECT_FALSE(portal::ParseForm("dup=1" + many + "&f1=again"));

  EXPECT_EQ(portal::HtmlEscape("<a href=\"x\">'&'</a>"),
            "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
  EXPECT_EQ(portal::UrlEncode("a b&c/é"), "a%20b%26c%2F%C3%A9");
}

TEST(Crypto, KnownAnswers) {
  // RFC 4231 test case 2.
  EXPECT_EQ(portal::HmacSha256Hex("Jefe", "what do ya want for nothing?"),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  // PBKDF2-HMAC-SHA256 vector of RFC 7914.
  EXPECT_EQ(portal::HexEncode(*portal::Pbkdf2Sha256("passwd", "salt", 1, 64)),
            "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
            "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
  EXPECT_EQ(portal::Base64Encode(""), "");
  EXPECT_EQ(portal::Base64Encode("f"), "Zg==");
  EXPECT_EQ(portal::Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(portal::Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(portal::HexDecode("00ffA0"), std::string("\x00\xff\xa0", 3));
  EXPECT_FALSE(portal::HexDecode("abc"));
  EXPECT_FALSE(portal::HexDecode("zz"));
}

TEST(Crypto, PasswordRecords) {
  std::optional<std::string> record = portal::HashPassword("hunter22", 1000);
  ASSERT_TRUE(record);
  EXPECT_TRUE(portal::VerifyPassword("hunter22", *record));
  EXPECT_FALSE(portal::VerifyPassword("hunter23", *record));
  EXPECT_FALSE(portal::VerifyPassword("", *record));
  EXPECT_NE(*portal::HashPassword("hunter22", 1000), *record);  // fresh salt each time

  // Damaged or foreign records never verify, and never run away.
  std::string salt = record->substr(record->find('$', 14) + 1, 32);
  for (const std::string& bad :
       {std::string(), std::string("hunter22"), std::string("md5$1$00$00"), "pbkdf2_sha256$0$" + salt + "$00",
        "pbkdf2_sha256$999999999$" + salt + "$00", "pbkdf2_sha256$1000$" + salt + "$",
        std::string("pbkdf2_sha256$1000$zz$00"), "pbkdf2_sha256$1000$" + salt, *record + "$extra"}) {
    EXPECT_FALSE(portal::VerifyPassword("hunter22", bad)) << bad;
  }
  EXPECT_TRUE(portal::ConstantTimeEquals("abc", "abc"));
  EXPECT_FALSE(portal::ConstantTimeEquals("abc", "abd"));
  EXPECT_FALSE(portal::ConstantTimeEquals("abc", "ab"));
}

}  // namespace
}  // namespace portaltest
