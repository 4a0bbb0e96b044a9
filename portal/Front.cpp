#include "portal/Front.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace portal {

namespace {

constexpr std::size_t kReceiveChunk = 16 * 1024;
// What a refused client may still send during the linger before the close.
constexpr std::size_t kLingerBytes = 256 * 1024;
constexpr std::chrono::milliseconds kAcceptPause{100};

const char* Reason(int status) {
  switch (status) {
    case 400:
      return "Bad Request";
    case 408:
      return "Request Timeout";
    case 413:
      return "Payload Too Large";
    case 414:
      return "URI Too Long";
    case 417:
      return "Expectation Failed";
    case 431:
      return "Request Header Fields Too Large";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    default:
      return "Error";
  }
}

// Best effort without blocking the loop: these replies are small and the
// socket's send buffer takes them whole.
void SendNow(int fd, const std::string& bytes) {
  ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  (void)sent;
}

// A complete request held in memory, read by the library's request parser;
// the reply goes straight to the socket.
class BufferedStream final : public httplib::Stream {
 public:
  BufferedStream(int fd, const std::string& request, const std::string& peer, int peerPort,
                 const FrontLimits& limits)
      : fd_(fd),
        request_(request),
        peer_(peer),
        peerPort_(peerPort),
        writeTimeout_(limits.writeTimeout),
        minRate_(limits.minReplyRate),
        grace_(limits.replyGrace) {}

  bool is_readable() const override { return offset_ < request_.size(); }
  bool is_writable() const override {
    pollfd waiter{fd_, POLLOUT, 0};
    return ::poll(&waiter, 1, static_cast<int>(writeTimeout_.count())) > 0 &&
           (waiter.revents & (POLLERR | POLLHUP)) == 0;
  }
  ssize_t read(char* ptr, size_t size) override {
    size_t count = std::min(size, request_.size() - offset_);
    std::memcpy(ptr, request_.data() + offset_, count);
    offset_ += count;
    return static_cast<ssize_t>(count);
  }
  // Whole or failed: the library does not always retry partial writes. The
  // socket blocks with the write timeout as its send timeout.
  ssize_t write(const char* ptr, size_t size) override {
    size_t done = 0;
    while (done < size) {
      // In pieces, so that a slow reader is measured while a large body goes out.
      ssize_t n = ::send(fd_, ptr + done, std::min(size - done, kPiece), MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        failed_ = true;
        return -1;
      }
      if (TooSlow(static_cast<size_t>(n))) {
        // Abandoned: the close resets the connection instead of leaving the
        // megabytes already queued for a client that reads them a trickle at
        // a time.
        linger reset{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        failed_ = true;
        return -1;
      }
      done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = peer_;
    port = peerPort_;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    ip.clear();
    port = 0;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return;
    std::string text(INET_ADDRSTRLEN, '\0');
    if (::inet_ntop(AF_INET, &local.sin_addr, text.data(), static_cast<socklen_t>(text.size())) != nullptr) {
      ip = text.c_str();
    }
    port = ntohs(local.sin_port);
  }
  socket_t socket() const override { return fd_; }

  bool failed() const { return failed_; }

 private:
  static constexpr size_t kPiece = 64 * 1024;

  // Counts `sent` and says whether the reply has fallen under the rate floor.
  bool TooSlow(size_t sent) {
    sent_ += sent;
    if (minRate_ == 0) return false;
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    if (elapsed < grace_) return false;
    const double seconds = std::chrono::duration<double>(elapsed).count();
    return static_cast<double>(sent_) < static_cast<double>(minRate_) * seconds;
  }

  int fd_;
  const std::string& request_;
  size_t offset_ = 0;
  const std::string& peer_;
  int peerPort_;
  std::chrono::milliseconds writeTimeout_;
  size_t minRate_;
  std::chrono::milliseconds grace_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  size_t sent_ = 0;
  bool failed_ = false;
};

}  // namespace

struct FrontServer::Connection {
  enum class Phase { kWaiting, kWorking, kClosing };

  Connection(int socket, RequestLimits limits) : fd(socket), reader(limits) {}

