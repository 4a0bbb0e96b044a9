// The Flash host on a machine without the player: creation fails as the
// component registry reports it, the control stays empty and the window goes
// on working; the event sink routes the player's events to the handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OleObjectStub.h"
#include "SkinHarness.h"
#include "controls/Flash.h"
#include "platform/com/Com.h"
#include "platform/com/ConnectionPoint.h"

namespace Kesto {
namespace {

using controltest::ComScope;
using controltest::SkinWindow;

TEST(FlashTest, WithoutThePlayerTheControlStaysEmptyAndTheWindowWorks) {
  ComScope com;
  // The class is unknown to the registry, as on a machine without the player.
  os::ComPtr<os::IUnknown> direct;
  EXPECT_EQ(os::CoCreateInstance(CLSID_ShockwaveFlash, nullptr, os::CLSCTX_ALL, os::IID_IUnknown,
                                 direct.put_void()),
            os::REGDB_E_CLASSNOTREG);

  SkinWindow window;
  ASSERT_TRUE(
      window.Load(uR"(<Window size="300,300"><VerticalLayout bkcolor="#FFFFFFFF">
      <Flash name="flash" height="100" bkcolor="#FF0000FF"/>
      <Button name="ok" height="40" text="OK"/>
    </VerticalLayout></Window>)"));
  auto* flash = window.Find<CFlashUI>(u"flash", u"Flash");
  ASSERT_NE(flash, nullptr);
  EXPECT_EQ(flash->GetClass(), u"FlashUI");
  EXPECT_NE(flash->GetInterface(u"ActiveX"), nullptr);
  EXPECT_EQ(flash->GetClisd(), CLSID_ShockwaveFlash);

  // Laid out: creation was tried and failed.
  EXPECT_TRUE(flash->IsCreated());
  os::ComPtr<os::IUnknown> player;
  EXPECT_EQ(flash->GetControl(os::IID_IUnknown, player.put_void()), os::E_FAIL);
  EXPECT_EQ(flash->GetHostWindow(), nullptr);
  EXPECT_FALSE(flash->IsSubscribed());
  EXPECT_EQ(window.Count(u"showactivex"), 0);
  // Hosts draw nothing of their own: the layout's white shows through.
  EXPECT_EQ(window.CountPixels(RECT{0, 0, 300, 100}, 0xFFFFFFFF), 300 * 100);

  // The rest of the window goes on: a click, a relayout, another try.
  window.Click(150, 120);
  EXPECT_EQ(window.Count(u"click"), 1);
  flash->SetFixedHeight(60);
  SkinWindow::Pump();
  EXPECT_EQ(flash->GetPos().bottom, 60);
  EXPECT_FALSE(flash->DoCreateControl());
  EXPECT_FALSE(flash->IsSubscribed());
}

// A stand-in player: the class and event interfaces the host uses, nothing
// else, and one connection point for the player's events.
class FakePlayer final : public controltest::OleObjectStub, public os::IConnectionPointContainer {
 public:
  static inline FakePlayer* last = nullptr;

  FakePlayer() : events_(new os::DispatchConnectionPoint(DIID_ShockwaveFlashEvents, this)) { last = this; }
  ~FakePlayer() {
    if (last == this) last = nullptr;
    events_->Detach();
    events_->Release();
  }
  os::DispatchConnectionPoint& Events() { return *events_; }

  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override {
    *object = nullptr;
    if (os::AnswerInterface<os::IUnknown>(riid, static_cast<os::IOleControl*>(this), object) ||
        os::AnswerInterface<os::IOleControl>(riid, this, object) ||
        os::AnswerInterface<os::IOleObject>(riid, this, object) ||
        os::AnswerInterface<os::IConnectionPointContainer>(riid, this, object)) {
      return os::S_OK;
    }
    return os::E_NOINTERFACE;
  }
  // The container's IUnknown is the object's.
  os::ULONG OS_STDCALL AddRef() override { return OleObjectStub::AddRef(); }
  os::ULONG OS_STDCALL Release() override { return OleObjectStub::Release(); }
  os::HRESULT OS_STDCALL DoVerb(os::LONG, os::MSG*, os::IOleClientSite*, os::LONG, os::HWND,
                                const os::RECT*) override {
    return os::S_OK;
  }
  os::HRESULT OS_STDCALL GetUserClassID(os::CLSID* clsid) override {
    *clsid = CLSID_ShockwaveFlash;
    return os::S_OK;
  }
  // IConnectionPointContainer
  os::HRESULT OS_STDCALL EnumConnectionPoints(os::IEnumConnectionPoints**) override { return os::E_NOTIMPL; }
  os::HRESULT OS_STDCALL FindConnectionPoint(const os::IID& riid, os::IConnectionPoint** point) override {
    *point = nullptr;
    if (riid != DIID_ShockwaveFlashEvents) return os::CONNECT_E_NOCONNECTION;
    events_->AddRef();
    *point = events_;
    return os::S_OK;
  }

 private:
  os::DispatchConnectionPoint* events_;
};

class RecordingFlashHandler : public IFlashEventHandler {
 public:
  void OnReadyStateChange(os::LONG state) override { events.push_back(u"ready " + Number(state)); }
  void OnProgress(os::LONG percent) override { events.push_back(u"progress " + Number(percent)); }
  void FSCommand(std::u16string_view command, std::u16string_view args) override {
    events.push_back(u"fscommand " + std::u16string(command) + u" " + std::u16string(args));
  }
  void FlashCall(std::u16string_view request) override {
    events.push_back(u"call " + std::u16string(request));
  }
  std::vector<std::u16string> events;

 private:
  static std::u16string Number(os::LONG n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
  }
};

// Where a player is installed, the control subscribes to its events when it
// creates it and unsubscribes when it lets it go.
TEST(FlashTest, AnInstalledPlayerIsHostedAndItsEventsReachTheHandler) {
  ComScope com;
  os::ComPtr<os::IClassFactory> factory = os::MakeClassFactory([](const os::IID& riid, void** out) {
    auto* player = new FakePlayer();
    const os::HRESULT hr = player->QueryInterface(riid, out);
    player->Release();
    return hr;
  });
  os::DWORD cookie = 0;
  ASSERT_EQ(os::CoRegisterClassObject(CLSID_ShockwaveFlash, factory.get(), os::CLSCTX_INPROC_SERVER,
                                      os::REGCLS_MULTIPLEUSE, &cookie),
            os::S_OK);
  {
    SkinWindow window;
    ASSERT_TRUE(
        window.Load(uR"(<Window size="300,300"><VerticalLayout>
        <Flash name="flash" height="100"/></VerticalLayout></Window>)"));
    auto* flash = window.Find<CFlashUI>(u"flash", u"Flash");
    ASSERT_NE(flash, nullptr);
    RecordingFlashHandler handler;
    flash->SetFlashEventHandler(&handler);
    ASSERT_NE(FakePlayer::last, nullptr);
    EXPECT_TRUE(flash->IsSubscribed());
    EXPECT_EQ(FakePlayer::last->Events().SinkCount(), 1u);
    EXPECT_EQ(window.Count(u"showactivex"), 1);

    os::VARIANT args[2] = {os::VARIANT::String(u"now"), os::VARIANT::String(u"play")};
    os::DISPPARAMS params;
    params.rgvarg = args;
    params.cArgs = 2;
    FakePlayer::last->Events().Fire(CFlashUI::kFSCommand, &params);
    EXPECT_EQ(handler.events, (std::vector<std::u16string>{u"fscommand play now"}));

    flash->ReleaseControl();
    EXPECT_FALSE(flash->IsSubscribed());
    // The control held the last reference: the player is gone.
    EXPECT_EQ(FakePlayer::last, nullptr);
  }
  EXPECT_EQ(os::CoRevokeClassObject(cookie), os::S_OK);
}

TEST(FlashTest, PlayerEventsReachTheHandlerAndShortCallsAreRefused) {
  CFlashUI flash;
  RecordingFlashHandler handler;
  flash.SetFlashEventHandler(&handler);
  auto invoke = [&](os::DISPID id, std::vector<os::VARIANT> args) {
    os::DISPPARAMS params;
    params.rgvarg = args.data();
    params.cArgs = static_cast<os::UINT>(args.size());
    return flash.Invoke(id, os::IID_NULL, 0, os::DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  };
  EXPECT_EQ(invoke(CFlashUI::kReadyStateChange, {os::VARIANT::Int(4)}), os::S_OK);
  EXPECT_EQ(invoke(CFlashUI::kProgress, {os::VARIANT::Int(55)}), os::S_OK);
  // Arguments come last first: (command, args).
  EXPECT_EQ(invoke(CFlashUI::kFSCommand, {os::VARIANT::String(u"b"), os::VARIANT::String(u"quit")}),
            os::S_OK);
  EXPECT_EQ(invoke(CFlashUI::kFlashCall, {os::VARIANT::String(u"<invoke/>")}), os::S_OK);
  EXPECT_EQ(handler.events, (std::vector<std::u16string>{u"ready 4", u"progress 55", u"fscommand quit b",
                                                         u"call <invoke/>"}));

  EXPECT_EQ(invoke(CFlashUI::kFSCommand, {os::VARIANT::String(u"only")}), os::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(invoke(CFlashUI::kProgress, {}), os::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(invoke(12345, {}), os::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(flash.Invoke(CFlashUI::kProgress, os::IID_IDispatch, 0, os::DISPATCH_METHOD, nullptr, nullptr,
                         nullptr, nullptr),
            os::E_INVALIDARG);
  EXPECT_EQ(handler.events.size(), 4u);

  // The sink answers as the event interface and as IDispatch.
  void* sink = nullptr;
  EXPECT_EQ(flash.QueryInterface(DIID_ShockwaveFlashEvents, &sink), os::S_OK);
  EXPECT_EQ(sink, static_cast<os::IDispatch*>(&flash));
  flash.Release();
}

}  // namespace
}  // namespace Kesto
