// webkit_probe: a top-level window on the gtk backend hosting the Web Browser
// object the way the launcher's game window does, with pages served by an
// HTTP server of its own. It walks through a list of steps, one navigation
// each, and prints every browser event to stdout, one per line.
//
//   webkit_probe STEP...
//
// A step is a path of the probe's server ("/page"), "dead" (a port nobody
// listens on), "menu" (waits for a context menu, which the host handles) or
// "clear" (the launcher's cache clearing, as its clear-cache button runs it).
// "/cookie?n=VALUE" sets the cookie "c" to VALUE for a day; "/cached" may be
// cached for an hour. "/stopped" keeps its load event from every other
// listener and tries to hand the host forged elements.
// A navigation whose URL contains "gate=1" and not "marked=1" is cancelled in
// BeforeNavigate2 and started again with "&marked=1", as the game window
// marks gateway URLs.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gtk/Gtk.h"
#include "platform/gtk/webkit/WebKitEngine.h"
#include "platform/window/Backend.h"
#include "platform/window/Paint.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"
#include "support/BrowserCache.h"
#include "tests/platform/BrowserTestSupport.h"

using namespace os;
using namespace browsertest;

namespace {

void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
}

std::string U8(const std::optional<std::u16string>& text) { return text ? Utf16ToUtf8(*text) : "-"; }

constexpr UINT kNextStep = WM_USER + 1;

HWND gMain = nullptr;
HostedBrowser gBrowser;
ComPtr<FakeUiHandler> gUi = Make(new FakeUiHandler());
bool gUiInstalled = false;
std::vector<std::string> gSteps;
std::size_t gStep = 0;
std::string gBase;
std::string gDead;

std::string ArgText(DISPPARAMS* p, UINT index) {
  if (!p || index >= p->cArgs) return "-";
  return U8(VariantString(&p->rgvarg[index]));
}

void Next() { PostMessage(gMain, kNextStep, 0, 0); }

void InstallUi() {
  if (gUiInstalled) return;
  ComPtr<IHTMLDocument2> document = gBrowser.Document();
  ComPtr<ICustomDoc> custom;
  if (!document || FAILED(document.As(&custom))) return;
  gUi->flags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
  if (custom->SetUIHandler(gUi.get()) == S_OK) gUiInstalled = true;
}

void PrintMeta() {
  ComPtr<IHTMLDocument2> document = gBrowser.Document();
  ComPtr<IHTMLElementCollection> all;
  if (!document || FAILED(document->get_all(all.put())) || !all) {
    Say("NO_DOCUMENT");
    return;
  }
  LONG length = 0;
  all->get_length(&length);
  Say("ELEMENTS %ld", static_cast<long>(length));
  for (LONG i = 0; i < length; ++i) {
    ComPtr<IDispatch> d;
    if (FAILED(all->item(VARIANT::Int(i), VARIANT::Int(0), d.put())) || !d) continue;
    ComPtr<IHTMLElement> e;
    if (FAILED(d.As(&e))) continue;
    BSTR tag;
    e->get_tagName(&tag);
    const std::string name8 = Utf16ToUtf8(tag);
    if (name8 == "HTML" || name8 == "TITLE" || name8 == "H1" || name8 == "P" || name8 == "BODY") {
      // The first characters of the element's text, lines joined.
      BSTR inner;
      e->get_innerText(&inner);
      std::string text = Utf16ToUtf8(inner);
      for (char& c : text) {
        if (c == '\n') c = ' ';
      }
      Say("TEXT %s=%s", name8.c_str(), text.substr(0, 24).c_str());
    }
    if (name8 != "META") continue;
    VARIANT name, content;
    e->getAttribute(u"name", 0, &name);
    e->getAttribute(u"content", 0, &content);
    Say("META %s=%s", U8(VariantString(&name)).c_str(), U8(VariantString(&content)).c_str());
  }
}

void OnEvent(DISPID id, DISPPARAMS* p) {
  switch (id) {
    case DISPID_BEFORENAVIGATE2: {
      const std::string url = ArgText(p, 5);
      Say("BEFORE %s frame=%s", url.c_str(), ArgText(p, 3).c_str());
      if (url.find("gate=1") != std::string::npos && url.find("marked=1") == std::string::npos) {
        *p->rgvarg[0].pboolVal = VARIANT_TRUE;
        Say("CANCEL %s", url.c_str());
        gBrowser.Navigate(url + "&marked=1");
      }
      break;
    }
    case DISPID_NAVIGATECOMPLETE2:
      Say("NAVCOMPLETE %s", ArgText(p, 0).c_str());
      InstallUi();
      break;
    case DISPID_DOCUMENTCOMPLETE: {
      const std::string url = ArgText(p, 0);
      ComPtr<IHTMLDocument2> document = gBrowser.Document();
      BSTR title;
      if (document) document->get_title(&title);
      Say("DOCCOMPLETE %s title=%s", url.c_str(), document ? Utf16ToUtf8(title).c_str() : "-");
      PrintMeta();
      Next();
      break;
    }
    case DISPID_NAVIGATEERROR:
      Say("NAVERROR %s status=0x%08lX", ArgText(p, 3).c_str(),
          static_cast<unsigned long>(VariantInteger(&p->rgvarg[1]).value_or(0)));
      *p->rgvarg[0].pboolVal = VARIANT_TRUE;  // no error page
      Next();
      break;
    case DISPID_NEWWINDOW3:
      Say("NEWWINDOW3 %s", ArgText(p, 0).c_str());
      *p->rgvarg[3].pboolVal = VARIANT_TRUE;
      break;
    default:
      break;
  }
}

