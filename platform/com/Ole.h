// Embedding of controls (OLE): the object's interfaces (IOleObject,
// IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl, IPersistStreamInit,
// IObjectWithSite, IViewObject family), the container's (IOleClientSite, the
// in-place site family, IOleInPlaceFrame, IOleContainer, IOleControlSite),
// connection points, IServiceProvider and IOleCommandTarget, with the Windows
// interface ids, verbs and flags.
//
// Types the host never looks into (monikers, data objects, streams, drop
// targets, advise sinks) are only declared.
#pragma once

#include "platform/com/Com.h"
#include "platform/com/Variant.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"

namespace os {

struct IMoniker;
struct IBindCtx;
struct IDataObject;
struct IStream;
struct IDropTarget;
struct IAdviseSink;
struct IEnumOLEVERB;
struct IEnumSTATDATA;
struct IEnumConnections;
struct IEnumConnectionPoints;
struct LOGPALETTE;
struct DVTARGETDEVICE;
struct CONTROLINFO;
struct FORMATETC;
struct BINDINFO;

struct HACCEL__;
using HACCEL = HACCEL__*;

struct SIZEL {
  LONG cx = 0;
  LONG cy = 0;
  friend bool operator==(const SIZEL&, const SIZEL&) = default;
};
using RECTL = RECT;
using POINTL = POINT;

// Verbs of IOleObject::DoVerb
constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_OPEN = -2;
constexpr LONG OLEIVERB_HIDE = -3;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr LONG OLEIVERB_DISCARDUNDOSTATE = -6;

// IOleObject::GetMiscStatus bits
constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_ONLYICONIC = 0x2;
constexpr DWORD OLEMISC_INSERTNOTREPLACE = 0x4;
constexpr DWORD OLEMISC_STATIC = 0x8;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_CANLINKBYOLE1 = 0x20;
constexpr DWORD OLEMISC_ISLINKOBJECT = 0x40;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_RENDERINGISDEVICEINDEPENDENT = 0x200;
constexpr DWORD OLEMISC_INVISIBLEATRUNTIME = 0x400;
constexpr DWORD OLEMISC_ALWAYSRUN = 0x800;
constexpr DWORD OLEMISC_ACTSLIKEBUTTON = 0x1000;
constexpr DWORD OLEMISC_ACTSLIKELABEL = 0x2000;
constexpr DWORD OLEMISC_NOUIACTIVATE = 0x4000;
constexpr DWORD OLEMISC_ALIGNABLE = 0x8000;
constexpr DWORD OLEMISC_SIMPLEFRAME = 0x10000;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;
constexpr DWORD OLEMISC_IMEMODE = 0x40000;

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;

constexpr DWORD OLECLOSE_SAVEIFDIRTY = 0;
constexpr DWORD OLECLOSE_NOSAVE = 1;
constexpr DWORD OLECLOSE_PROMPTSAVE = 2;

// IOleInPlaceSiteEx::OnInPlaceActivateEx / IOleInPlaceSiteWindowless flags
constexpr DWORD ACTIVATE_WINDOWLESS = 1;
constexpr DWORD OLEDC_NODRAW = 0x1;
constexpr DWORD OLEDC_PAINTBKGND = 0x2;
constexpr DWORD OLEDC_OFFSCREEN = 0x4;

// IViewObjectEx::QueryHitPoint results
constexpr DWORD HITRESULT_OUTSIDE = 0;
constexpr DWORD HITRESULT_TRANSPARENT = 1;
constexpr DWORD HITRESULT_CLOSE = 2;
constexpr DWORD HITRESULT_HIT = 3;

// Frame information the site gives in IOleInPlaceSite::GetWindowContext.
struct OLEINPLACEFRAMEINFO {
  UINT cb = 20;
  BOOL fMDIApp = FALSE;
  HWND hwndFrame = nullptr;
  HACCEL haccel = nullptr;
  UINT cAccelEntries = 0;
};
struct OLEMENUGROUPWIDTHS {
  LONG width[6] = {};
};
using BORDERWIDTHS = RECT;
using HOLEMENU = HANDLE;

// ---------------------------------------------------------------------------
// The object's side
struct IOleClientSite;
struct IOleInPlaceUIWindow;

struct IOleWindow : IUnknown {
  static constexpr IID kIid{0x00000114, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL GetWindow(HWND* window) = 0;
  virtual HRESULT OS_STDCALL ContextSensitiveHelp(BOOL enterMode) = 0;

 protected:
  ~IOleWindow() = default;
};

struct IOleObject : IUnknown {
  static constexpr IID kIid{0x00000112, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL SetClientSite(IOleClientSite* site) = 0;
  virtual HRESULT OS_STDCALL GetClientSite(IOleClientSite** site) = 0;
  virtual HRESULT OS_STDCALL SetHostNames(LPCOLESTR containerApp, LPCOLESTR containerObject) = 0;
  virtual HRESULT OS_STDCALL Close(DWORD saveOption) = 0;
  virtual HRESULT OS_STDCALL SetMoniker(DWORD whichMoniker, IMoniker* moniker) = 0;
  virtual HRESULT OS_STDCALL GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) = 0;
  virtual HRESULT OS_STDCALL InitFromData(IDataObject* data, BOOL creation, DWORD reserved) = 0;
  virtual HRESULT OS_STDCALL GetClipboardData(DWORD reserved, IDataObject** data) = 0;
  // parent and posRect are used when the site gives no window and rectangle
  // of its own.
  virtual HRESULT OS_STDCALL DoVerb(LONG verb, MSG* message, IOleClientSite* activeSite, LONG index,
                                    HWND parent, const RECT* posRect) = 0;
  virtual HRESULT OS_STDCALL EnumVerbs(IEnumOLEVERB** verbs) = 0;
  virtual HRESULT OS_STDCALL Update() = 0;
  virtual HRESULT OS_STDCALL IsUpToDate() = 0;
  virtual HRESULT OS_STDCALL GetUserClassID(CLSID* clsid) = 0;
  virtual HRESULT OS_STDCALL GetUserType(DWORD form, LPOLESTR* userType) = 0;
  // HIMETRIC units.
  virtual HRESULT OS_STDCALL SetExtent(DWORD drawAspect, SIZEL* size) = 0;
  virtual HRESULT OS_STDCALL GetExtent(DWORD drawAspect, SIZEL* size) = 0;
  virtual HRESULT OS_STDCALL Advise(IAdviseSink* sink, DWORD* connection) = 0;
  virtual HRESULT OS_STDCALL Unadvise(DWORD connection) = 0;
  virtual HRESULT OS_STDCALL EnumAdvise(IEnumSTATDATA** advise) = 0;
  virtual HRESULT OS_STDCALL GetMiscStatus(DWORD aspect, DWORD* status) = 0;
  virtual HRESULT OS_STDCALL SetColorScheme(LOGPALETTE* palette) = 0;

