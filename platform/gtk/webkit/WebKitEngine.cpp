#include "platform/gtk/webkit/WebKitEngine.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/base/Unicode.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/system/Shell.h"
#include "platform/window/Input.h"
#include "platform/window/Paint.h"
#include "platform/window/Window.h"
#include "platform/window/internal/WindowSystem.h"

// After the platform headers, as GtkBackend.h explains.
#include <webkit2/webkit2.h>

namespace os::gtk {

namespace {

// How often the view follows moves of its ancestors, which send it nothing.
constexpr UINT_PTR kPlaceTimer = 1;
constexpr UINT kPlaceInterval = 200;
// A cache clearing that takes longer than this is given up on.
constexpr guint kClearTimeoutMs = 5000;

// Every element with its attributes, the title, and the page's text once:
// each element names the range of it that is its text (its textContent).
// Asking every element for its textContent copied the text of each element
// once per ancestor, the whole page's for the root. The walk goes in
// document order, as getElementsByTagName('*') does, and keeps no recursion
// for deep nesting. Read in a world of its own so that the page's scripts
// cannot change what the host sees.
#define LUMORA_READ_DOCUMENT                                                                      \
  "(function(){var out=[],parts=[],len=0,open=[],n=document.firstChild;"                          \
  "while(n){if(n.nodeType===1){var at=[];"                                                        \
  "for(var j=0;j<n.attributes.length;j++){at.push(n.attributes[j].name,n.attributes[j].value);}" \
  "var e=[n.localName,at,len,len];out.push(e);"                                                   \
  "if(n.firstChild){open.push(e);n=n.firstChild;continue;}}"                                      \
  "else if(n.nodeType===3||n.nodeType===4){parts.push(n.data);len+=n.data.length;}"               \
  "while(n&&!n.nextSibling){n=n.parentNode;if(!n||n.nodeType!==1){n=null;break;}open.pop()[3]=len;}" \
  "if(n)n=n.nextSibling;}"                                                                        \
  "return {title:document.title||'',text:parts.join(''),elements:out};})()"
constexpr const char* kReadDocumentScript = LUMORA_READ_DOCUMENT;
constexpr const char* kScriptWorld = "lumora-host";
// The same reading, sent by the page itself from its load event: the
// document and everything it loads are complete then, so the host hears of
// the document at once, with its elements, instead of after WebKit's end of
// the load (which waits for the page's later load listeners) and a round
// trip to the web process. The listener is added once the document is
// parsed, after the listeners the page's own markup adds, so what those
// change is read too. Top frame only, in the host's world.
constexpr const char* kDocumentChannel = "lumoraDocument";
constexpr const char* kPostDocumentScript =
    "addEventListener('load',function(){var h=window.webkit&&window.webkit.messageHandlers&&"
    "window.webkit.messageHandlers.lumoraDocument;if(h)h.postMessage(" LUMORA_READ_DOCUMENT ");});";
#undef LUMORA_READ_DOCUMENT

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object) g_object_unref(object);
  }
};
using JsValue = std::unique_ptr<JSCValue, GObjectUnref>;

// Whole, NUL characters included (a page's text or attribute may hold them).
std::u16string JsString(JSCValue* value) {
  if (!value || jsc_value_is_undefined(value) || jsc_value_is_null(value)) return {};
  GBytes* bytes = jsc_value_to_string_as_bytes(value);
  if (!bytes) return {};
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::u16string out = data ? Utf8ToUtf16(std::string_view(data, size)) : std::u16string();
  g_bytes_unref(bytes);
  return out;
}

// A position in the page's text; anything else is none.
std::size_t JsIndex(JSCValue* value) {
  if (!value || !jsc_value_is_number(value)) return 0;
  const double number = jsc_value_to_double(value);
  return number > 0 && number < 9.0e15 ? static_cast<std::size_t>(number) : 0;
}

JsValue JsProperty(JSCValue* object, const char* name) {
  return JsValue(jsc_value_object_get_property(object, name));
}

int JsLength(JSCValue* array) {
  if (!array || !jsc_value_is_array(array)) return 0;
  JsValue length = JsProperty(array, "length");
  return length ? jsc_value_to_int32(length.get()) : 0;
}

