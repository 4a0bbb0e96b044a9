// The Flash player hosted as an ActiveX control: the control asks the
// component registry for the player's class and, once the player exists,
// subscribes to its event interface and hands the events to a replaceable
// handler.
//
// Where the player is not installed (there is none for this platform) the
// class registry does not know the class: creation fails as it does on a
// machine without the player, the control stays empty (like every host it
// draws nothing of its own: what lies behind it shows) and the window around it goes on working.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "controls/ActiveX.h"
#include "platform/com/Variant.h"

namespace Kesto {

// The player's class and its outgoing event interface.
inline constexpr os::CLSID CLSID_ShockwaveFlash{
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr os::IID DIID_ShockwaveFlashEvents{
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// What the application does with the player's events; every operation has
// an empty default.
class IFlashEventHandler {
 public:
  virtual ~IFlashEventHandler() = default;
  virtual void OnReadyStateChange(os::LONG /*state*/) {}
  virtual void OnProgress(os::LONG /*percentDone*/) {}
  virtual void FSCommand(std::u16string_view /*command*/, std::u16string_view /*args*/) {}
  virtual void FlashCall(std::u16string_view /*request*/) {}
};

class CFlashUI : public CActiveXUI, public os::IDispatch {
 public:
  // Dispatch ids of the player's events.
  static constexpr os::DISPID kReadyStateChange = -609;
  static constexpr os::DISPID kProgress = 0x7A6;
  static constexpr os::DISPID kFSCommand = 0x96;
  static constexpr os::DISPID kFlashCall = 0xC5;

  CFlashUI();
  ~CFlashUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  bool DoCreateControl() override;
  void ReleaseControl() override;

  // Not owned; null drops the handler.
  void SetFlashEventHandler(IFlashEventHandler* handler) { handler_ = handler; }
  IFlashEventHandler* GetFlashEventHandler() const { return handler_; }
  // Whether the control is advised on the player's event interface.
  bool IsSubscribed() const { return cookie_ != 0; }

  // IUnknown: the control's life follows its container; the counts only
  // record the references the player holds.
  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override;
  os::ULONG OS_STDCALL AddRef() override { return refCount_.fetch_add(1) + 1; }
  os::ULONG OS_STDCALL Release() override { return refCount_.fetch_sub(1) - 1; }

  // IDispatch: the event sink.
  os::HRESULT OS_STDCALL GetTypeInfoCount(os::UINT* count) override;
  os::HRESULT OS_STDCALL GetTypeInfo(os::UINT index, os::LCID locale, os::ITypeInfo** info) override;
  os::HRESULT OS_STDCALL GetIDsOfNames(const os::IID& riid, os::LPOLESTR* names, os::UINT count,
                                       os::LCID locale, os::DISPID* ids) override;
  os::HRESULT OS_STDCALL Invoke(os::DISPID member, const os::IID& riid, os::LCID locale, os::WORD flags,
                                os::DISPPARAMS* params, os::VARIANT* result, os::EXCEPINFO* exception,
                                os::UINT* argumentError) override;

 private:
  void Subscribe();
  void Unsubscribe();

  IFlashEventHandler* handler_ = nullptr;
  os::DWORD cookie_ = 0;
  std::atomic<os::ULONG> refCount_{0};
};

}  // namespace Kesto
