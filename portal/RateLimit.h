// A per-client allowance of requests: each key (a client address) has a
// bucket of `perMinute` requests that refills evenly over a minute, so a
// client may send a burst of that many and then one every 60/perMinute
// seconds. The table of keys is bounded: when it is full, keys whose bucket
// has refilled completely (the same as never seen) are forgotten; if none
// has, a new key is refused until one has. Thread-safe.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace portal {

class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  // perMinute 0: no limit.
  RateLimiter(int perMinute, std::size_t maxKeys);

  // Takes one request from the key's allowance; false when it is used up.
  bool Allow(std::string_view key, Clock::time_point now);

 private:
  struct Bucket {
    double tokens;
    Clock::time_point updated;
  };

  double Refilled(const Bucket& bucket, Clock::time_point now) const;
  void ForgetFull(Clock::time_point now);

  double capacity_;
  std::size_t maxKeys_;
  std::mutex mutex_;
  std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace portal
