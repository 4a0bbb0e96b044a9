// The HTML pages of the portal's hosts. Every text that comes from a request
// or from the options is escaped here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace portal {

struct GameServer {
  int sid;
  std::string name;
  std::string state;  // shown as a badge
  bool open;          // closed servers have no link into the gateway
};

const std::vector<GameServer>& GameServers();
const GameServer* FindGameServer(int sid);

// Window META values of the server-list page; winBar is already Base64.
struct WindowMeta {
  int width = 0;
  int height = 0;
  bool sizable = false;
  bool full = false;
  std::string winBar;
};

struct ServerLink {
  const GameServer* server;
  std::string url;  // empty for a closed server
};

struct ServerListView {
  WindowMeta meta;
  std::int64_t uid = 0;
  std::vector<ServerLink> servers;
  std::string largeWindowUrl;  // the same list asking for a sizable, maximised window
  std::string noticeUrl;
  std::string chargeUrl;
  std::string forumUrl;
};

std::string ServerListPage(const ServerListView& view);
std::string NoticePage(const std::string& announcement, const std::string& serverListHint);

struct SiteLinks {
  std::string home;
  std::string charge;
  std::string forum;
  std::string partner;
  std::string installer;
};

std::string HomePage(const SiteLinks& links);
std::string ChargePage(const SiteLinks& links);
std::string OrderPage(const SiteLinks& links, const std::string& account, int amount);
std::string ForumPage(const SiteLinks& links);
std::string PartnerPage(const SiteLinks& links);

// The playable game for one player on one server.
std::string GamePage(std::int64_t uid, const GameServer& server, bool fromLauncher);

// A small page for refusals and HTTP errors.
std::string ErrorPage(int status, const std::string& title, const std::string& detail);

}  // namespace portal
