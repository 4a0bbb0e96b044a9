#include "windows/LoopbackServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstdlib>

namespace testsupport {
namespace {

// The request so far holds its headers and as much body as Content-Length asks.
bool RequestComplete(const std::string& request) {
  const std::size_t end = request.find("\r\n\r\n");
  if (end == std::string::npos) return false;
  std::size_t length = 0;
  const std::size_t header = request.find("\r\nContent-Length: ");
  if (header != std::string::npos && header < end) {
    length = std::strtoul(request.c_str() + header + 18, nullptr, 10);
  }
  return request.size() >= end + 4 + length;
}

std::string PathOf(const std::string& request) {
  const std::size_t start = request.find(' ');
  const std::size_t end = request.find(' ', start + 1);
  if (start == std::string::npos || end == std::string::npos) return {};
  return request.substr(start + 1, end - start - 1);
}

void SendAll(SOCKET s, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  return address;
}

// Winsock is started for the life of each user, as the system counts them.
struct Winsock {
  Winsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Winsock() { WSACleanup(); }
};

// Binds a loopback socket to an ephemeral port; 0 on failure.
int BindEphemeral(SOCKET s) {
  sockaddr_in address = Loopback(0);
  int length = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 0;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

}  // namespace

LoopbackServer::LoopbackServer(std::map<std::string, Route> routes) : routes_(std::move(routes)) {
  static Winsock winsock;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  listener_ = listener;
  if (listener == INVALID_SOCKET) return;
  const int port = BindEphemeral(listener);
  if (port == 0 || listen(listener, 8) != 0) return;
  port_ = port;
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopped_cv_.notify_all();
  // Closing the listener ends the accept the thread may be blocked in.
  closesocket(static_cast<SOCKET>(listener_));
  if (thread_.joinable()) thread_.join();
  // No connection starts now; the ones still answering are released above.
  for (std::thread& connection : connections_) connection.join();
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string LoopbackServer::LastRequest() {
  std::lock_guard lock(mutex_);
  return lastRequest_;
}

std::string LoopbackServer::Response(int status, const std::string& reason, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

int LoopbackServer::ClosedPort() {
  static Winsock winsock;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return 0;
  const int port = BindEphemeral(s);
  closesocket(s);
  return port;
}

void LoopbackServer::Serve() {
  for (;;) {
    const SOCKET connection = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
    if (connection == INVALID_SOCKET) return;  // the listener was closed
    // Each connection has a thread of its own, so that one held open does
    // not keep the next from being answered.
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, connection] {
      Respond(connection);
      closesocket(connection);
    });
  }
}

void LoopbackServer::Respond(std::uintptr_t connection) {
  const SOCKET s = static_cast<SOCKET>(connection);
  std::string request;
  std::string chunk(4096, '\0');
  while (!RequestComplete(request)) {
    const int n = recv(s, chunk.data(), static_cast<int>(chunk.size()), 0);
    if (n <= 0) return;
    request.append(chunk.data(), static_cast<std::size_t>(n));
  }
  {
    std::lock_guard lock(mutex_);
    lastRequest_ = request;
  }
  const auto route = routes_.find(PathOf(request));
  if (route == routes_.end()) {
    SendAll(s, Response(404, "Not Found", "no route"));
    return;
  }
  SendAll(s, route->second.response);
  if (route->second.holdOpen) WaitForStop();
}

void LoopbackServer::WaitForStop() {
  std::unique_lock lock(mutex_);
  stopped_cv_.wait_for(lock, std::chrono::seconds(10), [this] { return stopping_; });
}

}  // namespace testsupport
