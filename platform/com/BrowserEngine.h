// The seam between the Web Browser object (COM side: in-place activation,
// IWebBrowser2, events to the host, the document model, the host's UI
// handler) and the engine that loads and shows pages. The object is shared;
// an engine only turns navigation requests into page loads and reports what
// happened in the terms below. Each backend supplies its default engine
// (Backend::CreateDefaultBrowserEngine: the headless backend's static engine);
// a real web engine registers its own with RegisterBrowserEngineFactory
// before the first browser is created.
//
// Everything here belongs to the UI thread.
//
// In the Windows program the system's Web Browser class renders pages and no
// engine of ours is made: registrations are kept but CreateBrowserEngine gives
// nullptr; BrowserEngineAvailable says whether the system's class is
// registered; WarmBrowserEngine maps the system's browser libraries; and
// ClearWebEngineData ends WinINet's session (its in-memory cookies), the rest
// of the engine's cache and cookies being URL cache entries.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/WebBrowser.h"
#include "platform/window/MessageQueue.h"

namespace os {

// One element of a loaded page.
struct HtmlElementInfo {
  using Attributes = std::vector<std::pair<std::u16string, std::u16string>>;
  HtmlElementInfo() = default;
  HtmlElementInfo(std::u16string tag, Attributes attrs, std::u16string text = {})
      : tagName(std::move(tag)), attributes(std::move(attrs)) {
    if (!text.empty()) SetText(std::move(text));
  }

  std::u16string tagName;  // as parsed ("meta"); the document reports it upper-cased
  // In source order; names lower-case as HTML parsers give them.
  Attributes attributes;

  // The text of the element and its descendants.
  std::u16string_view Text() const {
    return text_ ? std::u16string_view(*text_).substr(begin_, end_ - begin_) : std::u16string_view();
  }
  // A text of the element's own.
  void SetText(std::u16string text) { SetText(std::make_shared<const std::u16string>(std::move(text))); }
  // The whole of a shared text, or [begin, end) of it (clipped to it). A
  // page's elements share one text, each naming its range: a copy of all
  // descendants' text in every element would grow with the square of the
  // nesting.
  void SetText(std::shared_ptr<const std::u16string> text, std::size_t begin = 0,
               std::size_t end = static_cast<std::size_t>(-1)) {
    text_ = std::move(text);
    end_ = text_ ? std::min(end, text_->size()) : 0;
    begin_ = std::min(begin, end_);
  }

 private:
  std::shared_ptr<const std::u16string> text_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

// What the engine read from a loaded page.
struct DocumentContent {
  std::u16string title;
  std::vector<HtmlElementInfo> elements;  // every element, in document order
};

// The browser object's side, called by the engine.
class BrowserEngineHost {
 public:
  // BeforeNavigate2 of a navigation about to start (top level: empty frame
  // name). Returns false when the host cancelled it; the engine then drops
  // the navigation without further events.
  virtual bool BeforeNavigate(std::u16string_view url, LONG flags, std::u16string_view targetFrame,
                              std::u16string_view headers) = 0;
  // The top-level navigation reached its document: a new, empty document
  // replaces the old one, the location becomes url, NavigateComplete2 fires.
  virtual void NavigateComplete(std::u16string_view url) = 0;
  // The current document is complete: it takes content (and url), then
  // DocumentComplete fires. Without a NavigateComplete before (a refresh) the
  // current document is refilled.
  virtual void DocumentComplete(std::u16string_view url, DocumentContent content) = 0;
  // NavigateError. Returns true when the host cancelled the engine's error
  // page.
  virtual bool NavigateError(std::u16string_view url, std::u16string_view targetFrame, LONG statusCode) = 0;
  // NewWindow2, then (unless cancelled) NewWindow3. Returns false when the
  // host cancelled. *target receives the browser the host supplied for the
  // page, if any; otherwise the engine opens the page its own way.
  virtual bool NewWindow(std::u16string_view url, std::u16string_view referrer, DWORD flags,
                         ComPtr<IWebBrowser2>* target) = 0;
  virtual void StatusTextChange(std::u16string_view text) = 0;
  virtual void CommandStateChange(LONG command, bool enable) = 0;

