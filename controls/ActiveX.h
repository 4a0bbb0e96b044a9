// A component object (ActiveX control) embedded as an ordinary control of a
// skinned window: the control creates the object from a class id, acts as
// its client and in-place site, keeps the object's rectangle in step with its
// own position and forwards window messages to windowless objects.
#pragma once

#include <string>
#include <string_view>

#include "Core/UIManager.h"
#include "Core/WindowWnd.h"
#include "controls/Control.h"
#include "platform/com/Com.h"
#include "platform/com/Ole.h"

namespace Kesto {

class CActiveXCtrl;

class CActiveXUI : public CControlUI, public IMessageFilterUI {
 public:
  CActiveXUI();
  ~CActiveXUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  // The window the object draws into: the ActiveX window of a windowed
  // object, the manager's window of a windowless one; null otherwise.
  os::HWND GetHostWindow() const { return hostWnd_; }

  bool IsDelayCreate() const { return delayCreate_; }
  void SetDelayCreate(bool delayCreate = true);

  // "{...}" text is a class id, anything else a ProgID; a text that converts
  // to no class is refused.
  bool CreateControl(std::u16string_view clsidOrProgId);
  bool CreateControl(const os::CLSID& clsid);
  // Queries the hosted object; E_POINTER for a null out pointer, E_FAIL
  // without an object.
  os::HRESULT GetControl(const os::IID& iid, void** object);
  os::CLSID GetClisd() const { return clsid_; }
  bool IsCreated() const { return created_; }
  const std::u16string& GetModuleName() const { return moduleName_; }
  void SetModuleName(std::u16string_view name) { moduleName_ = name; }

  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetPos(RECT rc) override;
  void DoPaint(os::Canvas& dc, const RECT& paint) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  // Message filter of windowless objects: forwards mouse, cursor, keyboard,
  // help and context-menu messages to the object.
  os::LRESULT MessageHandler(os::UINT message, os::WPARAM wParam, os::LPARAM lParam, bool& handled) override;

  virtual void ReleaseControl();
  virtual bool DoCreateControl();

 protected:
  friend class CActiveXCtrl;
  friend class CActiveXWnd;

  os::CLSID clsid_{};
  std::u16string moduleName_;
  bool created_ = false;
  bool delayCreate_ = true;
  os::ComPtr<os::IOleObject> oleObject_;
  CActiveXCtrl* site_ = nullptr;  // one reference held
  os::HWND hostWnd_ = nullptr;
};

// The native child window that hosts a windowed object.
class CActiveXWnd : public CWindowWnd {
 public:
  // Creates the window over parent at the owner's item rectangle.
  os::HWND Init(CActiveXCtrl* owner, os::HWND parent);
  std::u16string_view GetWindowClassName() const override;
  void OnFinalMessage(os::HWND hwnd) override;
  os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;
  // The site is going: the window no longer calls into it.
  void Forget() { owner_ = nullptr; }

