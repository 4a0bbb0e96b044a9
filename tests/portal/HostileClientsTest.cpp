// Clients that misbehave on purpose: oversized and endless requests, idle and
// trickling connections, floods of statistics pings. The portal must refuse
// them and keep answering everybody else.
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "PortalFixture.h"
#include "portal/Accounts.h"
#include "portal/Store.h"

namespace portaltest {
namespace {

using namespace std::chrono_literals;

using Hostile = PortalTest;

const std::string kLoginHead = "POST /login/tillow.html HTTP/1.1\r\nHost: x\r\n";

bool StartsWithStatus(const std::string& reply, int status) {
  return reply.rfind("HTTP/1.1 " + std::to_string(status) + " ", 0) == 0;
}

// Counts the replies of each status in a run of replies on one connection.
int CountStatus(const std::string& replies, int status) {
  int count = 0;
  std::string line = "HTTP/1.1 " + std::to_string(status) + " ";
  for (std::size_t at = replies.find(line); at != std::string::npos; at = replies.find(line, at + 1)) ++count;
  return count;
}

TEST_F(Hostile, ChunkedBodiesOverTheLimitAreRefusedWith413) {
  StartPortal([](portal::Options& o) { o.maxBodyBytes = 64 * 1024; });
  RawClient client(portal_->Port(Role::kWeb));
  ASSERT_TRUE(client.Send(kLoginHead + "Transfer-Encoding: chunked\r\n\r\n"));
  // Up to 32 MiB, as long as the server keeps reading.
  const std::string chunk = "4000\r\n" + std::string(0x4000, 'p') + "\r\n";
  int chunks = 0;
  EXPECT_TRUE(client.SendUntilAnswered([&] { return chunks++ < 2048 ? chunk : std::string(); }));
  std::string reply = client.ReadUntilClosed();
  EXPECT_TRUE(StartsWithStatus(reply, 413)) << reply.substr(0, 80);
  EXPECT_TRUE(client.ClosedWithin(5s));
  EXPECT_EQ(Get(Role::kWeb, "/")->status, 200);
}

TEST_F(Hostile, AnnouncedBodiesOverTheLimitAreRefusedBeforeTheyAreSent) {
  StartPortal([](portal::Options& o) { o.maxBodyBytes = 4096; });
  for (const char* expect : {"", "Expect: 100-continue\r\n"}) {
    RawClient client(portal_->Port(Role::kWeb));
    ASSERT_TRUE(client.Send(kLoginHead + expect + "Content-Length: 33554432\r\n\r\n"));
    std::string reply = client.ReadUntilClosed();
    // No go-ahead for a body that would be refused.
    EXPECT_TRUE(StartsWithStatus(reply, 413)) << expect << reply.substr(0, 80);
  }
}

TEST_F(Hostile, ChunkedAndContinuedBodiesWithinTheLimitReachTheHandlers) {
  StartPortal();
  NewPlayer("chunky", "secret12");
  const std::string form = "Content-Type: application/x-www-form-urlencoded\r\nConnection: close\r\n";

  RawClient chunked(portal_->Port(Role::kWeb));
  ASSERT_TRUE(chunked.Send(kLoginHead + form + "Transfer-Encoding: chunked\r\n\r\n" +
                           "10\r\n&gid=73&username\r\n" + "19\r\n=chunky&password=secret12\r\n0\r\n\r\n"));
  std::string reply = chunked.ReadUntilClosed();
  EXPECT_TRUE(StartsWithStatus(reply, 200)) << reply;
  EXPECT_NE(reply.find("\"status\":\"200\""), std::string::npos) << reply;

  const std::string body = "&gid=73&username=chunky&password=secret12";
  RawClient continued(portal_->Port(Role::kWeb));
  ASSERT_TRUE(continued.Send(kLoginHead + form + "Expect: 100-continue\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\n\r\n"));
  EXPECT_EQ(continued.ReadUntil("\r\n\r\n"), "HTTP/1.1 100 Continue\r\n\r\n");
  ASSERT_TRUE(continued.Send(body));
  reply = continued.ReadUntilClosed();
  EXPECT_TRUE(StartsWithStatus(reply, 200)) << reply;
  EXPECT_NE(reply.find("\"status\":\"200\""), std::string::npos) << reply;
  EXPECT_EQ(reply.find("100 Continue"), std::string::npos);
}

struct EndlessHead {
  const char* name;
  std::string start;
  std::string piece;
  int status;
};

class EndlessHeads : public PortalTest, public ::testing::WithParamInterface<EndlessHead> {};

TEST_P(EndlessHeads, AreCutOffAtTheirBound) {
  StartPortal();
  RawClient client(portal_->Port(Role::kApi));
  ASSERT_TRUE(client.Send(GetParam().start));
  // Up to 64 MiB, as long as the server keeps reading.
  int pieces = 0;
  EXPECT_TRUE(client.SendUntilAnswered([&] { return pieces++ < 4096 ? GetParam().piece : std::string(); }));
  std::string reply = client.ReadUntilClosed();
  EXPECT_TRUE(StartsWithStatus(reply, GetParam().status)) << reply.substr(0, 80);
  EXPECT_TRUE(client.ClosedWithin(5s));
  EXPECT_EQ(Get(Role::kApi, "/client/latest_version.html")->status, 200);
}

std::string HeaderLines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "X-Line-" + std::to_string(i) + ": value\r\n";
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, EndlessHeads,
    ::testing::Values(
        EndlessHead{"ManyHeaderLines", "GET /client/latest_version.html HTTP/1.1\r\n", HeaderLines(1000),
                    431},
        EndlessHead{"OneEndlessHeaderLine", "GET / HTTP/1.1\r\nX-Long: ", std::string(16384, 'v'), 431},
        EndlessHead{"EndlessRequestLine", "GET /", std::string(16384, 'a'), 414},
        EndlessHead{"EndlessTrailers", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n",
                    HeaderLines(1000), 431}),
    [](const ::testing::TestParamInfo<EndlessHead>& info) { return std::string(info.param.name); });

TEST_F(Hostile, IdleAndTricklingClientsDoNotDelayOthers) {
  StartPortal();
  NewPlayer("patient", "secret12");
  std::vector<std::unique_ptr<RawClient>> idle;
  std::vector<std::unique_ptr<RawClient>> trickling;
  for (Role role : {Role::kWeb, Role::kApi}) {
    for (int i = 0; i < 64; ++i) idle.push_back(std::make_unique<RawClient>(portal_->Port(role)));
    for (int i = 0; i < 16; ++i) {
      trickling.push_back(std::make_unique<RawClient>(portal_->Port(role)));
      ASSERT_TRUE(trickling.back()->Send("POST /login/tillow.html HTTP/1.1\r\n"));
    }
  }
  for (const auto& client : idle) ASSERT_TRUE(client->connected());
  // A header line every 200 ms from each trickling client while the others are served.
  std::atomic<bool> done{false};
  std::thread trickle([&] {
    for (int line = 0; !done; ++line) {
      for (const auto& client : trickling) client->Send("X-Slow-" + std::to_string(line) + ": 1\r\n");
      for (int wait = 0; wait < 20 && !done; ++wait) std::this_thread::sleep_for(10ms);
    }
  });

  // The old server answered these after 5 s per idle connection and worker,
  // or never: a five-second client timeout tells the two apart.
  httplib::Client web("127.0.0.1", portal_->Port(Role::kWeb));
  web.set_connection_timeout(5);
  web.set_read_timeout(5);
  auto login = web.Post("/login/tillow.html", "&gid=73&username=patient&password=secret12",
                        "application/x-www-form-urlencoded");
  httplib::Client api("127.0.0.1", portal_->Port(Role::kApi));
  api.set_connection_timeout(5);
  api.set_read_timeout(5);
  auto version = api.Get("/client/latest_version.html");
  done = true;
  trickle.join();

  ASSERT_TRUE(login) << httplib::to_string(login.error());
  EXPECT_EQ(ParseJson(login->body)["status"].asString(), "200");
  ASSERT_TRUE(version) << httplib::to_string(version.error());
  EXPECT_EQ(version->status, 200);
  // Nobody was thrown out to make room: every slow client is still waiting.
  for (const auto& client : trickling) EXPECT_FALSE(client->Readable());
  for (const auto& client : idle) EXPECT_FALSE(client->Readable());
}

// A download read a little at a time holds a worker only until it falls
// under the reply rate floor; a client that reads at full speed gets it all.
TEST_F(Hostile, RepliesReadSlowerThanTheRateFloorAreAbandoned) {
  constexpr std::size_t kSize = 32 * 1024 * 1024;  // far more than the sockets' buffers hold
  StartPortal([](portal::Options& o) {
    o.installerSize = kSize;
    o.minReplyRate = 4 * 1024 * 1024;
    o.replyGraceMs = 500;
  });
  const std::string request = "GET /dl/MorvaineSetup.exe HTTP/1.1\r\nHost: x\r\n\r\n";

  RawClient slow(portal_->Port(Role::kDownload));
  ASSERT_TRUE(slow.Send(request));
  // 16 KiB every 50 ms is about 320 KiB/s, under the 4 MiB/s floor; the
  // sockets buffer a few MiB at first, so the average falls under it after a
  // few seconds, and the reset ends the read without the rest of the buffer.
  const std::size_t slowBytes = slow.ReadPaced(16 * 1024, 50ms, 30s);
  EXPECT_LT(slowBytes, kSize) << "the slow reader got the whole file";
  EXPECT_TRUE(slow.ClosedWithin(0ms)) << "the server never gave up on the slow reader";

  RawClient fast(portal_->Port(Role::kDownload));
  ASSERT_TRUE(fast.Send("GET /dl/MorvaineSetup.exe HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"));
  const std::string reply = fast.ReadUntilClosed(20s);
  ASSERT_TRUE(StartsWithStatus(reply, 200)) << reply.substr(0, 80);
  const std::size_t head = reply.find("\r\n\r\n");
  ASSERT_NE(head, std::string::npos);
  EXPECT_EQ(reply.size() - head - 4, kSize);
}

TEST_F(Hostile, AHeadThatDoesNotArriveInTimeGets408) {
  StartPortal([](portal::Options& o) { o.requestTimeoutMs = 300; });
  RawClient client(portal_->Port(Role::kWeb));
  ASSERT_TRUE(client.Send("GET / HTTP/1.1\r\n"));
  // One header line every 50 ms would go on for ten seconds.
  int line = 0;
  EXPECT_TRUE(client.SendUntilAnswered([&] {
    if (line >= 200) return std::string();
    std::this_thread::sleep_for(50ms);
    return "X-Slow-" + std::to_string(line++) + ": 1\r\n";
  }));
  std::string reply = client.ReadUntilClosed();
  EXPECT_TRUE(StartsWithStatus(reply, 408)) << reply.substr(0, 80);
  EXPECT_LT(line, 200);
}

TEST_F(Hostile, SilentConnectionsAreClosed) {
  StartPortal([](portal::Options& o) { o.idleTimeoutMs = 200; });
  RawClient silent(portal_->Port(Role::kForum));
  EXPECT_TRUE(silent.ClosedWithin(5s));

  // Also after a request answered on a kept-alive connection.
  RawClient kept(portal_->Port(Role::kForum));
  ASSERT_TRUE(kept.Send("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
  std::string reply = kept.ReadUntilClosed();
  EXPECT_TRUE(StartsWithStatus(reply, 200)) << reply.substr(0, 80);
  EXPECT_NE(reply.find("</html>"), std::string::npos);
  EXPECT_TRUE(kept.ClosedWithin(1s));
}

TEST_F(Hostile, AFullHostClosesTheLongestWaitingConnectionForANewOne) {
  StartPortal([](portal::Options& o) { o.maxConnections = 8; });
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 8; ++i) idle.push_back(std::make_unique<RawClient>(portal_->Port(Role::kForum)));
  auto page = Get(Role::kForum, "/");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  int closed = 0;
  for (const auto& client : idle) closed += client->ClosedWithin(100ms) ? 1 : 0;
  EXPECT_EQ(closed, 1);
}

TEST_F(Hostile, PipelinedRequestsAreAnsweredInOrder) {
  StartPortal();
  RawClient client(portal_->Port(Role::kApi));
  ASSERT_TRUE(
      client.Send("GET /client/latest_version.html HTTP/1.1\r\nHost: x\r\n\r\n"
                  "GET /client/notice.html HTTP/1.1\r\nHost: x\r\n\r\n"
                  "GET /nowhere HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"));
  std::string replies = client.ReadUntilClosed();
  EXPECT_EQ(CountStatus(replies, 200), 2) << replies;
  EXPECT_EQ(CountStatus(replies, 404), 1);
  std::size_t version = replies.find("\"version\"");
  std::size_t notice = replies.find("<html");
  ASSERT_NE(version, std::string::npos);
  ASSERT_NE(notice, std::string::npos);
  EXPECT_LT(version, notice);
  EXPECT_LT(notice, replies.find("HTTP/1.1 404 "));
}

TEST_F(Hostile, StatisticsPingsAreLimitedPerAddress) {
  StartPortal([](portal::Options& o) { o.pingsPerMinute = 5; });
  int accepted = 0;
  int refused = 0;
  for (int i = 0; i < 8; ++i) {
    auto res = Get(Role::kStats, "/col_tw.aspx?t=" + std::to_string(i) + "&c=flood&u=1&m=2");
    ASSERT_TRUE(res);
    accepted += res->status == 200 ? 1 : 0;
    refused += res->status == 429 ? 1 : 0;
  }
  EXPECT_EQ(accepted, 5);
  EXPECT_EQ(refused, 3);
  // Another address has its own allowance.
  RawClient other(portal_->Port(Role::kStats), "127.0.0.2");
  ASSERT_TRUE(other.connected());
  ASSERT_TRUE(other.Send("GET /col_tw.aspx?t=9&c=other HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"));
  EXPECT_TRUE(StartsWithStatus(other.ReadUntilClosed(), 200));

  std::vector<portal::Ping> pings = portal_->store().Pings();
  ASSERT_EQ(pings.size(), 6u);
  EXPECT_EQ(pings.front().t, "0");
  EXPECT_EQ(pings.back().c, "other");
}

TEST_F(Hostile, StoredPingsAreCappedKeepingTheNewest) {
  StartPortal([](portal::Options& o) {
    o.pingsPerMinute = 0;
    o.maxStoredPings = 10;
  });
  for (int i = 0; i < 15; ++i) {
    ASSERT_EQ(Get(Role::kStats, "/col_tw.aspx?t=" + std::to_string(i))->status, 200);
  }
  std::vector<portal::Ping> pings = portal_->store().Pings();
  ASSERT_EQ(pings.size(), 10u);
  EXPECT_EQ(pings.front().t, "5");
  EXPECT_EQ(pings.back().t, "14");
}

TEST_F(Hostile, ALoginBodyOfThousandsOfFieldsIsMalformed) {
  StartPortal();
  NewPlayer("fields", "secret12");
  std::string body = "&gid=73&username=fields&password=secret12";
  for (int i = 0; i < 5000; ++i) body += "&f" + std::to_string(i) + "=v";
  ASSERT_LT(body.size(), options_.maxBodyBytes);
  // Not marked as a form, so the library does not parse it first.
  auto res = Client(Role::kWeb)->Post("/login/tillow.html", body, "text/plain");
  ASSERT_TRUE(res);
  Json::Value reply = ParseJson(res->body);
  EXPECT_EQ(reply["status"].asString(), "400");
  EXPECT_EQ(reply["message"].asString(), portal::messages::kMalformed);
}

class PrivateData : public PortalTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PrivateData, FolderDatabaseAndKeyAreTheOwnersOnly) {
  std::filesystem::path data = dir_ / "data";
  if (GetParam()) {
    // Left readable by an older portal or a loose umask.
    std::filesystem::create_directories(data);
    ::chmod(data.c_str(), 0755);
    testsupport::WriteFileBytes(data / "portal.sqlite", "");
    ::chmod((data / "portal.sqlite").c_str(), 0644);
    StartPortal();
    portal_->Stop();
    ::chmod((data / "portal.sqlite").c_str(), 0644);
    ::chmod((data / "signing.key").c_str(), 0644);
    ::chmod(data.c_str(), 0755);
  }
  StartPortal();
  NewPlayer("private");
  auto mode = [](const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 0777;
  };
  EXPECT_EQ(mode(data), 0700u);
  EXPECT_EQ(mode(data / "portal.sqlite"), 0600u);
  EXPECT_EQ(mode(data / "signing.key"), 0600u);
}

INSTANTIATE_TEST_SUITE_P(Folders, PrivateData, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "AlreadyThere" : "New";
                         });

}  // namespace
}  // namespace portaltest
