// The static browser: the web engine of the headless backend (and of any
// backend without an engine of its own). It loads pages over HTTP with
// libcurl on a worker thread (following redirects, keeping cookies and a copy
// of each page in the URL cache), reads them with gumbo, runs no scripts and
// paints into its view window what a snapshot should show: the page title, its
// address, the state of the load, and the page's links, which can be clicked.
// Host flags show as well: without DOCHOSTUIFLAG_NO3DBORDER the view has a
// sunken border, without DOCHOSTUIFLAG_SCROLL_NO a scroll bar.
//
// Its events reach the browser object from its own message-only window, so
// they always come from the message loop, never from inside a call.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/BrowserEngine.h"

namespace os::headless {

std::unique_ptr<BrowserEngine> CreateStaticBrowserEngine(BrowserEngineHost* host);

// Class names of the engine's windows.
constexpr const char16_t* kStaticBrowserViewClass = u"LumoraStaticBrowser";
constexpr const char16_t* kStaticBrowserMessageClass = u"LumoraStaticBrowserQueue";

struct StaticBrowserLink {
  std::u16string text;    // the link's text, white space collapsed
  std::u16string href;    // resolved against the page
  std::u16string target;  // its target attribute
  RECT rect;              // where it is painted, view coordinates
};

struct StaticBrowserState {
  std::u16string url;    // the page shown
  std::u16string title;  // its title
  bool busy = false;
  // Set while the engine's error page is shown (the failed status code).
  std::optional<LONG> errorStatus;
  std::u16string errorUrl;
  bool hostInfoRead = false;  // the host was asked for its wishes
  DWORD hostFlags = 0;
  std::u16string hostCss;
  std::vector<StaticBrowserLink> links;
  // Context menus the host left to the engine (which has none to show).
  int engineContextMenus = 0;
};

// The state of the static browser whose view window this is.
std::optional<StaticBrowserState> InspectStaticBrowser(HWND view);

// Runs the message loop (os::headless::Pump) until no static browser has a
// navigation waiting or loading, in real time since pages load on threads.
// False when that did not happen within the timeout.
bool WaitForStaticBrowsers(std::uint32_t timeoutMs = 10000);

}  // namespace os::headless
