#include "portal/Options.h"

#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>

namespace portal {

namespace {

constexpr std::array<std::string_view, kRoleCount> kRoleNames = {"api",  "web",     "stats",   "forum",
                                                                 "game", "partner", "download"};

// The launcher reads each title-bar text into 256 bytes and shows nothing for
// longer ones, so such values are refused here rather than silently lost there.
constexpr std::size_t kTitleBarTextLimit = 255;

template <typename T>
bool ParseNumber(std::string_view text, T min, T max, T* out) {
  T value{};
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < min || value > max) return false;
  *out = value;
  return true;
}

bool ParseFlag(std::string_view text, bool* out) {
  if (text == "true") {
    *out = true;
  } else if (text == "false") {
    *out = false;
  } else {
    return false;
  }
  return true;
}

bool ParsePorts(std::string_view text, PerRole<int>* ports, std::string* error) {
  if (text == "default") {
    for (Role role : kAllRoles) (*ports)[static_cast<std::size_t>(role)] = DefaultPort(role);
    return true;
  }
  if (text == "ephemeral") {
    ports->fill(0);
    return true;
  }
  // A list of role=port pairs; roles not named keep their current port.
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) comma = text.size();
    std::string_view item = text.substr(pos, comma - pos);
    std::size_t eq = item.find('=');
    std::optional<Role> role = eq == std::string_view::npos ? std::nullopt : RoleFromName(item.substr(0, eq));
    int port = 0;
    if (!role || !ParseNumber(item.substr(eq + 1), 0, 65535, &port)) {
      *error = "--ports: expected default, ephemeral or ROLE=PORT,... but got \"" + std::string(item) + "\"";
      return false;
    }
    (*ports)[static_cast<std::size_t>(*role)] = port;
    pos = comma + 1;
  }
  return true;
}

// "[ROLE=]VALUE": without a role the value applies to every role.
bool ParseRoleValue(std::string_view text, int min, int max, PerRole<int>* values) {
  std::size_t eq = text.find('=');
  int value = 0;
  if (eq == std::string_view::npos) {
    if (!ParseNumber(text, min, max, &value)) return false;
    values->fill(value);
    return true;
  }
  std::optional<Role> role = RoleFromName(text.substr(0, eq));
  if (!role || !ParseNumber(text.substr(eq + 1), min, max, &value)) return false;
  (*values)[static_cast<std::size_t>(*role)] = value;
  return true;
}