JsValue JsAt(JSCValue* array, int index) {
  return JsValue(jsc_value_object_get_property_at_index(array, static_cast<guint>(index)));
}

DocumentContent ContentOf(JSCValue* result) {
  DocumentContent content;
  if (!result || !jsc_value_is_object(result)) return content;
  content.title = JsString(JsProperty(result, "title").get());
  const auto text = std::make_shared<const std::u16string>(JsString(JsProperty(result, "text").get()));
  JsValue elements = JsProperty(result, "elements");
  const int count = JsLength(elements.get());
  content.elements.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    JsValue entry = JsAt(elements.get(), i);
    if (!entry || JsLength(entry.get()) < 4) continue;
    HtmlElementInfo element;
    element.tagName = JsString(JsAt(entry.get(), 0).get());
    JsValue attributes = JsAt(entry.get(), 1);
    const int values = JsLength(attributes.get());
    for (int j = 0; j + 1 < values; j += 2) {
      element.attributes.emplace_back(JsString(JsAt(attributes.get(), j).get()),
                                      JsString(JsAt(attributes.get(), j + 1).get()));
    }
    const std::size_t begin = JsIndex(JsAt(entry.get(), 2).get());
    const std::size_t end = JsIndex(JsAt(entry.get(), 3).get());
    if (end > begin) element.SetText(text, begin, end);
    content.elements.push_back(std::move(element));
  }
  return content;
}

// The web context all views share, made with the first view.
struct WebData {
  WebKitWebsiteDataManager* manager = nullptr;
  WebKitWebContext* context = nullptr;
};

WebData& SharedData() {
  static WebData data;
  return data;
}

WebKitWebContext* SharedContext() {
  WebData& d = SharedData();
  if (d.context) return d.context;
  // WebKit's stores live beside the launcher's cache and cookie folders, not
  // in them: the cache clearing deletes those folders' files, and WebKit
  // neither rebuilds a deleted cache tree nor reopens a deleted cookie
  // database, so what it kept afterwards would be lost. Its data manager
  // clears its stores instead (ClearWebKitData).
  std::u16string cacheRoot;
  std::u16string dataRoot;
  const bool folders = SHGetSpecialFolderPath(nullptr, &cacheRoot, CSIDL_LOCAL_APPDATA, 1) != 0 &&
                       SHGetSpecialFolderPath(nullptr, &dataRoot, CSIDL_APPDATA, 1) != 0;
  const std::string data = Utf16ToUtf8(dataRoot) + "/lumora/webkit";
  const std::string cache = Utf16ToUtf8(cacheRoot) + "/lumora/webkit";
  if (folders) {
    d.manager = webkit_website_data_manager_new("base-data-directory", data.c_str(), "base-cache-directory",
                                                cache.c_str(), nullptr);
  } else {
    // Without folders of its own the engine keeps nothing rather than
    // writing into WebKit's default places.
    d.manager = webkit_website_data_manager_new_ephemeral();
  }
  d.context = webkit_web_context_new_with_website_data_manager(d.manager);
  webkit_web_context_set_cache_model(d.context, WEBKIT_CACHE_MODEL_WEB_BROWSER);
  if (folders) {
    g_mkdir_with_parents(data.c_str(), 0700);
    const std::string file = data + "/cookies.sqlite";
    webkit_cookie_manager_set_persistent_storage(webkit_website_data_manager_get_cookie_manager(d.manager),
                                                 file.c_str(), WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  }
  webkit_cookie_manager_set_accept_policy(webkit_website_data_manager_get_cookie_manager(d.manager),
                                          WEBKIT_COOKIE_POLICY_ACCEPT_ALWAYS);
  return d.context;
}

GtkBackend* Gtk() {
  if (!internal::SystemExists()) return nullptr;
  return dynamic_cast<GtkBackend*>(&internal::Sys().backend());
}

// A web view with its content manager (the host's document channel and the
// script that feeds it), set up as every engine wants it; signals are the
// engine's to connect.
struct ViewParts {
  WebKitWebView* view = nullptr;
  WebKitUserContentManager* content = nullptr;
};

ViewParts NewViewParts() {
  ViewParts parts;
  parts.content = webkit_user_content_manager_new();
  webkit_user_content_manager_register_script_message_handler_in_world(parts.content, kDocumentChannel,
                                                                       kScriptWorld);
  WebKitUserScript* post = webkit_user_script_new_for_world(
      kPostDocumentScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END,
      kScriptWorld, nullptr, nullptr);
  webkit_user_content_manager_add_script(parts.content, post);
  webkit_user_script_unref(post);
  GtkWidget* widget = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", SharedContext(),
                                              "user-content-manager", parts.content, nullptr));
  parts.view = WEBKIT_WEB_VIEW(g_object_ref_sink(widget));
  WebKitSettings* settings = webkit_web_view_get_settings(parts.view);
  // Software rendering: the launcher runs on desktops without working GL.
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  webkit_settings_set_enable_javascript(settings, 1);
  // window.open reaches NewWindow, where the host decides.
  webkit_settings_set_javascript_can_open_windows_automatically(settings, 1);
  webkit_settings_set_enable_developer_extras(settings, 0);
  gtk_widget_set_no_show_all(GTK_WIDGET(parts.view), 1);
  return parts;
}

