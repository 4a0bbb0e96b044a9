// The statistics host and the plain pages of the web, forum and partner hosts.
#include "PortalFixture.h"
#include "portal/Store.h"

namespace portaltest {
namespace {

using Statistics = PortalTest;
using SitePages = PortalTest;

TEST_F(Statistics, EveryPingIsRecordedWithItsFieldsAndTime) {
  StartPortal();
  std::int64_t before = std::time(nullptr);
  auto login = Get(Role::kStats, "/col_tw.aspx?t=3&c=360gj&u=0000000000000f4a&m=0A1B2C3D4E5F");
  ASSERT_TRUE(login);
  EXPECT_EQ(login->status, 200);
  // A machine without a network adapter sends an empty m=.
  EXPECT_EQ(Get(Role::kStats, "/col_tw.aspx?t=2&c=360gj%0A&u=00000000000906ed&m=")->status, 200);
  EXPECT_EQ(Get(Role::kStats, "/col_tw.aspx")->status, 200);

  std::vector<portal::Ping> pings = portal_->store().Pings();
  ASSERT_EQ(pings.size(), 3u);
  EXPECT_EQ(pings[0].t, "3");
  EXPECT_EQ(pings[0].c, "360gj");
  EXPECT_EQ(pings[0].u, "0000000000000f4a");
  EXPECT_EQ(pings[0].m, "0A1B2C3D4E5F");
  EXPECT_GE(pings[0].time, before);
  EXPECT_LE(pings[0].time, std::time(nullptr));
  EXPECT_EQ(pings[1].t, "2");
  EXPECT_EQ(pings[1].c, "360gj\n");
  EXPECT_EQ(pings[1].m, "");
  EXPECT_EQ(pings[2].t, "");

  // Kept across restarts.
  StartPortal();
  EXPECT_EQ(portal_->store().Pings().size(), 3u);
}

TEST_F(Statistics, OverlongFieldsAreRefusedAndNotRecorded) {
  StartPortal();
  auto res = Get(Role::kStats, "/col_tw.aspx?t=3&c=" + std::string(300, 'x') + "&u=1&m=2");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 400);
  EXPECT_TRUE(portal_->store().Pings().empty());
}

TEST_F(SitePages, PortalPagesTheLauncherOpensAreRealPages) {
  StartPortal();
  struct Page {
    Role role;
    const char* path;
    const char* text;
  };
  const Page pages[] = {
      {Role::kWeb, "/", "Morvaine"},
      {Role::kWeb, "/v2_payment/index.html", "充值中心"},
      {Role::kForum, "/", "游戏论坛"},
      {Role::kPartner, "/index.php", "下载完整版"},
  };
  for (const Page& page : pages) {
    auto res = Get(page.role, page.path);
    ASSERT_TRUE(res) << page.path;
    EXPECT_EQ(res->status, 200) << page.path;
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(res->body.find("</html>"), std::string::npos) << page.path;
    EXPECT_NE(res->body.find(page.text), std::string::npos) << page.path;
  }
  // Only the download host answers ranges; pages come whole.
  auto ranged = Get(Role::kForum, "/", {{"Range", "bytes=0-9"}});
  EXPECT_EQ(ranged->status, 200);
  EXPECT_NE(ranged->body.find("</html>"), std::string::npos);
  EXPECT_EQ(Get(Role::kWeb, "/nowhere", {{"Range", "bytes=5-"}})->status, 404);

  // The partner page offers the installer of this portal.
  auto partner = Get(Role::kPartner, "/index.php");
  std::vector<std::string> links = Links(partner->body);
  EXPECT_NE(std::find(links.begin(), links.end(), portal_->Url(Role::kDownload, "/dl/MorvaineSetup.exe")),
            links.end());
}

TEST_F(SitePages, TopUpOrderNeedsAnExistingAccountAndAKnownAmount) {
  StartPortal();
  NewPlayer("buyer", "secret12");
  auto ok = PostForm(Role::kWeb, "/v2_payment/order.html", "account=buyer&amount=68");
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->status, 200);
  EXPECT_NE(ok->body.find("680 星尘"), std::string::npos);
  for (const char* body : {"account=ghost&amount=68", "account=buyer&amount=69", "account=buyer&amount=6x8",
                           "account=buyer", "garbage", "account=%3Cscript%3E&amount=10"}) {
    auto res = PostForm(Role::kWeb, "/v2_payment/order.html", body);
    ASSERT_TRUE(res) << body;
    EXPECT_EQ(res->status, 400) << body;
    EXPECT_EQ(res->body.find("<script>"), std::string::npos) << body;
  }
}

}  // namespace
}  // namespace portaltest
