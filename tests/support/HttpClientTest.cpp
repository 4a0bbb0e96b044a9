#include <curl/curl.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "support/HttpClient.h"
#include "testsupport/MappedLibraries.h"

namespace {

using namespace std::chrono_literals;

// A cpp-httplib server on an ephemeral loopback port, run in a thread for the
// life of one test. Handlers that stall wait on Release(), which the
// destructor calls so that the server can stop at once.
class TestServer {
 public:
  TestServer() = default;
  ~TestServer() { Stop(); }

  httplib::Server& server() { return server_; }

  void Start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int i = 0; i < 500 && !server_.is_running(); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(server_.is_running());
  }

  void Stop() {
    Release();
    if (thread_.joinable()) {
      server_.stop();
      thread_.join();
    }
  }

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int port() const { return port_; }

  // Blocks a handler until released (or 10 s pass).
  void Stall() {
    std::unique_lock lock(mutex_);
    released_cv_.wait_for(lock, 10s, [this] { return released_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    released_cv_.notify_all();
  }

  // What the last request carried, as the server saw it.
  struct Seen {
    std::string method, body, contentType, contentLength;
    bool hadUserAgent = false;
    bool hadCookie = false;
  };
  void Record(const httplib::Request& req) {
    std::lock_guard lock(mutex_);
    seen_.method = req.method;
    seen_.body = req.body;
    seen_.contentType = req.get_header_value("Content-Type");
    seen_.contentLength = req.get_header_value("Content-Length");
    seen_.hadUserAgent = req.has_header("User-Agent");
    seen_.hadCookie = req.has_header("Cookie");
  }
  Seen seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable released_cv_;
  bool released_ = false;
  Seen seen_;
};

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& s = server_.server();
    s.Get("/hello", [this](const httplib::Request& req, httplib::Response& res) {
      server_.Record(req);
      res.set_content("hi there", "text/plain");
    });
    s.Post("/form", [this](const httplib::Request& req, httplib::Response& res) {
      server_.Record(req);
      res.set_content("{\"status\":\"200\"}", "application/json");
    });
    s.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content("<html>server error</html>", "text/html");
    });
    s.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/target");
      res.set_content("moved away", "text/plain");
    });
    s.Get("/target", [this](const httplib::Request&, httplib::Response& res) {
      ++targetHits_;
      res.set_content("target", "text/plain");
    });
    s.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
      server_.Stall();
      res.set_content("late", "text/plain");
    });
    s.Get("/partial", [this](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("text/plain", [this](std::size_t offset, httplib::DataSink& sink) {
        if (offset == 0) {
          sink.write("partial", 7);
          return true;
        }
        server_.Stall();
        sink.done();
        return true;
      });
    });
    s.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(HttpClient::kMaxReplyBytes + 1, '['), "application/json");
    });
    s.Get("/largest", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(HttpClient::kMaxReplyBytes, 'x'), "text/plain");
    });
    server_.Start();
  }

  TestServer server_;
  std::atomic<int> targetHits_{0};
};

// Each test runs in a process of its own: nothing of libcurl is there before.
TEST_F(HttpClientTest, ReadiedAheadTheLibraryIsThereBeforeTheFirstRequest) {
  ASSERT_FALSE(testsupport::LibraryMapped("libcurl.so.4")) << "libcurl is mapped before anything asked for it";
  HttpClient::ReadyAhead();
  HttpClient::ReadyAhead();  // starts nothing new
  HttpClient::WaitReady();
  EXPECT_TRUE(testsupport::LibraryMapped("libcurl.so.4"));
  std::string body;
  EXPECT_EQ(HttpClient::Get(server_.Url("/hello"), &HttpClient::AppendToString, &body, false), CURLE_OK);
  EXPECT_EQ(body, "hi there");
  EXPECT_EQ(server_.seen().method, "GET");
}

TEST_F(HttpClientTest, GetDeliversTheBodyAndSendsNoUserAgent) {
  std::string body;
  EXPECT_EQ(HttpClient::Get(server_.Url("/hello"), &HttpClient::AppendToString, &body, false), CURLE_OK);
  EXPECT_EQ(body, "hi there");
  const auto seen = server_.seen();
  EXPECT_EQ(seen.method, "GET");
  EXPECT_FALSE(seen.hadUserAgent);
  EXPECT_FALSE(seen.hadCookie);
}

TEST_F(HttpClientTest, PostSendsTheFormBodyAsIs) {
  std::string reply;
  EXPECT_EQ(HttpClient::Post(server_.Url("/form"), "user=abc&pass=p%20w", &HttpClient::AppendToString, &reply,
                             false),
            CURLE_OK);
  EXPECT_EQ(reply, "{\"status\":\"200\"}");
  auto seen = server_.seen();
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.body, "user=abc&pass=p%20w");
  EXPECT_EQ(seen.contentType, "application/x-www-form-urlencoded");
  EXPECT_EQ(seen.contentLength, "19");
  EXPECT_FALSE(seen.hadUserAgent);

  EXPECT_EQ(HttpClient::Post(server_.Url("/form"), "", nullptr, nullptr, false), CURLE_OK);
  seen = server_.seen();
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.body, "");
  EXPECT_EQ(seen.contentLength, "0");
}

TEST_F(HttpClientTest, ErrorPagesAndRedirectsAreOrdinaryBodies) {
  std::string page;
  EXPECT_EQ(HttpClient::Get(server_.Url("/broken"), &HttpClient::AppendToString, &page, false), CURLE_OK);
  EXPECT_EQ(page, "<html>server error</html>");

  std::string moved;
  EXPECT_EQ(HttpClient::Get(server_.Url("/moved"), &HttpClient::AppendToString, &moved, false), CURLE_OK);
  EXPECT_EQ(moved, "moved away");
  EXPECT_EQ(targetHits_.load(), 0) << "the redirect must not be followed";
}