 private:
  void DoVerb(os::LONG verb);
  CActiveXCtrl* owner_ = nullptr;
};

// The site object of one hosted object.
class CActiveXCtrl final : public os::IOleClientSite,
                           public os::IOleInPlaceSiteWindowless,
                           public os::IOleControlSite,
                           public os::IObjectWithSite,
                           public os::IOleContainer {
 public:
  CActiveXCtrl();

  // IUnknown
  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  os::ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  // IObjectWithSite
  os::HRESULT OS_STDCALL SetSite(os::IUnknown* site) override;
  os::HRESULT OS_STDCALL GetSite(const os::IID& riid, void** site) override;

  // IOleClientSite
  os::HRESULT OS_STDCALL SaveObject() override;
  os::HRESULT OS_STDCALL GetMoniker(os::DWORD assign, os::DWORD whichMoniker,
                                    os::IMoniker** moniker) override;
  os::HRESULT OS_STDCALL GetContainer(os::IOleContainer** container) override;
  os::HRESULT OS_STDCALL ShowObject() override;
  os::HRESULT OS_STDCALL OnShowWindow(os::BOOL show) override;
  os::HRESULT OS_STDCALL RequestNewObjectLayout() override;

  // IOleInPlaceSiteWindowless
  os::HRESULT OS_STDCALL CanWindowlessActivate() override;
  os::HRESULT OS_STDCALL GetCapture() override;
  os::HRESULT OS_STDCALL SetCapture(os::BOOL capture) override;
  os::HRESULT OS_STDCALL GetFocus() override;
  os::HRESULT OS_STDCALL SetFocus(os::BOOL focus) override;
  os::HRESULT OS_STDCALL GetDC(const RECT* rect, os::DWORD flags, os::HDC* dc) override;
  os::HRESULT OS_STDCALL ReleaseDC(os::HDC dc) override;
  os::HRESULT OS_STDCALL InvalidateRect(const RECT* rect, os::BOOL erase) override;
  os::HRESULT OS_STDCALL InvalidateRgn(os::HRGN region, os::BOOL erase) override;
  os::HRESULT OS_STDCALL ScrollRect(int dx, int dy, const RECT* scroll, const RECT* clip) override;
  os::HRESULT OS_STDCALL AdjustRect(RECT* rect) override;
  os::HRESULT OS_STDCALL OnDefWindowMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                            os::LRESULT* result) override;

  // IOleInPlaceSiteEx
  os::HRESULT OS_STDCALL OnInPlaceActivateEx(os::BOOL* noRedraw, os::DWORD flags) override;
  os::HRESULT OS_STDCALL OnInPlaceDeactivateEx(os::BOOL noRedraw) override;
  os::HRESULT OS_STDCALL RequestUIActivate() override;

  // IOleInPlaceSite
  os::HRESULT OS_STDCALL CanInPlaceActivate() override;
  os::HRESULT OS_STDCALL OnInPlaceActivate() override;
  os::HRESULT OS_STDCALL OnUIActivate() override;
  os::HRESULT OS_STDCALL GetWindowContext(os::IOleInPlaceFrame** frame, os::IOleInPlaceUIWindow** document,
                                          RECT* posRect, RECT* clipRect,
                                          os::OLEINPLACEFRAMEINFO* frameInfo) override;
  os::HRESULT OS_STDCALL Scroll(SIZE extent) override;
  os::HRESULT OS_STDCALL OnUIDeactivate(os::BOOL undoable) override;
  os::HRESULT OS_STDCALL OnInPlaceDeactivate() override;
  os::HRESULT OS_STDCALL DiscardUndoState() override;
  os::HRESULT OS_STDCALL DeactivateAndUndo() override;
  os::HRESULT OS_STDCALL OnPosRectChange(const RECT* posRect) override;

  // IOleWindow
  os::HRESULT OS_STDCALL GetWindow(os::HWND* window) override;
  os::HRESULT OS_STDCALL ContextSensitiveHelp(os::BOOL enterMode) override;

  // IOleControlSite
  os::HRESULT OS_STDCALL OnControlInfoChanged() override;
  os::HRESULT OS_STDCALL LockInPlaceActive(os::BOOL lock) override;
  os::HRESULT OS_STDCALL GetExtendedControl(os::IDispatch** control) override;
  os::HRESULT OS_STDCALL TransformCoords(os::POINTL* himetric, POINT* container, os::DWORD flags) override;
  os::HRESULT OS_STDCALL TranslateAccelerator(os::MSG* message, os::DWORD modifiers) override;
  os::HRESULT OS_STDCALL OnFocus(os::BOOL gotFocus) override;
  os::HRESULT OS_STDCALL ShowPropertyFrame() override;

  // IOleContainer
  os::HRESULT OS_STDCALL EnumObjects(os::DWORD flags, os::IEnumUnknown** objects) override;
  os::HRESULT OS_STDCALL LockContainer(os::BOOL lock) override;
  os::HRESULT OS_STDCALL ParseDisplayName(os::IBindCtx* context, os::LPOLESTR displayName, os::ULONG* eaten,
                                          os::IMoniker** out) override;

