// The system's Web Browser behind our interfaces.
//
// Most OLE interfaces the host and the browser exchange are declared by us
// with the system's vtables (IOleObject, IOleClientSite, the in-place
// families, IOleInPlaceFrame, IOleControl(Site), IObjectWithSite,
// IPersistStreamInit, IOleCommandTarget's QueryStatus...): those pass between
// the two sides as they are, and our site is handed to the system directly.
// The browser's automation interfaces are ours in a reduced form with text as
// our BSTR (IWebBrowser2, IHTMLDocument2, IHTMLElementCollection,
// IHTMLElement), and so are the host's IDocHostUIHandler (text as
// std::u16string) and every VARIANT. Where those meet, an object of ours
// stands between the two sides and converts:
//
//   - the browser object the host creates (CLSID_WebBrowser) wraps the
//     system's: it answers the same interfaces as our Linux browser object,
//     forwards the OLE ones, serves IWebBrowser2 by conversion and keeps its
//     own DWebBrowserEvents2 connection point, fed by a sink advised on the
//     system's point that converts every event's arguments (by-reference
//     ones written back: Cancel, a browser stored through ppDisp);
//   - browsers (frames too), documents, element collections and elements in
//     event arguments and results are wrappers of ours (the host's own
//     browser when it is the same object); any other system object reaches
//     the host as a view whose IDispatch converts the calls, and an object of
//     ours reaches the system as a bridge that converts the system's calls;
//   - a UI handler the host gives ICustomDoc::SetUIHandler reaches the system
//     as a bridge that converts GetHostInfo, GetOptionKeyPath, TranslateUrl,
//     GetExternal and the command target's Exec.
//
// Our objects answer a private interface that leads back to the system object
// they stand for, so a wrapper the host hands back (NewWindow2's ppDisp)
// reaches the system as the system's own object.
//
// The vtables agree on 64-bit Windows, where every method has one calling
// convention. On 32-bit Windows the system's methods are __stdcall and our
// declarations do not say so yet: the bridges here declare theirs as the
// system does, the interfaces passed unconverted still differ there.
#pragma once

#include <memory>

#include "platform/com/Com.h"
#include "platform/com/Variant.h"
#include "platform/com/WebBrowser.h"
// The system headers last: their macros would rename ours.
#include "platform/com/win32/Automation.h"
#include "platform/com/win32/ComSystem.h"

namespace os::win32 {

// A new browser object of the system's class clsid, wrapped; riid of the
// wrapper. Fails with the system's result when the class cannot be made.
HRESULT CreateSystemBrowser(REFCLSID clsid, DWORD context, REFIID riid, void** object);

// The bridge the system sees for a UI handler of ours (a new reference). Once
// *hostGone is true (the browser the handler was given through was closed or
// went), the bridge lets go of our handler and answers E_FAIL.
::IDocHostUIHandler* SystemUiHandler(os::IDocHostUIHandler* ours,
                                     std::shared_ptr<const bool> hostGone = nullptr);

}  // namespace os::win32