TEST_F(HttpClientTest, StalledServerTimesOutWithinAboutThreeSeconds) {
  std::string body;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpClient::Get(server_.Url("/stall"), &HttpClient::AppendToString, &body, false),
            CURLE_OPERATION_TIMEDOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
  EXPECT_EQ(body, "");
}

TEST_F(HttpClientTest, TimeOutKeepsWhatArrivedBefore) {
  std::string body;
  EXPECT_EQ(HttpClient::Get(server_.Url("/partial"), &HttpClient::AppendToString, &body, false),
            CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(body, "partial");
}

TEST_F(HttpClientTest, UnreachablePortFailsAndLeavesTheTargetEmpty) {
  // Take a free port from the system and give it back: nobody listens there.
  int closedPort = 0;
  {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    closedPort = ntohs(address.sin_port);
    close(fd);
  }
  std::string body;
  const auto start = std::chrono::steady_clock::now();
  const int code = HttpClient::Get("http://127.0.0.1:" + std::to_string(closedPort) + "/",
                                   &HttpClient::AppendToString, &body, false);
  EXPECT_EQ(code, CURLE_COULDNT_CONNECT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
  EXPECT_EQ(body, "");
}

TEST_F(HttpClientTest, MissingTargetEndsTheTransferWithAWriteError) {
  EXPECT_EQ(HttpClient::Get(server_.Url("/hello"), &HttpClient::AppendToString, nullptr, false),
            CURLE_WRITE_ERROR);
  EXPECT_EQ(HttpClient::Post(server_.Url("/form"), "a=1", &HttpClient::AppendToString, nullptr, false),
            CURLE_WRITE_ERROR);
}

TEST_F(HttpClientTest, BodyWithoutWriteFunctionIsDiscardedNotPrinted) {
  std::string ignored = "unchanged";
  testing::internal::CaptureStdout();
  const int plain = HttpClient::Get(server_.Url("/hello"), nullptr, nullptr, false);
  // Write data alone would be taken for a FILE* by libcurl's default writer.
  const int dataOnly = HttpClient::Get(server_.Url("/hello"), nullptr, &ignored, false);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(plain, CURLE_OK);
  EXPECT_EQ(dataOnly, CURLE_OK);
  EXPECT_EQ(printed, "");
  EXPECT_EQ(ignored, "unchanged");
}

TEST_F(HttpClientTest, VerboseTracesTheExchangeOnStandardOutput) {
  std::string body;
  testing::internal::CaptureStdout();
  const int code = HttpClient::Get(server_.Url("/hello"), &HttpClient::AppendToString, &body, true);
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(code, CURLE_OK);
  EXPECT_NE(trace.find("[HEADER_OUT]GET /hello HTTP/1.1"), std::string::npos) << trace;
  EXPECT_NE(trace.find("[HEADER_IN]HTTP/1.1 200 OK"), std::string::npos) << trace;
  EXPECT_NE(trace.find("[DATA_IN]hi there\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("[TEXT]"), std::string::npos) << trace;
}

// A hostile reply cannot fill memory: collecting stops at the cap, and the
// transfer fails as a whole instead of delivering a truncated body.
TEST_F(HttpClientTest, RepliesAreCollectedUpToTheCapOnly) {
  std::string body;
  EXPECT_EQ(HttpClient::Get(server_.Url("/largest"), &HttpClient::AppendToString, &body, false), CURLE_OK);
  EXPECT_EQ(body.size(), HttpClient::kMaxReplyBytes);
  std::string huge;
  EXPECT_EQ(HttpClient::Get(server_.Url("/huge"), &HttpClient::AppendToString, &huge, false),
            CURLE_WRITE_ERROR);
  EXPECT_LE(huge.size(), HttpClient::kMaxReplyBytes);
}

TEST(HttpClientCallbacks, AppendToStringAppendsAndRejectsMissingArguments) {
  std::string target = "a";
  char data[] = "bcdef";
  EXPECT_EQ(HttpClient::AppendToString(data, 1, 3, &target), 3u);
  EXPECT_EQ(target, "abcd");
  EXPECT_EQ(HttpClient::AppendToString(nullptr, 1, 3, &target), static_cast<std::size_t>(-1));
  EXPECT_EQ(HttpClient::AppendToString(data, 1, 3, nullptr), static_cast<std::size_t>(-1));
  EXPECT_EQ(target, "abcd");
}

TEST(HttpClientCallbacks, DebugTraceWritesOnlyTheGivenSizeForKnownTypes) {
  char data[] = "abcdef";
  testing::internal::CaptureStdout();
  EXPECT_EQ(HttpClient::DebugTrace(nullptr, CURLINFO_TEXT, data, 3, nullptr), 0);
  EXPECT_EQ(HttpClient::DebugTrace(nullptr, CURLINFO_DATA_OUT, data, 6, nullptr), 0);
  EXPECT_EQ(HttpClient::DebugTrace(nullptr, CURLINFO_SSL_DATA_IN, data, 6, nullptr), 0);
  EXPECT_EQ(HttpClient::DebugTrace(nullptr, CURLINFO_SSL_DATA_OUT, data, 6, nullptr), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[TEXT]abc\n[DATA_OUT]abcdef\n");
}

}  // namespace
