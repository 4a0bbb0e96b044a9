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
  os::ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  os::ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  // IOleControl
  os::HRESULT OS_STDCALL GetControlInfo(os::CONTROLINFO*) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL OnMnemonic(os::MSG*) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL OnAmbientPropertyChange(os::DISPID) override { return os::S_OK; }
  os::HRESULT OS_STDCALL FreezeEvents(os::BOOL) override { return os::S_OK; }
  // IOleObject
  os::HRESULT OS_STDCALL SetClientSite(os::IOleClientSite*) override { return os::S_OK; }
  os::HRESULT OS_STDCALL GetClientSite(os::IOleClientSite**) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL SetHostNames(os::LPCOLESTR, os::LPCOLESTR) override { return os::S_OK; }
  os::HRESULT OS_STDCALL Close(os::DWORD) override { return os::S_OK; }
  os::HRESULT OS_STDCALL SetMoniker(os::DWORD, os::IMoniker*) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL GetMoniker(os::DWORD, os::DWORD, os::IMoniker**) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL InitFromData(os::IDataObject*, os::BOOL, os::DWORD) override {
    return os::E_NOTIMPL;
  }
  os::HRESULT OS_STDCALL GetClipboardData(os::DWORD, os::IDataObject**) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL EnumVerbs(os::IEnumOLEVERB**) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL Update() override { return os::S_OK; }
  os::HRESULT OS_STDCALL IsUpToDate() override { return os::S_OK; }
  os::HRESULT OS_STDCALL GetUserType(os::DWORD, os::LPOLESTR*) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL SetExtent(os::DWORD, os::SIZEL*) override { return os::S_OK; }
  os::HRESULT OS_STDCALL GetExtent(os::DWORD, os::SIZEL*) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL Advise(os::IAdviseSink*, os::DWORD*) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL Unadvise(os::DWORD) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL EnumAdvise(os::IEnumSTATDATA**) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL GetMiscStatus(os::DWORD, os::DWORD* status) override {
    *status = 0;
    return os::S_OK;
  }
  os::HRESULT OS_STDCALL SetColorScheme(os::LOGPALETTE*) override { return os::E_NOTIMPL; }

  virtual ~OleObjectStub() = default;

 private:
  os::RefCount refs_;
};

}  // namespace controltest
