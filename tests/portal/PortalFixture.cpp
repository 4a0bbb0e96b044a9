#include "PortalFixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <regex>
#include <thread>

namespace portaltest {

void PortalTest::StartPortal(const std::function<void(portal::Options&)>& tweak) {
  if (portal_) portal_->Stop();
  options_ = portal::DefaultOptions();
  options_.ports.fill(0);
  options_.dataDir = dir_ / "data";
  options_.logRequests = false;
  if (tweak) tweak(options_);
  portal_ = std::make_unique<portal::Portal>(options_);
  std::string error;
  ASSERT_TRUE(portal_->Start(&error)) << error;
}

std::unique_ptr<httplib::Client> PortalTest::Client(Role role) {
  auto client = std::make_unique<httplib::Client>("127.0.0.1", portal_->Port(role));
  client->set_read_timeout(10);
  return client;
}

httplib::Result PortalTest::Get(Role role, const std::string& path, const httplib::Headers& headers) {
  return Client(role)->Get(path, headers);
}

httplib::Result PortalTest::PostForm(Role role, const std::string& path, const std::string& body) {
  return Client(role)->Post(path, body, "application/x-www-form-urlencoded");
}

Json::Value PortalTest::Register(const std::string& account, const std::string& password,
                                 const std::string& again) {
  auto res = PostForm(Role::kWeb, "/register/tillow.html",
                      "gid=73&username=" + account + "&password=" + password + "&password_again=" + again +
                          "&channel=360gj&version=1.0.0.1");
  EXPECT_TRUE(res) << "no reply";
  return res ? ParseJson(res->body) : Json::Value();
}

Json::Value PortalTest::Login(const std::string& account, const std::string& password) {
  auto res =
      PostForm(Role::kWeb, "/login/tillow.html", "&gid=73&username=" + account + "&password=" + password);
  EXPECT_TRUE(res) << "no reply";
  return res ? ParseJson(res->body) : Json::Value();
}

Json::Value PortalTest::NewPlayer(const std::string& account, const std::string& password) {
  EXPECT_EQ(Register(account, password)["status"].asString(), "200");
  Json::Value login = Login(account, password);
  EXPECT_EQ(login["status"].asString(), "200");
  return login;
}

httplib::Result PortalTest::ServerList(const Json::Value& login) {
  // The launcher appends uid and token to the page address it was given.
  std::string url = login["open_url"].asString() + "&uid=" + login["uid"].asString() +
                    "&token=" + login["token"].asString();
  // Only the path: after a restart the API host may listen on another port.
  std::size_t path = url.find('/', std::string("http://").size());
  EXPECT_NE(path, std::string::npos) << url;
  return Get(Role::kApi, path == std::string::npos ? url : url.substr(path));
}

Json::Value ParseJson(const std::string& text) {
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors)) return Json::Value();
  return value;
}

std::map<std::string, std::string> MetaElements(const std::string& html) {
  std::map<std::string, std::string> metas;
  static const std::regex pattern("<meta name=\"([^\"]+)\" content=\"([^\"]*)\">");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), pattern); it != std::sregex_iterator();
       ++it) {
    metas[(*it)[1]] = (*it)[2];
  }
  return metas;
}

std::vector<std::string> Links(const std::string& html) {
  std::vector<std::string> links;
  static const std::regex pattern("href=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), pattern); it != std::sregex_iterator();
       ++it) {
    links.push_back(std::regex_replace((*it)[1].str(), std::regex("&amp;"), "&"));
  }
  return links;
}

std::string QueryValue(const std::string& url, const std::string& key) {
  std::size_t q = url.find('?');
  if (q == std::string::npos) return {};
  std::string query = "&" + url.substr(q + 1) + "&";
  std::size_t at = query.find("&" + key + "=");
  if (at == std::string::npos) return {};
  at += key.size() + 2;
  return query.substr(at, query.find('&', at) - at);
}

std::string DecodeBase64(const std::string& text) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    std::size_t value = alphabet.find(c);
    if (value == std::string::npos) return {};
    buffer = (buffer << 6) | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
    }
  }
  return out;
}

std::string RawExchange(int port, const std::string& bytes) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size())) {
    char buffer[4096];
    pollfd waiter{fd, POLLIN, 0};
    while (::poll(&waiter, 1, 300) > 0) {
      ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
      if (n <= 0) break;
      reply.append(buffer, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return reply;
}

namespace {

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
  auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

}  // namespace

RawClient::RawClient(int port, const std::string& source) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  ::inet_pton(AF_INET, source.c_str(), &local.sin_addr);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connected_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0 &&
               ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
}

RawClient::~RawClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool RawClient::Send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool RawClient::SendUntilAnswered(const std::function<std::string()>& next) {
  std::string pending;
  for (;;) {
    pollfd waiter{fd_, static_cast<short>(POLLIN | (connected_ ? POLLOUT : 0)), 0};
    if (::poll(&waiter, 1, 5000) <= 0) return false;
    if ((waiter.revents & (POLLIN | POLLHUP | POLLERR)) != 0) return true;
    if (pending.empty()) pending = next();
    if (pending.empty()) return false;
    ssize_t n = ::send(fd_, pending.data(), pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return true;
    if (n > 0) pending.erase(0, static_cast<std::size_t>(n));
  }
}

std::size_t RawClient::ReceiveBefore(std::chrono::steady_clock::time_point deadline, char* buffer,
                                     std::size_t size) {
  if (closed_) return 0;
  pollfd waiter{fd_, POLLIN, 0};
  if (::poll(&waiter, 1, RemainingMs(deadline)) <= 0) return 0;
  ssize_t n = ::recv(fd_, buffer, size, 0);
  if (n <= 0) {
    closed_ = true;
    return 0;
  }
  return static_cast<std::size_t>(n);
}

std::string RawClient::ReadUntilClosed(std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  std::string reply;
  std::string buffer(4096, '\0');
  while (std::size_t n = ReceiveBefore(deadline, buffer.data(), buffer.size()))
    reply.append(buffer.data(), n);
  return reply;
}

std::size_t RawClient::ReadPaced(std::size_t chunk, std::chrono::milliseconds pause,
                                 std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  std::size_t total = 0;
  std::string buffer(chunk, '\0');
  while (std::size_t n = ReceiveBefore(deadline, buffer.data(), buffer.size())) {
    total += n;
    // The pace is the point: a client that reads this slowly on purpose.
    std::this_thread::sleep_for(pause);
  }
  return total;
}

std::string RawClient::ReadUntil(const std::string& text) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::string reply;
  char byte = 0;
  // One byte at a time: what follows the text stays for the next read.
  while (reply.find(text) == std::string::npos && ReceiveBefore(deadline, &byte, 1) == 1)
    reply.push_back(byte);
  return reply;
}

bool RawClient::ClosedWithin(std::chrono::milliseconds limit) {
  ReadUntilClosed(limit);
  return closed_;
}

bool RawClient::Readable() const {
  pollfd waiter{fd_, POLLIN, 0};
  return ::poll(&waiter, 1, 0) > 0;
}

}  // namespace portaltest
