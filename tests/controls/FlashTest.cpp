// The Flash host on a machine without the player: creation fails as the
// component registry reports it, the control stays empty and the window goes
// on working; the event sink routes the player's events to the handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SkinHarness.h"
#include "controls/Flash.h"
#include "platform/Com.h"

namespace Kesto {
namespace {

using controltest::SkinWindow;

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
