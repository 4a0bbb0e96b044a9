#include "portal/RateLimit.h"

#include <algorithm>

namespace portal {

RateLimiter::RateLimiter(int perMinute, std::size_t maxKeys)
    : capacity_(std::max(perMinute, 0)), maxKeys_(std::max<std::size_t>(maxKeys, 1)) {}

double RateLimiter::Refilled(const Bucket& bucket, Clock::time_point now) const {
  double seconds = std::chrono::duration<double>(now - bucket.updated).count();
  return std::min(capacity_, bucket.tokens + std::max(seconds, 0.0) * capacity_ / 60.0);
}

void RateLimiter::ForgetFull(Clock::time_point now) {
  std::erase_if(buckets_, [&](const auto& entry) { return Refilled(entry.second, now) >= capacity_; });
}

bool RateLimiter::Allow(std::string_view key, Clock::time_point now) {
  if (capacity_ <= 0) return true;
  std::lock_guard lock(mutex_);
  auto it = buckets_.find(std::string(key));
  if (it == buckets_.end()) {
    if (buckets_.size() >= maxKeys_) ForgetFull(now);
    if (buckets_.size() >= maxKeys_) return false;
    it = buckets_.emplace(std::string(key), Bucket{capacity_, now}).first;
  }
  Bucket& bucket = it->second;
  bucket.tokens = Refilled(bucket, now);
  bucket.updated = now;
  if (bucket.tokens < 1.0) return false;
  bucket.tokens -= 1.0;
  return true;
}

}  // namespace portal
