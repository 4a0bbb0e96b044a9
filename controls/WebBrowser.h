// The system's Web Browser hosted as a control: navigation, the browser's
// event interface, and the host interfaces the browser asks of its
// container, all handed to a replaceable event handler.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "controls/ActiveX.h"
#include "platform/com/WebBrowser.h"

namespace Kesto {

// The application's side of the browser. Every operation has a default. For
// the browser events an argument is either the event argument's value or the
// address of its value part; a by-reference argument's value part holds the
// pointer to the caller's VARIANT or VARIANT_BOOL (so the URL of
// BeforeNavigate2 is *reinterpret_cast<VARIANT**>(url), and a handler cancels
// by writing VARIANT_TRUE through *reinterpret_cast<VARIANT_BOOL**>(cancel)).
class CWebBrowserEventHandler {
 public:
  CWebBrowserEventHandler() = default;

  virtual void BeforeNavigate2(os::IDispatch* dispatch, void* url, void* flags, void* targetFrameName,
                               void* postData, void* headers, void* cancel);
  virtual void NavigateError(os::IDispatch* dispatch, void* url, void* targetFrameName, void* statusCode,
                             void* cancel);
  virtual void NavigateComplete2(os::IDispatch* dispatch, void* url);
  virtual void ProgressChange(os::LONG progress, os::LONG progressMax);
  virtual void NewWindow3(os::IDispatch** dispatch, void* cancel, os::DWORD flags, os::BSTR urlContext,
                          os::BSTR url);
  virtual void NewWindow2(void* cancel, os::IDispatch** dispatch);
  virtual void CommandStateChange(os::LONG command, os::VARIANT_BOOL enable);
  virtual void DocumentComplete(os::IDispatch* dispatch, void* url);

  virtual os::HRESULT ShowContextMenu(os::DWORD id, POINT* point, os::IUnknown* commandTarget,
                                      os::IDispatch* object);
  virtual os::HRESULT GetHostInfo(os::DOCHOSTUIINFO* info);
  virtual os::HRESULT ShowUI(os::DWORD id, os::IOleInPlaceActiveObject* activeObject,
                             os::IOleCommandTarget* commandTarget, os::IOleInPlaceFrame* frame,
                             os::IOleInPlaceUIWindow* document);
  virtual os::HRESULT HideUI();
  virtual os::HRESULT UpdateUI();
  virtual os::HRESULT EnableModeless(os::BOOL enable);
  virtual os::HRESULT OnDocWindowActivate(os::BOOL activate);
  virtual os::HRESULT OnFrameWindowActivate(os::BOOL activate);
  virtual os::HRESULT ResizeBorder(const RECT* border, os::IOleInPlaceUIWindow* uiWindow,
                                   os::BOOL frameWindow);
  virtual os::HRESULT TranslateAccelerator(os::MSG* message, const os::GUID* commandGroup,
                                           os::DWORD commandId);
  virtual os::HRESULT GetOptionKeyPath(std::u16string* key, os::DWORD reserved);
  virtual os::HRESULT GetDropTarget(os::IDropTarget* dropTarget, os::IDropTarget** replacement);
  virtual os::HRESULT GetExternal(os::IDispatch** external);
  virtual os::HRESULT TranslateUrl(os::DWORD translate, os::LPCOLESTR urlIn, std::u16string* urlOut);
  virtual os::HRESULT FilterDataObject(os::IDataObject* data, os::IDataObject** filtered);
  virtual os::HRESULT Download(os::IMoniker* moniker, os::IBindCtx* context, os::DWORD bindVerb,
                               os::LONG bindFlags, os::BINDINFO* bindInfo, os::LPCOLESTR headers,
                               os::LPCOLESTR redirect, os::UINT codePage);