struct ClearState {
  GMainLoop* loop = nullptr;
  bool done = false;
};

void ClearWebKitData() {
  WebData& d = SharedData();
  if (!d.manager) return;  // no view yet: everything is in the files
  auto state = std::make_shared<ClearState>();
  state->loop = g_main_loop_new(nullptr, 0);
  const auto types = static_cast<WebKitWebsiteDataTypes>(
      WEBKIT_WEBSITE_DATA_MEMORY_CACHE | WEBKIT_WEBSITE_DATA_DISK_CACHE | WEBKIT_WEBSITE_DATA_COOKIES |
      WEBKIT_WEBSITE_DATA_SESSION_STORAGE | WEBKIT_WEBSITE_DATA_LOCAL_STORAGE);
  // The callback may come after the wait gave up; it owns a reference.
  webkit_website_data_manager_clear(
      d.manager, types, 0, nullptr,
      [](GObject* manager, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::shared_ptr<ClearState>> owned(static_cast<std::shared_ptr<ClearState>*>(data));
        webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(manager), result, nullptr);
        (*owned)->done = true;
        g_main_loop_quit((*owned)->loop);
      },
      new std::shared_ptr<ClearState>(state));
  auto* guard = new std::shared_ptr<ClearState>(state);
  const guint timeout = g_timeout_add_full(
      G_PRIORITY_DEFAULT, kClearTimeoutMs,
      [](gpointer data) -> gboolean {
        g_main_loop_quit((*static_cast<std::shared_ptr<ClearState>*>(data))->loop);
        return G_SOURCE_REMOVE;
      },
      guard, [](gpointer data) { delete static_cast<std::shared_ptr<ClearState>*>(data); });
  if (!state->done) {
    GtkBackend* backend = Gtk();
    std::optional<NestedLoopScope> scope;
    if (backend) scope.emplace(*backend);
    g_main_loop_run(state->loop);
  }
  g_source_remove(timeout);
  g_main_loop_unref(state->loop);
  state->loop = nullptr;
}

LRESULT OS_STDCALL ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

void EnsureViewClass() {
  WNDCLASSEXW existing;
  if (GetClassInfoEx(nullptr, kWebKitViewClass, &existing)) return;
  WNDCLASSEXW wc;
  wc.lpfnWndProc = &ViewProc;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kWebKitViewClass;
  RegisterSystemClass(wc);
}

class WebKitEngine final : public BrowserEngine {
 public:
  explicit WebKitEngine(BrowserEngineHost* host) : host_(host) {}

  ~WebKitEngine() override {
    *alive_ = false;
    if (cancellable_) {
      g_cancellable_cancel(cancellable_);
      g_object_unref(cancellable_);
    }
    DestroyView();
    DropWebView();
  }

