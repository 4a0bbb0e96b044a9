// The API host: version document, server-list page and its window META
// elements, and the other client pages.
#include "PortalFixture.h"

namespace portaltest {
namespace {

using ApiHost = PortalTest;

TEST_F(ApiHost, VersionDocumentHasTheThreeMembersWithTheirTypes) {
  StartPortal();
  auto res = Get(Role::kApi, "/client/latest_version.html");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  Json::Value doc = ParseJson(res->body);
  ASSERT_TRUE(doc.isObject()) << res->body;
  ASSERT_TRUE(doc["downloadUrl"].isString());
  ASSERT_TRUE(doc["forceUpdate"].isBool());
  ASSERT_TRUE(doc["version"].isString());
  EXPECT_FALSE(doc["forceUpdate"].asBool());
  EXPECT_EQ(doc["downloadUrl"].asString(),
            "http://127.0.0.1:" + std::to_string(portal_->Port(Role::kDownload)) + "/dl/MorvaineSetup.exe");

  // The installer the document names is really there.
  auto head = Client(Role::kDownload)->Head("/dl/MorvaineSetup.exe");
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
}

TEST_F(ApiHost, VersionDocumentFollowsItsSwitches) {
  StartPortal([](portal::Options& o) {
    o.version = "2.5.0.7";
    o.forceUpdate = true;
    o.installerName = "setup.exe";
  });
  Json::Value doc = ParseJson(Get(Role::kApi, "/client/latest_version.html")->body);
  EXPECT_EQ(doc["version"].asString(), "2.5.0.7");
  EXPECT_TRUE(doc["forceUpdate"].asBool());
  EXPECT_EQ(doc["downloadUrl"].asString(), portal_->Url(Role::kDownload, "/dl/setup.exe"));

  StartPortal([](portal::Options& o) { o.brokenJson = true; });
  auto res = Get(Role::kApi, "/client/latest_version.html");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_FALSE(res->body.empty());
  EXPECT_TRUE(ParseJson(res->body).isNull()) << res->body;
}

TEST_F(ApiHost, ServerListNeedsTheTokenOfThatPlayer) {
  StartPortal();
  Json::Value alice = NewPlayer("alice");
  Json::Value bob = NewPlayer("bobby");
  ASSERT_EQ(alice["open_url"].asString(),
            portal_->Url(Role::kApi, "/client/redirect.html?type=servers&gcode=mvn&ver=3"));

  auto page = ServerList(alice);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("<span id=\"uid\">" + alice["uid"].asString() + "</span>"), std::string::npos);

  const std::string base = "/client/redirect.html?type=servers&gcode=mvn&ver=3";
  // Another player's token, a made-up one, none at all.
  EXPECT_EQ(
      Get(Role::kApi, base + "&uid=" + alice["uid"].asString() + "&token=" + bob["token"].asString())->status,
      403);
  EXPECT_EQ(
      Get(Role::kApi, base + "&uid=" + alice["uid"].asString() + "&token=00112233445566778899aabbccddeeff")
          ->status,
      403);
  EXPECT_EQ(Get(Role::kApi, base + "&uid=" + alice["uid"].asString())->status, 403);
  EXPECT_EQ(Get(Role::kApi, base + "&uid=&token=")->status, 403);
  // Each login gets its own token; the earlier one stays valid until it expires.
  Json::Value again = Login("alice", "secret12");
  EXPECT_NE(again["token"].asString(), alice["token"].asString());
  EXPECT_EQ(ServerList(alice)->status, 200);
  EXPECT_EQ(ServerList(again)->status, 200);
}

TEST_F(ApiHost, ExpiredTokensAreRefused) {
  StartPortal([](portal::Options& o) { o.tokenTtlSeconds = 0; });
  Json::Value login = NewPlayer("carol");
  auto page = ServerList(login);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 403);
  EXPECT_EQ(page->body.find("win-bar"), std::string::npos);
}