  int fd;
  std::string peer;
  int peerPort = 0;
  RequestReader reader;
  Phase phase = Phase::kWaiting;
  Clock::time_point waitingSince;
  Clock::time_point deadline;
  std::size_t lingerLeft = 0;
  std::size_t served = 0;
  // Owned by the worker while working.
  std::string request;
  std::string rest;
  bool keep = false;
};

FrontServer::FrontServer(FrontLimits limits, ErrorBody errorBody)
    : limits_(limits), errorBody_(std::move(errorBody)), receiveBuffer_(kReceiveChunk) {
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  limits_.workers = std::max<std::size_t>(limits_.workers, 1);
  limits_.maxConnections = std::max<std::size_t>(limits_.maxConnections, 1);
  limits_.maxRequestsPerConnection = std::max<std::size_t>(limits_.maxRequestsPerConnection, 1);
}

FrontServer::~FrontServer() {
  Shutdown();
  for (auto& [fd, connection] : connections_) ::close(fd);
  if (listenFd_ >= 0) ::close(listenFd_);
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

int FrontServer::Listen(const std::string& address, int port, std::string* error) {
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(static_cast<uint16_t>(port));
  if (wakeFd_ < 0 || ::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
    *error = "bad address " + address;
    return -1;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::strerror(errno);
    return -1;
  }
  // Without SO_REUSEPORT a second portal on the same ports fails to start
  // instead of silently sharing them.
  int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
  socklen_t length = sizeof(where);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof(where)) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0) {
    *error = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  listenFd_ = fd;
  // The library's reply writer streams a body only while its own listening
  // socket is set; it never listens here, so it is shown this one.
  svr_sock_ = fd;
  return ntohs(where.sin_port);
}

void FrontServer::Shutdown() {
  // Bodies being streamed stop at their next piece.
  svr_sock_ = INVALID_SOCKET;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  workReady_.notify_all();
  Wake();
}

void FrontServer::Wake() {
  std::uint64_t one = 1;
  if (wakeFd_ >= 0) {
    ssize_t written = ::write(wakeFd_, &one, sizeof(one));
    (void)written;
  }
}

void FrontServer::Serve() {
  for (std::size_t i = 0; i < limits_.workers; ++i) workers_.emplace_back([this] { Work(); });
  std::vector<pollfd> waiters;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
    waiters.clear();
    waiters.push_back(pollfd{wakeFd_, POLLIN, 0});
    bool accepting = listenFd_ >= 0 && Clock::now() >= acceptPausedUntil_;
    waiters.push_back(pollfd{accepting ? listenFd_ : -1, POLLIN, 0});
    for (const auto& [fd, connection] : connections_) {
      if (connection->phase != Connection::Phase::kWorking) waiters.push_back(pollfd{fd, POLLIN, 0});
    }
    if (::poll(waiters.data(), waiters.size(), PollTimeoutMs()) < 0 && errno != EINTR) break;

    for (std::size_t i = 2; i < waiters.size(); ++i) {
      if (waiters[i].revents == 0) continue;
      auto it = connections_.find(waiters[i].fd);
      if (it != connections_.end() && it->second->phase != Connection::Phase::kWorking) {
        Receive(*it->second);
      }
    }
    if (waiters[0].revents != 0) {
      std::uint64_t count = 0;
      ssize_t got = ::read(wakeFd_, &count, sizeof(count));
      (void)got;
    }
    TakeReturned();
    ExpireDeadlines();
    // Last, so that a descriptor closed above cannot come back as a new
    // connection while this round's poll results are still being read.
    if (waiters[1].revents != 0) AcceptAll();
  }
  workReady_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
  for (auto& [fd, connection] : connections_) ::close(fd);
  connections_.clear();
  returned_.clear();
}

int FrontServer::PollTimeoutMs() const {
  Clock::time_point now = Clock::now();
  Clock::time_point next = Clock::time_point::max();
  for (const auto& [fd, connection] : connections_) {
    if (connection->phase != Connection::Phase::kWorking) next = std::min(next, connection->deadline);
  }
  if (now < acceptPausedUntil_) next = std::min(next, acceptPausedUntil_);
  if (next == Clock::time_point::max()) return -1;
  if (next <= now) return 0;
  auto wait =
      std::chrono::duration_cast<std::chrono::milliseconds>(next - now) + std::chrono::milliseconds(1);
  return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), 60 * 1000));
}

void FrontServer::AcceptAll() {
  for (;;) {
    sockaddr_in peer{};
    socklen_t length = sizeof(peer);
    int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      // Out of descriptors: an unfinished connection makes room, or
      // accepting pauses rather than spinning on a listener that stays ready.
      if ((errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) && MakeRoom()) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) acceptPausedUntil_ = Clock::now() + kAcceptPause;
      return;
    }
    if (connections_.size() >= limits_.maxConnections && !MakeRoom()) {
      SendNow(fd, "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      ::close(fd);
      continue;
    }
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(limits_.writeTimeout.count() / 1000);
    timeout.tv_usec = static_cast<suseconds_t>((limits_.writeTimeout.count() % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));

    auto connection = std::make_unique<Connection>(fd, limits_.request);
    std::string text(INET_ADDRSTRLEN, '\0');
    if (::inet_ntop(AF_INET, &peer.sin_addr, text.data(), static_cast<socklen_t>(text.size())) != nullptr) {
      connection->peer = text.c_str();
    }
    connection->peerPort = ntohs(peer.sin_port);
    connection->waitingSince = Clock::now();
    connection->deadline = connection->waitingSince + limits_.idleTimeout;
    connections_[fd] = std::move(connection);
  }
}

