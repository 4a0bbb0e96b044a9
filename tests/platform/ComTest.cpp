// Class ids in text, the class registry, reference counting, interface
// identity and the ownership rules of VARIANT.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "BrowserTestSupport.h"
#include "platform/com/Com.h"
#include "platform/com/Variant.h"
#include "platform/com/WebBrowser.h"
#include "platform/headless/Headless.h"

namespace {

using namespace os;
using browsertest::Make;

std::string Text(const GUID& guid) {
  const std::u16string text = StringFromGUID(guid);
  return std::string(text.begin(), text.end());
}

class ComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  }
  void TearDown() override {
    CoUninitialize();
    headless::Reset();
  }
};

// An object that reports its own destruction.
class Probe final : public IDispatch {
 public:
  explicit Probe(bool* destroyed) : destroyed_(destroyed) {}
  ~Probe() { *destroyed_ = true; }
  HRESULT OS_STDCALL QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (AnswerInterface<IUnknown>(riid, this, object) || AnswerInterface<IDispatch>(riid, this, object))
      return S_OK;
    return E_NOINTERFACE;
  }
  ULONG OS_STDCALL AddRef() override { return refs_.Add(); }
  ULONG OS_STDCALL Release() override { return refs_.Release(this); }
  HRESULT OS_STDCALL GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT OS_STDCALL Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return S_OK;
  }
  ULONG Count() const { return refs_.Value(); }

 private:
  RefCount refs_;
  bool* destroyed_;
};

TEST(GuidTextTest, ClassIdsReadAndWriteInRegistryForm) {
  CLSID clsid;
  EXPECT_EQ(CLSIDFromString(u"{8856F961-340A-11D0-A96B-00C04FD705A2}", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_WebBrowser);
  EXPECT_EQ(CLSIDFromString(u"{8856f961-340a-11d0-a96b-00c04fd705a2}", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_WebBrowser);
  EXPECT_EQ(StringFromGUID(CLSID_WebBrowser), u"{8856F961-340A-11D0-A96B-00C04FD705A2}");
  EXPECT_EQ(StringFromGUID(DIID_DWebBrowserEvents2), u"{34A715A0-6587-11D0-924A-0020AFC7AC4D}");

  // The text form must fit with its terminator.
  char16_t buffer[39];
  EXPECT_EQ(StringFromGUID2(IID_IDispatch, buffer, 38), 0);
  EXPECT_EQ(StringFromGUID2(IID_IDispatch, buffer, 39), 39);
  EXPECT_EQ(std::u16string(buffer), u"{00020400-0000-0000-C000-000000000046}");
}

TEST(GuidTextTest, MalformedTextGivesTheNullClassId) {
  const char16_t* bad[] = {
      u"8856F961-340A-11D0-A96B-00C04FD705A2",     // no braces
      u"{8856F961-340A-11D0-A96B-00C04FD705A2",    // no closing brace
      u"{8856F961-340A-11D0-A96B-00C04FD705A2}x",  // trailing text
      u"{8856F961_340A-11D0-A96B-00C04FD705A2}",   // wrong separator
      u"{8856F96G-340A-11D0-A96B-00C04FD705A2}",   // not hex
      u"{}",
      u"",
      u"No.Such.ProgId",
  };
  for (const char16_t* text : bad) {
    CLSID clsid = CLSID_WebBrowser;
    EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING) << std::string(text, text + 2);
    EXPECT_EQ(clsid, CLSID_NULL);
  }
  CLSID clsid = CLSID_WebBrowser;
  EXPECT_EQ(CLSIDFromString(nullptr, &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid, CLSID_NULL);
}

TEST(GuidTextTest, TheBrowserProgIdsNameTheWebBrowserClass) {
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(u"Shell.Explorer.2", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_WebBrowser);
  EXPECT_EQ(CLSIDFromString(u"shell.explorer", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_WebBrowser);
  EXPECT_EQ(CLSIDFromProgID(u"Shell.Explorer.3", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid, CLSID_NULL);
}

TEST_F(ComTest, InitialisationIsCountedPerThread) {
  // SetUp initialised once already.
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  std::thread other([] {
    ComPtr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IUnknown, object.put_void()),
              CO_E_NOTINITIALIZED);
    EXPECT_FALSE(object);
  });
  other.join();
}

TEST_F(ComTest, TheRegistryCreatesRegisteredAndBuiltInClassesAndRefusesOthers) {
  constexpr CLSID kTestClass{0x12345678, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IUnknown, object.put_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(object);

  int created = 0;
  std::vector<std::unique_ptr<bool>> destroyed;
  ComPtr<IClassFactory> factory = MakeClassFactory([&](REFIID riid, void** out) {
    ++created;
    destroyed.push_back(std::make_unique<bool>(false));
    ComPtr<Probe> probe = Make(new Probe(destroyed.back().get()));
    return probe->QueryInterface(riid, out);
  });
  DWORD cookie = 0;
  ASSERT_EQ(
      CoRegisterClassObject(kTestClass, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
      S_OK);
  EXPECT_NE(cookie, 0u);

  ComPtr<IDispatch> dispatch;
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IDispatch, dispatch.put_void()), S_OK);
  EXPECT_TRUE(dispatch);
  EXPECT_EQ(created, 1);
  // An interface the object lacks: the object is made and dropped again.
  ComPtr<IWebBrowser2> wrong;
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IWebBrowser2, wrong.put_void()),
            E_NOINTERFACE);
  EXPECT_FALSE(wrong);
  ASSERT_EQ(created, 2);
  EXPECT_TRUE(*destroyed[1]);
  // Aggregation is refused.
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(CoCreateInstance(kTestClass, dispatch.get(), CLSCTX_ALL, IID_IUnknown, aggregated.put_void()),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, 0x20, IID_IUnknown, aggregated.put_void()), E_INVALIDARG);

  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IUnknown, object.put_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(*destroyed[0]);  // still held here
  dispatch.reset();
  EXPECT_TRUE(*destroyed[0]);
  EXPECT_EQ(created, 2);  // aggregation and a bad context made nothing

  // The platform's own Web Browser class, in the contexts the host asks for.
  ComPtr<IOleControl> control;
  EXPECT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IOleControl, control.put_void()),
            S_OK);
  EXPECT_TRUE(control);
}

