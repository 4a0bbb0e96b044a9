// A portal started in-process on free ports with its data in a temporary
// folder, and the small client helpers the portal tests share.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <json/json.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "portal/Portal.h"
#include "testsupport/TempDir.h"

namespace portaltest {

using portal::Role;

class PortalTest : public ::testing::Test {
 protected:
  // Starts (or restarts) the portal; tweak adjusts the options first.
  void StartPortal(const std::function<void(portal::Options&)>& tweak = {});

  std::unique_ptr<httplib::Client> Client(Role role);
  httplib::Result Get(Role role, const std::string& path, const httplib::Headers& headers = {});
  httplib::Result PostForm(Role role, const std::string& path, const std::string& body);

  // The bodies exactly as the launcher builds them.
  Json::Value Register(const std::string& account, const std::string& password, const std::string& again);
  Json::Value Register(const std::string& account, const std::string& password) {
    return Register(account, password, password);
  }
  Json::Value Login(const std::string& account, const std::string& password);
  // Registers and logs in; returns the login reply.
  Json::Value NewPlayer(const std::string& account, const std::string& password = "secret12");

  // The server-list page as the launcher opens it after a login.
  httplib::Result ServerList(const Json::Value& login);

  testsupport::TempDir dir_;
  portal::Options options_;
  std::unique_ptr<portal::Portal> portal_;
};

// Parses a JSON text; a null value when it is not JSON.
Json::Value ParseJson(const std::string& text);

// name → content of every <meta name=... content=...> element.
std::map<std::string, std::string> MetaElements(const std::string& html);

// Every href="..." of the page, with &amp; turned back into &.
std::vector<std::string> Links(const std::string& html);

// Query value of a key in a URL; empty when absent.
std::string QueryValue(const std::string& url, const std::string& key);

// Standard Base64, written here independently of the portal's encoder.
std::string DecodeBase64(const std::string& text);

// Sends raw bytes to a loopback port and returns everything read back until
// the server closes the connection or one second passes in silence.
std::string RawExchange(int port, const std::string& bytes);

// A raw TCP connection to a loopback port, for clients that misbehave. Every
// wait is bounded; nothing here sleeps.
class RawClient {
 public:
  // `source` is the local address to connect from (any of 127.0.0.0/8).
  explicit RawClient(int port, const std::string& source = "127.0.0.1");
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  // Sends all of `bytes`; false when the server has closed or reset.
  bool Send(const std::string& bytes);
  // Sends what `next` produces, as the socket takes it, until the server
  // says something or closes (true), or `next` returns nothing or nothing
  // moves for five seconds (false).
  bool SendUntilAnswered(const std::function<std::string()>& next);
  // Everything the server sends until it closes or `limit` passes.
  std::string ReadUntilClosed(std::chrono::milliseconds limit = std::chrono::seconds(5));
  // Reads like a slow client, at most `chunk` bytes every `pause`, until the
  // server closes or `limit` passes; returns how many bytes arrived.
  std::size_t ReadPaced(std::size_t chunk, std::chrono::milliseconds pause, std::chrono::milliseconds limit);
  // Reads until `text` has arrived (or the server closes, or five seconds pass).
  std::string ReadUntil(const std::string& text);
  // The server has closed the connection (after sending anything) within `limit`.
  bool ClosedWithin(std::chrono::milliseconds limit);
  // Something (bytes or the close) is waiting to be read right now.
  bool Readable() const;

 private:
  // One read of what arrives before `deadline`: 0 when nothing did (or the
  // server closed, which sets closed_).
  std::size_t ReceiveBefore(std::chrono::steady_clock::time_point deadline, char* buffer, std::size_t size);

  int fd_ = -1;
  bool connected_ = false;
  bool closed_ = false;
};

}  // namespace portaltest