bool FrontServer::MakeRoom() {
  Connection* victim = nullptr;
  for (const auto& [fd, connection] : connections_) {
    if (connection->phase == Connection::Phase::kWorking) continue;
    // A connection already being closed goes first, then the longest waiting.
    auto rank = [](const Connection& c) { return c.phase == Connection::Phase::kClosing ? 0 : 1; };
    if (victim == nullptr || rank(*connection) < rank(*victim) ||
        (rank(*connection) == rank(*victim) && connection->waitingSince < victim->waitingSince)) {
      victim = connection.get();
    }
  }
  if (victim == nullptr) return false;
  Close(victim->fd);
  return true;
}

void FrontServer::Receive(Connection& connection) {
  ssize_t n = ::recv(connection.fd, receiveBuffer_.data(), receiveBuffer_.size(), MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (n <= 0) {
    Close(connection.fd);
    return;
  }
  std::size_t count = static_cast<std::size_t>(n);
  if (connection.phase == Connection::Phase::kClosing) {
    connection.lingerLeft -= std::min(connection.lingerLeft, count);
    if (connection.lingerLeft == 0) Close(connection.fd);
    return;
  }
  bool started = connection.reader.started();
  connection.reader.Feed(std::string_view(receiveBuffer_.data(), count));
  if (!started && connection.reader.started()) connection.deadline = Clock::now() + limits_.requestTimeout;
  Resume(connection);
}

// Acts on whatever the reader has made of the bytes so far.
void FrontServer::Resume(Connection& connection) {
  RequestReader& reader = connection.reader;
  if (reader.refusal() != 0) {
    Refuse(connection, reader.refusal());
  } else if (reader.complete()) {
    Dispatch(connection);
  } else if (reader.TakeContinue()) {
    SendNow(connection.fd, "HTTP/1.1 100 Continue\r\n\r\n");
  }
}

void FrontServer::Refuse(Connection& connection, int status) {
  std::string body = errorBody_ ? errorBody_(status) : std::string();
  SendNow(connection.fd, "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) +
                             "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
  // Closing with unread input would reset the connection and could destroy
  // the reply before the client reads it; so stop sending, read a little
  // more, then close.
  ::shutdown(connection.fd, SHUT_WR);
  connection.phase = Connection::Phase::kClosing;
  connection.deadline = Clock::now() + limits_.linger;
  connection.lingerLeft = kLingerBytes;
}

void FrontServer::Dispatch(Connection& connection) {
  connection.request = connection.reader.TakeRequest();
  connection.rest = connection.reader.TakeRest();
  connection.phase = Connection::Phase::kWorking;
  {
    std::lock_guard lock(mutex_);
    work_.push_back(&connection);
  }
  workReady_.notify_one();
}

void FrontServer::Close(int fd) {
  ::close(fd);
  connections_.erase(fd);
}

void FrontServer::ExpireDeadlines() {
  Clock::time_point now = Clock::now();
  std::vector<Connection*> expired;
  for (const auto& [fd, connection] : connections_) {
    if (connection->phase != Connection::Phase::kWorking && connection->deadline <= now) {
      expired.push_back(connection.get());
    }
  }
  for (Connection* connection : expired) {
    if (connection->phase == Connection::Phase::kWaiting && connection->reader.started()) {
      Refuse(*connection, 408);
    } else {
      Close(connection->fd);
    }
  }
}

void FrontServer::TakeReturned() {
  std::vector<Connection*> returned;
  {
    std::lock_guard lock(mutex_);
    returned.swap(returned_);
  }
  for (Connection* connection : returned) {
    if (!connection->keep) {
      Close(connection->fd);
      continue;
    }
    connection->phase = Connection::Phase::kWaiting;
    connection->waitingSince = Clock::now();
    connection->deadline = connection->waitingSince + limits_.idleTimeout;
    connection->reader.Reset(std::move(connection->rest));
    connection->rest.clear();
    if (connection->reader.started()) connection->deadline = Clock::now() + limits_.requestTimeout;
    Resume(*connection);
  }
}

void FrontServer::Work() {
  for (;;) {
    Connection* connection = nullptr;
    {
      std::unique_lock lock(mutex_);
      workReady_.wait(lock, [this] { return stopping_ || !work_.empty(); });
      // Requests already read are still answered when the server stops.
      if (work_.empty()) return;
      connection = work_.front();
      work_.pop_front();
    }
    BufferedStream stream(connection->fd, connection->request, connection->peer, connection->peerPort,
                          limits_);
    bool last = connection->served + 1 >= limits_.maxRequestsPerConnection;
    bool closed = false;
    bool answered = process_request(stream, last, closed, nullptr);
    ++connection->served;
    connection->keep = answered && !closed && !last && !stream.failed();
    connection->request.clear();
    {
      std::lock_guard lock(mutex_);
      returned_.push_back(connection);
    }
    Wake();
  }
}

}  // namespace portal