 protected:
  ~IOleObject() = default;
};

struct IOleInPlaceObject : IOleWindow {
  static constexpr IID kIid{0x00000113, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL InPlaceDeactivate() = 0;
  virtual HRESULT OS_STDCALL UIDeactivate() = 0;
  // Rectangles in the client coordinates of the site's window.
  virtual HRESULT OS_STDCALL SetObjectRects(const RECT* posRect, const RECT* clipRect) = 0;
  virtual HRESULT OS_STDCALL ReactivateAndUndo() = 0;

 protected:
  ~IOleInPlaceObject() = default;
};

struct IOleInPlaceObjectWindowless : IOleInPlaceObject {
  static constexpr IID kIid{0x1C2056CC, 0x5EF4, 0x101B, {0x8B, 0xC8, 0x00, 0xAA, 0x00, 0x3E, 0x3B, 0x29}};
  virtual HRESULT OS_STDCALL OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
  virtual HRESULT OS_STDCALL GetDropTarget(IDropTarget** target) = 0;

 protected:
  ~IOleInPlaceObjectWindowless() = default;
};

struct IOleInPlaceActiveObject : IOleWindow {
  static constexpr IID kIid{0x00000117, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  // S_OK when the object used the keystroke, S_FALSE otherwise.
  virtual HRESULT OS_STDCALL TranslateAccelerator(MSG* message) = 0;
  virtual HRESULT OS_STDCALL OnFrameWindowActivate(BOOL activate) = 0;
  virtual HRESULT OS_STDCALL OnDocWindowActivate(BOOL activate) = 0;
  virtual HRESULT OS_STDCALL ResizeBorder(const RECT* border, IOleInPlaceUIWindow* uiWindow,
                                          BOOL frameWindow) = 0;
  virtual HRESULT OS_STDCALL EnableModeless(BOOL enable) = 0;

 protected:
  ~IOleInPlaceActiveObject() = default;
};

struct IOleControl : IUnknown {
  static constexpr IID kIid{0xB196B288, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT OS_STDCALL GetControlInfo(CONTROLINFO* info) = 0;
  virtual HRESULT OS_STDCALL OnMnemonic(MSG* message) = 0;
  virtual HRESULT OS_STDCALL OnAmbientPropertyChange(DISPID id) = 0;
  virtual HRESULT OS_STDCALL FreezeEvents(BOOL freeze) = 0;

 protected:
  ~IOleControl() = default;
};

struct IPersist : IUnknown {
  static constexpr IID kIid{0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL GetClassID(CLSID* clsid) = 0;

 protected:
  ~IPersist() = default;
};

struct IPersistStreamInit : IPersist {
  static constexpr IID kIid{0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
  virtual HRESULT OS_STDCALL IsDirty() = 0;
  virtual HRESULT OS_STDCALL Load(IStream* stream) = 0;
  virtual HRESULT OS_STDCALL Save(IStream* stream, BOOL clearDirty) = 0;
  virtual HRESULT OS_STDCALL GetSizeMax(std::uint64_t* size) = 0;
  virtual HRESULT OS_STDCALL InitNew() = 0;

 protected:
  ~IPersistStreamInit() = default;
};

struct IObjectWithSite : IUnknown {
  static constexpr IID kIid{0xFC4801A3, 0x2BA9, 0x11CF, {0xA2, 0x29, 0x00, 0xAA, 0x00, 0x3D, 0x73, 0x52}};
  virtual HRESULT OS_STDCALL SetSite(IUnknown* site) = 0;
  virtual HRESULT OS_STDCALL GetSite(REFIID riid, void** site) = 0;

