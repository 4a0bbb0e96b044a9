#include "portal/Store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace portal {

namespace {

// User ids start above this so they look like the portal's real ones.
constexpr std::int64_t kUidBase = 10000;

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  bool Bind(int index, const std::string& text) {
    return ok() && sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                     SQLITE_TRANSIENT) == SQLITE_OK;
  }
  bool Bind(int index, std::int64_t value) {
    return ok() && sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return ok() ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  std::int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
  std::string Text(int column) {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), size);
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS accounts (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  account TEXT NOT NULL UNIQUE COLLATE NOCASE,
  password TEXT NOT NULL,
  channel TEXT NOT NULL,
  version TEXT NOT NULL,
  created INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS tokens (
  token TEXT PRIMARY KEY,
  uid INTEGER NOT NULL,
  expires INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS pings (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  t TEXT NOT NULL,
  c TEXT NOT NULL,
  u TEXT NOT NULL,
  m TEXT NOT NULL,
  time INTEGER NOT NULL
);
)";

}  // namespace

std::unique_ptr<Store> Store::Open(const std::filesystem::path& file, std::string* error) {
  // Created private, and made private when an older portal left it readable.
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0 || ::fchmod(fd, 0600) != 0) {
    *error = "cannot open " + file.string() + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  ::close(fd);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    *error =
        "cannot open " + file.string() + ": " + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<Store> store(new Store(db));
  // Another portal on the same folder may hold the lock for a moment.
  sqlite3_busy_timeout(db, 2000);
  if (!store->Exec(kSchema)) {
    *error = "cannot prepare " + file.string() + ": " + sqlite3_errmsg(db);
    return nullptr;
  }
  return store;
}

Store::Store(sqlite3* db) : db_(db) {}

Store::~Store() { sqlite3_close(db_); }

bool Store::Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

Store::Outcome Store::CreateAccount(const std::string& account, const std::string& passwordRecord,
                                    const std::string& channel, const std::string& version, std::int64_t now,
                                    std::int64_t* uid) {
  std::lock_guard lock(mutex_);
  Statement insert(
      db_, "INSERT INTO accounts (account, password, channel, version, created) VALUES (?, ?, ?, ?, ?)");
  if (!insert.Bind(1, account) || !insert.Bind(2, passwordRecord) || !insert.Bind(3, channel) ||
      !insert.Bind(4, version) || !insert.Bind(5, now)) {
    return Outcome::kFailed;
  }
  int rc = insert.Step();
  // The unique index decides, so two simultaneous registrations cannot both win.
  if ((rc & 0xFF) == SQLITE_CONSTRAINT) return Outcome::kTaken;
  if (rc != SQLITE_DONE) return Outcome::kFailed;
  *uid = kUidBase + sqlite3_last_insert_rowid(db_);
  return Outcome::kDone;
}

Store::Outcome Store::FindAccount(const std::string& account, std::int64_t* uid,
                                  std::string* passwordRecord) {
  std::lock_guard lock(mutex_);
  Statement query(db_, "SELECT id, password FROM accounts WHERE account = ?");
  if (!query.Bind(1, account)) return Outcome::kFailed;
  int rc = query.Step();
  if (rc == SQLITE_DONE) return Outcome::kMissing;
  if (rc != SQLITE_ROW) return Outcome::kFailed;
  *uid = kUidBase + query.Int(0);
  *passwordRecord = query.Text(1);
  return Outcome::kDone;
}

bool Store::UidExists(std::int64_t uid) {
  std::lock_guard lock(mutex_);
  Statement query(db_, "SELECT 1 FROM accounts WHERE id = ?");
  return query.Bind(1, uid - kUidBase) && query.Step() == SQLITE_ROW;
}

bool Store::SaveToken(const std::string& token, std::int64_t uid, std::int64_t expires, std::int64_t now) {
  std::lock_guard lock(mutex_);
  Statement purge(db_, "DELETE FROM tokens WHERE expires <= ?");
  if (purge.Bind(1, now)) purge.Step();
  Statement insert(db_, "INSERT INTO tokens (token, uid, expires) VALUES (?, ?, ?)");
  return insert.Bind(1, token) && insert.Bind(2, uid) && insert.Bind(3, expires) &&
         insert.Step() == SQLITE_DONE;
}

std::optional<std::int64_t> Store::TokenOwner(const std::string& token, std::int64_t now,
                                              std::int64_t* expires) {
  std::lock_guard lock(mutex_);
  Statement query(db_, "SELECT uid, expires FROM tokens WHERE token = ? AND expires > ?");
  if (!query.Bind(1, token) || !query.Bind(2, now) || query.Step() != SQLITE_ROW) return std::nullopt;
  if (expires != nullptr) *expires = query.Int(1);
  return query.Int(0);
}

bool Store::RecordPing(const Ping& ping, std::int64_t keep) {
  std::lock_guard lock(mutex_);
  Statement insert(db_, "INSERT INTO pings (t, c, u, m, time) VALUES (?, ?, ?, ?, ?)");
  if (!insert.Bind(1, ping.t) || !insert.Bind(2, ping.c) || !insert.Bind(3, ping.u) ||
      !insert.Bind(4, ping.m) || !insert.Bind(5, ping.time) || insert.Step() != SQLITE_DONE) {
    return false;
  }
  // Ids only grow, so the newest `keep` rows are the ids above this bound:
  // one range delete on the primary key, however many rows there are.
  Statement trim(db_, "DELETE FROM pings WHERE id <= ?");
  return trim.Bind(1, sqlite3_last_insert_rowid(db_) - keep) && trim.Step() == SQLITE_DONE;
}

std::vector<Ping> Store::Pings() {
  std::lock_guard lock(mutex_);
  std::vector<Ping> pings;
  Statement query(db_, "SELECT t, c, u, m, time FROM pings ORDER BY id");
  while (query.Step() == SQLITE_ROW) {
    pings.push_back(Ping{query.Text(0), query.Text(1), query.Text(2), query.Text(3), query.Int(4)});
  }
  return pings;
}

}  // namespace portal
