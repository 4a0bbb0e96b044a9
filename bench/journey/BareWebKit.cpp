// journey-bare-webkit URL [HOLD-FOLDER]: the reference of the launcher's
// pages. A bare WebKitGTK window (788×600, undecorated, software rendering as
// the launcher's engine) loads URL, the server list ("mark: load" as it
// asks for it); once loaded it reads the
// page's META elements through JavaScript and takes the size they give
// ("mark: server-list"). With a hold folder the benchmark then clicks the
// first game link through the X server, as it clicks the launcher's; without
// one the program clicks it through JavaScript. It takes the link as the
// launcher does (the address marked with "&version=morvaine",
// "mark: server-click") and quits when the game page has loaded
// ("mark: game-page").
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/journey/Marks.h"

namespace {

std::string holdFolder;
GtkWidget* window = nullptr;
WebKitWebView* view = nullptr;
bool listDone = false;

constexpr char kReadMeta[] =
    "(() => { const m = {};"
    "  for (const e of document.getElementsByTagName('meta')) if (e.name) m[e.name] = e.content;"
    "  return (parseInt(m['win-width']) || 0) + ' ' + (parseInt(m['win-height']) || 0); })()";
constexpr char kClickServer[] = "document.querySelector('a.button[href*=\"game.html\"]').click();";

void Fail(const char* what) {
  std::fprintf(stderr, "journey-bare-webkit: %s\n", what);
  std::exit(1);
}

void OnMetaRead(GObject* source, GAsyncResult* result, gpointer) {
  GError* error = nullptr;
  JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
  if (value == nullptr) Fail(error != nullptr ? error->message : "the META elements could not be read");
  char* text = jsc_value_to_string(value);
  int width = 0;
  int height = 0;
  if (std::sscanf(text, "%d %d", &width, &height) != 2 || width <= 0 || height <= 0)
    Fail("the page has no window size");
  g_free(text);
  g_object_unref(value);
  gtk_window_resize(GTK_WINDOW(window), width, height);
  journeyref::Mark("server-list", holdFolder, [] {
    if (!holdFolder.empty()) return;  // the benchmark's pointer clicks
    webkit_web_view_evaluate_javascript(view, kClickServer, -1, nullptr, nullptr, nullptr, nullptr, nullptr);
  });
}

void OnLoadChanged(WebKitWebView* web, WebKitLoadEvent event, gpointer) {
  if (event != WEBKIT_LOAD_FINISHED) return;
  const std::string uri = webkit_web_view_get_uri(web);
  if (uri.find("/game.html") != std::string::npos) {
    journeyref::Mark("game-page", holdFolder, [] { gtk_main_quit(); });
  } else if (!listDone) {
    listDone = true;
    webkit_web_view_evaluate_javascript(web, kReadMeta, -1, nullptr, nullptr, nullptr, OnMetaRead, nullptr);
  }
}

gboolean OnDecidePolicy(WebKitWebView* web, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                        gpointer) {
  if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const std::string uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (uri.find("/game.html") == std::string::npos || uri.find("version=morvaine") != std::string::npos)
    return FALSE;
  journeyref::Mark("server-click", {}, [] {});
  webkit_policy_decision_ignore(decision);
  webkit_web_view_load_uri(web, (uri + "&version=morvaine").c_str());
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: journey-bare-webkit URL [HOLD-FOLDER]\n", stderr);
    return 2;
  }
  const std::string url = argv[1];
  if (argc > 2) holdFolder = argv[2];
  gtk_init(&argc, &argv);
  window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "JourneyBareWebKit");
  gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
  gtk_window_set_default_size(GTK_WINDOW(window), 788, 600);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);

  const std::string data = std::string(g_get_user_data_dir()) + "/journey-bare-webkit";
  const std::string cache = std::string(g_get_user_cache_dir()) + "/journey-bare-webkit";
  WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
      "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr);
  WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(manager);
  webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_WEB_BROWSER);
  view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, nullptr));
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  webkit_settings_set_enable_javascript(settings, 1);
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), nullptr);
  g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), nullptr);
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  journeyref::Mark("load", {}, [] {});
  webkit_web_view_load_uri(view, url.c_str());
  gtk_main();
  return 0;
}