 protected:
  ~IObjectWithSite() = default;
};

// Drawing of windowless objects. There is no GDI here: an HDC only names the
// window it belongs to, and objects that support these interfaces draw by
// their own means.
using ContinueCallback = BOOL(OS_STDCALL*)(ULONG_PTR);
struct IViewObject : IUnknown {
  static constexpr IID kIid{0x0000010D, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL Draw(DWORD drawAspect, LONG index, void* aspect, DVTARGETDEVICE* device,
                                  HDC targetDevice, HDC draw, const RECTL* bounds, const RECTL* windowBounds,
                                  ContinueCallback proceed, ULONG_PTR proceedArgument) = 0;
  virtual HRESULT OS_STDCALL GetColorSet(DWORD drawAspect, LONG index, void* aspect, DVTARGETDEVICE* device,
                                         HDC targetDevice, LOGPALETTE** colors) = 0;
  virtual HRESULT OS_STDCALL Freeze(DWORD drawAspect, LONG index, void* aspect, DWORD* freeze) = 0;
  virtual HRESULT OS_STDCALL Unfreeze(DWORD freeze) = 0;
  virtual HRESULT OS_STDCALL SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) = 0;
  virtual HRESULT OS_STDCALL GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) = 0;

 protected:
  ~IViewObject() = default;
};

struct IViewObject2 : IViewObject {
  static constexpr IID kIid{0x00000127, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL GetExtent(DWORD drawAspect, LONG index, DVTARGETDEVICE* device, SIZEL* size) = 0;

 protected:
  ~IViewObject2() = default;
};

struct IViewObjectEx : IViewObject2 {
  static constexpr IID kIid{0x3AF24292, 0x0C96, 0x11CE, {0xA0, 0xCF, 0x00, 0xAA, 0x00, 0x60, 0x0A, 0xB8}};
  virtual HRESULT OS_STDCALL GetRect(DWORD aspect, RECTL* rect) = 0;
  virtual HRESULT OS_STDCALL GetViewStatus(DWORD* status) = 0;
  virtual HRESULT OS_STDCALL QueryHitPoint(DWORD aspect, const RECT* bounds, POINT location, LONG closeHint,
                                           DWORD* hitResult) = 0;
  virtual HRESULT OS_STDCALL QueryHitRect(DWORD aspect, const RECT* bounds, const RECT* location,
                                          LONG closeHint, DWORD* hitResult) = 0;
  virtual HRESULT OS_STDCALL GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                              HDC targetDevice, void* extentInfo, SIZEL* size) = 0;

