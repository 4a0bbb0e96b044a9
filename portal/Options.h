// What the local portal serves and how: host roles, ports, the data folder and
// the switches that make it misbehave on purpose for tests and demonstrations.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portal {

// One loopback listener per role; the order is the order of the hosts line.
enum class Role { kApi, kWeb, kStats, kForum, kGame, kPartner, kDownload };
inline constexpr std::size_t kRoleCount = 7;
inline constexpr std::array<Role, kRoleCount> kAllRoles = {
    Role::kApi, Role::kWeb, Role::kStats, Role::kForum, Role::kGame, Role::kPartner, Role::kDownload};

std::string_view RoleName(Role role);
std::optional<Role> RoleFromName(std::string_view name);
// The ports the launcher's built-in host defaults point at.
int DefaultPort(Role role);

template <typename T>
using PerRole = std::array<T, kRoleCount>;

enum class DownloadMode {
  kNormal,        // byte ranges honoured
  kIgnoreRanges,  // always the whole file with 200, as some mirrors do
  kCut,           // the connection drops at the middle of the file, leaving a partial download
};

struct Options {
  // 0 asks the system for a free port.
  PerRole<int> ports{};
  std::filesystem::path dataDir;

  // Version document.
  std::string version = "1.0.0.2";
  bool forceUpdate = false;

  // Installer on the download host, served from "/dl/" + installerName.
  std::string installerName = "MorvaineSetup.exe";
  std::uint64_t installerSize = 4 * 1024 * 1024;
  DownloadMode downloadMode = DownloadMode::kNormal;

  // Window META elements and title bar of the server-list page. Unset URLs
  // point at the portal's own pages; an empty one hides its title-bar button.
  int winWidth = 1000;
  int winHeight = 640;
  bool winSizable = true;
  bool winFull = false;
  std::string serverName = "Morvaine";
  std::string announcement = "新服「星落平原」今日开放，登录即送星尘礼包";
  std::optional<std::string> announcementUrl;
  std::optional<std::string> moreUrl;
  std::optional<std::string> chargeUrl;

  std::int64_t tokenTtlSeconds = 24 * 60 * 60;
  int passwordIterations = 100000;

  // Misbehaviour switches. A fail status of 0 means none.
  PerRole<int> delayMs{};
  PerRole<int> failStatus{};
  bool brokenJson = false;

  // What every host accepts from a client (the front of each host enforces them).
  std::size_t maxBodyBytes = 64 * 1024;  // larger bodies, announced or chunked: 413
  std::size_t maxHeadBytes = 16 * 1024;  // request line and header lines: 431 beyond
  std::size_t maxHeaderLines = 64;       // 431 beyond
  int requestTimeoutMs = 10 * 1000;      // a request must arrive whole within this: 408
  int idleTimeoutMs = 5 * 1000;          // silence before a request closes the connection
  std::size_t maxConnections = 128;      // per host; the longest unfinished one makes room
  std::size_t workersPerHost = 4;        // threads answering complete requests
  // A reply read slower than this many bytes a second on average, once it has
  // run for the grace, is abandoned (0: no floor).
  std::size_t minReplyRate = 4096;
  int replyGraceMs = 30 * 1000;

  // Statistics pings: per client address and minute (0: no limit), and the
  // number kept, the oldest dropped first.
  int pingsPerMinute = 30;
  std::int64_t maxStoredPings = 100000;

  bool logRequests = true;
};

// Default ports for every role and the default data folder.
Options DefaultOptions();

// $XDG_DATA_HOME/lumora-portal, or ~/.local/share/lumora-portal.
std::filesystem::path DefaultDataDir();

struct CommandLine {
  bool ok = false;
  bool help = false;
  std::string error;  // set when !ok
  Options options;
};

// Parses the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string HelpText();
// Every option ParseCommandLine accepts, for checking the help against.
std::vector<std::string> OptionNames();

}  // namespace portal
