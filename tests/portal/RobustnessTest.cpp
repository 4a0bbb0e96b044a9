// Bad input, misbehaviour switches and start-up failures.
#include <chrono>

#include "PortalFixture.h"

namespace portaltest {
namespace {

using Robustness = PortalTest;

TEST_F(Robustness, OversizedBodiesAreRefusedWith413) {
  StartPortal([](portal::Options& o) { o.maxBodyBytes = 4096; });
  std::string big = "&gid=73&username=someone&password=" + std::string(5000, 'p');
  for (const char* path : {"/login/tillow.html", "/register/tillow.html", "/v2_payment/order.html"}) {
    auto res = PostForm(Role::kWeb, path, big);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 413) << path;
  }
  // A body just under the limit is read and refused on its merits.
  auto fits = PostForm(Role::kWeb, "/login/tillow.html",
                       "&gid=73&username=someone&password=" + std::string(3000, 'p'));
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->status, 200);
  EXPECT_EQ(ParseJson(fits->body)["status"].asString(), "401");
}

TEST_F(Robustness, UnknownPathsAndMethodsGet404) {
  StartPortal();
  struct Probe {
    Role role;
    const char* path;
  };
  const Probe probes[] = {
      {Role::kApi, "/"},
      {Role::kApi, "/client/"},
      {Role::kApi, "/client/../etc/passwd"},
      {Role::kWeb, "/login"},
      {Role::kStats, "/"},
      {Role::kForum, "/index.php"},
      {Role::kGame, "/"},
      {Role::kPartner, "/"},
      {Role::kDownload, "/dl/"},
      {Role::kDownload, "/dl/../portal.sqlite"},
  };
  for (const Probe& probe : probes) {
    auto res = Get(probe.role, probe.path);
    ASSERT_TRUE(res) << probe.path;
    EXPECT_EQ(res->status, 404) << portal::RoleName(probe.role) << probe.path;
  }
  // Login and registration are POST only.
  EXPECT_EQ(Get(Role::kWeb, "/login/tillow.html")->status, 404);
  EXPECT_EQ(Client(Role::kApi)->Post("/client/latest_version.html", "x", "text/plain")->status, 404);
}

TEST_F(Robustness, GarbageOnTheWireDoesNotStopTheHost) {
  StartPortal();
  int web = portal_->Port(Role::kWeb);
  EXPECT_NE(RawExchange(web, "NONSENSE\r\n\r\n").find(" 400 "), std::string::npos);
  std::string reply = RawExchange(web, std::string("\x00\x01\x02\xff\r\n\r\n", 8));
  EXPECT_TRUE(reply.empty() || reply.find(" 400 ") != std::string::npos) << reply;
  RawExchange(web, "POST /login/tillow.html HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\nshort");
  RawExchange(web, "GET /" + std::string(20000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n");
  RawExchange(web, "POST /login/tillow.html HTTP/1.1\r\nHost: x\r\nContent-Length: -5\r\n\r\n");
  RawExchange(web, "POST /login/tillow.html HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n");
  auto still = Get(Role::kWeb, "/");
  ASSERT_TRUE(still);
  EXPECT_EQ(still->status, 200);
}

TEST_F(Robustness, FailAndDelaySwitchesActPerRole) {
  StartPortal([](portal::Options& o) {
    o.failStatus[static_cast<std::size_t>(Role::kApi)] = 502;
    o.delayMs[static_cast<std::size_t>(Role::kWeb)] = 300;
  });
  auto failed = Get(Role::kApi, "/client/latest_version.html");
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->status, 502);
  EXPECT_TRUE(ParseJson(failed->body).isNull());
  EXPECT_EQ(Get(Role::kForum, "/")->status, 200);

  auto start = std::chrono::steady_clock::now();
  auto slow = Get(Role::kWeb, "/");
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->status, 200);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

TEST_F(Robustness, StoppingDoesNotWaitForAPendingDelay) {
  StartPortal([](portal::Options& o) { o.delayMs.fill(600000); });
  int status = 0;
  std::thread client([this, &status] {
    auto res = Get(Role::kApi, "/client/latest_version.html");
    status = res ? res->status : -1;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  portal_->Stop();  // would hang for ten minutes if the delay were not cut short
  client.join();
  // The request in flight is still answered rather than dropped.
  EXPECT_EQ(status, 200);
}

TEST_F(Robustness, ASecondPortalOnTheSamePortsFailsAndLeavesNothingBehind) {
  StartPortal();
  portal::Options clash = options_;
  clash.dataDir = dir_ / "other";
  clash.ports.fill(0);
  clash.ports[static_cast<std::size_t>(Role::kGame)] = portal_->Port(Role::kGame);
  portal::Portal second(clash);
  std::string error;
  EXPECT_FALSE(second.Start(&error));
  EXPECT_NE(error.find("game"), std::string::npos) << error;
  // The first one still serves its game host.
  EXPECT_EQ(Get(Role::kGame, "/game.html")->status, 403);
}

TEST_F(Robustness, UnusableDataFolderIsReported) {
  testsupport::WriteFileBytes(dir_ / "file", "not a folder");
  portal::Options options = portal::DefaultOptions();
  options.ports.fill(0);
  options.dataDir = dir_ / "file" / "data";
  portal::Portal portal(options);
  std::string error;
  EXPECT_FALSE(portal.Start(&error));
  EXPECT_NE(error.find("data folder"), std::string::npos) << error;
}

}  // namespace
}  // namespace portaltest