 protected:
  ~IViewObjectEx() = default;
};

// ---------------------------------------------------------------------------
// The container's side
struct IOleContainer;
struct IOleInPlaceActiveObject;

struct IOleClientSite : IUnknown {
  static constexpr IID kIid{0x00000118, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL SaveObject() = 0;
  virtual HRESULT OS_STDCALL GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) = 0;
  virtual HRESULT OS_STDCALL GetContainer(IOleContainer** container) = 0;
  virtual HRESULT OS_STDCALL ShowObject() = 0;
  virtual HRESULT OS_STDCALL OnShowWindow(BOOL show) = 0;
  virtual HRESULT OS_STDCALL RequestNewObjectLayout() = 0;

 protected:
  ~IOleClientSite() = default;
};

struct IOleInPlaceUIWindow : IOleWindow {
  static constexpr IID kIid{0x00000115, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL GetBorder(RECT* border) = 0;
  virtual HRESULT OS_STDCALL RequestBorderSpace(const BORDERWIDTHS* widths) = 0;
  virtual HRESULT OS_STDCALL SetBorderSpace(const BORDERWIDTHS* widths) = 0;
  virtual HRESULT OS_STDCALL SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) = 0;

 protected:
  ~IOleInPlaceUIWindow() = default;
};

struct IOleInPlaceFrame : IOleInPlaceUIWindow {
  static constexpr IID kIid{0x00000116, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL InsertMenus(HMENU shared, OLEMENUGROUPWIDTHS* widths) = 0;
  virtual HRESULT OS_STDCALL SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) = 0;
  virtual HRESULT OS_STDCALL RemoveMenus(HMENU shared) = 0;
  virtual HRESULT OS_STDCALL SetStatusText(LPCOLESTR text) = 0;
  virtual HRESULT OS_STDCALL EnableModeless(BOOL enable) = 0;
  virtual HRESULT OS_STDCALL TranslateAccelerator(MSG* message, WORD id) = 0;

 protected:
  ~IOleInPlaceFrame() = default;
};

struct IOleInPlaceSite : IOleWindow {
  static constexpr IID kIid{0x00000119, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  // S_OK allows in-place activation.
  virtual HRESULT OS_STDCALL CanInPlaceActivate() = 0;
  virtual HRESULT OS_STDCALL OnInPlaceActivate() = 0;
  virtual HRESULT OS_STDCALL OnUIActivate() = 0;
  // posRect and clipRect in the client coordinates of the site's window.
  virtual HRESULT OS_STDCALL GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                              RECT* posRect, RECT* clipRect,
                                              OLEINPLACEFRAMEINFO* frameInfo) = 0;
  virtual HRESULT OS_STDCALL Scroll(SIZE extent) = 0;
  virtual HRESULT OS_STDCALL OnUIDeactivate(BOOL undoable) = 0;
  virtual HRESULT OS_STDCALL OnInPlaceDeactivate() = 0;
  virtual HRESULT OS_STDCALL DiscardUndoState() = 0;
  virtual HRESULT OS_STDCALL DeactivateAndUndo() = 0;
  virtual HRESULT OS_STDCALL OnPosRectChange(const RECT* posRect) = 0;

 protected:
  ~IOleInPlaceSite() = default;
};

struct IOleInPlaceSiteEx : IOleInPlaceSite {
  static constexpr IID kIid{0x9C2CAD80, 0x3424, 0x11CF, {0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8}};
  virtual HRESULT OS_STDCALL OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) = 0;
  virtual HRESULT OS_STDCALL OnInPlaceDeactivateEx(BOOL noRedraw) = 0;
  virtual HRESULT OS_STDCALL RequestUIActivate() = 0;

