// Where the portal's services are. Each role has a built-in host (the local
// portal's default ports); the environment can move them for tests and
// development:
//   LUMORA_PORTAL_HOSTS="api=127.0.0.1:1234,web=127.0.0.1:1235"
// (comma-separated role=host:port; roles not named keep their defaults,
// unknown roles are ignored) and one variable per role,
// LUMORA_PORTAL_API_HOST, _WEB_, _STATS_, _FORUM_, _GAME_, _PARTNER_ and
// _DOWNLOAD_HOST, which win over both. A host is "host:port" without a scheme;
// values that are empty or hold blanks, "/" or a scheme are ignored.
#pragma once

#include <string>
#include <string_view>

struct PortalHosts {
  std::string api = "127.0.0.1:47801";
  std::string web = "127.0.0.1:47802";
  std::string stats = "127.0.0.1:47803";
  std::string forum = "127.0.0.1:47804";
  std::string game = "127.0.0.1:47805";
  std::string partner = "127.0.0.1:47806";
  std::string download = "127.0.0.1:47807";
};

// The process's configuration, read from the environment at first use.
PortalHosts GetPortalHosts();

// Reads the environment again and makes the result the process's
// configuration (for tests that start portals on ephemeral ports).
PortalHosts ReloadPortalHosts();

// "http://" + host + path.
std::string PortalUrl(std::string_view host, std::string_view path);
