#include "platform/headless/StaticBrowser.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "platform/base/Assert.h"
#include "platform/base/Unicode.h"
#include "platform/com/CookieJar.h"
#include "platform/com/UrlCache.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "platform/headless/Headless.h"
#include "platform/headless/PageReader.h"
#include "platform/system/Kernel.h"
#include "platform/system/Shell.h"
#include "platform/window/Input.h"
#include "platform/window/Paint.h"

namespace os::headless {

namespace {

constexpr UINT kBeginMessage = WM_USER + 0x101;  // wParam: navigation serial
constexpr UINT kDoneMessage = WM_USER + 0x102;   // wParam: navigation serial
// A page larger than this is not a page the launcher shows.
constexpr std::size_t kMaxBody = 64u * 1024 * 1024;
constexpr const char* kUserAgent = "Mozilla/5.0 (X11; Linux) LumoraStaticBrowser/1.0";

// Where a worker posts its result; emptied when the engine's queue window
// goes, so that no worker posts to a handle that may name another window.
struct Mailbox {
  std::mutex mutex;
  HWND hwnd = nullptr;
};

struct Transfer {
  // Set before the worker starts.
  std::uint64_t serial = 0;
  std::u16string requestUrl;
  bool refresh = false;
  std::string url;
  std::vector<std::string> headers;
  std::atomic<bool> cancelled{false};
  std::atomic<bool> finished{false};
  // Written by the worker before it posts.
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string effectiveUrl;
  DocumentContent content;
};

int Progress(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<Transfer*>(data)->cancelled.load() ? 1 : 0;
}

std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* target) {
  auto* body = static_cast<std::string*>(target);
  const std::size_t n = size * count;
  if (body->size() + n > kMaxBody) return 0;
  body->append(data, n);
  return n;
}

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

bool IsHtml(std::string_view contentType) {
  std::string type(contentType.substr(0, contentType.find(';')));
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return type.empty() || type.find("html") != std::string::npos || type == "text/plain";
}

std::u16string CacheExtension(std::string_view contentType, std::string_view url) {
  if (IsHtml(contentType)) return u"htm";
  std::string_view path = url.substr(0, url.find_first_of("?#"));
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    return Utf8ToUtf16(path.substr(dot + 1));
  }
  return u"dat";
}

// The whole load of one page, on a worker thread.
void RunTransfer(std::shared_ptr<Transfer> t, std::shared_ptr<Mailbox> mailbox) {
  std::string body;
  std::string contentType;
  {
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
      t->code = CURLE_FAILED_INIT;
    } else {
      CURL* c = curl.get();
      curl_easy_setopt(c, CURLOPT_URL, t->url.c_str());
      curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,file");
      curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
      curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
      curl_easy_setopt(c, CURLOPT_MAXREDIRS, 20L);
      curl_easy_setopt(c, CURLOPT_AUTOREFERER, 1L);
      curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
      curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
      curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
      curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
      curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &AppendBody);
      curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
      curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
      curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Progress);
      curl_easy_setopt(c, CURLOPT_XFERINFODATA, t.get());
      curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");  // the cookie engine, fed from the jar below
      for (const std::string& line : LoadCookieLines()) curl_easy_setopt(c, CURLOPT_COOKIELIST, line.c_str());
      std::unique_ptr<curl_slist, SlistDeleter> headers;
      for (const std::string& h : t->headers) {
        curl_slist* grown = curl_slist_append(headers.get(), h.c_str());
        if (!grown) break;
        headers.release();
        headers.reset(grown);
      }
      if (headers) curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

      t->code = curl_easy_perform(c);
      curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &t->status);
      char* effective = nullptr;
      if (curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) {
        t->effectiveUrl = effective;
      }
      char* type = nullptr;
      if (curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) contentType = type;
      if (!t->cancelled) {
        curl_slist* cookies = nullptr;
        if (curl_easy_getinfo(c, CURLINFO_COOKIELIST, &cookies) == CURLE_OK) {
          std::unique_ptr<curl_slist, SlistDeleter> owned(cookies);
          std::vector<std::string> lines;
          for (curl_slist* l = cookies; l; l = l->next) lines.emplace_back(l->data);
          StoreCookieLines(lines);
        }
      }
    }
  }
  if (!t->cancelled && t->code == CURLE_OK && t->status < 400) {
    if (IsHtml(contentType)) t->content = ReadHtml(DecodePage(body, PageCharset(contentType, body)));
    const std::string& where = t->effectiveUrl.empty() ? t->url : t->effectiveUrl;
    StoreUrlCacheEntry(Utf8ToUtf16(where), body, CacheExtension(contentType, where));
  }
  t->finished = true;
  std::lock_guard lock(mailbox->mutex);
  if (mailbox->hwnd) PostMessage(mailbox->hwnd, kDoneMessage, static_cast<WPARAM>(t->serial), 0);
}