 protected:
  ~IOleInPlaceSiteEx() = default;
};

struct IOleInPlaceSiteWindowless : IOleInPlaceSiteEx {
  static constexpr IID kIid{0x922EADA0, 0x3424, 0x11CF, {0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8}};
  virtual HRESULT OS_STDCALL CanWindowlessActivate() = 0;
  virtual HRESULT OS_STDCALL GetCapture() = 0;
  virtual HRESULT OS_STDCALL SetCapture(BOOL capture) = 0;
  virtual HRESULT OS_STDCALL GetFocus() = 0;
  virtual HRESULT OS_STDCALL SetFocus(BOOL focus) = 0;
  virtual HRESULT OS_STDCALL GetDC(const RECT* rect, DWORD flags, HDC* dc) = 0;
  virtual HRESULT OS_STDCALL ReleaseDC(HDC dc) = 0;
  virtual HRESULT OS_STDCALL InvalidateRect(const RECT* rect, BOOL erase) = 0;
  virtual HRESULT OS_STDCALL InvalidateRgn(HRGN region, BOOL erase) = 0;
  virtual HRESULT OS_STDCALL ScrollRect(int dx, int dy, const RECT* scroll, const RECT* clip) = 0;
  virtual HRESULT OS_STDCALL AdjustRect(RECT* rect) = 0;
  virtual HRESULT OS_STDCALL OnDefWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                                LRESULT* result) = 0;

