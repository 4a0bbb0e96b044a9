// Where a windowed object's own window goes: objects ask their site for the
// parent window in either order around saying they are in place (the
// system's browser asks first), and in both the answer is the host window at
// the control's place.
#include <gtest/gtest.h>

#include "OleObjectStub.h"
#include "SkinHarness.h"
#include "controls/ActiveX.h"
#include "platform/com/Com.h"
#include "platform/com/Ole.h"

namespace Kesto {
namespace {

using controltest::ComScope;
using controltest::SkinWindow;

// {5E1C0D2A-7B44-4F1E-9A53-2C8D6E0F1B37}
constexpr os::CLSID kWindowedObject = {
    0x5e1c0d2a, 0x7b44, 0x4f1e, {0x9a, 0x53, 0x2c, 0x8d, 0x6e, 0x0f, 0x1b, 0x37}};
constexpr char16_t kWindowedObjectText[] = u"{5E1C0D2A-7B44-4F1E-9A53-2C8D6E0F1B37}";

// A windowed object that activates in place when asked to, asking its site
// for the parent window before or after it says it is in place, and
// remembering what the site answered.
class WindowedObject final : public controltest::OleObjectStub {
 public:
  static inline bool askFirst = false;
  static inline os::HWND parentBefore = nullptr;
  static inline os::HWND parentAfter = nullptr;
  static inline os::RECT placed{};

  os::HRESULT OS_STDCALL QueryInterface(const os::IID& riid, void** object) override {
    *object = nullptr;
    if (os::AnswerInterface<os::IUnknown>(riid, static_cast<os::IOleControl*>(this), object) ||
        os::AnswerInterface<os::IOleControl>(riid, this, object) ||
        os::AnswerInterface<os::IOleObject>(riid, this, object)) {
      return os::S_OK;
    }
    return os::E_NOINTERFACE;
  }

  os::HRESULT OS_STDCALL DoVerb(os::LONG verb, os::MSG*, os::IOleClientSite* client, os::LONG, os::HWND,
                                const os::RECT*) override {
    if (verb != os::OLEIVERB_INPLACEACTIVATE || client == nullptr) return os::E_NOTIMPL;
    os::ComPtr<os::IOleInPlaceSite> site;
    if (os::FAILED(client->QueryInterface(os::IID_IOleInPlaceSite, site.put_void())) || !site)
      return os::E_FAIL;
    if (site->CanInPlaceActivate() != os::S_OK) return os::E_FAIL;
    if (askFirst) site->GetWindow(&parentBefore);
    site->OnInPlaceActivate();
    site->GetWindow(&parentAfter);
    os::ComPtr<os::IOleInPlaceFrame> frame;
    os::ComPtr<os::IOleInPlaceUIWindow> document;
    os::RECT clip{};
    os::OLEINPLACEFRAMEINFO info;
    site->GetWindowContext(frame.put(), document.put(), &placed, &clip, &info);
    return os::S_OK;
  }
  os::HRESULT OS_STDCALL GetUserClassID(os::CLSID* clsid) override {
    *clsid = kWindowedObject;
    return os::S_OK;
  }
};

class ActiveXHostTest : public ::testing::TestWithParam<bool> {};

TEST_P(ActiveXHostTest, TheObjectsWindowGoesIntoTheHostWindowAtTheControlsPlace) {
  ComScope com;
  os::ComPtr<os::IClassFactory> factory = os::MakeClassFactory([](const os::IID& riid, void** out) {
    auto* object = new WindowedObject();
    const os::HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
  });
  os::DWORD cookie = 0;
  ASSERT_EQ(os::CoRegisterClassObject(kWindowedObject, factory.get(), os::CLSCTX_INPROC_SERVER,
                                      os::REGCLS_MULTIPLEUSE, &cookie),
            os::S_OK);
  WindowedObject::askFirst = GetParam();
  WindowedObject::parentBefore = WindowedObject::parentAfter = nullptr;
  {
    SkinWindow window;
    ASSERT_TRUE(window.Load(std::u16string(uR"(<Window size="300,300"><VerticalLayout>
        <Control height="30"/>
        <HorizontalLayout><Control width="2"/><ActiveX name="object" clsid=")") +
                            kWindowedObjectText + uR"("/></HorizontalLayout></VerticalLayout></Window>)"));
    auto* control = window.Find<CActiveXUI>(u"object", u"ActiveX");
    ASSERT_NE(control, nullptr);
    const os::HWND host = control->GetHostWindow();
    ASSERT_NE(host, nullptr);
    EXPECT_NE(host, window.hwnd);
    // One host window, whichever way the object asked.
    if (GetParam()) {
      EXPECT_EQ(WindowedObject::parentBefore, host);
    }
    EXPECT_EQ(WindowedObject::parentAfter, host);
    // It is a child of the skinned window at the control's place, and the
    // object's window fills it from its origin.
    EXPECT_EQ(os::GetParent(host), window.hwnd);
    os::RECT hostRect{};
    ASSERT_TRUE(os::GetWindowRect(host, &hostRect));
    os::POINT corner{hostRect.left, hostRect.top};
    os::ScreenToClient(window.hwnd, &corner);
    EXPECT_EQ(corner.x, 2);
    EXPECT_EQ(corner.y, 30);
    EXPECT_EQ(WindowedObject::placed, (os::RECT{0, 0, 298, 270}));
  }
  EXPECT_EQ(os::CoRevokeClassObject(cookie), os::S_OK);
}

INSTANTIATE_TEST_SUITE_P(AskingOrder, ActiveXHostTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ParentAskedBeforeActivation" : "ParentAskedAfterActivation";
                         });

}  // namespace
}  // namespace Kesto
