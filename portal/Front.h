// The front of every portal host. The HTTP library's own server gives each
// connection a worker from the moment it is accepted and bounds reads only
// per call, so a handful of clients that connect and say nothing, or send a
// header line every few seconds, hold every worker and nobody else is
// answered; its header count, chunked bodies and first-line length are not
// bounded either. FrontServer keeps the library's routing and reply writing
// but owns the sockets: one poll loop accepts connections and reads each
// request whole, head and body, under RequestReader's bounds and a deadline,
// and only complete requests reach the fixed pool of workers. An idle or
// trickling connection therefore costs a descriptor and a few bytes.
//
// Refusals are answered by the loop itself and the connection closes after a
// short linger (so the client can read the reply): 400, 408 (the request did
// not arrive whole within the request timeout), 413, 414, 417, 431, 501. A
// connection silent for the idle timeout between requests is closed quietly.
// A reply the client reads slower than the reply rate floor is abandoned and
// its connection reset, so slow readers cannot keep the workers either.
// When all connection slots are taken, the connection that has waited longest
// without a complete request is closed to make room; a new connection is
// only turned away (503) when every slot is busy in a worker.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <httplib.h>

#include "portal/RequestReader.h"

namespace portal {

struct FrontLimits {
  RequestLimits request;
  std::chrono::milliseconds requestTimeout{10000};  // from a request's first byte to its last
  std::chrono::milliseconds idleTimeout{5000};      // silence allowed before a request begins
  std::chrono::milliseconds writeTimeout{5000};     // per write of a reply
  // A reply must average at least minReplyRate bytes a second once it has run
  // for replyGrace (0: no floor). The write timeout alone lets a client that
  // takes a byte every few seconds hold a worker for as long as it likes.
  std::size_t minReplyRate = 0;
  std::chrono::milliseconds replyGrace{30000};
  std::chrono::milliseconds linger{1000};  // after a refusal, before closing
  std::size_t maxConnections = 128;
  std::size_t workers = 4;
  std::size_t maxRequestsPerConnection = 100;
};

class FrontServer : public httplib::Server {
 public:
  // The body of the reply for a status the loop answers itself.
  using ErrorBody = std::function<std::string(int status)>;

  FrontServer(FrontLimits limits, ErrorBody errorBody);
  ~FrontServer() override;
  FrontServer(const FrontServer&) = delete;
  FrontServer& operator=(const FrontServer&) = delete;

  // Listens on address:port (port 0: a free one). Returns the port, or -1
  // with *error set.
  int Listen(const std::string& address, int port, std::string* error);
  // Serves until Shutdown; run it on a thread of its own. Requests already
  // handed to workers are still answered.
  void Serve();
  // Safe from any thread, before or during Serve.
  void Shutdown();

 private:
  struct Connection;
  using Clock = std::chrono::steady_clock;

  void AcceptAll();
  bool MakeRoom();
  void Receive(Connection& connection);
  void Resume(Connection& connection);
  void Refuse(Connection& connection, int status);
  void Dispatch(Connection& connection);
  void Close(int fd);
  void ExpireDeadlines();
  void TakeReturned();
  void Work();
  void Wake();
  int PollTimeoutMs() const;

  FrontLimits limits_;
  ErrorBody errorBody_;
  int listenFd_ = -1;
  int wakeFd_ = -1;
  std::unordered_map<int, std::unique_ptr<Connection>> connections_;
  std::vector<char> receiveBuffer_;
  Clock::time_point acceptPausedUntil_{};

  std::mutex mutex_;
  std::condition_variable workReady_;
  std::deque<Connection*> work_;
  std::vector<Connection*> returned_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace portal