bool IsSafeFileName(std::string_view name) {
  if (name.empty() || name.size() > 100 || name == "." || name == "..") return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
              c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

struct OptionRule {
  bool takesValue;
  // Returns an error text, empty on success.
  std::function<std::string(std::string_view value, Options& options)> apply;
};

std::string Invalid(std::string_view option, std::string_view value) {
  return "invalid value for " + std::string(option) + ": \"" + std::string(value) + "\"";
}

template <typename Target>
std::string CheckTitleBarText(std::string_view option, std::string_view value, Target* out) {
  if (value.size() > kTitleBarTextLimit) {
    return std::string(option) + " must be shorter than 256 bytes";
  }
  *out = std::string(value);
  return {};
}

const std::map<std::string, OptionRule, std::less<>>& Rules() {
  static const std::map<std::string, OptionRule, std::less<>> rules = {
      {"--ports",
       {true,
        [](std::string_view v, Options& o) {
          std::string error;
          return ParsePorts(v, &o.ports, &error) ? std::string() : error;
        }}},
      {"--data",
       {true,
        [](std::string_view v, Options& o) {
          if (v.empty()) return Invalid("--data", v);
          o.dataDir = std::filesystem::path(std::string(v));
          return std::string();
        }}},
      {"--version",
       {true,
        [](std::string_view v, Options& o) {
          if (v.empty()) return Invalid("--version", v);
          o.version = std::string(v);
          return std::string();
        }}},
      {"--force-update",
       {false,
        [](std::string_view, Options& o) {
          o.forceUpdate = true;
          return std::string();
        }}},
      {"--installer-name",
       {true,
        [](std::string_view v, Options& o) {
          if (!IsSafeFileName(v)) return Invalid("--installer-name", v);
          o.installerName = std::string(v);
          return std::string();
        }}},
      {"--installer-size",
       {true,
        [](std::string_view v, Options& o) {
          // The launcher keeps sizes in signed 32-bit numbers.
          return ParseNumber<std::uint64_t>(v, 0, 0x7FFFFFFF, &o.installerSize)
                     ? std::string()
                     : Invalid("--installer-size", v);
        }}},
      {"--download-mode",
       {true,
        [](std::string_view v, Options& o) {
          if (v == "normal") {
            o.downloadMode = DownloadMode::kNormal;
          } else if (v == "ignore-ranges") {
            o.downloadMode = DownloadMode::kIgnoreRanges;
          } else if (v == "cut") {
            o.downloadMode = DownloadMode::kCut;
          } else {
            return Invalid("--download-mode", v);
          }
          return std::string();
        }}},
      {"--win-width",
       {true,
        [](std::string_view v, Options& o) {
          return ParseNumber(v, 0, 100000, &o.winWidth) ? std::string() : Invalid("--win-width", v);
        }}},
      {"--win-height",
       {true,
        [](std::string_view v, Options& o) {
          return ParseNumber(v, 0, 100000, &o.winHeight) ? std::string() : Invalid("--win-height", v);
        }}},
      {"--win-sizable",
       {true,
        [](std::string_view v, Options& o) {
          return ParseFlag(v, &o.winSizable) ? std::string() : Invalid("--win-sizable", v);
        }}},
      {"--win-full",
       {true,
        [](std::string_view v, Options& o) {
          return ParseFlag(v, &o.winFull) ? std::string() : Invalid("--win-full", v);
        }}},
      {"--server-name",
       {true,
        [](std::string_view v, Options& o) { return CheckTitleBarText("--server-name", v, &o.serverName); }}},
      {"--announcement",
       {true, [](std::string_view v,
                 Options& o) { return CheckTitleBarText("--announcement", v, &o.announcement); }}},
      {"--announcement-url",
       {true, [](std::string_view v,
                 Options& o) { return CheckTitleBarText("--announcement-url", v, &o.announcementUrl); }}},
      {"--more-url",
       {true, [](std::string_view v, Options& o) { return CheckTitleBarText("--more-url", v, &o.moreUrl); }}},
      {"--charge-url",
       {true,
        [](std::string_view v, Options& o) { return CheckTitleBarText("--charge-url", v, &o.chargeUrl); }}},
      {"--token-ttl",
       {true,
        [](std::string_view v, Options& o) {
          return ParseNumber<std::int64_t>(v, 0, 10LL * 365 * 24 * 3600, &o.tokenTtlSeconds)
                     ? std::string()
                     : Invalid("--token-ttl", v);
        }}},
      {"--delay",
       {true,
        [](std::string_view v, Options& o) {
          return ParseRoleValue(v, 0, 600000, &o.delayMs) ? std::string() : Invalid("--delay", v);
        }}},
      {"--fail",
       {true,
        [](std::string_view v, Options& o) {
          return ParseRoleValue(v, 400, 599, &o.failStatus) ? std::string() : Invalid("--fail", v);
        }}},
      {"--broken-json",
       {false,
        [](std::string_view, Options& o) {
          o.brokenJson = true;
          return std::string();
        }}},
      {"--max-body",
       {true,
        [](std::string_view v, Options& o) {
          return ParseNumber<std::size_t>(v, 1024, 64 * 1024 * 1024, &o.maxBodyBytes)
                     ? std::string()
                     : Invalid("--max-body", v);
        }}},
      {"--request-timeout",
       {true,
        [](std::string_view v, Options& o) {
          int seconds = 0;
          if (!ParseNumber(v, 1, 3600, &seconds)) return Invalid("--request-timeout", v);
          o.requestTimeoutMs = seconds * 1000;
          return std::string();
        }}},
      {"--idle-timeout",
       {true,
        [](std::string_view v, Options& o) {
          int seconds = 0;
          if (!ParseNumber(v, 1, 3600, &seconds)) return Invalid("--idle-timeout", v);
          o.idleTimeoutMs = seconds * 1000;
          return std::string();
        }}},
      {"--min-reply-rate",
       {true,
        [](std::string_view v, Options& o) {
          return ParseNumber<std::size_t>(v, 0, 1000000000, &o.minReplyRate) ? std::string()
                                                                             : Invalid("--min-reply-rate", v);
        }}},
      {"--max-connections",
       {true,
        [](std::string_view v, Options& o) {
          // Seven hosts share the process's descriptors, and the library
          // refuses a request on a descriptor of 1024 or above.
          return ParseNumber<std::size_t>(v, 8, 128, &o.maxConnections) ? std::string()
                                                                        : Invalid("--max-connections", v);
        }}},
      {"--ping-limit",
       {true,
        [](std::string_view v, Options& o) {
          return ParseNumber(v, 0, 1000000, &o.pingsPerMinute) ? std::string() : Invalid("--ping-limit", v);
        }}},
      {"--max-pings",
       {true,
        [](std::string_view v, Options& o) {
          return ParseNumber<std::int64_t>(v, 1, 1000000000, &o.maxStoredPings) ? std::string()
                                                                                : Invalid("--max-pings", v);
        }}},
      {"--quiet",
       {false,
        [](std::string_view, Options& o) {
          o.logRequests = false;
          return std::string();
        }}},
  };
  return rules;
}

}  // namespace

std::string_view RoleName(Role role) { return kRoleNames[static_cast<std::size_t>(role)]; }

std::optional<Role> RoleFromName(std::string_view name) {
  for (Role role : kAllRoles) {
    if (RoleName(role) == name) return role;
  }
  return std::nullopt;
}

int DefaultPort(Role role) { return 47801 + static_cast<int>(role); }

