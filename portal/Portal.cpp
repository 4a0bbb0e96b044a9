#include "portal/Portal.h"

#include <fcntl.h>
#include <httplib.h>
#include <json/json.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>

#include "portal/Accounts.h"
#include "portal/Crypto.h"
#include "portal/Forms.h"
#include "portal/Front.h"
#include "portal/Installer.h"
#include "portal/Pages.h"
#include "portal/RateLimit.h"
#include "portal/Store.h"

namespace portal {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr std::string_view kServerListPath = "/client/redirect.html?type=servers&gcode=mvn&ver=3";
constexpr std::size_t kSecretBytes = 32;
// The launcher sends its statistics in a 1024-byte URL; anything much longer
// is not from it.
constexpr std::size_t kPingFieldLimit = 256;
constexpr std::uint64_t kDownloadChunk = 64 * 1024;
// Client addresses the statistics host keeps an allowance for at once.
constexpr std::size_t kPingClients = 4096;

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

template <typename T>
bool ParseInteger(std::string_view text, T* out) {
  if (text.empty()) return false;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return ec == std::errc() && ptr == text.data() + text.size();
}

void SendError(httplib::Response& res, int status, const std::string& title, const std::string& detail) {
  res.status = status;
  res.set_content(ErrorPage(status, title, detail), kHtml);
}

const char* ReasonTitle(int status) {
  switch (status) {
    case 400:
      return "请求无效";
    case 403:
      return "禁止访问";
    case 404:
      return "页面不存在";
    case 413:
      return "请求内容过大";
    case 408:
      return "请求超时";
    case 414:
      return "地址过长";
    case 417:
      return "无法满足请求";
    case 429:
      return "请求过于频繁";
    case 431:
      return "请求头过大";
    case 503:
      return "服务暂不可用";
    default:
      return status >= 500 ? "服务器错误" : "请求失败";
  }
}

// Loads the signing key, or creates it on first start. Only the owner may read it.
bool LoadOrCreateSecret(const std::filesystem::path& file, std::string* secret, std::string* error) {
  {
    std::ifstream in(file, std::ios::binary);
    std::string hex;
    if (in && std::getline(in, hex)) {
      std::optional<std::string> bytes = HexDecode(hex);
      if (bytes && bytes->size() == kSecretBytes) {
        *secret = *bytes;
        return true;
      }
    }
  }
  std::optional<std::string> bytes = RandomBytes(kSecretBytes);
  if (!bytes) {
    *error = "no random bytes for the signing key";
    return false;
  }
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = "cannot write " + file.string();
    return false;
  }
  std::string text = HexEncode(*bytes) + "\n";
  bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  if (!written) {
    *error = "cannot write " + file.string();
    return false;
  }
  *secret = *bytes;
  return true;
}

}  // namespace

struct Portal::Listener {
  explicit Listener(const FrontLimits& limits)
      : server(limits, [](int status) { return ErrorPage(status, ReasonTitle(status), ""); }) {}
  FrontServer server;
  std::thread thread;
};

Portal::Portal(Options options) : options_(std::move(options)) {}

Portal::~Portal() { Stop(); }

int Portal::Port(Role role) const { return ports_[static_cast<std::size_t>(role)]; }

std::string Portal::Host(Role role) const {
  return std::string(kLoopback) + ":" + std::to_string(Port(role));
}

std::string Portal::Url(Role role, std::string_view path) const {
  return "http://" + Host(role) + std::string(path);
}

std::string Portal::HostsLine() const {
  std::string line = "LUMORA_PORTAL_HOSTS=";
  for (Role role : kAllRoles) {
    if (role != Role::kApi) line += ",";
    line += std::string(RoleName(role)) + "=" + Host(role);
  }
  return line;
}

std::string Portal::Sign(std::int64_t uid, int sid, std::int64_t expires) const {
  return HmacSha256Hex(secret_,
                       std::to_string(uid) + ":" + std::to_string(sid) + ":" + std::to_string(expires));
}

std::string Portal::GamePath(std::int64_t uid, int sid, std::int64_t expires) const {
  // The launcher recognises a game link by sid=, sign= and uid= and appends
  // its own mark; the expiry travels inside, covered by the signature.
  return "/game.html?sid=" + std::to_string(sid) + "&exp=" + std::to_string(expires) +
         "&sign=" + Sign(uid, sid, expires) + "&uid=" + std::to_string(uid);
}