 protected:
  // Handlers are owned by whoever installs them; the control deletes only
  // its own default one.
  ~CWebBrowserEventHandler() = default;
  friend class CWebBrowserUI;
};

class CWebBrowserUI : public CActiveXUI,
                      public os::IDocHostUIHandler,
                      public os::IServiceProvider,
                      public os::IOleCommandTarget,
                      public os::IDispatch,
                      public ITranslateAccelerator {
 public:
  CWebBrowserUI();
  ~CWebBrowserUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  // Null, or the handler already installed, is ignored; the previous handler
  // is not freed.
  void SetWebBrowserEventHandler(CWebBrowserEventHandler* handler);
  CWebBrowserEventHandler* GetWebBrowserEventHandler() const { return handler_; }

  void Navigate2(std::u16string_view url);
  void Navigate(std::u16string_view url);
  void Refresh();
  os::IWebBrowser2* GetWebBrowser2() const { return webBrowser_.get(); }
  const std::u16string& GetHomePage() const { return homePage_; }
  void SetHomePage(std::u16string_view url) { homePage_ = url; }
  bool IsAutoNavigation() const { return autoNavigate_; }
  void SetAutoNavigation(bool on) { autoNavigate_ = on; }

  // The hosted object's interface; E_POINTER for a null out pointer.
  os::HRESULT GetControl(const os::IID& iid, void** object) { return CActiveXUI::GetControl(iid, object); }

  void ReleaseControl() override;
  bool DoCreateControl() override;

  // IUnknown, shared by the host interfaces.
  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG OS_STDCALL AddRef() override;
  os::ULONG OS_STDCALL Release() override;

  // IDispatch: the event sink of DWebBrowserEvents2.
  os::HRESULT OS_STDCALL GetTypeInfoCount(os::UINT* count) override;
  os::HRESULT OS_STDCALL GetTypeInfo(os::UINT index, os::LCID locale, os::ITypeInfo** info) override;
  os::HRESULT OS_STDCALL GetIDsOfNames(const os::IID& riid, os::LPOLESTR* names, os::UINT count,
                                       os::LCID locale, os::DISPID* ids) override;
  os::HRESULT OS_STDCALL Invoke(os::DISPID member, const os::IID& riid, os::LCID locale, os::WORD flags,
                                os::DISPPARAMS* params, os::VARIANT* result, os::EXCEPINFO* exception,
                                os::UINT* argumentError) override;

  // IDocHostUIHandler
  os::HRESULT OS_STDCALL ShowContextMenu(os::DWORD id, POINT* screenPoint, os::IUnknown* commandTarget,
                                         os::IDispatch* object) override;
  os::HRESULT OS_STDCALL GetHostInfo(os::DOCHOSTUIINFO* info) override;
  os::HRESULT OS_STDCALL ShowUI(os::DWORD id, os::IOleInPlaceActiveObject* activeObject,
                                os::IOleCommandTarget* commandTarget, os::IOleInPlaceFrame* frame,
                                os::IOleInPlaceUIWindow* document) override;
  os::HRESULT OS_STDCALL HideUI() override;
  os::HRESULT OS_STDCALL UpdateUI() override;
  os::HRESULT OS_STDCALL EnableModeless(os::BOOL enable) override;
  os::HRESULT OS_STDCALL OnDocWindowActivate(os::BOOL activate) override;
  os::HRESULT OS_STDCALL OnFrameWindowActivate(os::BOOL activate) override;
  os::HRESULT OS_STDCALL ResizeBorder(const RECT* border, os::IOleInPlaceUIWindow* uiWindow,
                                      os::BOOL frameWindow) override;
  os::HRESULT OS_STDCALL TranslateAccelerator(os::MSG* message, const os::GUID* commandGroup,
                                              os::DWORD commandId) override;
  os::HRESULT OS_STDCALL GetOptionKeyPath(std::u16string* key, os::DWORD reserved) override;
  os::HRESULT OS_STDCALL GetDropTarget(os::IDropTarget* dropTarget, os::IDropTarget** replacement) override;
  os::HRESULT OS_STDCALL GetExternal(os::IDispatch** external) override;
  os::HRESULT OS_STDCALL TranslateUrl(os::DWORD translate, os::LPCOLESTR urlIn,
                                      std::u16string* urlOut) override;
  os::HRESULT OS_STDCALL FilterDataObject(os::IDataObject* data, os::IDataObject** filtered) override;

  // IServiceProvider: the download manager.
  os::HRESULT OS_STDCALL QueryService(const os::GUID& service, const os::IID& riid, void** object) override;

  // IOleCommandTarget: script errors keep scripts running without a dialog.
  os::HRESULT OS_STDCALL QueryStatus(const os::GUID* group, os::ULONG count, os::OLECMD* commands,
                                     os::OLECMDTEXT* text) override;
  os::HRESULT OS_STDCALL Exec(const os::GUID* group, os::DWORD command, os::DWORD option, os::VARIANT* in,
                              os::VARIANT* out) override;

  // ITranslateAccelerator: keys for the browser while it has the focus.
  os::LRESULT TranslateAccelerator(os::MSG* msg) override;

 protected:
  void Subscribe();
  void Unsubscribe();

  os::ComPtr<os::IWebBrowser2> webBrowser_;
  std::atomic<os::ULONG> refCount_{0};
  os::DWORD cookie_ = 0;
  std::u16string homePage_;
  bool autoNavigate_ = false;
  CWebBrowserEventHandler* handler_ = nullptr;
  CWebBrowserEventHandler defaultHandler_;
  class DownloadManager;
};

}  // namespace Kesto
