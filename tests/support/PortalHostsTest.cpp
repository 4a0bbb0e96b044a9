#include <gtest/gtest.h>

#include "support/PortalHosts.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::ScopedEnv;

// Clears every variable that moves the portal, for the life of a test.
class PortalHostsTest : public ::testing::Test {
 protected:
  ScopedEnv list_{"LUMORA_PORTAL_HOSTS", std::nullopt};
  ScopedEnv api_{"LUMORA_PORTAL_API_HOST", std::nullopt};
  ScopedEnv web_{"LUMORA_PORTAL_WEB_HOST", std::nullopt};
  ScopedEnv stats_{"LUMORA_PORTAL_STATS_HOST", std::nullopt};
  ScopedEnv forum_{"LUMORA_PORTAL_FORUM_HOST", std::nullopt};
  ScopedEnv game_{"LUMORA_PORTAL_GAME_HOST", std::nullopt};
  ScopedEnv partner_{"LUMORA_PORTAL_PARTNER_HOST", std::nullopt};
  ScopedEnv download_{"LUMORA_PORTAL_DOWNLOAD_HOST", std::nullopt};
};

TEST_F(PortalHostsTest, DefaultsPointAtTheLocalPortal) {
  const PortalHosts hosts = ReloadPortalHosts();
  EXPECT_EQ(hosts.api, "127.0.0.1:47801");
  EXPECT_EQ(hosts.web, "127.0.0.1:47802");
  EXPECT_EQ(hosts.stats, "127.0.0.1:47803");
  EXPECT_EQ(hosts.forum, "127.0.0.1:47804");
  EXPECT_EQ(hosts.game, "127.0.0.1:47805");
  EXPECT_EQ(hosts.partner, "127.0.0.1:47806");
  EXPECT_EQ(hosts.download, "127.0.0.1:47807");
}

TEST_F(PortalHostsTest, ListMovesNamedRolesOnly) {
  const ScopedEnv list(
      "LUMORA_PORTAL_HOSTS",
      "api=127.0.0.1:1234, web = 127.0.0.1:1235,shop=127.0.0.1:9,download=dl.example:80,,broken");
  const PortalHosts hosts = ReloadPortalHosts();
  EXPECT_EQ(hosts.api, "127.0.0.1:1234");
  EXPECT_EQ(hosts.web, "127.0.0.1:1235");
  EXPECT_EQ(hosts.download, "dl.example:80");
  EXPECT_EQ(hosts.stats, "127.0.0.1:47803");
  EXPECT_EQ(hosts.game, "127.0.0.1:47805");
}

TEST_F(PortalHostsTest, PerRoleVariablesWinOverTheList) {
  const ScopedEnv list("LUMORA_PORTAL_HOSTS", "api=127.0.0.1:1234,game=127.0.0.1:1236");
  const ScopedEnv api("LUMORA_PORTAL_API_HOST", "127.0.0.1:2000");
  const ScopedEnv partner("LUMORA_PORTAL_PARTNER_HOST", "127.0.0.1:2001");
  const ScopedEnv empty("LUMORA_PORTAL_STATS_HOST", "");
  const PortalHosts hosts = ReloadPortalHosts();
  EXPECT_EQ(hosts.api, "127.0.0.1:2000");
  EXPECT_EQ(hosts.game, "127.0.0.1:1236");
  EXPECT_EQ(hosts.partner, "127.0.0.1:2001");
  EXPECT_EQ(hosts.stats, "127.0.0.1:47803");
}

TEST_F(PortalHostsTest, HostsWithSchemePathOrBlanksAreIgnored) {
  const ScopedEnv list("LUMORA_PORTAL_HOSTS",
                       "api=http://127.0.0.1:1234,web=127.0.0.1:1/x,forum=a b:1,game=");
  const PortalHosts hosts = ReloadPortalHosts();
  EXPECT_EQ(hosts.api, "127.0.0.1:47801");
  EXPECT_EQ(hosts.web, "127.0.0.1:47802");
  EXPECT_EQ(hosts.forum, "127.0.0.1:47804");
  EXPECT_EQ(hosts.game, "127.0.0.1:47805");
}

TEST_F(PortalHostsTest, ProcessConfigurationChangesOnlyOnReload) {
  ReloadPortalHosts();
  {
    const ScopedEnv api("LUMORA_PORTAL_API_HOST", "127.0.0.1:3000");
    EXPECT_EQ(GetPortalHosts().api, "127.0.0.1:47801");
    ReloadPortalHosts();
    EXPECT_EQ(GetPortalHosts().api, "127.0.0.1:3000");
  }
  ReloadPortalHosts();
  EXPECT_EQ(GetPortalHosts().api, "127.0.0.1:47801");
}

}  // namespace