bool Portal::PrepareData(std::string* error) {
  std::error_code ec;
  const std::filesystem::path& dir = options_.dataDir;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::filesystem::create_directories(dir, ec);
    if (ec) {
      *error = "cannot create the data folder " + dir.string() + ": " + ec.message();
      return false;
    }
  }
  // Password hashes, live tokens and the signing key live here: private,
  // also when the folder was made by someone else's umask or an older portal.
  std::filesystem::permissions(dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace,
                               ec);
  if (ec) {
    *error = "cannot make the data folder " + dir.string() + " private: " + ec.message();
    return false;
  }
  if (!LoadOrCreateSecret(dir / "signing.key", &secret_, error)) return false;
  std::filesystem::permissions(dir / "signing.key",
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::replace, ec);
  store_ = Store::Open(dir / "portal.sqlite", error);
  return store_ != nullptr;
}

bool Portal::Start(std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  Stop();
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = false;
  }
  if (!PrepareData(error)) return false;

  bool bound = true;
  for (Role role : kAllRoles) {
    auto listener = std::make_unique<Listener>(Limits());
    Configure(listener->server, role);
    int wanted = options_.ports[static_cast<std::size_t>(role)];
    std::string why;
    int port = listener->server.Listen(kLoopback, wanted, &why);
    if (port <= 0) {
      *error = "cannot listen on " + std::string(kLoopback) + ":" + std::to_string(wanted) + " for the " +
               std::string(RoleName(role)) + " host (" + why + "; is another portal running?)";
      bound = false;
      break;
    }
    ports_[static_cast<std::size_t>(role)] = port;
    listeners_[static_cast<std::size_t>(role)] = std::move(listener);
  }
  // Routes build links from the bound ports, so they are added once all are known.
  pingLimiter_ = std::make_unique<RateLimiter>(options_.pingsPerMinute, kPingClients);
  accounts_ = std::make_unique<Accounts>(*store_, options_.passwordIterations, options_.tokenTtlSeconds,
                                         Url(Role::kApi, kServerListPath));
  for (Role role : kAllRoles) {
    Listener* listener = listeners_[static_cast<std::size_t>(role)].get();
    if (listener == nullptr) continue;
    switch (role) {
      case Role::kApi:
        RouteApi(listener->server);
        break;
      case Role::kWeb:
        RouteWeb(listener->server);
        break;
      case Role::kStats:
        RouteStats(listener->server);
        break;
      case Role::kForum:
        RouteForum(listener->server);
        break;
      case Role::kGame:
        RouteGame(listener->server);
        break;
      case Role::kPartner:
        RoutePartner(listener->server);
        break;
      case Role::kDownload:
        RouteDownload(listener->server);
        break;
    }
    // The socket listens already; connections wait in its queue until the loop runs.
    listener->thread = std::thread([listener] { listener->server.Serve(); });
  }
  if (!bound) {
    Stop();
    return false;
  }
  return true;
}

void Portal::Stop() {
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopSignal_.notify_all();
  for (auto& listener : listeners_) {
    if (!listener) continue;
    listener->server.Shutdown();
    listener->thread.join();
    listener.reset();
  }
  accounts_.reset();
  pingLimiter_.reset();
  store_.reset();
  ports_.fill(0);
}

