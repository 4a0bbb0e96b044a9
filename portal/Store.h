// The portal's persistent data in one SQLite file: accounts, login tokens and
// statistics pings. One connection, guarded by a mutex, serves all hosts. The
// file holds password hashes and live tokens, so only its owner may read it
// (0600, set again on every open); SQLite gives its journal the same mode.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace portal {

struct Ping {
  std::string t, c, u, m;
  std::int64_t time = 0;
};

class Store {
 public:
  // Opens or creates the database file and its tables; null with *error set on failure.
  static std::unique_ptr<Store> Open(const std::filesystem::path& file, std::string* error);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  enum class Outcome { kDone, kTaken, kMissing, kFailed };

  // Account names are unique regardless of letter case. *uid receives the new user id.
  Outcome CreateAccount(const std::string& account, const std::string& passwordRecord,
                        const std::string& channel, const std::string& version, std::int64_t now,
                        std::int64_t* uid);
  // kDone with *uid and *passwordRecord, kMissing, or kFailed.
  Outcome FindAccount(const std::string& account, std::int64_t* uid, std::string* passwordRecord);
  bool UidExists(std::int64_t uid);

  // Stores a token; expired tokens are purged on the way.
  bool SaveToken(const std::string& token, std::int64_t uid, std::int64_t expires, std::int64_t now);
  // The owner of a token that has not expired at `now`; *expires, when given,
  // receives the time it expires.
  std::optional<std::int64_t> TokenOwner(const std::string& token, std::int64_t now,
                                         std::int64_t* expires = nullptr);

  // Keeps at most `keep` pings: the oldest make room for the new one.
  bool RecordPing(const Ping& ping, std::int64_t keep);
  std::vector<Ping> Pings();

 private:
  explicit Store(sqlite3* db);
  bool Exec(const char* sql);

  std::mutex mutex_;
  sqlite3* db_;
};

}  // namespace portal