  // State the owner and the ActiveX window use.
  CActiveXUI* owner_ = nullptr;
  CActiveXWnd* window_ = nullptr;
  os::ComPtr<os::IUnknown> unkSite_;
  os::ComPtr<os::IViewObject> viewObject_;
  os::ComPtr<os::IOleInPlaceObjectWindowless> inPlaceObject_;  // windowless objects
  os::ComPtr<os::IOleInPlaceObject> windowedObject_;           // windowed objects
  bool windowless_ = false;
  bool focused_ = false;
  bool captured_ = false;
  bool uiActivated_ = false;
  bool inPlaceActive_ = false;
  bool locked_ = false;

  // The in-place object of either kind, for rectangles and deactivation.
  os::IOleInPlaceObject* InPlaceObject() const;

 private:
  ~CActiveXCtrl() = default;
  // The host window of a windowed object, made at the control's place on
  // first need; null when it cannot be made.
  os::HWND MakeHostWindow();
  friend class os::RefCount;
  os::RefCount refs_;
};

// The frame object handed out by GetWindowContext.
class CActiveXFrameWnd final : public os::IOleInPlaceFrame {
 public:
  explicit CActiveXFrameWnd(CActiveXUI* owner) : owner_(owner) {}

  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  os::ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  os::HRESULT OS_STDCALL GetWindow(os::HWND* window) override;
  os::HRESULT OS_STDCALL ContextSensitiveHelp(os::BOOL) override { return os::S_OK; }
  os::HRESULT OS_STDCALL GetBorder(RECT*) override { return os::S_OK; }
  os::HRESULT OS_STDCALL RequestBorderSpace(const os::BORDERWIDTHS*) override;
  os::HRESULT OS_STDCALL SetBorderSpace(const os::BORDERWIDTHS*) override { return os::S_OK; }
  os::HRESULT OS_STDCALL SetActiveObject(os::IOleInPlaceActiveObject* object, os::LPCOLESTR name) override;
  os::HRESULT OS_STDCALL InsertMenus(os::HMENU, os::OLEMENUGROUPWIDTHS*) override { return os::S_OK; }
  os::HRESULT OS_STDCALL SetMenu(os::HMENU, os::HOLEMENU, os::HWND) override { return os::S_OK; }
  os::HRESULT OS_STDCALL RemoveMenus(os::HMENU) override { return os::S_OK; }
  os::HRESULT OS_STDCALL SetStatusText(os::LPCOLESTR) override { return os::S_OK; }
  os::HRESULT OS_STDCALL EnableModeless(os::BOOL) override { return os::S_OK; }
  os::HRESULT OS_STDCALL TranslateAccelerator(os::MSG*, os::WORD) override;

  os::IOleInPlaceActiveObject* ActiveObject() const { return activeObject_.get(); }

 private:
  ~CActiveXFrameWnd() = default;
  friend class os::RefCount;
  os::RefCount refs_;
  CActiveXUI* owner_;
  os::ComPtr<os::IOleInPlaceActiveObject> activeObject_;
};

// IEnumUnknown over the single hosted object.
class CActiveXEnum final : public os::IEnumUnknown {
 public:
  explicit CActiveXEnum(os::IUnknown* object) : object_(object) {}

  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  os::ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  os::HRESULT OS_STDCALL Next(os::ULONG count, os::IUnknown** items, os::ULONG* fetched) override;
  os::HRESULT OS_STDCALL Skip(os::ULONG count) override;
  os::HRESULT OS_STDCALL Reset() override;
  os::HRESULT OS_STDCALL Clone(os::IEnumUnknown** copy) override;

 private:
  ~CActiveXEnum() = default;
  friend class os::RefCount;
  os::RefCount refs_;
  os::ComPtr<os::IUnknown> object_;
  os::ULONG position_ = 0;
};

}  // namespace Kesto
