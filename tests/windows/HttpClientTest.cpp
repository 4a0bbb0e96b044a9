// The HTTP client as the Windows program runs it: libcurl built for the
// target, Windows sockets, a server on the loopback interface. The Linux
// tests of tests/support check the same rules against cpp-httplib's server.
#include "support/HttpClient.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

#include "windows/LoopbackServer.h"

namespace {

using namespace std::chrono_literals;
using testsupport::LoopbackServer;

class WindowsHttpClient : public ::testing::Test {
 protected:
  WindowsHttpClient()
      : server_({
            {"/hello", {LoopbackServer::Response(200, "OK", "hi there")}},
            {"/form", {LoopbackServer::Response(200, "OK", "{\"status\":\"200\"}")}},
            {"/broken",
             {LoopbackServer::Response(500, "Internal Server Error", "<html>server error</html>")}},
            {"/stall", {"", true}},
            {"/partial",
             {"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100\r\n\r\npartial", true}},
            {"/largest", {LoopbackServer::Response(200, "OK", std::string(HttpClient::kMaxReplyBytes, 'x'))}},
            {"/huge",
             {LoopbackServer::Response(200, "OK", std::string(HttpClient::kMaxReplyBytes + 1, '['))}},
        }) {}

  void SetUp() override { ASSERT_TRUE(server_.Listening()); }

  LoopbackServer server_;
};

TEST_F(WindowsHttpClient, GetAndPostSendTheRequestsTheLinuxProgramSends) {
  std::string body;
  EXPECT_EQ(HttpClient::Get(server_.Url("/hello"), &HttpClient::AppendToString, &body, false), CURLE_OK);
  EXPECT_EQ(body, "hi there");
  std::string request = server_.LastRequest();
  EXPECT_EQ(request.rfind("GET /hello HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_EQ(request.find("User-Agent:"), std::string::npos) << request;

  std::string reply;
  EXPECT_EQ(HttpClient::Post(server_.Url("/form"), "user=abc&pass=p%20w", &HttpClient::AppendToString, &reply,
                             false),
            CURLE_OK);
  EXPECT_EQ(reply, "{\"status\":\"200\"}");
  request = server_.LastRequest();
  EXPECT_EQ(request.rfind("POST /form HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"), std::string::npos)
      << request;
  EXPECT_NE(request.find("\r\nContent-Length: 19\r\n"), std::string::npos) << request;
  EXPECT_EQ(request.substr(request.size() - 19), "user=abc&pass=p%20w");
  EXPECT_EQ(request.find("User-Agent:"), std::string::npos) << request;
}

TEST_F(WindowsHttpClient, ErrorPagesAreOrdinaryBodies) {
  std::string page;
  EXPECT_EQ(HttpClient::Get(server_.Url("/broken"), &HttpClient::AppendToString, &page, false), CURLE_OK);
  EXPECT_EQ(page, "<html>server error</html>");
}

// The three-second limit holds for a server that never answers and for one
// that stops in the middle of its body; what arrived before is kept.
TEST_F(WindowsHttpClient, StalledAndCutTransfersTimeOut) {
  for (const char* path : {"/stall", "/partial"}) {
    std::string body;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpClient::Get(server_.Url(path), &HttpClient::AppendToString, &body, false),
              CURLE_OPERATION_TIMEDOUT)
        << path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 8s) << path;
    EXPECT_EQ(body, std::string(path) == "/partial" ? "partial" : "") << path;
  }
}

TEST_F(WindowsHttpClient, ClosedPortFailsToConnect) {
  const int port = LoopbackServer::ClosedPort();
  ASSERT_NE(port, 0);
  std::string body;
  EXPECT_EQ(HttpClient::Get("http://127.0.0.1:" + std::to_string(port) + "/", &HttpClient::AppendToString,
                            &body, false),
            CURLE_COULDNT_CONNECT);
  EXPECT_EQ(body, "");
}

TEST_F(WindowsHttpClient, RepliesAreCollectedUpToTheCapOnly) {
  std::string body;
  EXPECT_EQ(HttpClient::Get(server_.Url("/largest"), &HttpClient::AppendToString, &body, false), CURLE_OK);
  EXPECT_EQ(body.size(), HttpClient::kMaxReplyBytes);
  std::string huge;
  EXPECT_EQ(HttpClient::Get(server_.Url("/huge"), &HttpClient::AppendToString, &huge, false),
            CURLE_WRITE_ERROR);
  EXPECT_LE(huge.size(), HttpClient::kMaxReplyBytes);
}

}  // namespace