TEST_F(ApiHost, MetaElementsCarryTheConfiguredWindowAndTitleBar) {
  StartPortal([](portal::Options& o) {
    o.winWidth = 1280;
    o.winHeight = 720;
    o.winSizable = false;
    o.winFull = true;
    o.serverName = "晨曦之港";
    o.announcement = "今晚 20:00 维护 \"半小时\" <注意>";
    o.moreUrl = "";
    o.chargeUrl = "http://pay.example/top?a=1&b=2";
  });
  auto page = ServerList(NewPlayer("daisy"));
  ASSERT_TRUE(page);
  std::map<std::string, std::string> meta = MetaElements(page->body);
  EXPECT_EQ(meta["win-width"], "1280");
  EXPECT_EQ(meta["win-height"], "720");
  EXPECT_EQ(meta["win-sizeble"], "false");
  EXPECT_EQ(meta["win-full"], "true");

  Json::Value bar = ParseJson(DecodeBase64(meta["win-bar"]));
  ASSERT_TRUE(bar.isObject()) << meta["win-bar"];
  EXPECT_EQ(bar["ServerName"].asString(), "晨曦之港");
  EXPECT_EQ(bar["Announcement"].asString(), "今晚 20:00 维护 \"半小时\" <注意>");
  EXPECT_EQ(bar["MoreURL"].asString(), "");
  EXPECT_EQ(bar["ChargeURL"].asString(), "http://pay.example/top?a=1&b=2");
  EXPECT_EQ(bar["AnnouncementURL"].asString(), portal_->Url(Role::kApi, "/client/notice.html"));
  for (const char* key : {"ServerName", "Announcement", "AnnouncementURL", "MoreURL", "ChargeURL"}) {
    EXPECT_TRUE(bar[key].isString()) << key;
  }
}

TEST_F(ApiHost, DefaultTitleBarLinksPointAtThePortalsOwnPages) {
  StartPortal();
  auto page = ServerList(NewPlayer("erica"));
  Json::Value bar = ParseJson(DecodeBase64(MetaElements(page->body)["win-bar"]));
  EXPECT_EQ(bar["MoreURL"].asString(), portal_->Url(Role::kForum, "/"));
  EXPECT_EQ(bar["ChargeURL"].asString(), portal_->Url(Role::kWeb, "/v2_payment/index.html"));
  for (const char* key : {"MoreURL", "ChargeURL", "AnnouncementURL"}) {
    std::string url = bar[key].asString();
    for (Role role : portal::kAllRoles) {
      std::string origin = "http://" + portal_->Host(role);
      if (url.rfind(origin, 0) == 0) {
        EXPECT_EQ(Get(role, url.substr(origin.size()))->status, 200) << url;
      }
    }
  }
}

TEST_F(ApiHost, LargeWindowLinkAsksForASizableMaximisedWindowAndItsPageAgrees) {
  StartPortal([](portal::Options& o) {
    o.winSizable = false;
    o.winFull = false;
  });
  Json::Value login = NewPlayer("fiona");
  auto page = ServerList(login);
  std::string large;
  for (const std::string& link : Links(page->body)) {
    if (link.find("sizeble=true&full=true") != std::string::npos) large = link;
  }
  // The launcher's rule: the API host's client prefix plus this exact text.
  ASSERT_EQ(large.rfind(portal_->Url(Role::kApi, "/client"), 0), 0u) << large;
  std::string origin = "http://" + portal_->Host(Role::kApi);
  auto largePage = Get(Role::kApi, large.substr(origin.size()));
  ASSERT_EQ(largePage->status, 200);
  std::map<std::string, std::string> meta = MetaElements(largePage->body);
  EXPECT_EQ(meta["win-sizeble"], "true");
  EXPECT_EQ(meta["win-full"], "true");
}

TEST_F(ApiHost, ServerLinksLeadIntoTheGatewayWithAValidSignature) {
  StartPortal();
  Json::Value login = NewPlayer("gwen1");
  auto page = ServerList(login);
  std::string gateway = portal_->Url(Role::kGame, "/");
  int open = 0;
  for (const std::string& link : Links(page->body)) {
    if (link.rfind(gateway, 0) != 0) continue;
    ++open;
    // What the launcher looks for before it marks the address.
    EXPECT_NE(link.find("sid="), std::string::npos);
    EXPECT_NE(link.find("sign="), std::string::npos);
    EXPECT_EQ(QueryValue(link, "uid"), login["uid"].asString());
    auto game = Get(Role::kGame, link.substr(gateway.size() - 1) + "&version=morvaine");
    ASSERT_TRUE(game);
    EXPECT_EQ(game->status, 200) << link;
    EXPECT_NE(game->body.find("<canvas"), std::string::npos);
  }
  EXPECT_EQ(open, 3);  // the server under maintenance has no link
}

TEST_F(ApiHost, OtherClientPages) {
  StartPortal([](portal::Options& o) { o.announcement = "公告 <b>测试</b>"; });
  auto notice = Get(Role::kApi, "/client/notice.html");
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->status, 200);
  EXPECT_NE(notice->body.find("公告 &lt;b&gt;测试&lt;/b&gt;"), std::string::npos);

  Json::Value login = NewPlayer("hanna");
  std::string who = "&uid=" + login["uid"].asString() + "&token=" + login["token"].asString();
  EXPECT_EQ(Get(Role::kApi, "/client/redirect.html?type=news&gcode=mvn&ver=3" + who)->status, 404);
  EXPECT_EQ(Get(Role::kApi, "/client/redirect.html?type=servers&gcode=xyz&ver=3" + who)->status, 404);
}

}  // namespace
}  // namespace portaltest