void Portal::Delay(Role role) {
  int ms = options_.delayMs[static_cast<std::size_t>(role)];
  if (ms <= 0) return;
  std::unique_lock lock(stopMutex_);
  stopSignal_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

std::string Portal::JsonBody(const Json::Value& value) const {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  std::string text = Json::writeString(builder, value);
  // The broken-JSON switch cuts the document in the middle of a member.
  if (options_.brokenJson) text.resize(text.size() / 2);
  return text;
}

std::string Portal::WinBar() const {
  Json::Value bar(Json::objectValue);
  bar["ServerName"] = options_.serverName;
  bar["Announcement"] = options_.announcement;
  bar["AnnouncementURL"] = options_.announcementUrl.value_or(Url(Role::kApi, "/client/notice.html"));
  bar["MoreURL"] = options_.moreUrl.value_or(Url(Role::kForum, "/"));
  bar["ChargeURL"] = options_.chargeUrl.value_or(Url(Role::kWeb, "/v2_payment/index.html"));
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Base64Encode(Json::writeString(builder, bar));
}

FrontLimits Portal::Limits() const {
  FrontLimits limits;
  limits.request.maxBodyBytes = options_.maxBodyBytes;
  limits.request.maxHeadBytes = options_.maxHeadBytes;
  limits.request.maxHeaderLines = options_.maxHeaderLines;
  limits.requestTimeout = std::chrono::milliseconds(options_.requestTimeoutMs);
  limits.idleTimeout = std::chrono::milliseconds(options_.idleTimeoutMs);
  limits.maxConnections = options_.maxConnections;
  limits.workers = options_.workersPerHost;
  limits.minReplyRate = options_.minReplyRate;
  limits.replyGrace = std::chrono::milliseconds(options_.replyGraceMs);
  return limits;
}

void Portal::Configure(httplib::Server& server, Role role) {
  // The front has read and bounded every body already; this is a second fence.
  server.set_payload_max_length(options_.maxBodyBytes);

  server.set_pre_routing_handler(
      httplib::Server::HandlerWithResponse([this, role](const httplib::Request& req, httplib::Response& res) {
        // The download host answers ranges itself; the library's own range
        // handling would cut every other reply, error pages included, as well.
        // The request object is the server's own mutable one.
        const_cast<httplib::Request&>(req).ranges.clear();
        Delay(role);
        if (int status = options_.failStatus[static_cast<std::size_t>(role)]; status != 0) {
          SendError(res, status, ReasonTitle(status), "本地门户按设置返回了这个错误。");
          return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
      }));

  server.set_error_handler(
      httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        // A 416 must stay empty: a resuming client appends whatever body comes.
        if (res.status == 416 || !res.body.empty() || res.content_provider_) {
          return httplib::Server::HandlerResponse::Unhandled;
        }
        SendError(res, res.status, ReasonTitle(res.status), "");
        return httplib::Server::HandlerResponse::Handled;
      }));

  server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    SendError(res, 500, ReasonTitle(500), "");
  });

  if (options_.logRequests) {
    server.set_logger([role](const httplib::Request& req, const httplib::Response& res) {
      // Paths only: queries carry tokens and signatures. The one exception is
      // the game page's launcher mark, which tells whether the launcher's own
      // web view asked for it.
      const char* mark = req.get_param_value("version") == "morvaine" ? " version=morvaine" : "";
      std::fprintf(stderr, "[%s] %s %s %d%s\n", std::string(RoleName(role)).c_str(), req.method.c_str(),
                   req.path.c_str(), res.status, mark);
    });
  }
}

void Portal::RouteApi(httplib::Server& server) {
  server.Get("/client/latest_version.html", [this](const httplib::Request&, httplib::Response& res) {
    Json::Value doc(Json::objectValue);
    doc["downloadUrl"] = Url(Role::kDownload, "/dl/" + options_.installerName);
    doc["forceUpdate"] = options_.forceUpdate;
    doc["version"] = options_.version;
    res.set_content(JsonBody(doc), kJson);
  });

  server.Get("/client/redirect.html", [this](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("type") != "servers" || req.get_param_value("gcode") != "mvn") {
      SendError(res, 404, ReasonTitle(404), "没有这个游戏页面。");
      return;
    }
    std::int64_t uid = 0;
    std::string token = req.get_param_value("token");
    std::optional<std::int64_t> owner;
    std::int64_t expires = 0;
    if (ParseInteger(req.get_param_value("uid"), &uid) && !token.empty())
      owner = store_->TokenOwner(token, Now(), &expires);
    if (!owner || *owner != uid) {
      SendError(res, 403, "登录已失效", "登录信息无效或已过期，请重新登录。");
      return;
    }
    // The launcher turns a sizable, maximised window on for this URL before the
    // page loads; the page's own META elements must not turn it off again.
    bool large = req.get_param_value("sizeble") == "true" && req.get_param_value("full") == "true";
    ServerListView view;
    view.meta = WindowMeta{options_.winWidth, options_.winHeight, options_.winSizable || large,
                           options_.winFull || large, WinBar()};
    view.uid = uid;
    std::string who = "&uid=" + std::to_string(uid);
    for (const GameServer& server : GameServers()) {
      std::string url;
      // A link lives as long as the login it was made for.
      if (server.open) url = Url(Role::kGame, GamePath(uid, server.sid, expires));
      view.servers.push_back(ServerLink{&server, url});
    }
    view.largeWindowUrl = Url(Role::kApi, std::string(kServerListPath) + "&sizeble=true&full=true" + who +
                                              "&token=" + UrlEncode(token));
    view.noticeUrl = options_.announcementUrl.value_or(Url(Role::kApi, "/client/notice.html"));
    view.chargeUrl = Url(Role::kWeb, "/v2_payment/index.html");
    view.forumUrl = Url(Role::kForum, "/");
    res.set_content(ServerListPage(view), kHtml);
  });

  server.Get("/client/notice.html", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(NoticePage(options_.announcement, "在启动器的服务器列表中选择服务器进入游戏。"), kHtml);
  });
}

