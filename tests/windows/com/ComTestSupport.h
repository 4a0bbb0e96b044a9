// Objects of ours for the com group's Windows tests: a dispatch sink that
// records its calls and references, and an object with one event
// connection point, as our COM classes are written.
#pragma once

#include <string>
#include <vector>

#include "platform/com/Com.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/Ole.h"
#include "platform/com/Variant.h"

namespace comtest {

// {B8F1C0D2-5A7E-4C11-9F3A-2E6D8B4C1A90}
constexpr os::IID kEventsIid{0xB8F1C0D2, 0x5A7E, 0x4C11, {0x9F, 0x3A, 0x2E, 0x6D, 0x8B, 0x4C, 0x1A, 0x90}};

struct Call {
  os::DISPID member = 0;
  std::vector<os::VARIANT> args;  // as received, by-reference ones resolved to their values
};

// Records Invoke calls; cancels (VT_BYREF | VT_BOOL arguments) when asked to.
class RecordingSink final : public os::NoAutomation<os::IDispatch> {
 public:
  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  os::ULONG OS_STDCALL Release() override { return refs_.Release(this); }
  os::HRESULT OS_STDCALL Invoke(os::DISPID member, const os::IID& riid, os::LCID, os::WORD,
                                os::DISPPARAMS* params, os::VARIANT*, os::EXCEPINFO*, os::UINT*) override;

  os::ULONG References() const { return refs_.Value(); }
  std::vector<Call> calls;
  bool cancel = false;
  // Stored through a VT_BYREF | VT_DISPATCH argument, with a reference.
  os::IDispatch* handOut = nullptr;

 private:
  ~RecordingSink() = default;
  friend class os::RefCount;
  os::RefCount refs_;
};

// An object of ours with events (kEventsIid).
class EventSource final : public os::IConnectionPointContainer {
 public:
  EventSource();
  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  os::ULONG OS_STDCALL Release() override { return refs_.Release(this); }
  os::HRESULT OS_STDCALL EnumConnectionPoints(os::IEnumConnectionPoints** points) override;
  os::HRESULT OS_STDCALL FindConnectionPoint(const os::IID& riid, os::IConnectionPoint** point) override;

  void Fire(os::DISPID member, os::DISPPARAMS* params) { point_->Fire(member, params); }
  static os::ULONG Living();

 private:
  ~EventSource();
  friend class os::RefCount;
  os::RefCount refs_;
  os::ComPtr<os::DispatchConnectionPoint> point_;
};

}  // namespace comtest