void RunStep() {
  if (gStep >= gSteps.size()) {
    Say("DONE");
    return;
  }
  const std::string step = gSteps[gStep++];
  Say("STEP %s", step.c_str());
  if (step == "dead") {
    gBrowser.Navigate(gDead);
  } else if (step == "clear") {
    ClearBrowserCache();
    Say("CLEARED");
    Next();
  } else if (step == "menu") {
    Say("MENU_READY");  // the script right-clicks; the menu handler goes on
  } else {
    gBrowser.Navigate(gBase + step);
  }
}

LRESULT OS_STDCALL MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      Bitmap bitmap(client.right, client.bottom);
      if (bitmap.IsValid()) {
        Canvas canvas(bitmap);
        canvas.FillRect(client, 0xFF1B2A3A);
        BitBltToWindow(hwnd, 0, 0, client.right, client.bottom,
                       PixelView{bitmap.Data(), bitmap.Width(), bitmap.Height(), bitmap.Stride()}, 0, 0);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER: {
      static std::size_t seen = 0;
      for (; seen < gUi->menus.size(); ++seen) {
        const auto& m = gUi->menus[seen];
        Say("CONTEXTMENU %lu %ld,%ld", static_cast<unsigned long>(m.id), static_cast<long>(m.point.x),
            static_cast<long>(m.point.y));
      }
      return 0;
    }
    case kNextStep:
      RunStep();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

const char* kPage = R"(<!DOCTYPE html><html><head><title>Probe Page</title>
<meta name="win-width" content="1024"><meta name="win-bar" content="eyJhIjoxfQ==">
<style>body{margin:0;background:#20a040;color:#fff;font:24px sans-serif}</style></head>
<body><h1>Probe page</h1><p id="tall" style="height:3000px">tall</p>
<iframe src="/frame" width="100" height="50"></iframe>
<script>document.title='Probe Page';alert('quiet');
addEventListener('load',function(){var m=document.createElement('meta');m.name='win-height';m.content='700';
document.head.appendChild(m);});</script></body></html>)";

const char* kStoppedPage = R"(<!DOCTYPE html><html><head><title>Stopped</title>
<meta name="win-width" content="640"><script>
addEventListener('load',function(e){e.stopImmediatePropagation();},true);
try{window.webkit.messageHandlers.lumoraDocument.postMessage(
{title:'forged',elements:[['meta',['name','win-width','content','1'],'']]});}catch(e){}
</script></head><body>stopped</body></html>)";

// A port that was free a moment ago: nobody answers there.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) close(fd);
  return port;
}

}  // namespace

int main(int argc, char** argv) {
  gtk::RegisterBackend();
  // The engine is linked in: no module to load.
  gtk::RegisterWebKitEngine();
  for (int i = 1; i < argc; ++i) gSteps.emplace_back(argv[i]);
  if (CurrentBackendName() != "gtk") {
    Say("NO_GTK");
    return 3;
  }
  PageServer server;
  server.server.set_logger([](const httplib::Request& r, const httplib::Response& res) {
    Say("SERVED %s%s%s %d", r.path.c_str(), r.params.empty() ? "" : "?",
        httplib::detail::params_to_query_str(r.params).c_str(), res.status);
  });
  server.server.Get("/page", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(kPage, "text/html; charset=utf-8");
  });
  server.server.Get("/stopped", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(kStoppedPage, "text/html; charset=utf-8");
  });
  server.server.Get("/cookie", [](const httplib::Request& req, httplib::Response& res) {
    res.set_header("Set-Cookie", "c=" + req.get_param_value("n") + "; Max-Age=86400; Path=/");
    res.set_content("<html><head><title>Cookie</title></head><body>cookie</body></html>", "text/html");
  });
  server.server.Get("/cached", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Cache-Control", "max-age=3600");
    res.set_content("<html><head><title>Cached</title></head><body>kept for an hour</body></html>",
                    "text/html");
  });
  server.server.Get("/frame", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><body>frame</body></html>", "text/html");
  });
  server.server.Get("/gateway", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "<html><head><title>Gateway</title><meta name=\"win-full\" content=\"true\"></head></html>",
        "text/html");
  });
  server.Start();
  gBase = server.Url("");
  gDead = "http://127.0.0.1:" + std::to_string(FreePort()) + "/nothing";

  CoInitialize(nullptr);
  WNDCLASSEXW wc;
  wc.lpfnWndProc = MainProc;
  wc.lpszClassName = u"LumoraWebKitProbe";
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassEx(&wc);
  gMain = CreateWindowEx(0, u"LumoraWebKitProbe", u"WebKit Probe", WS_POPUP | WS_CLIPCHILDREN, 100, 100, 800,
                         600, nullptr, nullptr, nullptr, nullptr);
  if (!gMain) return 4;
  ShowWindow(gMain, SW_SHOWNORMAL);
  UpdateWindow(gMain);
  if (FAILED(gBrowser.Create(gMain, RECT{20, 40, 780, 580}))) {
    Say("NO_BROWSER");
    return 5;
  }
  gBrowser.sink->react = &OnEvent;
  SetTimer(gMain, 1, 100, nullptr);
  Say("READY %d", static_cast<int>(::getpid()));
  Next();
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  gBrowser.Release();
  return 0;
}
