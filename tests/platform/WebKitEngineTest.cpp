// The parts of the WebKit engine that decide what the host hears and what the
// page gets, without a web process: the error codes of failed loads and the
// style sheet carrying the host's wishes. Pages themselves are exercised by
// the end-to-end script under Xvfb.
#include <gtest/gtest.h>

#include "platform/com/BrowserEngine.h"
#include "platform/gtk/webkit/WebKitEngine.h"
#include "platform/window/Backend.h"

// After the platform headers (GLib's TRUE/FALSE macros).
#include <webkit2/webkit2.h>

namespace {

using namespace os;

std::optional<LONG> StatusOf(GQuark domain, int code) {
  GError* error = g_error_new_literal(domain, code, "test");
  const std::optional<LONG> status = gtk::NavigateErrorStatus(error);
  g_error_free(error);
  return status;
}

TEST(WebKitEngine, FailedLoadsBecomeInternetErrorCodes) {
  EXPECT_EQ(StatusOf(G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED), INET_E_CANNOT_CONNECT);
  EXPECT_EQ(StatusOf(G_IO_ERROR, G_IO_ERROR_TIMED_OUT), INET_E_CONNECTION_TIMEOUT);
  EXPECT_EQ(StatusOf(G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND), INET_E_RESOURCE_NOT_FOUND);
  EXPECT_EQ(StatusOf(G_TLS_ERROR, G_TLS_ERROR_BAD_CERTIFICATE), INET_E_SECURITY_PROBLEM);
  EXPECT_EQ(StatusOf(WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL), INET_E_UNKNOWN_PROTOCOL);
  EXPECT_EQ(StatusOf(WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT),
            INET_E_CANNOT_CONNECT);
  EXPECT_EQ(StatusOf(G_IO_ERROR, G_IO_ERROR_BROKEN_PIPE), INET_E_DOWNLOAD_FAILURE);
  EXPECT_EQ(gtk::NavigateErrorStatus(nullptr), INET_E_DOWNLOAD_FAILURE);
}

TEST(WebKitEngine, CancelledOrReplacedLoadsAreNoErrors) {
  // A navigation replaced by another (the host's own redirect) must not
  // reach the host as a failure.
  EXPECT_EQ(StatusOf(WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED), std::nullopt);
  EXPECT_EQ(StatusOf(G_IO_ERROR, G_IO_ERROR_CANCELLED), std::nullopt);
  EXPECT_EQ(StatusOf(WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE),
            std::nullopt);
}

TEST(WebKitEngine, HostWishesBecomeUserStyleSheet) {
  DOCHOSTUIINFO info;
  EXPECT_EQ(gtk::HostStyleSheet(info), "");
  info.dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DISABLE_HELP_MENU;
  EXPECT_EQ(gtk::HostStyleSheet(info), "") << "WebKit has no border to remove";
  info.dwFlags |= DOCHOSTUIFLAG_SCROLL_NO;
  const std::string css = gtk::HostStyleSheet(info);
  EXPECT_NE(css.find("::-webkit-scrollbar{display:none"), std::string::npos);
  EXPECT_NE(css.find("overflow:hidden"), std::string::npos);
  info.pchHostCss = u"body{color:red}";
  EXPECT_EQ(gtk::HostStyleSheet(info), css + "body{color:red}") << "the host's sheet comes last and wins";
}

int gCleared = 0;
void CountClear() { ++gCleared; }

TEST(WebKitEngine, DataClearingReachesOnlyTheCurrentBackendsCleaner) {
  // The tests run on the headless backend: a gtk cleaner is not its business.
  gCleared = 0;
  RegisterWebEngineDataCleaner("gtk", &CountClear);
  ClearWebEngineData();
  EXPECT_EQ(gCleared, 0);
  RegisterWebEngineDataCleaner(CurrentBackendName(), &CountClear);
  ClearWebEngineData();
  EXPECT_EQ(gCleared, 1);
  RegisterWebEngineDataCleaner(CurrentBackendName(), nullptr);
  ClearWebEngineData();
  EXPECT_EQ(gCleared, 1);
  RegisterWebEngineDataCleaner("gtk", nullptr);
}

}  // namespace
