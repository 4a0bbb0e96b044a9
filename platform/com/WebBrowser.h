// The Web Browser class as a host sees it: the class id, IWebBrowser2, the
// events of DWebBrowserEvents2 with their dispatch ids, the document model
// (IHTMLDocument2, IHTMLElementCollection, IHTMLElement, ICustomDoc), and the
// host interfaces the browser calls back (IDocHostUIHandler, IDownloadManager
// as a service, IOleCommandTarget commands of the document host).
//
// The browser object answers IWebBrowser2, IDispatch, IOleObject, IOleControl,
// IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject,
// IPersistStreamInit, IPersist, IObjectWithSite and IConnectionPointContainer
// (DWebBrowserEvents2). It is created with CoCreateInstance(CLSID_WebBrowser);
// which engine renders the pages depends on the window-system backend (see
// platform/com/BrowserEngine.h). In the Windows program the object is the
// system's Web Browser behind an object of ours that answers these same
// interfaces and converts between our text and values and the system's
// (platform/com/win32/SystemBrowser.h); the events, their arguments and the
// host's UI handler reach the host as described here.
//
// Events are fired to every advised sink through IDispatch::Invoke with
// DISPATCH_METHOD, IID_NULL and these argument layouts (rgvarg is reversed:
// the last argument comes first):
//
//   250 BeforeNavigate2  [6] VT_DISPATCH browser, [5] URL, [4] Flags,
//                        [3] TargetFrameName, [2] PostData, [1] Headers:
//                        each VT_BYREF|VT_VARIANT pointing at a VARIANT (URL,
//                        frame and headers VT_BSTR, Flags VT_I4, PostData
//                        VT_EMPTY); [0] Cancel VT_BYREF|VT_BOOL.
//   252 NavigateComplete2 [1] VT_DISPATCH browser, [0] URL VT_BYREF|VT_VARIANT → VT_BSTR
//   259 DocumentComplete  same as 252
//   271 NavigateError     [4] VT_DISPATCH browser, [3] URL, [2] TargetFrameName,
//                        [1] StatusCode (VT_BYREF|VT_VARIANT → VT_BSTR, VT_BSTR,
//                        VT_I4: an HTTP status or an INET_E_* code);
//                        [0] Cancel VT_BYREF|VT_BOOL
//   251 NewWindow2        [1] ppDisp VT_BYREF|VT_DISPATCH, [0] Cancel VT_BYREF|VT_BOOL
//   273 NewWindow3        [4] ppDisp VT_BYREF|VT_DISPATCH, [3] Cancel VT_BYREF|VT_BOOL,
//                        [2] Flags VT_UI4 (NWMF_*), [1] URL context VT_BSTR, [0] URL VT_BSTR
//   105 CommandStateChange [1] Command VT_I4 (CSC_*), [0] Enable VT_BOOL
//   102 StatusTextChange  [0] Text VT_BSTR
//
// A sink cancels by writing VARIANT_TRUE through the Cancel pointer; a sink
// of NewWindow2/3 may store a browser (with a reference it hands over) through
// ppDisp, which then opens the new page.
#pragma once

#include <string>

#include "platform/com/Com.h"
#include "platform/com/Ole.h"
#include "platform/com/Variant.h"