  // --- BrowserEngine ------------------------------------------------------------------
  HWND CreateView(HWND parent, const RECT& rect) override {
    EnsureViewClass();
    DestroyView();
    hwnd_ = CreateWindowEx(0, kWebKitViewClass, u"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                           rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                           nullptr, nullptr, this);
    if (!hwnd_) return nullptr;
    SetTimer(hwnd_, kPlaceTimer, kPlaceInterval, nullptr);
    if (EnsureWebView()) {
      ReadHostInfo();
      PlaceWebView();
    }
    return hwnd_;
  }

  void DestroyView() override {
    if (!hwnd_) return;
    HWND view = std::exchange(hwnd_, nullptr);
    SetWindowLongPtr(view, GWLP_USERDATA, 0);
    Unplace();
    DestroyWindow(view);
  }

  HWND View() const override { return hwnd_; }

  void Navigate(std::u16string_view url, std::u16string_view headers) override {
    if (!EnsureWebView()) return;
    ++navigations_;
    pending_ = Pending{std::u16string(headers)};
    busy_ = true;
    refreshing_ = false;
    WebKitURIRequest* request = webkit_uri_request_new(Utf16ToUtf8(url).c_str());
    if (SoupMessageHeaders* fields = webkit_uri_request_get_http_headers(request)) {
      const std::string text = Utf16ToUtf8(headers);
      for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && colon > 0) {
          std::string value = line.substr(colon + 1);
          value.erase(0, value.find_first_not_of(" \t"));
          soup_message_headers_replace(fields, line.substr(0, colon).c_str(), value.c_str());
        }
        start = end + 1;
      }
    }
    // WebKit asks for the policy from its web process, so BeforeNavigate
    // comes from the main loop, after this returns.
    webkit_web_view_load_request(web_, request);
    g_object_unref(request);
  }

  void Refresh() override {
    if (!web_ || !webkit_web_view_get_uri(web_)) return;
    ++navigations_;
    refreshing_ = true;
    busy_ = true;
    webkit_web_view_reload(web_);
  }

  void Stop() override {
    ++navigations_;
    ++reads_;  // a document being read is no longer reported
    pending_.reset();
    busy_ = false;
    if (web_) webkit_web_view_stop_loading(web_);
  }

  bool Busy() const override { return busy_; }

  bool TranslateAccelerator(const MSG& message) override {
    if (message.message == WM_KEYDOWN && message.wParam == VK_F5) {
      Refresh();
      return true;
    }
    return false;
  }

  void HostInfoChanged() override { ReadHostInfo(); }

  // --- the view window ------------------------------------------------------------------
  LRESULT OnViewMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_PAINT: {
        // The page paints itself over the window's place.
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        PlaceWebView();
        return 0;
      }
      case WM_ERASEBKGND:
        return 1;
      case WM_TIMER:
        if (wParam == kPlaceTimer) {
          PlaceWebView();
          return 0;
        }
        break;
      case WM_WINDOWPOSCHANGED: {
        const LRESULT r = DefWindowProc(hwnd, message, wParam, lParam);
        PlaceWebView();
        return r;
      }
      case WM_SHOWWINDOW: {
        const LRESULT r = DefWindowProc(hwnd, message, wParam, lParam);
        PlaceWebView();
        return r;
      }
      case WM_SETFOCUS:
        if (web_ && placedIn_) gtk_widget_grab_focus(GTK_WIDGET(web_));
        return 0;
      case WM_DESTROY:
        KillTimer(hwnd, kPlaceTimer);
        Unplace();
        break;
      default:
        break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
  }

  void ViewGone() {
    Unplace();
    hwnd_ = nullptr;
  }

 private:
  struct Pending {
    std::u16string headers;
  };

  bool EnsureWebView() {
    if (web_) return true;
    if (!Gtk()) return false;
    const ViewParts parts = NewViewParts();
    content_ = parts.content;
    web_ = parts.view;
    // Nothing is loading in the view yet, so no message is lost before this.
    g_signal_connect(content_, (std::string("script-message-received::") + kDocumentChannel).c_str(),
                     G_CALLBACK(OnDocumentMessage), this);
    g_signal_connect(web_, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(web_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(web_, "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(web_, "create", G_CALLBACK(OnCreate), this);
    g_signal_connect(web_, "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(web_, "script-dialog", G_CALLBACK(OnScriptDialog), this);
    g_signal_connect(web_, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(web_, "notify::title", G_CALLBACK(OnTitle), this);
    g_signal_connect(web_, "destroy", G_CALLBACK(OnDestroyed), this);
    cancellable_ = g_cancellable_new();
    return true;
  }

  void DropWebView() {
    if (!web_) return;
    g_signal_handlers_disconnect_by_data(web_, this);
    Unplace();
    g_object_unref(web_);
    web_ = nullptr;
    if (content_) {
      g_signal_handlers_disconnect_by_data(content_, this);
      g_object_unref(content_);
    }
    content_ = nullptr;
    reported_ = false;
    busy_ = false;
  }

  // The widget's container went (its surface was destroyed under it).
  static void OnDestroyed(GtkWidget*, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    self->placedIn_ = nullptr;
    self->DropWebView();
  }

  GtkWidget* CanvasOf(HWND view) const {
    GtkBackend* backend = Gtk();
    if (!backend) return nullptr;
    auto root = internal::Lookup(internal::RootOf(view));
    if (!root || !root->surface) return nullptr;
    Surface* s = backend->Find(root->surface);
    return s ? s->canvas : nullptr;
  }

  void PlaceWebView() {
    if (!web_ || !hwnd_) return;
    auto w = internal::LookupOwn(hwnd_);
    auto root = w ? internal::Lookup(internal::RootOf(hwnd_)) : nullptr;
    GtkWidget* canvas = CanvasOf(hwnd_);
    if (!w || !root || !canvas) {
      Unplace();
      return;
    }
    GtkWidget* widget = GTK_WIDGET(web_);
    if (placedIn_ != canvas) {
      Unplace();
      gtk_fixed_put(GTK_FIXED(canvas), widget, 0, 0);
      placedIn_ = canvas;
      placed_.reset();
      shown_ = false;
    }
    const POINT origin = internal::ClientOrigin(*w);
    RECT rect{origin.x - root->rect.left, origin.y - root->rect.top, 0, 0};
    rect.right = rect.left + (w->client.right - w->client.left);
    rect.bottom = rect.top + (w->client.bottom - w->client.top);
    if (!placed_ || !EqualRect(&*placed_, &rect)) {
      placed_ = rect;
      gtk_fixed_move(GTK_FIXED(canvas), widget, rect.left, rect.top);
      gtk_widget_set_size_request(widget, std::max<int>(rect.right - rect.left, 1),
                                  std::max<int>(rect.bottom - rect.top, 1));
    }
    const bool visible = IsWindowVisible(hwnd_) != 0 && rect.right > rect.left && rect.bottom > rect.top;
    if (visible != shown_) {
      shown_ = visible;
      if (visible) {
        gtk_widget_show(widget);
      } else {
        gtk_widget_hide(widget);
      }
    }
  }

  void Unplace() {
    if (!web_ || !placedIn_) return;
    GtkWidget* canvas = std::exchange(placedIn_, nullptr);
    // The engine's own reference keeps the view (and its page) alive.
    gtk_container_remove(GTK_CONTAINER(canvas), GTK_WIDGET(web_));
    placed_.reset();
    shown_ = false;
  }

  void ReadHostInfo() {
    if (!content_) return;
    const DOCHOSTUIINFO info = host_->HostInfo();
    const std::string css = HostStyleSheet(info);
    if (css == appliedCss_) return;
    appliedCss_ = css;
    webkit_user_content_manager_remove_all_style_sheets(content_);
    if (css.empty()) return;
    WebKitUserStyleSheet* sheet = webkit_user_style_sheet_new(
        css.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
    webkit_user_content_manager_add_style_sheet(content_, sheet);
    webkit_user_style_sheet_unref(sheet);
  }

  std::u16string CurrentUri() const {
    const char* uri = web_ ? webkit_web_view_get_uri(web_) : nullptr;
    return uri ? Utf8ToUtf16(uri) : std::u16string();
  }

  // --- WebKit's signals -------------------------------------------------------------------
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    ComPtr<IUnknown> hold = self->host_->KeepAlive();
    g_object_ref(decision);
    const gboolean handled = self->Decide(decision, type);
    g_object_unref(decision);
    return handled;
  }

  gboolean Decide(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision));
      decided_ = true;
      if (webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_RELOAD ||
          refreshing_) {
        webkit_policy_decision_use(decision);
        return 1;
      }
      const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
      const char* frame = webkit_navigation_action_get_frame_name(action);
      std::u16string headers;
      if (pending_) headers = std::exchange(pending_, std::nullopt)->headers;
      const std::uint64_t before = navigations_;
      const bool go = host_->BeforeNavigate(Utf8ToUtf16(uri ? uri : ""), 0,
                                            frame ? Utf8ToUtf16(frame) : std::u16string(), headers);
      if (go) {
        webkit_policy_decision_use(decision);
      } else {
        webkit_policy_decision_ignore(decision);
        // Unless the host started another navigation, nothing is loading.
        if (navigations_ == before && !loading_) busy_ = false;
      }
      return 1;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
      auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
      if (!webkit_response_policy_decision_is_main_frame_main_resource(response)) return 0;
      WebKitURIResponse* r = webkit_response_policy_decision_get_response(response);
      const guint status = webkit_uri_response_get_status_code(r);
      if (status < 400) return 0;
      // An HTTP error is a failed navigation, as the host knows them; the
      // server's own error page stands in for the engine's.
      failed_ = true;
      const char* uri = webkit_uri_response_get_uri(r);
      const bool cancelled =
          host_->NavigateError(Utf8ToUtf16(uri ? uri : ""), u"", static_cast<LONG>(status));
      if (cancelled) {
        webkit_policy_decision_ignore(decision);
      } else {
        webkit_policy_decision_use(decision);
      }
      return 1;
    }
    return 0;  // new windows: "create" asks the host
  }

  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    ComPtr<IUnknown> hold = self->host_->KeepAlive();
    self->LoadChanged(event);
  }

  void LoadChanged(WebKitLoadEvent event) {
    switch (event) {
      case WEBKIT_LOAD_STARTED:
        reported_ = false;
        loading_ = true;
        busy_ = true;
        // A load no policy was asked for is WebKit's own error page.
        quiet_ = failed_ && !decided_;
        if (!quiet_) failed_ = false;
        decided_ = false;
        return;
      case WEBKIT_LOAD_COMMITTED:
        // What arrives from now on is the new document's.
        reported_ = false;
        committed_ = true;
        if (failed_ || quiet_) return;
        ReadHostInfo();
        if (!refreshing_) host_->NavigateComplete(CurrentUri());
        return;
      case WEBKIT_LOAD_FINISHED: {
        loading_ = false;
        const bool report = !failed_ && !quiet_;
        quiet_ = false;
        committed_ = false;
        // Told from the page's load event already: the host has heard of
        // this document, and may have started the next navigation since.
        if (std::exchange(reported_, false)) return;
        if (!report) {
          busy_ = false;
          refreshing_ = false;
          return;
        }
        // No load event reached the host's world (the page kept it from
        // other listeners, or the load was stopped): ask the web process.
        ReadDocument();
        return;
      }
      default:
        return;
    }
  }

  // The host hears of the document once its elements are known.
  void ReadDocument() {
    struct Read {
      std::shared_ptr<bool> alive;
      WebKitEngine* engine;
      std::uint64_t serial;
    };
    const std::uint64_t serial = ++reads_;
    webkit_web_view_evaluate_javascript(
        web_, kReadDocumentScript, -1, kScriptWorld, nullptr, cancellable_,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<Read> read(static_cast<Read*>(data));
          GError* error = nullptr;
          JsValue value(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error));
          if (error) g_error_free(error);
          if (!*read->alive || read->serial != read->engine->reads_) return;
          read->engine->DocumentRead(value.get());
        },
        new Read{alive_, this, serial});
  }

  // A page whose elements could not be read is still complete; it has only
  // nothing to show the host.
  void DocumentRead(JSCValue* value) { Complete(ContentOf(value)); }

  void Complete(DocumentContent content) {
    ComPtr<IUnknown> hold = host_->KeepAlive();
    refreshing_ = false;
    busy_ = false;
    host_->DocumentComplete(CurrentUri(), std::move(content));
  }

  // The page's own report of its elements (kPostDocumentScript), from its
  // load event: the document is complete, and the host hears of it now.
  // Only the first sent between the commit of a document and the end of its
  // load counts; a load that failed (the server's error page) or WebKit's
  // error page is not reported.
  static void OnDocumentMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    if (!self->committed_ || self->reported_ || self->failed_ || self->quiet_ || !result) return;
    ComPtr<IUnknown> hold = self->host_->KeepAlive();
    self->reported_ = true;
    ++self->reads_;  // a read still under way for an earlier load is stale
    self->Complete(ContentOf(webkit_javascript_result_get_js_value(result)));
  }

  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    ComPtr<IUnknown> hold = self->host_->KeepAlive();
    const std::optional<LONG> status = NavigateErrorStatus(error);
    if (!status) return 0;
    if (self->failed_) return 1;  // already reported from the response
    self->failed_ = true;
    self->busy_ = false;
    const bool cancelled = self->host_->NavigateError(Utf8ToUtf16(uri ? uri : ""), u"", *status);
    // TRUE keeps WebKit's error page away.
    return cancelled ? 1 : 0;
  }

  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    ComPtr<IUnknown> hold = self->host_->KeepAlive();
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::u16string url = Utf8ToUtf16(uri ? uri : "");
    DWORD flags = NWMF_FIRST;
    if (webkit_navigation_action_is_user_gesture(action)) flags |= NWMF_USERINITED;
    ComPtr<IWebBrowser2> target;
    if (!self->host_->NewWindow(url, self->CurrentUri(), flags, &target)) return nullptr;
    if (target) {
      VARIANT v = VARIANT::String(url);
      target->Navigate2(&v, nullptr, nullptr, nullptr, nullptr);
    } else if (!url.empty()) {
      ShellExecute(nullptr, u"open", url, u"", u"", SW_SHOWNORMAL);
    }
    // The page opens elsewhere, never in a web view of WebKit's making.
    return nullptr;
  }

  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event, WebKitHitTestResult* hit,
                                gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    ComPtr<IUnknown> hold = self->host_->KeepAlive();
    POINT screen{0, 0};
    gdouble x = 0, y = 0;
    if (event && gdk_event_get_root_coords(event, &x, &y)) {
      screen = POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
    } else {
      GetCursorPos(&screen);
    }
    DWORD id = CONTEXT_MENU_DEFAULT;
    if (hit) {
      if (webkit_hit_test_result_context_is_link(hit)) {
        id = CONTEXT_MENU_ANCHOR;
      } else if (webkit_hit_test_result_context_is_image(hit)) {
        id = CONTEXT_MENU_IMAGE;
      } else if (webkit_hit_test_result_context_is_editable(hit)) {
        id = CONTEXT_MENU_CONTROL;
      } else if (webkit_hit_test_result_context_is_selection(hit)) {
        id = CONTEXT_MENU_TEXTSELECT;
      }
    }
    return self->host_->ShowContextMenu(id, screen) ? 1 : 0;
  }

  // Pages never open dialogs in the launcher: alerts pass unseen, questions
  // get their negative answer, leaving a page is always allowed.
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer) {
    if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
      webkit_script_dialog_confirm_set_confirmed(dialog, 1);
    }
    return 1;
  }

  static gboolean OnButtonPress(GtkWidget*, GdkEventButton*, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    ComPtr<IUnknown> hold = self->host_->KeepAlive();
    self->host_->ViewActivated();
    return 0;
  }

  static void OnTitle(GObject*, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    // The view window carries the page title, as the static engine's does.
    if (self->hwnd_ && self->web_) {
      const char* title = webkit_web_view_get_title(self->web_);
      SetWindowText(self->hwnd_, Utf8ToUtf16(title ? title : "").c_str());
    }
  }

  BrowserEngineHost* host_;
  HWND hwnd_ = nullptr;
  WebKitWebView* web_ = nullptr;
  WebKitUserContentManager* content_ = nullptr;
  GCancellable* cancellable_ = nullptr;
  GtkWidget* placedIn_ = nullptr;  // the canvas holding the view
  std::optional<RECT> placed_;
  bool shown_ = false;
  std::string appliedCss_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  std::optional<Pending> pending_;  // a navigation of Navigate not yet asked about
  std::uint64_t navigations_ = 0;   // navigations this engine started
  std::uint64_t reads_ = 0;         // document reads; only the newest reports
  bool busy_ = false;
  bool loading_ = false;     // the main frame is between STARTED and FINISHED
  bool refreshing_ = false;  // the load is a refresh: no NavigateComplete
  bool failed_ = false;      // the load was reported as failed
  bool decided_ = false;     // a navigation policy was decided since the last start
  bool quiet_ = false;       // the load shows WebKit's error page
  bool committed_ = false;   // a document was committed and its load has not finished
  bool reported_ = false;    // the committed document reported itself from its load event
};