  // The host's user-interface wishes (IDocHostUIHandler::GetHostInfo). Without
  // a UI handler, or when it fails: flags 0, nothing else.
  virtual DOCHOSTUIINFO HostInfo() = 0;
  // A context menu is due at the screen point. True when the host handled it
  // (the engine shows none).
  virtual bool ShowContextMenu(DWORD id, POINT screen) = 0;
  // A script error in the current document: true when the host wants
  // scripts to go on without the engine's error dialog (the UI handler's
  // IOleCommandTarget answered OLECMDID_SHOWSCRIPTERROR of
  // CGID_DocHostCommandHandler with VT_BOOL true).
  virtual bool ScriptErrorContinue() = 0;
  // The view was clicked: the object becomes UI-active (site, frame).
  virtual void ViewActivated() = 0;
  virtual bool Silent() const = 0;
  // A reference to the browser object. Events may make the host release the
  // browser; an engine holds this across a sequence of calls so that it (and
  // the engine) outlive the sequence, and touches nothing of its own after
  // letting go of it.
  virtual ComPtr<IUnknown> KeepAlive() = 0;

 protected:
  ~BrowserEngineHost() = default;
};

class BrowserEngine {
 public:
  virtual ~BrowserEngine() = default;
  // Creates the engine's view as a visible child window of parent at rect
  // (parent's client coordinates) and returns it; nullptr on failure. The
  // browser object moves, shows and hides that window; the engine follows its
  // window's messages (WM_SIZE, WM_SHOWWINDOW, ...).
  virtual HWND CreateView(HWND parent, const RECT& rect) = 0;
  virtual void DestroyView() = 0;
  virtual HWND View() const = 0;
  // Starts a top-level navigation. Nothing is reported before this returns:
  // BeforeNavigate and the rest come later, from the message queue.
  virtual void Navigate(std::u16string_view url, std::u16string_view headers) = 0;
  // Loads the current page again, without BeforeNavigate/NavigateComplete.
  virtual void Refresh() = 0;
  // Abandons the navigation in progress without further events.
  virtual void Stop() = 0;
  virtual bool Busy() const = 0;
  // A keystroke the host did not use (after IDocHostUIHandler::
  // TranslateAccelerator): true when the engine used it (F5 refreshes).
  virtual bool TranslateAccelerator(const MSG& message) = 0;
  // The host's wishes changed (a UI handler came or went): the engine reads
  // BrowserEngineHost::HostInfo again.
  virtual void HostInfoChanged() = 0;
};

using BrowserEngineFactory = std::unique_ptr<BrowserEngine> (*)(BrowserEngineHost* host);

// The engine of browsers created while the named window-system backend runs
// ("gtk"). Without a factory for the backend, or when it returns nullptr, the
// backend's default engine is used. A later registration for a name replaces an
// earlier one; nullptr removes it.
void RegisterBrowserEngineFactory(std::string_view backend, BrowserEngineFactory factory);
// The engine for the current backend.
std::unique_ptr<BrowserEngine> CreateBrowserEngine(BrowserEngineHost* host);

// A backend whose engine lives in a module loaded on first use (so that a
// process that never shows a page never maps the engine) registers how to
// load it; the module then registers the engine's factory and cleaner, and
// removes the loader. A loader answers whether the engine is there; it is
// asked before the first browser object of the backend is made and before
// its data is cleared. nullptr removes the backend's loader.
using BrowserEngineLoader = bool (*)();
void RegisterBrowserEngineLoader(std::string_view backend, BrowserEngineLoader loader);
// False when the current backend's engine module cannot be loaded: browser
// objects then cannot be made at all, as with a COM server that is missing.
bool BrowserEngineAvailable();

// Loads the current backend's engine module now, if its engine lives in one
// and it is not loaded yet, for a program that has time to spare before its
// first browser (the launcher: once its login window is drawn, while the
// player types). Only the module's libraries are mapped: the engine's
// context and processes, which cost far more memory, still start with the
// first browser. Nothing visible changes and no browser event is sent.
void WarmBrowserEngine();

// An engine that keeps cache and cookies of its own (in memory, in its own
// database files) clears them through this hook of its backend; the file walk
// of the launcher's cache clearing alone would leave them in the engine.
// Registered like the engine factory; nullptr removes it.
using WebEngineDataCleaner = void (*)();
void RegisterWebEngineDataCleaner(std::string_view backend, WebEngineDataCleaner cleaner);
// Clears the current backend's engine's cache and cookies and returns when
// that is done (or given up on). Nothing for backends without a cleaner; the
// static engine keeps all it has in the folders and the URL cache.
void ClearWebEngineData();

}  // namespace os
