// An HTTP server on an ephemeral loopback port, made of Windows sockets alone,
// for the tests of the Windows build: the Linux tests use cpp-httplib's
// server, which Debian ships only as a Linux library. Each connection gets one
// canned answer, chosen by the request's path from the routes given at
// construction; what the client sent (request line, headers, body) is kept
// byte for byte. A route may hold its connection open after its bytes (none
// at all: a stalled server; a body shorter than its Content-Length: a cut
// transfer); the destructor releases every such hold and stops at once.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class LoopbackServer {
 public:
  struct Route {
    std::string response;   // the bytes sent back, as they are
    bool holdOpen = false;  // after them, keep the connection open until the server stops
  };

  // Starts listening; a path without a route gets a 404.
  explicit LoopbackServer(std::map<std::string, Route> routes);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  bool Listening() const { return port_ != 0; }
  std::string Url(const std::string& path) const;
  // The bytes of the last request that was read whole.
  std::string LastRequest();

  // A response with the given status line's code and reason, a
  // Content-Length header and the body.
  static std::string Response(int status, const std::string& reason, const std::string& body);
  // A loopback port that nobody listens on (taken from the system and given back).
  static int ClosedPort();

 private:
  void Serve();
  void Respond(std::uintptr_t connection);
  void WaitForStop();

  std::map<std::string, Route> routes_;
  std::uintptr_t listener_;  // a SOCKET
  int port_ = 0;
  std::thread thread_;
  std::vector<std::thread> connections_;
  std::mutex mutex_;
  std::condition_variable stopped_cv_;
  bool stopping_ = false;
  std::string lastRequest_;
};

}  // namespace testsupport
