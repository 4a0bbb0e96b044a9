// The game gateway: signed links only, and the game page for that player.
#include <ctime>

#include "PortalFixture.h"

namespace portaltest {
namespace {

using Gateway = PortalTest;

// Links made here expire in an hour.
const std::int64_t kLater = std::time(nullptr) + 3600;
const std::string kExp = std::to_string(kLater);

std::string GamePath(const std::string& sid, const std::string& sign, const std::string& uid,
                     const std::string& exp = kExp) {
  return "/game.html?sid=" + sid + "&exp=" + exp + "&sign=" + sign + "&uid=" + uid;
}

TEST_F(Gateway, SignedLinkServesThePlayableGameForThatPlayerAndServer) {
  StartPortal();
  std::string sign = portal_->Sign(10042, 1, kLater);
  EXPECT_EQ(sign.size(), 64u);
  auto res = Get(Role::kGame, GamePath("1", sign, "10042") + "&version=morvaine");
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200);
  const std::string& page = res->body;
  EXPECT_NE(page.find("data-uid=\"10042\""), std::string::npos);
  EXPECT_NE(page.find("data-server=\"晨曦之港\""), std::string::npos);
  EXPECT_NE(page.find("data-launcher=\"true\""), std::string::npos);
  EXPECT_NE(page.find("<canvas id=\"game\""), std::string::npos);
  EXPECT_NE(page.find("addEventListener('keydown'"), std::string::npos);
  EXPECT_NE(page.find("requestAnimationFrame"), std::string::npos);
  // Self-contained: nothing is fetched from elsewhere.
  EXPECT_EQ(page.find("src="), std::string::npos);
  EXPECT_EQ(page.find("http"), std::string::npos);

  // Reached without the launcher's marker it still plays.
  auto plain = Get(Role::kGame, GamePath("3", portal_->Sign(10042, 3, kLater), "10042"));
  ASSERT_EQ(plain->status, 200);
  EXPECT_NE(plain->body.find("data-server=\"雾隐山城\""), std::string::npos);
  EXPECT_NE(plain->body.find("data-launcher=\"false\""), std::string::npos);
}

TEST_F(Gateway, WrongSignaturesGetAnErrorPage) {
  StartPortal();
  std::string sign = portal_->Sign(10042, 1, kLater);
  std::string flipped = sign;
  flipped[10] = flipped[10] == 'a' ? 'b' : 'a';
  const std::string paths[] = {
      GamePath("1", flipped, "10042"),
      GamePath("1", sign, "10043"),                // someone else's uid
      GamePath("2", sign, "10042"),                // another server
      GamePath("1", sign.substr(0, 63), "10042"),  // truncated
      GamePath("1", "", "10042"),
      GamePath("1", sign, "10042", std::to_string(kLater + 86400)),  // expiry moved on
      GamePath("1", sign, "10042", ""),
      "/game.html?sid=1&sign=" + sign + "&uid=10042",  // no expiry
      "/game.html?sid=1&uid=10042",
      GamePath("1", sign, "10042abc"),
      GamePath("x", sign, "10042"),
      "/game.html",
  };
  for (const std::string& path : paths) {
    auto res = Get(Role::kGame, path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 403) << path;
    EXPECT_NE(res->body.find("签名无效"), std::string::npos) << path;
    EXPECT_EQ(res->body.find("<canvas"), std::string::npos) << path;
  }
}

TEST_F(Gateway, ExpiredLinksAreRefused) {
  StartPortal();
  std::int64_t now = std::time(nullptr);
  for (std::int64_t expires : {now - 1, now - 86400, std::int64_t{0}, std::int64_t{-5}}) {
    auto res = Get(Role::kGame, portal_->GamePath(10042, 1, expires) + "&version=morvaine");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 403) << expires;
    EXPECT_NE(res->body.find("链接已过期"), std::string::npos) << expires;
    EXPECT_EQ(res->body.find("<canvas"), std::string::npos);
  }
  EXPECT_EQ(Get(Role::kGame, portal_->GamePath(10042, 1, now + 60))->status, 200);
}

TEST_F(Gateway, ServerListLinksExpireWithTheLogin) {
  StartPortal([](portal::Options& o) { o.tokenTtlSeconds = 600; });
  std::int64_t before = std::time(nullptr);
  Json::Value login = NewPlayer("fleeting");
  auto page = ServerList(login);
  ASSERT_TRUE(page);
  std::string gateway = portal_->Url(Role::kGame, "/");
  int links = 0;
  for (const std::string& link : Links(page->body)) {
    if (link.rfind(gateway, 0) != 0) continue;
    ++links;
    std::int64_t expires = std::stoll(QueryValue(link, "exp"));
    EXPECT_GE(expires, before + 600) << link;
    EXPECT_LE(expires, std::time(nullptr) + 600) << link;
    // The same link with an earlier expiry is a forgery.
    std::string earlier = link.substr(gateway.size() - 1);
    earlier.replace(earlier.find("exp=") + 4, QueryValue(link, "exp").size(), std::to_string(expires - 1));
    EXPECT_EQ(Get(Role::kGame, earlier)->status, 403) << earlier;
  }
  EXPECT_EQ(links, 3);
}

TEST_F(Gateway, SignaturesDependOnTheDataFoldersKey) {
  StartPortal();
  std::string sign = portal_->Sign(10042, 1, kLater);
  portal_->Stop();
  testsupport::TempDir other;
  StartPortal([&](portal::Options& o) { o.dataDir = other.path(); });
  EXPECT_NE(portal_->Sign(10042, 1, kLater), sign);
  EXPECT_EQ(Get(Role::kGame, GamePath("1", sign, "10042"))->status, 403);
}

TEST_F(Gateway, ServerUnderMaintenanceCannotBeEntered) {
  StartPortal();
  for (const char* sid : {"4", "99"}) {
    auto res = Get(Role::kGame, GamePath(sid, portal_->Sign(10042, std::stoi(sid), kLater), "10042"));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 503) << sid;
    EXPECT_EQ(res->body.find("<canvas"), std::string::npos);
  }
}

}  // namespace
}  // namespace portaltest