namespace os {

constexpr CLSID CLSID_WebBrowser{
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
constexpr IID DIID_DWebBrowserEvents2{
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};

// Dispatch ids of DWebBrowserEvents2
constexpr DISPID DISPID_STATUSTEXTCHANGE = 102;
constexpr DISPID DISPID_COMMANDSTATECHANGE = 105;
constexpr DISPID DISPID_TITLECHANGE = 113;
constexpr DISPID DISPID_BEFORENAVIGATE2 = 250;
constexpr DISPID DISPID_NEWWINDOW2 = 251;
constexpr DISPID DISPID_NAVIGATECOMPLETE2 = 252;
constexpr DISPID DISPID_DOCUMENTCOMPLETE = 259;
constexpr DISPID DISPID_NAVIGATEERROR = 271;
constexpr DISPID DISPID_NEWWINDOW3 = 273;

// CommandStateChange commands
constexpr LONG CSC_UPDATECOMMANDS = -1;
constexpr LONG CSC_NAVIGATEFORWARD = 1;
constexpr LONG CSC_NAVIGATEBACK = 2;

// NewWindow3 flags
constexpr DWORD NWMF_UNLOADING = 0x1;
constexpr DWORD NWMF_USERINITED = 0x2;
constexpr DWORD NWMF_FIRST = 0x4;
constexpr DWORD NWMF_OVERRIDEKEY = 0x8;
constexpr DWORD NWMF_SHOWHELP = 0x10;
constexpr DWORD NWMF_HTMLDIALOG = 0x20;
constexpr DWORD NWMF_FROMDIALOGCHILD = 0x40;
constexpr DWORD NWMF_USERREQUESTED = 0x80;
constexpr DWORD NWMF_USERALLOWED = 0x100;

// Navigate/Navigate2 flags (BrowserNavConstants)
constexpr LONG navOpenInNewWindow = 0x1;
constexpr LONG navNoHistory = 0x2;
constexpr LONG navNoReadFromCache = 0x4;
constexpr LONG navNoWriteToCache = 0x8;

// Refresh2 levels
constexpr LONG REFRESH_NORMAL = 0;
constexpr LONG REFRESH_IFEXPIRED = 1;
constexpr LONG REFRESH_COMPLETELY = 3;

enum READYSTATE : LONG {
  READYSTATE_UNINITIALIZED = 0,
  READYSTATE_LOADING = 1,
  READYSTATE_LOADED = 2,
  READYSTATE_INTERACTIVE = 3,
  READYSTATE_COMPLETE = 4,
};

// NavigateError status codes for failures below HTTP (HTTP errors carry the
// HTTP status itself).
constexpr HRESULT INET_E_INVALID_URL = HResult(0x800C0002);
constexpr HRESULT INET_E_NO_SESSION = HResult(0x800C0003);
constexpr HRESULT INET_E_CANNOT_CONNECT = HResult(0x800C0004);
constexpr HRESULT INET_E_RESOURCE_NOT_FOUND = HResult(0x800C0005);
constexpr HRESULT INET_E_OBJECT_NOT_FOUND = HResult(0x800C0006);
constexpr HRESULT INET_E_DATA_NOT_AVAILABLE = HResult(0x800C0007);
constexpr HRESULT INET_E_DOWNLOAD_FAILURE = HResult(0x800C0008);
constexpr HRESULT INET_E_CONNECTION_TIMEOUT = HResult(0x800C000B);
constexpr HRESULT INET_E_UNKNOWN_PROTOCOL = HResult(0x800C000D);
constexpr HRESULT INET_E_SECURITY_PROBLEM = HResult(0x800C000E);
constexpr HRESULT INET_E_REDIRECT_FAILED = HResult(0x800C0014);

// ---------------------------------------------------------------------------
// The browser
using SHANDLE_PTR = LONG_PTR;

struct IWebBrowser2 : IDispatch {
  static constexpr IID kIid{0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
  // Starts a navigation; its events follow later, through the message queue.
  // Optional arguments may be null or VT_EMPTY/VT_ERROR. Flags and target
  // frame are accepted and ignored (there are no frames and no second
  // window); post data is not supported (E_NOTIMPL when given); headers are
  // sent with the request. An empty URL gives E_INVALIDARG.
  virtual HRESULT OS_STDCALL Navigate(const BSTR& url, VARIANT* flags, VARIANT* targetFrameName,
                                      VARIANT* postData, VARIANT* headers) = 0;
  // As Navigate, with the URL as a VARIANT (VT_BSTR, possibly by reference).
  virtual HRESULT OS_STDCALL Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName,
                                       VARIANT* postData, VARIANT* headers) = 0;
  // Loads the current page again: no BeforeNavigate2 and no
  // NavigateComplete2, but DocumentComplete (or NavigateError) when done.
  virtual HRESULT OS_STDCALL Refresh() = 0;
  virtual HRESULT OS_STDCALL Refresh2(VARIANT* level) = 0;
  // Abandons the navigation in progress; no event follows for it.
  virtual HRESULT OS_STDCALL Stop() = 0;
  // The document of the last NavigateComplete2: S_OK with nullptr before any.
  virtual HRESULT OS_STDCALL get_Document(IDispatch** document) = 0;
  // URL of the current document; empty before any.
  virtual HRESULT OS_STDCALL get_LocationURL(BSTR* url) = 0;
  // Title of the current document (its URL when it has none).
  virtual HRESULT OS_STDCALL get_LocationName(BSTR* name) = 0;
  virtual HRESULT OS_STDCALL get_Busy(VARIANT_BOOL* busy) = 0;
  virtual HRESULT OS_STDCALL get_ReadyState(READYSTATE* state) = 0;
  // Silent browsers show no dialogs of their own.
  virtual HRESULT OS_STDCALL get_Silent(VARIANT_BOOL* silent) = 0;
  virtual HRESULT OS_STDCALL put_Silent(VARIANT_BOOL silent) = 0;
  virtual HRESULT OS_STDCALL get_Visible(VARIANT_BOOL* visible) = 0;
  virtual HRESULT OS_STDCALL put_Visible(VARIANT_BOOL visible) = 0;
  // The browser's own window while in-place active (as IOleWindow::GetWindow);
  // E_FAIL before.
  virtual HRESULT OS_STDCALL get_HWND(SHANDLE_PTR* window) = 0;
  // "HTML Document" once a document is shown.
  virtual HRESULT OS_STDCALL get_Type(BSTR* type) = 0;

 protected:
  ~IWebBrowser2() = default;
};

// ---------------------------------------------------------------------------
// The document model
struct IHTMLElementCollection;

struct IHTMLElement : IDispatch {
  static constexpr IID kIid{0x3050F1FF, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
  // flags 0: the name compares without regard to case; 1: exactly.
  virtual HRESULT OS_STDCALL setAttribute(const BSTR& name, VARIANT value, LONG flags) = 0;
  // The value as VT_BSTR; VT_NULL when the element has no such attribute.
  virtual HRESULT OS_STDCALL getAttribute(const BSTR& name, LONG flags, VARIANT* value) = 0;
  virtual HRESULT OS_STDCALL removeAttribute(const BSTR& name, LONG flags, VARIANT_BOOL* removed) = 0;
  virtual HRESULT OS_STDCALL get_className(BSTR* name) = 0;
  virtual HRESULT OS_STDCALL get_id(BSTR* id) = 0;
  // Upper-case, as Internet Explorer reports it ("META").
  virtual HRESULT OS_STDCALL get_tagName(BSTR* tag) = 0;
  // The element's text, its descendants' included.
  virtual HRESULT OS_STDCALL get_innerText(BSTR* text) = 0;

 protected:
  ~IHTMLElement() = default;
};

struct IHTMLElementCollection : IDispatch {
  static constexpr IID kIid{0x3050F21F, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
  virtual HRESULT OS_STDCALL get_length(LONG* length) = 0;
  // name a number (or no name and index a number): the element at that
  // index (E_INVALIDARG outside the collection). name a text: the elements whose id or name attribute equals
  // it — with index a number, the index-th of them; otherwise the only one
  // (IHTMLElement's IDispatch), or a collection of several; none: S_OK with
  // nullptr, as Internet Explorer answers.
  virtual HRESULT OS_STDCALL item(VARIANT name, VARIANT index, IDispatch** element) = 0;
  // The elements with that tag name (any case), as an IHTMLElementCollection.
  virtual HRESULT OS_STDCALL tags(VARIANT tagName, IDispatch** collection) = 0;

 protected:
  ~IHTMLElementCollection() = default;
};

struct IHTMLDocument2 : IDispatch {
  static constexpr IID kIid{0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
  // Every element in document order, those the parser implied (HTML, HEAD,
  // BODY) included.
  virtual HRESULT OS_STDCALL get_all(IHTMLElementCollection** all) = 0;
  virtual HRESULT OS_STDCALL get_body(IHTMLElement** body) = 0;
  virtual HRESULT OS_STDCALL get_title(BSTR* title) = 0;
  virtual HRESULT OS_STDCALL put_title(const BSTR& title) = 0;
  virtual HRESULT OS_STDCALL get_URL(BSTR* url) = 0;
  // "loading" until the document is complete, then "complete".
  virtual HRESULT OS_STDCALL get_readyState(BSTR* state) = 0;

 protected:
  ~IHTMLDocument2() = default;
};
constexpr IID IID_IHTMLDocument{0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};

// Host flags, double-click behaviour and host style sheet, as the document
// asks the host for them through IDocHostUIHandler::GetHostInfo.
struct DOCHOSTUIINFO {
  ULONG cbSize = 20;
  DWORD dwFlags = 0;
  DWORD dwDoubleClick = 0;
  std::u16string pchHostCss;  // a style sheet for every page; empty: none
  std::u16string pchHostNS;   // namespace declarations; empty: none
};

constexpr DWORD DOCHOSTUIFLAG_DIALOG = 0x1;
constexpr DWORD DOCHOSTUIFLAG_DISABLE_HELP_MENU = 0x2;
constexpr DWORD DOCHOSTUIFLAG_NO3DBORDER = 0x4;
constexpr DWORD DOCHOSTUIFLAG_SCROLL_NO = 0x8;
constexpr DWORD DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE = 0x10;
constexpr DWORD DOCHOSTUIFLAG_OPENNEWWIN = 0x20;
constexpr DWORD DOCHOSTUIFLAG_DISABLE_OFFSCREEN = 0x40;
constexpr DWORD DOCHOSTUIFLAG_FLAT_SCROLLBAR = 0x80;
constexpr DWORD DOCHOSTUIFLAG_DIV_BLOCKDEFAULT = 0x100;
constexpr DWORD DOCHOSTUIFLAG_ACTIVATE_CLIENTHIT_ONLY = 0x200;
constexpr DWORD DOCHOSTUIFLAG_THEME = 0x40000;
constexpr DWORD DOCHOSTUIFLAG_NOTHEME = 0x80000;
constexpr DWORD DOCHOSTUIFLAG_NOPICS = 0x100000;
constexpr DWORD DOCHOSTUIFLAG_NO3DOUTERBORDER = 0x200000;
constexpr DWORD DOCHOSTUIFLAG_DPI_AWARE = 0x40000000;

constexpr DWORD DOCHOSTUIDBLCLK_DEFAULT = 0;
constexpr DWORD DOCHOSTUIDBLCLK_SHOWPROPERTIES = 1;
constexpr DWORD DOCHOSTUIDBLCLK_SHOWCODE = 2;

// ShowContextMenu ids
constexpr DWORD CONTEXT_MENU_DEFAULT = 0;
constexpr DWORD CONTEXT_MENU_IMAGE = 1;
constexpr DWORD CONTEXT_MENU_CONTROL = 2;
constexpr DWORD CONTEXT_MENU_TABLE = 3;
constexpr DWORD CONTEXT_MENU_TEXTSELECT = 4;
constexpr DWORD CONTEXT_MENU_ANCHOR = 5;
constexpr DWORD CONTEXT_MENU_UNKNOWN = 6;

// ShowUI ids
constexpr DWORD DOCHOSTUITYPE_BROWSE = 0;
constexpr DWORD DOCHOSTUITYPE_AUTHOR = 1;

// The command group of the document host's commands (IOleCommandTarget::Exec
// on the UI handler's object) and of the document's accelerators.
constexpr GUID CGID_DocHostCommandHandler{
    0xF38BC242, 0xB950, 0x11D1, {0x89, 0x18, 0x00, 0xC0, 0x4F, 0xC2, 0xC8, 0x36}};
constexpr GUID CGID_MSHTML{0xDE4BA900, 0x59CA, 0x11CF, {0x95, 0x92, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// A script error: the host sets the out VARIANT to VT_BOOL true to keep
// scripts running without the error dialog.
constexpr DWORD OLECMDID_SHOWSCRIPTERROR = 40;
constexpr DWORD IDM_REFRESH = 2300;

struct IDocHostUIHandler : IUnknown {
  static constexpr IID kIid{0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
  // S_OK: the host handled it and the browser shows no menu.
  virtual HRESULT OS_STDCALL ShowContextMenu(DWORD id, POINT* screenPoint, IUnknown* commandTarget,
                                             IDispatch* object) = 0;
  virtual HRESULT OS_STDCALL GetHostInfo(DOCHOSTUIINFO* info) = 0;
  virtual HRESULT OS_STDCALL ShowUI(DWORD id, IOleInPlaceActiveObject* activeObject,
                                    IOleCommandTarget* commandTarget, IOleInPlaceFrame* frame,
                                    IOleInPlaceUIWindow* document) = 0;
  virtual HRESULT OS_STDCALL HideUI() = 0;
  virtual HRESULT OS_STDCALL UpdateUI() = 0;
  virtual HRESULT OS_STDCALL EnableModeless(BOOL enable) = 0;
  virtual HRESULT OS_STDCALL OnDocWindowActivate(BOOL activate) = 0;
  virtual HRESULT OS_STDCALL OnFrameWindowActivate(BOOL activate) = 0;
  virtual HRESULT OS_STDCALL ResizeBorder(const RECT* border, IOleInPlaceUIWindow* uiWindow,
                                          BOOL frameWindow) = 0;
  // S_OK: the host used the keystroke.
  virtual HRESULT OS_STDCALL TranslateAccelerator(MSG* message, const GUID* commandGroup,
                                                  DWORD commandId) = 0;
  virtual HRESULT OS_STDCALL GetOptionKeyPath(std::u16string* key, DWORD reserved) = 0;
  virtual HRESULT OS_STDCALL GetDropTarget(IDropTarget* dropTarget, IDropTarget** replacement) = 0;
  virtual HRESULT OS_STDCALL GetExternal(IDispatch** external) = 0;
  // S_OK with *urlOut set: navigate there instead.
  virtual HRESULT OS_STDCALL TranslateUrl(DWORD translate, LPCOLESTR urlIn, std::u16string* urlOut) = 0;
  virtual HRESULT OS_STDCALL FilterDataObject(IDataObject* data, IDataObject** filtered) = 0;

 protected:
  ~IDocHostUIHandler() = default;
};

struct ICustomDoc : IUnknown {
  static constexpr IID kIid{0x3050F3F0, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
  // The host's handler for this browser's documents from now on (this one
  // and the ones loaded after it); nullptr removes it.
  virtual HRESULT OS_STDCALL SetUIHandler(IDocHostUIHandler* handler) = 0;

 protected:
  ~ICustomDoc() = default;
};

struct IDownloadManager : IUnknown {
  static constexpr IID kIid{0x988934A4, 0x064B, 0x11D3, {0xBB, 0x80, 0x00, 0x10, 0x4B, 0x35, 0xE7, 0xF9}};
  virtual HRESULT OS_STDCALL Download(IMoniker* moniker, IBindCtx* context, DWORD bindVerb, LONG bindFlags,
                                      BINDINFO* bindInfo, LPCOLESTR headers, LPCOLESTR redirect,
                                      UINT codePage) = 0;

 protected:
  ~IDownloadManager() = default;
};
constexpr GUID SID_SDownloadManager = IDownloadManager::kIid;

constexpr IID IID_IWebBrowser2 = IWebBrowser2::kIid;
constexpr IID IID_IHTMLElement = IHTMLElement::kIid;
constexpr IID IID_IHTMLElementCollection = IHTMLElementCollection::kIid;
constexpr IID IID_IHTMLDocument2 = IHTMLDocument2::kIid;
constexpr IID IID_IDocHostUIHandler = IDocHostUIHandler::kIid;
constexpr IID IID_ICustomDoc = ICustomDoc::kIid;
constexpr IID IID_IDownloadManager = IDownloadManager::kIid;

}  // namespace os
