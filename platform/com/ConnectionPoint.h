// A connection point for an outgoing dispatch interface: keeps the advised
// sinks and calls them through IDispatch::Invoke. Objects with events own one
// per interface and hand it out from IConnectionPointContainer.
#pragma once

#include <vector>

#include "platform/com/Ole.h"

namespace os {

class DispatchConnectionPoint final : public IConnectionPoint {
 public:
  // container: the owner, not counted; the owner calls Detach() before it
  // goes away. Starts with one reference, the owner's.
  DispatchConnectionPoint(REFIID eventInterface, IConnectionPointContainer* container);

  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override;
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }

  HRESULT OS_STDCALL GetConnectionInterface(IID* iid) override;
  HRESULT OS_STDCALL GetConnectionPointContainer(IConnectionPointContainer** container) override;
  // The sink must answer the event interface or IDispatch
  // (CONNECT_E_CANNOTCONNECT otherwise). Cookies start at 1 and are never
  // reused by this point.
  HRESULT OS_STDCALL Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT OS_STDCALL Unadvise(DWORD cookie) override;
  HRESULT OS_STDCALL EnumConnections(IEnumConnections** connections) override;

  void Detach() { container_ = nullptr; }
  bool HasSinks() const { return !sinks_.empty(); }
  std::size_t SinkCount() const { return sinks_.size(); }

  // Invokes `member` on every sink advised when the call starts (sinks may
  // unadvise, or advise others, from inside their Invoke), in the order they
  // were advised, with DISPATCH_METHOD and IID_NULL. Sinks that went away in
  // the meantime are skipped.
  void Fire(DISPID member, DISPPARAMS* params);

 private:
  ~DispatchConnectionPoint() = default;
  friend class os::RefCount;

  struct Sink {
    DWORD cookie = 0;
    ComPtr<IDispatch> dispatch;
  };

  RefCount refs_;
  IID interface_;
  IConnectionPointContainer* container_;
  std::vector<Sink> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace os