void Portal::RouteWeb(httplib::Server& server) {
  auto links = [this] {
    return SiteLinks{Url(Role::kWeb, "/"), Url(Role::kWeb, "/v2_payment/index.html"), Url(Role::kForum, "/"),
                     Url(Role::kPartner, "/index.php"),
                     Url(Role::kDownload, "/dl/" + options_.installerName)};
  };
  server.Get("/", [links](const httplib::Request&, httplib::Response& res) {
    res.set_content(HomePage(links()), kHtml);
  });
  server.Get("/v2_payment/index.html", [links](const httplib::Request&, httplib::Response& res) {
    res.set_content(ChargePage(links()), kHtml);
  });
  server.Post("/v2_payment/order.html", [this, links](const httplib::Request& req, httplib::Response& res) {
    std::optional<std::vector<FormField>> form = ParseForm(req.body);
    const std::string* account = form ? FindField(*form, "account") : nullptr;
    const std::string* amountText = form ? FindField(*form, "amount") : nullptr;
    int amount = 0;
    if (account == nullptr || amountText == nullptr || !ParseInteger(*amountText, &amount)) {
      SendError(res, 400, ReasonTitle(400), "请填写游戏账号并选择充值金额。");
      return;
    }
    static constexpr int kAmounts[] = {10, 30, 68, 128, 328, 648};
    if (std::find(std::begin(kAmounts), std::end(kAmounts), amount) == std::end(kAmounts)) {
      SendError(res, 400, ReasonTitle(400), "没有这个充值金额。");
      return;
    }
    std::int64_t uid = 0;
    std::string record;
    if (store_->FindAccount(*account, &uid, &record) != Store::Outcome::kDone) {
      SendError(res, 400, ReasonTitle(400), "账号不存在。");
      return;
    }
    res.set_content(OrderPage(links(), *account, amount), kHtml);
  });
  // Refusals are ordinary replies with their own "status"; the HTTP status
  // stays 200 so that the launcher reads the message.
  server.Post("/login/tillow.html", [this](const httplib::Request& req, httplib::Response& res) {
    res.set_content(JsonBody(accounts_->Login(req.body, Now())), kJson);
  });
  server.Post("/register/tillow.html", [this](const httplib::Request& req, httplib::Response& res) {
    res.set_content(JsonBody(accounts_->Register(req.body, Now())), kJson);
  });
}

void Portal::RouteStats(httplib::Server& server) {
  server.Get("/col_tw.aspx", [this](const httplib::Request& req, httplib::Response& res) {
    // A client sends a handful a session; one that sends thousands is not a launcher.
    if (!pingLimiter_->Allow(req.remote_addr, RateLimiter::Clock::now())) {
      res.status = 429;
      res.set_header("Retry-After", "60");
      res.set_content("too many\n", "text/plain");
      return;
    }
    Ping ping{req.get_param_value("t"), req.get_param_value("c"), req.get_param_value("u"),
              req.get_param_value("m"), Now()};
    for (const std::string* field : {&ping.t, &ping.c, &ping.u, &ping.m}) {
      if (field->size() > kPingFieldLimit) {
        res.status = 400;
        res.set_content("refused\n", "text/plain");
        return;
      }
    }
    if (!store_->RecordPing(ping, options_.maxStoredPings)) {
      res.status = 500;
      res.set_content("not recorded\n", "text/plain");
      return;
    }
    res.set_content("OK\n", "text/plain");
  });
}