// The status code NavigateError reports for a transfer that got no HTTP answer.
LONG InetError(CURLcode code) {
  switch (code) {
    case CURLE_URL_MALFORMAT:
      return INET_E_INVALID_URL;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return INET_E_UNKNOWN_PROTOCOL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return INET_E_RESOURCE_NOT_FOUND;
    case CURLE_COULDNT_CONNECT:
      return INET_E_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
      return INET_E_CONNECTION_TIMEOUT;
    case CURLE_TOO_MANY_REDIRECTS:
      return INET_E_REDIRECT_FAILED;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
      return INET_E_SECURITY_PROBLEM;
    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return INET_E_OBJECT_NOT_FOUND;
    default:
      return INET_E_DOWNLOAD_FAILURE;
  }
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t a = text[i];
    if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + 32);
    if (a != prefix[i]) return false;
  }
  return true;
}

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

std::u16string Hex(LONG value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out = u"0x";
  for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(static_cast<DWORD>(value) >> shift) & 0xF];
  return out;
}

std::u16string Decimal(long value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

class StaticBrowserEngine;

std::set<StaticBrowserEngine*>& LiveEngines() {
  static std::set<StaticBrowserEngine*> engines;
  return engines;
}

LRESULT OS_STDCALL QueueProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OS_STDCALL ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

void EnsureClasses() {
  WNDCLASSEXW existing;
  if (!GetClassInfoEx(nullptr, kStaticBrowserViewClass, &existing)) {
    WNDCLASSEXW wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &ViewProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kStaticBrowserViewClass;
    RegisterSystemClass(wc);
  }
  if (!GetClassInfoEx(nullptr, kStaticBrowserMessageClass, &existing)) {
    WNDCLASSEXW wc;
    wc.lpfnWndProc = &QueueProc;
    wc.lpszClassName = kStaticBrowserMessageClass;
    RegisterSystemClass(wc);
  }
}

// Colours of the view (straight ARGB).
constexpr std::uint32_t kBackground = 0xFFFFFFFF;
constexpr std::uint32_t kTitleColor = 0xFF1A1A1A;
constexpr std::uint32_t kUrlColor = 0xFF606060;
constexpr std::uint32_t kStatusColor = 0xFF808080;
constexpr std::uint32_t kErrorColor = 0xFFC00000;
constexpr std::uint32_t kLinkColor = 0xFF0000EE;
constexpr std::uint32_t kBorderOuter = 0xFFA0A0A0;
constexpr std::uint32_t kBorderInner = 0xFF696969;
constexpr std::uint32_t kScrollTrack = 0xFFF0F0F0;
constexpr std::uint32_t kScrollThumb = 0xFFC1C1C1;
constexpr int kScrollBarWidth = 17;
constexpr int kBorderWidth = 2;
constexpr int kMargin = 12;
constexpr const char16_t* kFace = u"Tahoma";

class StaticBrowserEngine final : public BrowserEngine {
 public:
  explicit StaticBrowserEngine(BrowserEngineHost* host) : host_(host), mailbox_(std::make_shared<Mailbox>()) {
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    LiveEngines().insert(this);
  }

  ~StaticBrowserEngine() override {
    LiveEngines().erase(this);
    {
      std::lock_guard lock(mailbox_->mutex);
      mailbox_->hwnd = nullptr;
    }
    for (Worker& w : workers_) w.transfer->cancelled = true;
    if (queue_) {
      SetWindowLongPtr(queue_, GWLP_USERDATA, 0);
      HWND queue = std::exchange(queue_, nullptr);
      DestroyWindow(queue);
    }
    DestroyView();
    for (Worker& w : workers_) {
      if (w.thread.joinable()) w.thread.join();
    }
  }

  // --- BrowserEngine ------------------------------------------------------------------
  HWND CreateView(HWND parent, const RECT& rect) override {
    EnsureClasses();
    DestroyView();
    view_ = CreateWindowEx(0, kStaticBrowserViewClass, u"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, nullptr, this);
    Layout();
    return view_;
  }

  void DestroyView() override {
    if (!view_) return;
    HWND view = std::exchange(view_, nullptr);
    SetWindowLongPtr(view, GWLP_USERDATA, 0);
    DestroyWindow(view);
  }

  HWND View() const override { return view_; }

  void Navigate(std::u16string_view url, std::u16string_view headers) override {
    Queue(Request{std::u16string(url), std::u16string(headers), false});
  }

  void Refresh() override {
    if (lastUrl_.empty()) return;
    Queue(Request{lastUrl_, u"", true});
  }

  void Stop() override {
    CancelTransfers();
    ++latest_;
    waiting_.clear();
    busy_ = false;
    Invalidate();
  }

  bool Busy() const override { return busy_; }

  bool TranslateAccelerator(const MSG& message) override {
    if (message.message == WM_KEYDOWN && message.wParam == VK_F5) {
      Refresh();
      return true;
    }
    return false;
  }

  void HostInfoChanged() override {
    hostInfo_ = host_->HostInfo();
    hostInfoRead_ = true;
    Layout();
    Invalidate();
  }

  // --- for the window procedures and the test API ---------------------------------------
  void OnQueueMessage(UINT message, WPARAM wParam) {
    if (message == kBeginMessage) Begin(static_cast<std::uint64_t>(wParam));
    if (message == kDoneMessage) Finish(static_cast<std::uint64_t>(wParam));
  }

  void QueueGone() {
    queue_ = nullptr;
    {
      std::lock_guard lock(mailbox_->mutex);
      mailbox_->hwnd = nullptr;
    }
    waiting_.clear();
    CancelTransfers();
    busy_ = false;
  }

  void ViewGone() { view_ = nullptr; }

  LRESULT OnViewMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_PAINT:
        Paint(hwnd);
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_SIZE:
        Layout();
        Invalidate();
        return 0;
      case WM_LBUTTONDOWN: {
        ComPtr<IUnknown> hold = host_->KeepAlive();
        pressedLink_ = LinkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (GetFocus() != hwnd) SetFocus(hwnd);
        host_->ViewActivated();
        return 0;
      }
      case WM_LBUTTONUP: {
        const int link = LinkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        const bool click = link >= 0 && link == pressedLink_;
        pressedLink_ = -1;
        if (click) FollowLink(links_[static_cast<std::size_t>(link)]);
        return 0;
      }
      case WM_CONTEXTMENU: {
        POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (lParam == -1) {  // from the keyboard: the view's top-left corner
          screen = POINT{0, 0};
          ClientToScreen(hwnd, &screen);
        }
        POINT client = screen;
        ScreenToClient(hwnd, &client);
        const DWORD id = LinkAt(client) >= 0 ? CONTEXT_MENU_ANCHOR : CONTEXT_MENU_DEFAULT;
        ComPtr<IUnknown> hold = host_->KeepAlive();
        if (!host_->ShowContextMenu(id, screen)) ++engineMenus_;
        return 0;
      }
      case WM_KEYDOWN:
        if (wParam == VK_F5) {
          Refresh();
          return 0;
        }
        break;
      default:
        break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
  }

  // Nothing waits to begin and the current navigation is not loading.
  bool Idle() const {
    if (!waiting_.empty()) return false;
    return std::none_of(workers_.begin(), workers_.end(), [&](const Worker& w) {
      return w.transfer->serial == latest_ && !w.transfer->cancelled;
    });
  }

  StaticBrowserState State() const {
    StaticBrowserState s;
    s.url = shownUrl_;
    s.title = shownTitle_;
    s.busy = busy_;
    s.errorStatus = errorStatus_;
    s.errorUrl = errorUrl_;
    s.hostInfoRead = hostInfoRead_;
    s.hostFlags = hostInfo_.dwFlags;
    s.hostCss = hostInfo_.pchHostCss;
    s.links = links_;
    s.engineContextMenus = engineMenus_;
    return s;
  }

 private:
  struct Request {
    std::u16string url;
    std::u16string headers;
    bool refresh = false;
  };
  struct Worker {
    std::shared_ptr<Transfer> transfer;
    std::thread thread;
  };

  // A new navigation replaces whatever was going on.
  void Queue(Request request) {
    CancelTransfers();
    ReapStaleWorkers();
    const std::uint64_t serial = ++latest_;
    waiting_.clear();
    if (!EnsureQueue()) {
      busy_ = false;
      return;
    }
    waiting_.emplace(serial, std::move(request));
    busy_ = true;
    if (!PostMessage(queue_, kBeginMessage, static_cast<WPARAM>(serial), 0)) {
      waiting_.erase(serial);
      busy_ = false;
    }
  }

  bool EnsureQueue() {
    if (queue_) return true;
    EnsureClasses();
    queue_ = CreateWindowEx(0, kStaticBrowserMessageClass, u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                            this);
    if (!queue_) return false;
    std::lock_guard lock(mailbox_->mutex);
    mailbox_->hwnd = queue_;
    return true;
  }

  void Begin(std::uint64_t serial) {
    auto it = waiting_.find(serial);
    if (it == waiting_.end()) return;
    Request request = std::move(it->second);
    waiting_.erase(it);
    if (serial != latest_) return;
    ComPtr<IUnknown> hold = host_->KeepAlive();
    if (!request.refresh) {
      const bool go = host_->BeforeNavigate(request.url, 0, u"", request.headers);
      if (serial != latest_) return;  // the host started another navigation
      if (!go) {
        busy_ = false;
        Invalidate();
        return;
      }
    }
    lastUrl_ = request.url;
    if (StartsWithNoCase(request.url, u"about:")) {
      ShowPage(serial, request, request.url, ReadHtml(""));
      return;
    }
    host_->StatusTextChange(request.url);
    if (serial != latest_) return;
    StartTransfer(serial, request);
  }

  void StartTransfer(std::uint64_t serial, const Request& request) {
    auto t = std::make_shared<Transfer>();
    t->serial = serial;
    t->requestUrl = request.url;
    t->refresh = request.refresh;
    t->url = Utf16ToUtf8(request.url);
    std::string headers = Utf16ToUtf8(request.headers);
    for (std::size_t start = 0; start < headers.size();) {
      std::size_t end = headers.find('\n', start);
      if (end == std::string::npos) end = headers.size();
      std::string line = headers.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) t->headers.push_back(std::move(line));
      start = end + 1;
    }
    busy_ = true;
    Invalidate();
    try {
      workers_.push_back(Worker{t, std::thread(&RunTransfer, t, mailbox_)});
    } catch (...) {
      // No thread for the load: report it as a failed download.
      DebugOutput(DebugCategory::Web,
                  "static browser: no thread for " + t->url + ": " + DescribeCurrentException());
      t->code = CURLE_FAILED_INIT;
      t->finished = true;
      Fail(serial, *t);
    }
  }

  void Finish(std::uint64_t serial) {
    auto it = std::find_if(workers_.begin(), workers_.end(),
                           [&](const Worker& w) { return w.transfer->serial == serial; });
    if (it == workers_.end()) return;
    if (it->thread.joinable()) it->thread.join();
    std::shared_ptr<Transfer> t = it->transfer;
    workers_.erase(it);
    if (serial != latest_ || t->cancelled) return;
    if (t->code != CURLE_OK || t->status >= 400) {
      Fail(serial, *t);
      return;
    }
    const std::u16string url = Utf8ToUtf16(t->effectiveUrl.empty() ? t->url : t->effectiveUrl);
    ShowPage(serial, Request{t->requestUrl, u"", t->refresh}, url, std::move(t->content));
  }

  void Fail(std::uint64_t serial, const Transfer& t) {
    ComPtr<IUnknown> hold = host_->KeepAlive();
    busy_ = false;
    const LONG status = t.code == CURLE_OK ? static_cast<LONG>(t.status) : InetError(t.code);
    const bool cancelled = host_->NavigateError(t.requestUrl, u"", status);
    if (serial != latest_) return;
    if (!cancelled) {
      errorStatus_ = status;
      errorUrl_ = t.requestUrl;
    }
    Layout();
    Invalidate();
    host_->StatusTextChange(u"");
  }

  void ShowPage(std::uint64_t serial, const Request& request, const std::u16string& url,
                DocumentContent content) {
    ComPtr<IUnknown> hold = host_->KeepAlive();
    if (!request.refresh) {
      host_->NavigateComplete(url);
      if (serial != latest_) return;
    }
    lastUrl_ = url;
    errorStatus_.reset();
    errorUrl_.clear();
    shownUrl_ = url;
    shownTitle_ = content.title;
    links_.clear();
    for (const HtmlElementInfo& e : content.elements) {
      if (e.tagName != u"a") continue;
      StaticBrowserLink link;
      for (const auto& [name, value] : e.attributes) {
        if (name == u"href") link.href = ResolveUrl(url, value);
        if (name == u"target") link.target = value;
      }
      if (link.href.empty()) continue;
      link.text = CollapseWhiteSpace(e.Text());
      if (link.text.empty()) link.text = link.href;
      links_.push_back(std::move(link));
    }
    hostInfo_ = host_->HostInfo();
    hostInfoRead_ = true;
    busy_ = false;
    Layout();
    Invalidate();
    host_->DocumentComplete(url, std::move(content));
    if (serial != latest_) return;
    host_->StatusTextChange(u"");
  }

  void FollowLink(StaticBrowserLink link) {
    const std::u16string& href = link.href;
    if (!StartsWithNoCase(href, u"http:") && !StartsWithNoCase(href, u"https:") &&
        !StartsWithNoCase(href, u"about:") && !StartsWithNoCase(href, u"file:")) {
      return;  // scripts and other schemes: nothing the static browser does
    }
    const std::u16string target = LowerAscii(link.target);
    if (target.empty() || target == u"_self" || target == u"_top" || target == u"_parent") {
      Navigate(href, u"");
      return;
    }
    ComPtr<IUnknown> hold = host_->KeepAlive();
    ComPtr<IWebBrowser2> other;
    if (!host_->NewWindow(href, shownUrl_, NWMF_USERINITED | NWMF_FIRST, &other)) return;
    if (other) {
      VARIANT url = VARIANT::String(href);
      other->Navigate2(&url, nullptr, nullptr, nullptr, nullptr);
    } else {
      ShellExecute(nullptr, u"open", href, u"", u"", SW_SHOWNORMAL);
    }
  }

  void CancelTransfers() {
    for (Worker& w : workers_) w.transfer->cancelled = true;
  }

  // Workers of abandoned navigations that have ended; their results are of
  // no use and their messages may never come (a lost queue window).
  void ReapStaleWorkers() {
    for (auto it = workers_.begin(); it != workers_.end();) {
      const bool stale = it->transfer->cancelled || it->transfer->serial != latest_;
      if (stale && it->transfer->finished) {
        if (it->thread.joinable()) it->thread.join();
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
  }

  int LinkAt(POINT p) const {
    for (std::size_t i = 0; i < links_.size(); ++i) {
      if (PtInRect(&links_[i].rect, p)) return static_cast<int>(i);
    }
    return -1;
  }

  bool HasBorder() const { return !(hostInfo_.dwFlags & DOCHOSTUIFLAG_NO3DBORDER); }
  bool HasScrollBar() const { return !(hostInfo_.dwFlags & DOCHOSTUIFLAG_SCROLL_NO); }

  // Text lines from the top: title, address, state, then one line per link.
  struct Lines {
    RECT title, url, status;
    int contentRight = 0;
  };

  Lines LineRects() const {
    RECT client{};
    if (view_) GetClientRect(view_, &client);
    const int inset = HasBorder() ? kBorderWidth : 0;
    const int right = client.right - inset - (HasScrollBar() ? kScrollBarWidth : 0) - kMargin;
    const int x = inset + kMargin;
    int y = inset + 10;
    Lines l;
    l.title = RECT{x, y, right, y + 26};
    y += 30;
    l.url = RECT{x, y, right, y + 18};
    y += 22;
    l.status = RECT{x, y, right, y + 18};
    l.contentRight = right;
    return l;
  }

  void Layout() {
    const Lines lines = LineRects();
    const Font font(kFace, 14, false, true);
    int y = lines.status.bottom + 8;
    for (StaticBrowserLink& link : links_) {
      const SIZE size = MeasureText(font, link.text);
      const int right = std::min<int>(lines.title.left + size.cx, lines.contentRight);
      link.rect = RECT{lines.title.left, y, std::max<int>(right, lines.title.left), y + 20};
      y += 22;
    }
  }

  void Invalidate() {
    if (view_) InvalidateRect(view_, nullptr, FALSE);
  }

  void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    Bitmap bitmap(client.right, client.bottom);
    if (bitmap.IsValid()) {
      Canvas canvas(bitmap);
      canvas.FillRect(client, kBackground);
      if (HasBorder()) {
        canvas.FrameRect(client, 1, kBorderOuter);
        RECT inner{1, 1, client.right - 1, client.bottom - 1};
        canvas.FrameRect(inner, 1, kBorderInner);
      }
      if (HasScrollBar()) {
        const int inset = HasBorder() ? kBorderWidth : 0;
        RECT track{client.right - inset - kScrollBarWidth, inset, client.right - inset,
                   client.bottom - inset};
        canvas.FillRect(track, kScrollTrack);
        RECT thumb{track.left + 2, track.top + 2, track.right - 2,
                   track.top + 2 + std::max<int>(20, (track.bottom - track.top) / 3)};
        canvas.FillRect(thumb, kScrollThumb);
      }
      const UINT format = DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
      const Lines lines = LineRects();
      RECT title = lines.title, url = lines.url, status = lines.status;
      const Font titleFont(kFace, 18, true);
      const Font small(kFace, 12);
      if (errorStatus_) {
        DrawText(&canvas, titleFont, u"This page can't be displayed", title, format, kErrorColor);
        DrawText(&canvas, small, errorUrl_, url, format, kUrlColor);
        const std::u16string reason = *errorStatus_ >= 100 && *errorStatus_ < 1000
                                          ? u"HTTP " + Decimal(*errorStatus_)
                                          : u"Error " + Hex(*errorStatus_);
        DrawText(&canvas, small, reason, status, format, kErrorColor);
      } else {
        DrawText(&canvas, titleFont, shownTitle_.empty() ? shownUrl_ : shownTitle_, title, format,
                 kTitleColor);
        DrawText(&canvas, small, shownUrl_, url, format, kUrlColor);
        if (busy_) DrawText(&canvas, small, u"Loading\u2026", status, format, kStatusColor);
        const Font linkFont(kFace, 14, false, true);
        for (const StaticBrowserLink& link : links_) {
          RECT r = link.rect;
          DrawText(&canvas, linkFont, link.text, r, format, kLinkColor);
        }
      }
      PixelView view;
      view.pixels = bitmap.Data();
      view.width = bitmap.Width();
      view.height = bitmap.Height();
      view.stride = bitmap.Stride();
      BitBltToWindow(hwnd, 0, 0, client.right, client.bottom, view, 0, 0);
    }
    EndPaint(hwnd, &ps);
  }

  BrowserEngineHost* host_;
  std::shared_ptr<Mailbox> mailbox_;
  HWND queue_ = nullptr;
  HWND view_ = nullptr;

  std::uint64_t latest_ = 0;                  // serial of the newest navigation
  std::map<std::uint64_t, Request> waiting_;  // posted, not begun
  std::vector<Worker> workers_;
  bool busy_ = false;
  std::u16string lastUrl_;  // what Refresh loads

  std::u16string shownUrl_;
  std::u16string shownTitle_;
  std::vector<StaticBrowserLink> links_;
  std::optional<LONG> errorStatus_;
  std::u16string errorUrl_;
  DOCHOSTUIINFO hostInfo_;
  bool hostInfoRead_ = false;
  int engineMenus_ = 0;
  int pressedLink_ = -1;
};

StaticBrowserEngine* EngineOf(HWND hwnd) {
  return reinterpret_cast<StaticBrowserEngine*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
}

void AttachEngine(HWND hwnd, LPARAM lParam) {
  const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
}

LRESULT OS_STDCALL QueueProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) AttachEngine(hwnd, lParam);
  StaticBrowserEngine* engine = EngineOf(hwnd);
  if (engine && (message == kBeginMessage || message == kDoneMessage)) {
    engine->OnQueueMessage(message, wParam);  // may end with the engine gone
    return 0;
  }
  if (engine && message == WM_NCDESTROY) {
    SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    engine->QueueGone();
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

LRESULT OS_STDCALL ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) AttachEngine(hwnd, lParam);
  StaticBrowserEngine* engine = EngineOf(hwnd);
  if (!engine) return DefWindowProc(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    engine->ViewGone();
    return DefWindowProc(hwnd, message, wParam, lParam);
  }
  return engine->OnViewMessage(hwnd, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<BrowserEngine> CreateStaticBrowserEngine(BrowserEngineHost* host) {
  return std::make_unique<StaticBrowserEngine>(host);
}

std::optional<StaticBrowserState> InspectStaticBrowser(HWND view) {
  if (!IsWindow(view) || GetClassName(view) != kStaticBrowserViewClass) return std::nullopt;
  const StaticBrowserEngine* engine = EngineOf(view);
  if (!engine) return std::nullopt;
  return engine->State();
}

bool WaitForStaticBrowsers(std::uint32_t timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    Pump();
    const auto& engines = LiveEngines();
    if (std::all_of(engines.begin(), engines.end(), [](const StaticBrowserEngine* e) { return e->Idle(); })) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace os::headless
