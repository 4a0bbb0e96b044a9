#include "ComTestSupport.h"

#include <atomic>

namespace comtest {

namespace {
std::atomic<os::ULONG> livingSources{0};
}

os::HRESULT RecordingSink::QueryInterface(const os::IID& riid, void** object) {
  if (!object) return os::E_POINTER;
  *object = nullptr;
  if (os::AnswerInterface<os::IUnknown>(riid, this, object) ||
      os::AnswerInterface<os::IDispatch>(riid, this, object)) {
    return os::S_OK;
  }
  return os::E_NOINTERFACE;
}

os::HRESULT RecordingSink::Invoke(os::DISPID member, const os::IID& riid, os::LCID, os::WORD,
                                  os::DISPPARAMS* params, os::VARIANT*, os::EXCEPINFO*, os::UINT*) {
  if (riid != os::IID_NULL) return os::E_INVALIDARG;
  Call call;
  call.member = member;
  for (os::UINT i = 0; params && i < params->cArgs; ++i) {
    os::VARIANT& arg = params->rgvarg[i];
    if (arg.vt == (os::VT_BYREF | os::VT_BOOL)) {
      call.args.push_back(os::VARIANT::Bool(*arg.pboolVal != 0));
      if (cancel) *arg.pboolVal = os::VARIANT_TRUE;
    } else if (arg.vt == (os::VT_BYREF | os::VT_DISPATCH)) {
      call.args.push_back(os::VARIANT::Dispatch(*arg.ppdispVal));
      if (handOut) {
        handOut->AddRef();
        *arg.ppdispVal = handOut;
      }
    } else if (const os::VARIANT* target = os::VariantTarget(&arg)) {
      call.args.push_back(*target);
    } else {
      call.args.emplace_back();
    }
  }
  calls.push_back(std::move(call));
  return os::S_OK;
}

EventSource::EventSource() {
  ++livingSources;
  point_ = os::ComPtr<os::DispatchConnectionPoint>::Adopt(new os::DispatchConnectionPoint(kEventsIid, this));
}

EventSource::~EventSource() {
  point_->Detach();
  --livingSources;
}

os::ULONG EventSource::Living() { return livingSources.load(); }

os::HRESULT EventSource::QueryInterface(const os::IID& riid, void** object) {
  if (!object) return os::E_POINTER;
  *object = nullptr;
  if (os::AnswerInterface<os::IUnknown>(riid, this, object) ||
      os::AnswerInterface<os::IConnectionPointContainer>(riid, this, object)) {
    return os::S_OK;
  }
  return os::E_NOINTERFACE;
}

os::HRESULT EventSource::EnumConnectionPoints(os::IEnumConnectionPoints** points) {
  if (points) *points = nullptr;
  return os::E_NOTIMPL;
}

os::HRESULT EventSource::FindConnectionPoint(const os::IID& riid, os::IConnectionPoint** point) {
  if (!point) return os::E_POINTER;
  *point = nullptr;
  if (riid != kEventsIid) return os::CONNECT_E_NOCONNECTION;
  point_->AddRef();
  *point = point_.get();
  return os::S_OK;
}

}  // namespace comtest