void Portal::RouteForum(httplib::Server& server) {
  server.Get("/", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(ForumPage(SiteLinks{Url(Role::kWeb, "/"), Url(Role::kWeb, "/v2_payment/index.html"),
                                        Url(Role::kForum, "/"), Url(Role::kPartner, "/index.php"),
                                        Url(Role::kDownload, "/dl/" + options_.installerName)}),
                    kHtml);
  });
}

void Portal::RoutePartner(httplib::Server& server) {
  server.Get("/index.php", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(PartnerPage(SiteLinks{Url(Role::kWeb, "/"), Url(Role::kWeb, "/v2_payment/index.html"),
                                          Url(Role::kForum, "/"), Url(Role::kPartner, "/index.php"),
                                          Url(Role::kDownload, "/dl/" + options_.installerName)}),
                    kHtml);
  });
}

void Portal::RouteGame(httplib::Server& server) {
  server.Get("/game.html", [this](const httplib::Request& req, httplib::Response& res) {
    std::int64_t uid = 0;
    int sid = 0;
    std::int64_t expires = 0;
    std::string sign = req.get_param_value("sign");
    if (!ParseInteger(req.get_param_value("uid"), &uid) || !ParseInteger(req.get_param_value("sid"), &sid) ||
        !ParseInteger(req.get_param_value("exp"), &expires) ||
        !ConstantTimeEquals(sign, Sign(uid, sid, expires))) {
      SendError(res, 403, "签名无效", "进入游戏的链接无效，请从服务器列表重新进入。");
      return;
    }
    if (expires <= Now()) {
      SendError(res, 403, "链接已过期", "进入游戏的链接已过期，请重新登录后从服务器列表进入。");
      return;
    }
    const GameServer* server = FindGameServer(sid);
    if (server == nullptr || !server->open) {
      SendError(res, 503, "服务器维护中", "这个服务器暂时无法进入，请选择其他服务器。");
      return;
    }
    res.set_content(GamePage(uid, *server, req.get_param_value("version") == "morvaine"), kHtml);
  });
}

void Portal::RouteDownload(httplib::Server& server) {
  server.Get("/dl/(.+)", [this](const httplib::Request& req, httplib::Response& res) {
    if (req.matches[1] != options_.installerName) {
      SendError(res, 404, ReasonTitle(404), "没有这个文件。");
      return;
    }
    const std::uint64_t size = options_.installerSize;
    const bool ranges = options_.downloadMode != DownloadMode::kIgnoreRanges;
    res.set_header("Accept-Ranges", ranges ? "bytes" : "none");
    const std::string tag = InstallerTag(options_.installerName, size);
    res.set_header("ETag", tag);
    // A resume of another build gets the whole file, as If-Range asks.
    const bool sameBuild = !req.has_header("If-Range") || req.get_header_value("If-Range") == tag;
    RangeRequest range =
        ranges && sameBuild ? ParseRange(req.get_header_value("Range"), size) : RangeRequest{};
    if (range.kind == RangeKind::kUnsatisfiable) {
      res.status = 416;
      res.set_header("Content-Range", "bytes */" + std::to_string(size));
      return;
    }
    std::uint64_t first = 0;
    std::uint64_t length = size;
    if (range.kind == RangeKind::kSatisfiable) {
      first = range.first;
      length = range.last - range.first + 1;
      res.status = 206;
      res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                          std::to_string(range.last) + "/" + std::to_string(size));
    }
    if (length == 0) {
      res.set_content(std::string(), "application/octet-stream");
      return;
    }
    // The cut switch drops the connection at the middle of the file, once:
    // a resume from there on completes.
    const std::uint64_t cutAt = options_.downloadMode == DownloadMode::kCut && first < size / 2
                                    ? size / 2
                                    : std::numeric_limits<std::uint64_t>::max();
    res.set_content_provider(
        static_cast<std::size_t>(length), "application/octet-stream",
        [size, first, cutAt](std::size_t offset, std::size_t want, httplib::DataSink& sink) {
          std::uint64_t position = first + offset;
          if (position >= cutAt) return false;
          std::uint64_t count = std::min<std::uint64_t>({want, kDownloadChunk, cutAt - position});
          std::string bytes = InstallerBytes(size, position, count);
          return sink.write(bytes.data(), bytes.size());
        });
  });
}

}  // namespace portal
