#include "platform/com/ConnectionPoint.h"

#include <algorithm>

namespace os {

DispatchConnectionPoint::DispatchConnectionPoint(REFIID eventInterface, IConnectionPointContainer* container)
    : interface_(eventInterface), container_(container) {}

HRESULT DispatchConnectionPoint::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (AnswerInterface<IUnknown>(riid, this, object) ||
      AnswerInterface<IConnectionPoint>(riid, this, object)) {
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT DispatchConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = interface_;
  return S_OK;
}

HRESULT DispatchConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = container_;
  if (!container_) return E_UNEXPECTED;
  container_->AddRef();
  return S_OK;
}

HRESULT DispatchConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  ComPtr<IDispatch> dispatch;
  if (FAILED(sink->QueryInterface(interface_, dispatch.put_void())) &&
      FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void()))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  if (!dispatch) return CONNECT_E_CANNOTCONNECT;
  Sink entry;
  entry.cookie = nextCookie_++;
  entry.dispatch = std::move(dispatch);
  *cookie = entry.cookie;
  sinks_.push_back(std::move(entry));
  return S_OK;
}

HRESULT DispatchConnectionPoint::Unadvise(DWORD cookie) {
  auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const Sink& s) { return s.cookie == cookie; });
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  ComPtr<IDispatch> released = std::move(it->dispatch);
  sinks_.erase(it);
  return S_OK;  // the sink is released here, after the list is consistent
}

HRESULT DispatchConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections) *connections = nullptr;
  return E_NOTIMPL;
}

void DispatchConnectionPoint::Fire(DISPID member, DISPPARAMS* params) {
  ComPtr<IConnectionPoint> self(this);  // a sink may drop the last other reference
  const std::vector<Sink> snapshot = sinks_;
  for (const Sink& sink : snapshot) {
    const bool stillAdvised =
        std::any_of(sinks_.begin(), sinks_.end(), [&](const Sink& s) { return s.cookie == sink.cookie; });
    if (!stillAdvised) continue;
    sink.dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, nullptr, nullptr,
                          nullptr);
  }
}

}  // namespace os