TEST_F(ComTest, ANewerRegistrationOverridesABuiltInClassUntilRevoked) {
  bool destroyed = false;
  ComPtr<IClassFactory> factory = MakeClassFactory([&](REFIID riid, void** out) {
    ComPtr<Probe> probe = Make(new Probe(&destroyed));
    return probe->QueryInterface(riid, out);
  });
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_WebBrowser, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                  &cookie),
            S_OK);
  ComPtr<IWebBrowser2> browser;
  EXPECT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IWebBrowser2, browser.put_void()),
            E_NOINTERFACE);
  ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IWebBrowser2, browser.put_void()),
            S_OK);
}

TEST_F(ComTest, EveryInterfaceOfTheBrowserLeadsToOneIdentity) {
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.put_void()), S_OK);
  const IID interfaces[] = {IID_IDispatch,
                            IID_IWebBrowser2,
                            IID_IOleObject,
                            IID_IOleControl,
                            IID_IOleWindow,
                            IID_IOleInPlaceObject,
                            IID_IOleInPlaceActiveObject,
                            IID_IPersist,
                            IID_IPersistStreamInit,
                            IID_IObjectWithSite,
                            IID_IConnectionPointContainer};
  for (const IID& iid : interfaces) {
    ComPtr<IUnknown> view;
    ASSERT_EQ(unknown->QueryInterface(iid, view.put_void()), S_OK) << Text(iid);
    ComPtr<IUnknown> back;
    ASSERT_EQ(view->QueryInterface(IID_IUnknown, back.put_void()), S_OK);
    EXPECT_EQ(back.get(), unknown.get());
    // And every view answers every other interface.
    ComPtr<IUnknown> browser;
    EXPECT_EQ(view->QueryInterface(IID_IWebBrowser2, browser.put_void()), S_OK);
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(unknown->QueryInterface(IID_IHTMLDocument2, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  // Windowless and view interfaces are not offered: the browser draws in its own window.
  EXPECT_EQ(unknown->QueryInterface(IID_IOleInPlaceObjectWindowless, &none), E_NOINTERFACE);
  EXPECT_EQ(unknown->QueryInterface(IID_IViewObject, &none), E_NOINTERFACE);
}

TEST_F(ComTest, ReferencesAreCountedAcrossThreadsAndTheLastReleaseDeletes) {
  bool destroyed = false;
  auto* probe = new Probe(&destroyed);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([probe] {
      for (int i = 0; i < 10000; ++i) {
        probe->AddRef();
        probe->Release();
        probe->AddRef();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(probe->Count(), 1u + 4u * 10000u);
  for (int i = 0; i < 4 * 10000; ++i) probe->Release();
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(probe->Release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST_F(ComTest, ComPtrHoldsExactlyOneReference) {
  bool destroyed = false;
  auto* raw = new Probe(&destroyed);
  {
    ComPtr<Probe> adopted = ComPtr<Probe>::Adopt(raw);
    EXPECT_EQ(raw->Count(), 1u);
    ComPtr<Probe> copy = adopted;
    EXPECT_EQ(raw->Count(), 2u);
    ComPtr<Probe> moved = std::move(copy);
    EXPECT_EQ(raw->Count(), 2u);
    EXPECT_FALSE(copy);
    ComPtr<IDispatch> asked;
    EXPECT_EQ(moved.As(&asked), S_OK);
    EXPECT_EQ(raw->Count(), 3u);
    ComPtr<IWebBrowser2> wrong;
    EXPECT_EQ(moved.As(&wrong), E_NOINTERFACE);
    EXPECT_TRUE(IsSameObject(asked.get(), static_cast<IDispatch*>(moved.get())));
    moved = nullptr;
    EXPECT_EQ(raw->Count(), 2u);
  }
  EXPECT_TRUE(destroyed);
}

TEST_F(ComTest, VariantsOwnTheirInterfaceReferences) {
  bool destroyed = false;
  auto* raw = new Probe(&destroyed);
  ComPtr<Probe> probe = ComPtr<Probe>::Adopt(raw);
  {
    VARIANT v = VARIANT::Dispatch(raw);
    EXPECT_EQ(v.vt, VT_DISPATCH);
    EXPECT_EQ(raw->Count(), 2u);
    VARIANT copy = v;
    EXPECT_EQ(raw->Count(), 3u);
    VARIANT moved = std::move(copy);
    EXPECT_EQ(copy.vt, VT_EMPTY);
    EXPECT_EQ(raw->Count(), 3u);
    moved = VARIANT::Int(5);  // the replaced value lets go of its reference
    EXPECT_EQ(raw->Count(), 2u);
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(raw->Count(), 1u);
    v = VARIANT::Dispatch(raw);
  }
  EXPECT_EQ(raw->Count(), 1u);
  probe.reset();
  EXPECT_TRUE(destroyed);
}

TEST_F(ComTest, VariantReadersSeeThroughReferences) {
  VARIANT text = VARIANT::String(u"http://a/");
  VARIANT ref = VARIANT::Ref(&text);
  VARIANT refRef = VARIANT::Ref(&ref);
  EXPECT_EQ(VariantString(&refRef), u"http://a/");
  BSTR owned(u"b");
  VARIANT byrefString = VARIANT::Ref(&owned);
  EXPECT_EQ(VariantString(&byrefString), u"b");
  EXPECT_EQ(VariantString(nullptr), std::nullopt);
  VARIANT number = VARIANT::Int(-7);
  EXPECT_EQ(VariantString(&number), std::nullopt);
  VARIANT refNumber = VARIANT::Ref(&number);
  EXPECT_EQ(VariantInteger(&refNumber), -7);
  EXPECT_EQ(VariantInteger(&text), std::nullopt);
  // A loop of references reads as nothing rather than hanging.
  VARIANT a, b;
  a = VARIANT::Ref(&b);
  b = VARIANT::Ref(&a);
  EXPECT_EQ(VariantString(&a), std::nullopt);
  EXPECT_TRUE(VariantIsMissing(&a));

  EXPECT_TRUE(VariantIsMissing(nullptr));
  VARIANT missing = VARIANT::Missing();
  EXPECT_TRUE(VariantIsMissing(&missing));
  EXPECT_FALSE(VariantIsMissing(&text));
  EXPECT_EQ(VARIANT::Bool(true).boolVal, VARIANT_TRUE);
  EXPECT_EQ(VARIANT::Bool(false).boolVal, VARIANT_FALSE);
}

}  // namespace
