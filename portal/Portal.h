// The local Lumora portal: one HTTP server per host role on loopback, sharing
// one data folder. Tests start it in-process on free ports; lumora-portal runs
// it on the launcher's default ports.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "portal/Options.h"

namespace httplib {
class Server;
}
namespace Json {
class Value;
}

namespace portal {

struct FrontLimits;
class Accounts;
class RateLimiter;
class Store;

class Portal {
 public:
  explicit Portal(Options options);
  ~Portal();
  Portal(const Portal&) = delete;
  Portal& operator=(const Portal&) = delete;

  // Prepares the data folder and listens on every role's port. Returns once all
  // hosts accept connections; false with *error set when anything fails, in
  // which case nothing is left listening.
  bool Start(std::string* error);
  // Stops every host and waits for them; safe to call more than once.
  void Stop();

  int Port(Role role) const;
  // "127.0.0.1:PORT", the form the launcher's host settings use.
  std::string Host(Role role) const;
  std::string Url(Role role, std::string_view path) const;
  // "LUMORA_PORTAL_HOSTS=api=127.0.0.1:P,..." for every role.
  std::string HostsLine() const;

  // The signature a game link carries for this player and server, valid
  // until `expires` (seconds since the epoch; the link carries it as exp=).
  std::string Sign(std::int64_t uid, int sid, std::int64_t expires) const;
  // "/game.html?sid=...&exp=...&sign=...&uid=...", the path of a signed game link.
  std::string GamePath(std::int64_t uid, int sid, std::int64_t expires) const;

  const Options& options() const { return options_; }
  // Valid between a successful Start and Stop.
  Store& store() { return *store_; }

 private:
  struct Listener;

  bool PrepareData(std::string* error);
  FrontLimits Limits() const;
  void Configure(httplib::Server& server, Role role);
  void RouteApi(httplib::Server& server);
  void RouteWeb(httplib::Server& server);
  void RouteStats(httplib::Server& server);
  void RouteForum(httplib::Server& server);
  void RouteGame(httplib::Server& server);
  void RoutePartner(httplib::Server& server);
  void RouteDownload(httplib::Server& server);
  // Waits for the delay switch; returns early when the portal stops.
  void Delay(Role role);
  std::string JsonBody(const Json::Value& value) const;
  std::string WinBar() const;

  Options options_;
  PerRole<int> ports_{};
  std::string secret_;
  std::unique_ptr<Store> store_;
  std::unique_ptr<Accounts> accounts_;
  std::unique_ptr<RateLimiter> pingLimiter_;
  PerRole<std::unique_ptr<Listener>> listeners_;

  std::mutex stopMutex_;
  std::condition_variable stopSignal_;
  bool stopping_ = false;
};

}  // namespace portal