WebKitEngine* EngineOf(HWND hwnd) {
  return reinterpret_cast<WebKitEngine*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
}

LRESULT OS_STDCALL ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  WebKitEngine* engine = EngineOf(hwnd);
  if (!engine) return DefWindowProc(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    engine->ViewGone();
    return DefWindowProc(hwnd, message, wParam, lParam);
  }
  return engine->OnViewMessage(hwnd, message, wParam, lParam);
}

}  // namespace

std::string HostStyleSheet(const DOCHOSTUIINFO& info) {
  std::string css;
  if (info.dwFlags & DOCHOSTUIFLAG_SCROLL_NO) {
    css += "::-webkit-scrollbar{display:none !important}html,body{overflow:hidden !important}";
  }
  css += Utf16ToUtf8(info.pchHostCss);
  return css;
}

std::optional<LONG> NavigateErrorStatus(const GError* error) {
  if (!error) return INET_E_DOWNLOAD_FAILURE;
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
    return std::nullopt;
  }
  if (error->domain == G_RESOLVER_ERROR) return INET_E_RESOURCE_NOT_FOUND;
  if (error->domain == G_TLS_ERROR) return INET_E_SECURITY_PROBLEM;
  if (error->domain == G_IO_ERROR) {
    switch (error->code) {
      case G_IO_ERROR_CONNECTION_REFUSED:
      case G_IO_ERROR_HOST_UNREACHABLE:
      case G_IO_ERROR_NETWORK_UNREACHABLE:
        return INET_E_CANNOT_CONNECT;
      case G_IO_ERROR_TIMED_OUT:
        return INET_E_CONNECTION_TIMEOUT;
      case G_IO_ERROR_NOT_FOUND:
        return INET_E_OBJECT_NOT_FOUND;
      default:
        return INET_E_DOWNLOAD_FAILURE;
    }
  }
  if (error->domain == WEBKIT_NETWORK_ERROR) {
    switch (error->code) {
      case WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL:
        return INET_E_UNKNOWN_PROTOCOL;
      case WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST:
        return INET_E_OBJECT_NOT_FOUND;
      default:
        return INET_E_DOWNLOAD_FAILURE;
    }
  }
  if (error->domain == WEBKIT_POLICY_ERROR) {
    switch (error->code) {
      case WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI:
        return INET_E_UNKNOWN_PROTOCOL;
      case WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT:
        return INET_E_CANNOT_CONNECT;
      default:
        return INET_E_DOWNLOAD_FAILURE;
    }
  }
  return INET_E_DOWNLOAD_FAILURE;
}

std::unique_ptr<BrowserEngine> CreateWebKitEngine(BrowserEngineHost* host) {
  if (!Gtk()) return nullptr;  // not on the gtk backend: the static engine
  return std::make_unique<WebKitEngine>(host);
}

void RegisterWebKitEngine() {
  RegisterBrowserEngineFactory("gtk", &CreateWebKitEngine);
  RegisterWebEngineDataCleaner("gtk", &ClearWebKitData);
  // The engine is here: nothing is left to load.
  RegisterBrowserEngineLoader("gtk", nullptr);
}

}  // namespace os::gtk
