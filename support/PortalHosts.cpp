#include "support/PortalHosts.h"

#include <mutex>
#include <optional>

#include "platform/system/Kernel.h"

namespace {

struct Role {
  const char* name;
  const char* variable;
  std::string PortalHosts::*host;
};

constexpr Role kRoles[] = {
    {"api", "LUMORA_PORTAL_API_HOST", &PortalHosts::api},
    {"web", "LUMORA_PORTAL_WEB_HOST", &PortalHosts::web},
    {"stats", "LUMORA_PORTAL_STATS_HOST", &PortalHosts::stats},
    {"forum", "LUMORA_PORTAL_FORUM_HOST", &PortalHosts::forum},
    {"game", "LUMORA_PORTAL_GAME_HOST", &PortalHosts::game},
    {"partner", "LUMORA_PORTAL_PARTNER_HOST", &PortalHosts::partner},
    {"download", "LUMORA_PORTAL_DOWNLOAD_HOST", &PortalHosts::download},
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// URLs are built as "http://" + host + path, so a host must not bring its own
// scheme, path or blanks.
bool ValidHost(std::string_view host) {
  return !host.empty() && host.find_first_of(" \t\r\n/") == std::string_view::npos &&
         host.find("://") == std::string_view::npos;
}

void SetHost(PortalHosts& hosts, const Role& role, std::string_view value) {
  if (ValidHost(value)) {
    hosts.*role.host = std::string(value);
  } else {
    os::DebugOutput(os::DebugCategory::Settings,
                    "portal hosts: ignoring \"" + std::string(value) + "\" for " + role.name);
  }
}

PortalHosts ReadFromEnvironment() {
  PortalHosts hosts;
  if (const auto list = os::GetEnvironmentVariable("LUMORA_PORTAL_HOSTS")) {
    std::string_view rest(*list);
    while (!rest.empty()) {
      const auto comma = rest.find(',');
      const std::string_view entry = Trim(rest.substr(0, comma));
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
      const auto equals = entry.find('=');
      if (equals == std::string_view::npos) continue;
      const std::string_view name = Trim(entry.substr(0, equals));
      for (const Role& role : kRoles) {
        if (name == role.name) SetHost(hosts, role, Trim(entry.substr(equals + 1)));
      }
    }
  }
  for (const Role& role : kRoles) {
    if (const auto value = os::GetEnvironmentVariable(role.variable); value && !value->empty()) {
      SetHost(hosts, role, Trim(*value));
    }
  }
  return hosts;
}

// The configuration is process-wide: every request of the launcher goes to
// the same portal.
std::mutex g_mutex;
std::optional<PortalHosts> g_hosts;

}  // namespace

PortalHosts GetPortalHosts() {
  std::lock_guard lock(g_mutex);
  if (!g_hosts) g_hosts = ReadFromEnvironment();
  return *g_hosts;
}

PortalHosts ReloadPortalHosts() {
  PortalHosts hosts = ReadFromEnvironment();
  std::lock_guard lock(g_mutex);
  g_hosts = hosts;
  return hosts;
}

std::string PortalUrl(std::string_view host, std::string_view path) {
  std::string url = "http://";
  url += host;
  url += path;
  return url;
}