 protected:
  ~IOleInPlaceSiteWindowless() = default;
};

struct IOleControlSite : IUnknown {
  static constexpr IID kIid{0xB196B289, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT OS_STDCALL OnControlInfoChanged() = 0;
  virtual HRESULT OS_STDCALL LockInPlaceActive(BOOL lock) = 0;
  virtual HRESULT OS_STDCALL GetExtendedControl(IDispatch** control) = 0;
  virtual HRESULT OS_STDCALL TransformCoords(POINTL* himetric, POINT* container, DWORD flags) = 0;
  virtual HRESULT OS_STDCALL TranslateAccelerator(MSG* message, DWORD modifiers) = 0;
  virtual HRESULT OS_STDCALL OnFocus(BOOL gotFocus) = 0;
  virtual HRESULT OS_STDCALL ShowPropertyFrame() = 0;

 protected:
  ~IOleControlSite() = default;
};

struct IParseDisplayName : IUnknown {
  static constexpr IID kIid{0x0000011A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL ParseDisplayName(IBindCtx* context, LPOLESTR displayName, ULONG* eaten,
                                              IMoniker** out) = 0;

 protected:
  ~IParseDisplayName() = default;
};

struct IEnumUnknown : IUnknown {
  static constexpr IID kIid{0x00000100, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL Next(ULONG count, IUnknown** items, ULONG* fetched) = 0;
  virtual HRESULT OS_STDCALL Skip(ULONG count) = 0;
  virtual HRESULT OS_STDCALL Reset() = 0;
  virtual HRESULT OS_STDCALL Clone(IEnumUnknown** copy) = 0;

 protected:
  ~IEnumUnknown() = default;
};

constexpr DWORD OLECONTF_EMBEDDINGS = 1;
constexpr DWORD OLECONTF_LINKS = 2;
constexpr DWORD OLECONTF_OTHERS = 4;
constexpr DWORD OLECONTF_ONLYUSER = 8;
constexpr DWORD OLECONTF_ONLYIFRUNNING = 16;

struct IOleContainer : IParseDisplayName {
  static constexpr IID kIid{0x0000011B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  virtual HRESULT OS_STDCALL EnumObjects(DWORD flags, IEnumUnknown** objects) = 0;
  virtual HRESULT OS_STDCALL LockContainer(BOOL lock) = 0;

 protected:
  ~IOleContainer() = default;
};

// ---------------------------------------------------------------------------
// Connection points: an object's outgoing (event) interfaces.
struct IConnectionPointContainer;

struct IConnectionPoint : IUnknown {
  static constexpr IID kIid{0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT OS_STDCALL GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT OS_STDCALL GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
  // The sink is asked for the outgoing interface (for a dispatch interface,
  // IDispatch will do); the cookie names the connection for Unadvise.
  virtual HRESULT OS_STDCALL Advise(IUnknown* sink, DWORD* cookie) = 0;
  virtual HRESULT OS_STDCALL Unadvise(DWORD cookie) = 0;
  virtual HRESULT OS_STDCALL EnumConnections(IEnumConnections** connections) = 0;

 protected:
  ~IConnectionPoint() = default;
};

struct IConnectionPointContainer : IUnknown {
  static constexpr IID kIid{0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  virtual HRESULT OS_STDCALL EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
  virtual HRESULT OS_STDCALL FindConnectionPoint(REFIID riid, IConnectionPoint** point) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

// ---------------------------------------------------------------------------
// Services and commands
struct IServiceProvider : IUnknown {
  static constexpr IID kIid{0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
  virtual HRESULT OS_STDCALL QueryService(REFGUID service, REFIID riid, void** object) = 0;

 protected:
  ~IServiceProvider() = default;
};

struct OLECMD {
  ULONG cmdID = 0;
  DWORD cmdf = 0;
};
struct OLECMDTEXT;

constexpr DWORD OLECMDEXECOPT_DODEFAULT = 0;
constexpr DWORD OLECMDEXECOPT_PROMPTUSER = 1;
constexpr DWORD OLECMDEXECOPT_DONTPROMPTUSER = 2;
constexpr DWORD OLECMDEXECOPT_SHOWHELP = 3;

struct IOleCommandTarget : IUnknown {
  static constexpr IID kIid{0xB722BCCB, 0x4E68, 0x101B, {0xA2, 0xBC, 0x00, 0xAA, 0x00, 0x40, 0x47, 0x70}};
  virtual HRESULT OS_STDCALL QueryStatus(const GUID* group, ULONG count, OLECMD* commands,
                                         OLECMDTEXT* text) = 0;
  virtual HRESULT OS_STDCALL Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                                  VARIANT* out) = 0;

 protected:
  ~IOleCommandTarget() = default;
};

constexpr IID IID_IOleWindow = IOleWindow::kIid;
constexpr IID IID_IOleObject = IOleObject::kIid;
constexpr IID IID_IOleInPlaceObject = IOleInPlaceObject::kIid;
constexpr IID IID_IOleInPlaceObjectWindowless = IOleInPlaceObjectWindowless::kIid;
constexpr IID IID_IOleInPlaceActiveObject = IOleInPlaceActiveObject::kIid;
constexpr IID IID_IOleControl = IOleControl::kIid;
constexpr IID IID_IPersist = IPersist::kIid;
constexpr IID IID_IPersistStreamInit = IPersistStreamInit::kIid;
constexpr IID IID_IObjectWithSite = IObjectWithSite::kIid;
constexpr IID IID_IViewObject = IViewObject::kIid;
constexpr IID IID_IViewObject2 = IViewObject2::kIid;
constexpr IID IID_IViewObjectEx = IViewObjectEx::kIid;
constexpr IID IID_IOleClientSite = IOleClientSite::kIid;
constexpr IID IID_IOleInPlaceUIWindow = IOleInPlaceUIWindow::kIid;
constexpr IID IID_IOleInPlaceFrame = IOleInPlaceFrame::kIid;
constexpr IID IID_IOleInPlaceSite = IOleInPlaceSite::kIid;
constexpr IID IID_IOleInPlaceSiteEx = IOleInPlaceSiteEx::kIid;
constexpr IID IID_IOleInPlaceSiteWindowless = IOleInPlaceSiteWindowless::kIid;
constexpr IID IID_IOleControlSite = IOleControlSite::kIid;
constexpr IID IID_IParseDisplayName = IParseDisplayName::kIid;
constexpr IID IID_IEnumUnknown = IEnumUnknown::kIid;
constexpr IID IID_IOleContainer = IOleContainer::kIid;
constexpr IID IID_IConnectionPoint = IConnectionPoint::kIid;
constexpr IID IID_IConnectionPointContainer = IConnectionPointContainer::kIid;
constexpr IID IID_IServiceProvider = IServiceProvider::kIid;
constexpr IID IID_IOleCommandTarget = IOleCommandTarget::kIid;

}  // namespace os