std::filesystem::path DefaultDataDir() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::filesystem::path(xdg) / "lumora-portal";
  const char* home = std::getenv("HOME");
  std::filesystem::path base = (home != nullptr && home[0] != '\0') ? home : ".";
  return base / ".local" / "share" / "lumora-portal";
}

Options DefaultOptions() {
  Options options;
  for (Role role : kAllRoles) options.ports[static_cast<std::size_t>(role)] = DefaultPort(role);
  options.dataDir = DefaultDataDir();
  return options;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine result;
  result.options = DefaultOptions();
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      result.help = true;
      result.ok = true;
      return result;
    }
    std::string_view name = arg;
    std::optional<std::string_view> inlineValue;
    if (std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      inlineValue = arg.substr(eq + 1);
    }
    auto it = Rules().find(name);
    if (it == Rules().end()) {
      result.error = "unknown option: " + std::string(arg);
      return result;
    }
    std::string_view value;
    if (it->second.takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        result.error = std::string(name) + " needs a value";
        return result;
      }
    } else if (inlineValue) {
      result.error = std::string(name) + " takes no value";
      return result;
    }
    std::string error = it->second.apply(value, result.options);
    if (!error.empty()) {
      result.error = error;
      return result;
    }
  }
  result.ok = true;
  return result;
}

std::vector<std::string> OptionNames() {
  std::vector<std::string> names = {"--help", "-h"};
  for (const auto& [name, rule] : Rules()) names.push_back(name);
  return names;
}

std::string HelpText() {
  return R"(Usage: lumora-portal [options]

The local Lumora portal: every host the Morvaine launcher talks to, each on its
own loopback port (127.0.0.1). On start it prints one line to standard output,
  LUMORA_PORTAL_HOSTS=api=127.0.0.1:P,web=...,download=127.0.0.1:P
which can be exported for the launcher. Requests are logged to standard error.
It runs until interrupted (SIGINT or SIGTERM).

Roles: api (version document, server list, /client pages), web (login,
registration, home and top-up pages), stats (/col_tw.aspx), forum, game (the
game gateway), partner (/index.php), download (the installer).

Hosts and data:
  --ports default|ephemeral|ROLE=PORT,...
                         default: api 47801, web 47802, stats 47803, forum 47804,
                         game 47805, partner 47806, download 47807; ephemeral:
                         free ports chosen by the system; a list sets single
                         roles (port 0 = a free port), the others keep defaults
  --data DIR             data folder (accounts, tokens, statistics, signing key),
                         created on first start; default
                         $XDG_DATA_HOME/lumora-portal (~/.local/share/lumora-portal)

Version document and installer:
  --version TEXT         "version" of the version document (default 1.0.0.2)
  --force-update         "forceUpdate": true (default false)
  --installer-name NAME  installer file name under /dl/ (default MorvaineSetup.exe)
  --installer-size BYTES installer size (default 4194304)
  --download-mode MODE   normal: byte ranges honoured (206, 416);
                         ignore-ranges: always the whole file with 200;
                         cut: the connection drops at the middle of the file

Server-list page (window META elements and title bar):
  --win-width N          "win-width" (default 1000)
  --win-height N         "win-height" (default 640)
  --win-sizable true|false   "win-sizeble" (default true)
  --win-full true|false  "win-full" (default false)
  --server-name TEXT     title-bar server name (default Morvaine)
  --announcement TEXT    title-bar announcement
  --announcement-url URL announcement link (default the portal's notice page)
  --more-url URL         "More" link (default the forum); "" hides it
  --charge-url URL       top-up link (default the top-up page); "" hides it
                         (title-bar texts must be shorter than 256 bytes)

Accounts:
  --token-ttl SECONDS    lifetime of a login token (default 86400); the game
                         links of a server list expire with the token

Clients (every host):
  --max-body BYTES       largest request body, announced or chunked; larger
                         ones get 413 (default 65536)
  --request-timeout SECONDS  a request must arrive whole within this, else 408
                         (default 10)
  --idle-timeout SECONDS silence before a request closes the connection
                         (default 5)
  --min-reply-rate BYTES a reply read slower than this many bytes a second on
                         average after its first 30 seconds is abandoned and
                         its connection reset (default 4096; 0: no floor)
  --max-connections N    open connections per host, 8 to 128 (default 128); when
                         all are taken the one waiting longest for its request
                         is closed
  --ping-limit N         statistics pings per client address and minute, more
                         get 429 (default 30; 0: no limit)
  --max-pings N          statistics pings kept, the oldest dropped first
                         (default 100000)

Switches for tests and demonstrations:
  --delay [ROLE=]MS      wait before answering (all roles without ROLE); repeatable
  --fail [ROLE=]STATUS   answer every request with this HTTP status (400-599);
                         repeatable
  --broken-json          version document and account replies are cut-off JSON
  --quiet                no request log
  -h, --help             this text
)";
}

}  // namespace portal
