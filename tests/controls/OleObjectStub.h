// What the control tests' stand-in objects share: COM started for the test's
// scope, and an in-place object whose interfaces answer as a plain object
// does, so that each stand-in writes only what its test watches (how it
// activates, which class it claims, what else it answers to).
#pragma once

#include "platform/com/Com.h"
#include "platform/com/Ole.h"

namespace controltest {

class ComScope {
 public:
  ComScope() { ok_ = os::SUCCEEDED(os::CoInitialize(nullptr)); }
  ~ComScope() {
    if (ok_) os::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool ok_ = false;
};

// IUnknown beyond reference counting, DoVerb and GetUserClassID are the
// stand-in's own.
class OleObjectStub : public os::IOleControl, public os::IOleObject {
 public:
  os::ULONG AddRef() override { return refs_.Add(); }
  os::ULONG Release() override { return refs_.Release(this); }

  // IOleControl
  os::HRESULT GetControlInfo(os::CONTROLINFO*) override { return os::E_NOTIMPL; }
  os::HRESULT OnMnemonic(os::MSG*) override { return os::E_NOTIMPL; }
  os::HRESULT OnAmbientPropertyChange(os::DISPID) override { return os::S_OK; }
  os::HRESULT FreezeEvents(os::BOOL) override { return os::S_OK; }
  // IOleObject
  os::HRESULT SetClientSite(os::IOleClientSite*) override { return os::S_OK; }
  os::HRESULT GetClientSite(os::IOleClientSite**) override { return os::E_NOTIMPL; }
  os::HRESULT SetHostNames(os::LPCOLESTR, os::LPCOLESTR) override { return os::S_OK; }
  os::HRESULT Close(os::DWORD) override { return os::S_OK; }
  os::HRESULT SetMoniker(os::DWORD, os::IMoniker*) override { return os::E_NOTIMPL; }
  os::HRESULT GetMoniker(os::DWORD, os::DWORD, os::IMoniker**) override { return os::E_NOTIMPL; }
  os::HRESULT InitFromData(os::IDataObject*, os::BOOL, os::DWORD) override { return os::E_NOTIMPL; }
  os::HRESULT GetClipboardData(os::DWORD, os::IDataObject**) override { return os::E_NOTIMPL; }
  os::HRESULT EnumVerbs(os::IEnumOLEVERB**) override { return os::E_NOTIMPL; }
  os::HRESULT Update() override { return os::S_OK; }
  os::HRESULT IsUpToDate() override { return os::S_OK; }
  os::HRESULT GetUserType(os::DWORD, os::LPOLESTR*) override { return os::E_NOTIMPL; }
  os::HRESULT SetExtent(os::DWORD, os::SIZEL*) override { return os::S_OK; }
  os::HRESULT GetExtent(os::DWORD, os::SIZEL*) override { return os::E_NOTIMPL; }
  os::HRESULT Advise(os::IAdviseSink*, os::DWORD*) override { return os::E_NOTIMPL; }
  os::HRESULT Unadvise(os::DWORD) override { return os::E_NOTIMPL; }
  os::HRESULT EnumAdvise(os::IEnumSTATDATA**) override { return os::E_NOTIMPL; }
  os::HRESULT GetMiscStatus(os::DWORD, os::DWORD* status) override {
    *status = 0;
    return os::S_OK;
  }
  os::HRESULT SetColorScheme(os::LOGPALETTE*) override { return os::E_NOTIMPL; }

  virtual ~OleObjectStub() = default;

 private:
  os::RefCount refs_;
};

}  // namespace controltest
