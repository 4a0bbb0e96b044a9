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
  os::HRESULT QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG AddRef() override { return refs_.Add(); }
  os::ULONG Release() override { return refs_.Release(this); }

  // IObjectWithSite
  os::HRESULT SetSite(os::IUnknown* site) override;
  os::HRESULT GetSite(const os::IID& riid, void** site) override;

  // IOleClientSite
  os::HRESULT SaveObject() override;
  os::HRESULT GetMoniker(os::DWORD assign, os::DWORD whichMoniker, os::IMoniker** moniker) override;
  os::HRESULT GetContainer(os::IOleContainer** container) override;
  os::HRESULT ShowObject() override;
  os::HRESULT OnShowWindow(os::BOOL show) override;
  os::HRESULT RequestNewObjectLayout() override;

  // IOleInPlaceSiteWindowless
  os::HRESULT CanWindowlessActivate() override;
  os::HRESULT GetCapture() override;
  os::HRESULT SetCapture(os::BOOL capture) override;
  os::HRESULT GetFocus() override;
  os::HRESULT SetFocus(os::BOOL focus) override;
  os::HRESULT GetDC(const RECT* rect, os::DWORD flags, os::HDC* dc) override;
  os::HRESULT ReleaseDC(os::HDC dc) override;
  os::HRESULT InvalidateRect(const RECT* rect, os::BOOL erase) override;
  os::HRESULT InvalidateRgn(os::HRGN region, os::BOOL erase) override;
  os::HRESULT ScrollRect(int dx, int dy, const RECT* scroll, const RECT* clip) override;
  os::HRESULT AdjustRect(RECT* rect) override;
  os::HRESULT OnDefWindowMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam,
                                 os::LRESULT* result) override;

  // IOleInPlaceSiteEx
  os::HRESULT OnInPlaceActivateEx(os::BOOL* noRedraw, os::DWORD flags) override;
  os::HRESULT OnInPlaceDeactivateEx(os::BOOL noRedraw) override;
  os::HRESULT RequestUIActivate() override;

  // IOleInPlaceSite
  os::HRESULT CanInPlaceActivate() override;
  os::HRESULT OnInPlaceActivate() override;
  os::HRESULT OnUIActivate() override;
  os::HRESULT GetWindowContext(os::IOleInPlaceFrame** frame, os::IOleInPlaceUIWindow** document,
                               RECT* posRect, RECT* clipRect, os::OLEINPLACEFRAMEINFO* frameInfo) override;
  os::HRESULT Scroll(SIZE extent) override;
  os::HRESULT OnUIDeactivate(os::BOOL undoable) override;
  os::HRESULT OnInPlaceDeactivate() override;
  os::HRESULT DiscardUndoState() override;
  os::HRESULT DeactivateAndUndo() override;
  os::HRESULT OnPosRectChange(const RECT* posRect) override;

  // IOleWindow
  os::HRESULT GetWindow(os::HWND* window) override;
  os::HRESULT ContextSensitiveHelp(os::BOOL enterMode) override;

  // IOleControlSite
  os::HRESULT OnControlInfoChanged() override;
  os::HRESULT LockInPlaceActive(os::BOOL lock) override;
  os::HRESULT GetExtendedControl(os::IDispatch** control) override;
  os::HRESULT TransformCoords(os::POINTL* himetric, POINT* container, os::DWORD flags) override;
  os::HRESULT TranslateAccelerator(os::MSG* message, os::DWORD modifiers) override;
  os::HRESULT OnFocus(os::BOOL gotFocus) override;
  os::HRESULT ShowPropertyFrame() override;

  // IOleContainer
  os::HRESULT EnumObjects(os::DWORD flags, os::IEnumUnknown** objects) override;
  os::HRESULT LockContainer(os::BOOL lock) override;
  os::HRESULT ParseDisplayName(os::IBindCtx* context, os::LPOLESTR displayName, os::ULONG* eaten,
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

  os::HRESULT QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG AddRef() override { return refs_.Add(); }
  os::ULONG Release() override { return refs_.Release(this); }

  os::HRESULT GetWindow(os::HWND* window) override;
  os::HRESULT ContextSensitiveHelp(os::BOOL) override { return os::S_OK; }
  os::HRESULT GetBorder(RECT*) override { return os::S_OK; }
  os::HRESULT RequestBorderSpace(const os::BORDERWIDTHS*) override;
  os::HRESULT SetBorderSpace(const os::BORDERWIDTHS*) override { return os::S_OK; }
  os::HRESULT SetActiveObject(os::IOleInPlaceActiveObject* object, os::LPCOLESTR name) override;
  os::HRESULT InsertMenus(os::HMENU, os::OLEMENUGROUPWIDTHS*) override { return os::S_OK; }
  os::HRESULT SetMenu(os::HMENU, os::HOLEMENU, os::HWND) override { return os::S_OK; }
  os::HRESULT RemoveMenus(os::HMENU) override { return os::S_OK; }
  os::HRESULT SetStatusText(os::LPCOLESTR) override { return os::S_OK; }
  os::HRESULT EnableModeless(os::BOOL) override { return os::S_OK; }
  os::HRESULT TranslateAccelerator(os::MSG*, os::WORD) override;

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

  os::HRESULT QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG AddRef() override { return refs_.Add(); }
  os::ULONG Release() override { return refs_.Release(this); }

  os::HRESULT Next(os::ULONG count, os::IUnknown** items, os::ULONG* fetched) override;
  os::HRESULT Skip(os::ULONG count) override;
  os::HRESULT Reset() override;
  os::HRESULT Clone(os::IEnumUnknown** copy) override;

 private:
  ~CActiveXEnum() = default;
  friend class os::RefCount;
  os::RefCount refs_;
  os::ComPtr<os::IUnknown> object_;
  os::ULONG position_ = 0;
};

}  // namespace Kesto
