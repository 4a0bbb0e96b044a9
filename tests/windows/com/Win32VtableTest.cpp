// Our interface declarations have the system's vtables: each method, called
// through our declaration and through the system's on an object whose vtable
// records which slot was called, lands in the same slot. This covers every
// interface that passes between the host and the system unconverted (the
// browser's automation interfaces and the UI handler are converted by the
// win32 flavour instead).
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/Com.h"
#include "platform/com/Ole.h"
#include "platform/com/Variant.h"
#include "platform/com/WebBrowser.h"
// The system headers last: their macros would rename ours.
#include "platform/com/win32/ComSystem.h"

#include <downloadmgr.h>

namespace {

#if defined(_WIN64)

// One calling convention for every method on 64-bit Windows, and the caller
// cleans up: a slot's stand-in may ignore the arguments it is called with.
int calledSlot = -1;

template <int N>
long RecordSlot(void*) {
  calledSlot = N;
  return 0;
}

template <int... N>
std::array<void*, sizeof...(N)> MakeTable(std::integer_sequence<int, N...>) {
  return {reinterpret_cast<void*>(&RecordSlot<N>)...};
}

struct RecordingObject {
  void* const* vtable;
};

template <class Interface, class Call>
int SlotOf(Call call) {
  static const auto table = MakeTable(std::make_integer_sequence<int, 48>{});
  RecordingObject object{table.data()};
  calledSlot = -1;
  call(reinterpret_cast<Interface*>(&object));
  return calledSlot;
}

// An argument of any parameter type: its value-initialised value.
struct Any {
  template <class T>
  operator T() const {
    return T{};
  }
};
constexpr Any A{};

struct SlotCase {
  std::string method;
  int ours;
  int system;
};

#define SAME_SLOT(Interface, Call)                                            \
  SlotCase {                                                                  \
#Interface "::" #Call, SlotOf < os::Interface>([](auto* i) { i->Call; }), \
        SlotOf < ::Interface>([](auto* i) { i->Call; })                       \
  }

std::vector<SlotCase> Cases() {
  return {
      SAME_SLOT(IUnknown, QueryInterface(A, A)),
      SAME_SLOT(IUnknown, AddRef()),
      SAME_SLOT(IUnknown, Release()),
      SAME_SLOT(IClassFactory, CreateInstance(A, A, A)),
      SAME_SLOT(IClassFactory, LockServer(A)),
      SAME_SLOT(IDispatch, GetTypeInfoCount(A)),
      SAME_SLOT(IDispatch, GetTypeInfo(A, A, A)),
      SAME_SLOT(IDispatch, GetIDsOfNames(A, A, A, A, A)),
      SAME_SLOT(IDispatch, Invoke(A, A, A, A, A, A, A, A)),
      SAME_SLOT(IOleWindow, GetWindow(A)),
      SAME_SLOT(IOleWindow, ContextSensitiveHelp(A)),
      SAME_SLOT(IOleObject, SetClientSite(A)),
      SAME_SLOT(IOleObject, GetClientSite(A)),
      SAME_SLOT(IOleObject, SetHostNames(A, A)),
      SAME_SLOT(IOleObject, Close(A)),
      SAME_SLOT(IOleObject, SetMoniker(A, A)),
      SAME_SLOT(IOleObject, GetMoniker(A, A, A)),
      SAME_SLOT(IOleObject, InitFromData(A, A, A)),
      SAME_SLOT(IOleObject, GetClipboardData(A, A)),
      SAME_SLOT(IOleObject, DoVerb(A, A, A, A, A, A)),
      SAME_SLOT(IOleObject, EnumVerbs(A)),
      SAME_SLOT(IOleObject, Update()),
      SAME_SLOT(IOleObject, IsUpToDate()),
      SAME_SLOT(IOleObject, GetUserClassID(A)),
      SAME_SLOT(IOleObject, GetUserType(A, A)),
      SAME_SLOT(IOleObject, SetExtent(A, A)),
      SAME_SLOT(IOleObject, GetExtent(A, A)),
      SAME_SLOT(IOleObject, Advise(A, A)),
      SAME_SLOT(IOleObject, Unadvise(A)),
      SAME_SLOT(IOleObject, EnumAdvise(A)),
      SAME_SLOT(IOleObject, GetMiscStatus(A, A)),
      SAME_SLOT(IOleObject, SetColorScheme(A)),
      SAME_SLOT(IOleInPlaceObject, InPlaceDeactivate()),
      SAME_SLOT(IOleInPlaceObject, UIDeactivate()),
      SAME_SLOT(IOleInPlaceObject, SetObjectRects(A, A)),
      SAME_SLOT(IOleInPlaceObject, ReactivateAndUndo()),
      SAME_SLOT(IOleInPlaceObjectWindowless, OnWindowMessage(A, A, A, A)),
      SAME_SLOT(IOleInPlaceObjectWindowless, GetDropTarget(A)),
      SAME_SLOT(IOleInPlaceActiveObject, TranslateAccelerator(A)),
      SAME_SLOT(IOleInPlaceActiveObject, OnFrameWindowActivate(A)),
      SAME_SLOT(IOleInPlaceActiveObject, OnDocWindowActivate(A)),
      SAME_SLOT(IOleInPlaceActiveObject, ResizeBorder(A, A, A)),
      SAME_SLOT(IOleInPlaceActiveObject, EnableModeless(A)),
      SAME_SLOT(IOleControl, GetControlInfo(A)),
      SAME_SLOT(IOleControl, OnMnemonic(A)),
      SAME_SLOT(IOleControl, OnAmbientPropertyChange(A)),
      SAME_SLOT(IOleControl, FreezeEvents(A)),
      SAME_SLOT(IPersist, GetClassID(A)),
      SAME_SLOT(IPersistStreamInit, IsDirty()),
      SAME_SLOT(IPersistStreamInit, Load(A)),
      SAME_SLOT(IPersistStreamInit, Save(A, A)),
      SAME_SLOT(IPersistStreamInit, GetSizeMax(A)),
      SAME_SLOT(IPersistStreamInit, InitNew()),
      SAME_SLOT(IObjectWithSite, SetSite(A)),
      SAME_SLOT(IObjectWithSite, GetSite(A, A)),
      SAME_SLOT(IViewObject, Draw(A, A, A, A, A, A, A, A, A, A)),
      SAME_SLOT(IViewObject, GetColorSet(A, A, A, A, A, A)),
      SAME_SLOT(IViewObject, Freeze(A, A, A, A)),
      SAME_SLOT(IViewObject, Unfreeze(A)),
      SAME_SLOT(IViewObject, SetAdvise(A, A, A)),
      SAME_SLOT(IViewObject, GetAdvise(A, A, A)),
      SAME_SLOT(IViewObject2, GetExtent(A, A, A, A)),
      SAME_SLOT(IViewObjectEx, GetRect(A, A)),
      SAME_SLOT(IViewObjectEx, GetViewStatus(A)),
      SAME_SLOT(IViewObjectEx, QueryHitPoint(A, A, A, A, A)),
      SAME_SLOT(IViewObjectEx, QueryHitRect(A, A, A, A, A)),
      SAME_SLOT(IViewObjectEx, GetNaturalExtent(A, A, A, A, A, A)),
      SAME_SLOT(IOleClientSite, SaveObject()),
      SAME_SLOT(IOleClientSite, GetMoniker(A, A, A)),
      SAME_SLOT(IOleClientSite, GetContainer(A)),
      SAME_SLOT(IOleClientSite, ShowObject()),
      SAME_SLOT(IOleClientSite, OnShowWindow(A)),
      SAME_SLOT(IOleClientSite, RequestNewObjectLayout()),
      SAME_SLOT(IOleInPlaceUIWindow, GetBorder(A)),
      SAME_SLOT(IOleInPlaceUIWindow, RequestBorderSpace(A)),
      SAME_SLOT(IOleInPlaceUIWindow, SetBorderSpace(A)),
      SAME_SLOT(IOleInPlaceUIWindow, SetActiveObject(A, A)),
      SAME_SLOT(IOleInPlaceFrame, InsertMenus(A, A)),
      SAME_SLOT(IOleInPlaceFrame, SetMenu(A, A, A)),
      SAME_SLOT(IOleInPlaceFrame, RemoveMenus(A)),
      SAME_SLOT(IOleInPlaceFrame, SetStatusText(A)),
      SAME_SLOT(IOleInPlaceFrame, EnableModeless(A)),
      SAME_SLOT(IOleInPlaceFrame, TranslateAccelerator(A, A)),
      SAME_SLOT(IOleInPlaceSite, CanInPlaceActivate()),
      SAME_SLOT(IOleInPlaceSite, OnInPlaceActivate()),
      SAME_SLOT(IOleInPlaceSite, OnUIActivate()),
      SAME_SLOT(IOleInPlaceSite, GetWindowContext(A, A, A, A, A)),
      SAME_SLOT(IOleInPlaceSite, Scroll(A)),
      SAME_SLOT(IOleInPlaceSite, OnUIDeactivate(A)),
      SAME_SLOT(IOleInPlaceSite, OnInPlaceDeactivate()),
      SAME_SLOT(IOleInPlaceSite, DiscardUndoState()),
      SAME_SLOT(IOleInPlaceSite, DeactivateAndUndo()),
      SAME_SLOT(IOleInPlaceSite, OnPosRectChange(A)),
      SAME_SLOT(IOleInPlaceSiteEx, OnInPlaceActivateEx(A, A)),
      SAME_SLOT(IOleInPlaceSiteEx, OnInPlaceDeactivateEx(A)),
      SAME_SLOT(IOleInPlaceSiteEx, RequestUIActivate()),
      SAME_SLOT(IOleInPlaceSiteWindowless, CanWindowlessActivate()),
      SAME_SLOT(IOleInPlaceSiteWindowless, GetCapture()),
      SAME_SLOT(IOleInPlaceSiteWindowless, SetCapture(A)),
      SAME_SLOT(IOleInPlaceSiteWindowless, GetFocus()),
      SAME_SLOT(IOleInPlaceSiteWindowless, SetFocus(A)),
      SAME_SLOT(IOleInPlaceSiteWindowless, GetDC(A, A, A)),
      SAME_SLOT(IOleInPlaceSiteWindowless, ReleaseDC(A)),
      SAME_SLOT(IOleInPlaceSiteWindowless, InvalidateRect(A, A)),
      SAME_SLOT(IOleInPlaceSiteWindowless, InvalidateRgn(A, A)),
      SAME_SLOT(IOleInPlaceSiteWindowless, ScrollRect(A, A, A, A)),
      SAME_SLOT(IOleInPlaceSiteWindowless, AdjustRect(A)),
      SAME_SLOT(IOleInPlaceSiteWindowless, OnDefWindowMessage(A, A, A, A)),
      SAME_SLOT(IOleControlSite, OnControlInfoChanged()),
      SAME_SLOT(IOleControlSite, LockInPlaceActive(A)),
      SAME_SLOT(IOleControlSite, GetExtendedControl(A)),
      SAME_SLOT(IOleControlSite, TransformCoords(A, A, A)),
      SAME_SLOT(IOleControlSite, TranslateAccelerator(A, A)),
      SAME_SLOT(IOleControlSite, OnFocus(A)),
      SAME_SLOT(IOleControlSite, ShowPropertyFrame()),
      SAME_SLOT(IParseDisplayName, ParseDisplayName(A, A, A, A)),
      SAME_SLOT(IEnumUnknown, Next(A, A, A)),
      SAME_SLOT(IEnumUnknown, Skip(A)),
      SAME_SLOT(IEnumUnknown, Reset()),
      SAME_SLOT(IEnumUnknown, Clone(A)),
      SAME_SLOT(IOleContainer, EnumObjects(A, A)),
      SAME_SLOT(IOleContainer, LockContainer(A)),
      SAME_SLOT(IConnectionPoint, GetConnectionInterface(A)),
      SAME_SLOT(IConnectionPoint, GetConnectionPointContainer(A)),
      SAME_SLOT(IConnectionPoint, Advise(A, A)),
      SAME_SLOT(IConnectionPoint, Unadvise(A)),
      SAME_SLOT(IConnectionPoint, EnumConnections(A)),
      SAME_SLOT(IConnectionPointContainer, EnumConnectionPoints(A)),
      SAME_SLOT(IConnectionPointContainer, FindConnectionPoint(A, A)),
      SAME_SLOT(IServiceProvider, QueryService(A, A, A)),
      SAME_SLOT(IOleCommandTarget, QueryStatus(A, A, A, A)),
      SAME_SLOT(IOleCommandTarget, Exec(A, A, A, A, A)),
      SAME_SLOT(IDownloadManager, Download(A, A, A, A, A, A, A, A)),
      SAME_SLOT(ICustomDoc, SetUIHandler(A)),
  };
}

#undef SAME_SLOT

TEST(Win32Vtables, EveryMethodSitsInTheSystemsSlot) {
  const std::vector<SlotCase> cases = Cases();
  for (const SlotCase& c : cases) {
    EXPECT_GE(c.ours, 0) << c.method;
    EXPECT_EQ(c.ours, c.system) << c.method;
  }
}

#else

TEST(Win32Vtables, EveryMethodSitsInTheSystemsSlot) {
  GTEST_SKIP() << "checked on 64-bit Windows, where every method has one calling convention";
}

#endif

}  // namespace
