// The com group's win32 flavour against the real system: our ids and
// structures are the system's, our objects are called through the system's
// vtables, automation values survive oleaut32, and the URL cache, cookies
// and the Web Browser class behave as our callers rely on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "ComTestSupport.h"
#include "platform/base/Unicode.h"
#include "platform/com/Com.h"
#include "platform/com/CookieJar.h"
#include "platform/com/Ole.h"
#include "platform/com/UrlCache.h"
#include "platform/com/Variant.h"
#include "platform/com/WebBrowser.h"
// The system headers last: their macros (S_OK, E_FAIL...) would rename ours,
// so below the results are written unqualified; their values are ours.
#include "platform/com/win32/Automation.h"

namespace {

using comtest::EventSource;
using comtest::RecordingSink;

template <class A, class B>
bool SameGuid(const A& a, const B& b) {
  static_assert(sizeof(A) == 16 && sizeof(B) == 16);
  return std::memcmp(&a, &b, 16) == 0;
}

// ---------------------------------------------------------------------------
// Ids

struct IdCase {
  const char* name;
  os::GUID ours;
  const ::GUID* system;
};

class SystemIdTest : public ::testing::TestWithParam<IdCase> {};

TEST_P(SystemIdTest, OurIdIsTheSystems) {
  EXPECT_TRUE(SameGuid(GetParam().ours, *GetParam().system))
      << GetParam().name << ": ours " << os::Utf16ToUtf8(os::StringFromGUID(GetParam().ours));
}

const IdCase kIds[] = {
    {"IUnknown", os::IID_IUnknown, &IID_IUnknown},
    {"IClassFactory", os::IID_IClassFactory, &IID_IClassFactory},
    {"IDispatch", os::IID_IDispatch, &IID_IDispatch},
    {"IOleWindow", os::IID_IOleWindow, &IID_IOleWindow},
    {"IOleObject", os::IID_IOleObject, &IID_IOleObject},
    {"IOleInPlaceObject", os::IID_IOleInPlaceObject, &IID_IOleInPlaceObject},
    {"IOleInPlaceObjectWindowless", os::IID_IOleInPlaceObjectWindowless, &IID_IOleInPlaceObjectWindowless},
    {"IOleInPlaceActiveObject", os::IID_IOleInPlaceActiveObject, &IID_IOleInPlaceActiveObject},
    {"IOleControl", os::IID_IOleControl, &IID_IOleControl},
    {"IPersist", os::IID_IPersist, &IID_IPersist},
    {"IPersistStreamInit", os::IID_IPersistStreamInit, &IID_IPersistStreamInit},
    {"IObjectWithSite", os::IID_IObjectWithSite, &IID_IObjectWithSite},
    {"IViewObject", os::IID_IViewObject, &IID_IViewObject},
    {"IViewObject2", os::IID_IViewObject2, &IID_IViewObject2},
    {"IViewObjectEx", os::IID_IViewObjectEx, &IID_IViewObjectEx},
    {"IOleClientSite", os::IID_IOleClientSite, &IID_IOleClientSite},
    {"IOleInPlaceUIWindow", os::IID_IOleInPlaceUIWindow, &IID_IOleInPlaceUIWindow},
    {"IOleInPlaceFrame", os::IID_IOleInPlaceFrame, &IID_IOleInPlaceFrame},
    {"IOleInPlaceSite", os::IID_IOleInPlaceSite, &IID_IOleInPlaceSite},
    {"IOleInPlaceSiteEx", os::IID_IOleInPlaceSiteEx, &IID_IOleInPlaceSiteEx},
    {"IOleInPlaceSiteWindowless", os::IID_IOleInPlaceSiteWindowless, &IID_IOleInPlaceSiteWindowless},
    {"IOleControlSite", os::IID_IOleControlSite, &IID_IOleControlSite},
    {"IParseDisplayName", os::IID_IParseDisplayName, &IID_IParseDisplayName},
    {"IEnumUnknown", os::IID_IEnumUnknown, &IID_IEnumUnknown},
    {"IOleContainer", os::IID_IOleContainer, &IID_IOleContainer},
    {"IConnectionPoint", os::IID_IConnectionPoint, &IID_IConnectionPoint},
    {"IConnectionPointContainer", os::IID_IConnectionPointContainer, &IID_IConnectionPointContainer},
    {"IServiceProvider", os::IID_IServiceProvider, &IID_IServiceProvider},
    {"IOleCommandTarget", os::IID_IOleCommandTarget, &IID_IOleCommandTarget},
    {"IWebBrowser2", os::IID_IWebBrowser2, &IID_IWebBrowser2},
    {"IHTMLElement", os::IID_IHTMLElement, &IID_IHTMLElement},
    {"IHTMLElementCollection", os::IID_IHTMLElementCollection, &IID_IHTMLElementCollection},
    {"IHTMLDocument2", os::IID_IHTMLDocument2, &IID_IHTMLDocument2},
    {"IHTMLDocument", os::IID_IHTMLDocument, &IID_IHTMLDocument},
    {"IDocHostUIHandler", os::IID_IDocHostUIHandler, &IID_IDocHostUIHandler},
    {"ICustomDoc", os::IID_ICustomDoc, &__uuidof(::ICustomDoc)},
    {"CLSID_WebBrowser", os::CLSID_WebBrowser, &CLSID_WebBrowser},
    {"DIID_DWebBrowserEvents2", os::DIID_DWebBrowserEvents2, &DIID_DWebBrowserEvents2},
};

INSTANTIATE_TEST_SUITE_P(Win32Com, SystemIdTest, ::testing::ValuesIn(kIds),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// GUID text, apartments, class registration

TEST(Win32ComGuidText, ClassIdsReadAndWriteInRegistryForm) {
  os::CLSID read;
  EXPECT_EQ(os::CLSIDFromString(u"{8856f961-340a-11d0-a96b-00c04fd705a2}", &read), S_OK);
  EXPECT_EQ(read, os::CLSID_WebBrowser);
  EXPECT_EQ(os::StringFromGUID(os::CLSID_WebBrowser), u"{8856F961-340A-11D0-A96B-00C04FD705A2}");

  std::u16string small(38, u'x');  // one short of the terminator
  EXPECT_EQ(os::StringFromGUID2(os::CLSID_WebBrowser, small.data(), static_cast<int>(small.size())), 0);
  std::u16string fits(39, u'x');
  EXPECT_EQ(os::StringFromGUID2(os::CLSID_WebBrowser, fits.data(), static_cast<int>(fits.size())), 39);
  EXPECT_EQ(fits.substr(0, 38), os::StringFromGUID(os::CLSID_WebBrowser));
  EXPECT_EQ(fits[38], u'\0');
}

TEST(Win32ComGuidText, MalformedTextAndUnknownNamesGiveTheNullClassId) {
  for (const char16_t* text :
       {u"{8856F961-340A-11D0-A96B-00C04FD705A}", u"8856F961-340A-11D0-A96B-00C04FD705A2",
        u"{8856F961-340A-11D0-A96B-00C04FD705AG}", u"No.Such.Class.Anywhere", u""}) {
    os::CLSID read = os::CLSID_WebBrowser;
    EXPECT_TRUE(FAILED(os::CLSIDFromString(text, &read))) << os::Utf16ToUtf8(text);
    EXPECT_EQ(read, os::CLSID_NULL) << os::Utf16ToUtf8(text);
  }
  os::CLSID read = os::CLSID_WebBrowser;
  EXPECT_EQ(os::CLSIDFromString(nullptr, &read), CO_E_CLASSSTRING);
  EXPECT_EQ(read, os::CLSID_NULL);
  EXPECT_EQ(os::CLSIDFromString(u"{8856F961-340A-11D0-A96B-00C04FD705A2}", nullptr), E_INVALIDARG);
  read = os::CLSID_WebBrowser;
  EXPECT_EQ(os::CLSIDFromProgID(u"No.Such.Class.Anywhere", &read), CO_E_CLASSSTRING);
  EXPECT_EQ(read, os::CLSID_NULL);
}

TEST(Win32ComGuidText, TheBrowserProgIdNamesTheWebBrowserClass) {
  ASSERT_EQ(os::CoInitialize(nullptr), S_OK);
  os::CLSID read;
  EXPECT_EQ(os::CLSIDFromProgID(u"Shell.Explorer.2", &read), S_OK);
  EXPECT_EQ(read, os::CLSID_WebBrowser);
  os::CoUninitialize();
}

TEST(Win32ComApartment, InitialisationIsCountedAndCreationNeedsIt) {
  std::thread([] {
    void* object = nullptr;
    EXPECT_EQ(os::CoCreateInstance(os::CLSID_WebBrowser, nullptr, os::CLSCTX_INPROC_SERVER, os::IID_IUnknown,
                                   &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(os::CoInitialize(nullptr), S_OK);
    EXPECT_EQ(os::CoInitialize(nullptr), S_FALSE);
    os::CoUninitialize();
    os::CoUninitialize();
  }).join();
}

class Win32ComTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(os::CoInitialize(nullptr))); }
  void TearDown() override { os::CoUninitialize(); }
};

// {5E0B7A11-2C3D-4F5E-8A9B-0C1D2E3F4A5B}
constexpr os::CLSID kOurClass{0x5E0B7A11, 0x2C3D, 0x4F5E, {0x8A, 0x9B, 0x0C, 0x1D, 0x2E, 0x3F, 0x4A, 0x5B}};

TEST_F(Win32ComTest, TheSystemCreatesOurRegisteredClassUntilItIsRevoked) {
  int made = 0;
  os::ComPtr<os::IClassFactory> factory = os::MakeClassFactory([&](const os::IID& riid, void** object) {
    ++made;
    os::ComPtr<EventSource> source = os::ComPtr<EventSource>::Adopt(new EventSource());
    return source->QueryInterface(riid, object);
  });
  os::DWORD cookie = 0;
  ASSERT_EQ(os::CoRegisterClassObject(kOurClass, factory.get(), os::CLSCTX_INPROC_SERVER,
                                      os::REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  EXPECT_NE(cookie, 0u);
  {
    os::ComPtr<os::IConnectionPointContainer> created;
    EXPECT_EQ(os::CoCreateInstance(kOurClass, nullptr, os::CLSCTX_INPROC_SERVER,
                                   os::IID_IConnectionPointContainer, created.put_void()),
              S_OK);
    EXPECT_TRUE(created);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(EventSource::Living(), 1u);
    // Our object through the system's own call, and an interface it lacks.
    ::IUnknown* missing = nullptr;
    EXPECT_EQ(::CoCreateInstance(*reinterpret_cast<const ::CLSID*>(&kOurClass), nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IOleObject, reinterpret_cast<void**>(&missing)),
              E_NOINTERFACE);
    EXPECT_EQ(missing, nullptr);
  }
  EXPECT_EQ(EventSource::Living(), 0u);
  EXPECT_EQ(os::CoRevokeClassObject(cookie), S_OK);
  void* object = nullptr;
  EXPECT_EQ(os::CoCreateInstance(kOurClass, nullptr, os::CLSCTX_INPROC_SERVER, os::IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
}

// Our connection point, driven through the system's declaration of
// IConnectionPointContainer and IConnectionPoint: the slots must be where the
// system expects them.
TEST_F(Win32ComTest, OurConnectionPointAdvisesAndUnadvisesThroughTheSystemsVtable) {
  os::ComPtr<EventSource> source = os::ComPtr<EventSource>::Adopt(new EventSource());
  auto* container = reinterpret_cast<::IConnectionPointContainer*>(
      static_cast<os::IConnectionPointContainer*>(source.get()));
  ::IConnectionPoint* point = nullptr;
  ASSERT_EQ(container->FindConnectionPoint(*reinterpret_cast<const ::IID*>(&comtest::kEventsIid), &point),
            S_OK);
  ASSERT_NE(point, nullptr);
  ::IID which{};
  EXPECT_EQ(point->GetConnectionInterface(&which), S_OK);
  EXPECT_TRUE(SameGuid(which, comtest::kEventsIid));
  ::IConnectionPointContainer* back = nullptr;
  EXPECT_EQ(point->GetConnectionPointContainer(&back), S_OK);
  EXPECT_EQ(back, container);
  if (back) back->Release();

  os::ComPtr<RecordingSink> sink = os::ComPtr<RecordingSink>::Adopt(new RecordingSink());
  ::DWORD cookie = 0;
  ASSERT_EQ(point->Advise(reinterpret_cast<::IUnknown*>(static_cast<os::IDispatch*>(sink.get())), &cookie),
            S_OK);
  EXPECT_EQ(cookie, 1u);
  EXPECT_EQ(sink->References(), 2u);  // ours and the point's

  os::VARIANT args[] = {os::VARIANT::String(u"text"), os::VARIANT::Int(7)};
  os::DISPPARAMS params;
  params.rgvarg = args;
  params.cArgs = 2;
  source->Fire(42, &params);
  ASSERT_EQ(sink->calls.size(), 1u);
  EXPECT_EQ(sink->calls[0].member, 42);
  EXPECT_EQ(os::VariantInteger(&sink->calls[0].args[1]), 7);
  EXPECT_EQ(os::VariantString(&sink->calls[0].args[0]), u"text");

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink->References(), 1u);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  source->Fire(42, &params);
  EXPECT_EQ(sink->calls.size(), 1u);
  point->Release();
}

// ---------------------------------------------------------------------------
// Automation values through oleaut32

struct ValueCase {
  const char* name;
  os::VARIANT value;
};

class Win32AutomationTest : public ::testing::TestWithParam<ValueCase> {};

// Ours → the system's → a copy the system makes → ours again: the same value.
TEST_P(Win32AutomationTest, ValuesSurviveTheSystemsCopy) {
  const os::VARIANT& ours = GetParam().value;
  os::win32::SystemVariant system, copy;
  ASSERT_EQ(os::win32::ToSystem(ours, system.get()), S_OK);
  ASSERT_EQ(::VariantCopy(copy.get(), system.get()), S_OK);
  os::VARIANT back;
  ASSERT_EQ(os::win32::ToOurs(*copy, &back), S_OK);
  EXPECT_EQ(back.vt, ours.vt);
  EXPECT_EQ(os::VariantString(&back), os::VariantString(&ours));
  EXPECT_EQ(os::VariantInteger(&back), os::VariantInteger(&ours));
  if (ours.vt == os::VT_BOOL) {
    EXPECT_EQ(back.boolVal, ours.boolVal);
  }
  if (ours.vt == os::VT_ERROR) {
    EXPECT_EQ(back.scode, ours.scode);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Win32Com, Win32AutomationTest,
    ::testing::Values(
        ValueCase{"Empty", os::VARIANT()}, ValueCase{"Null", os::VARIANT::Null()},
        ValueCase{"Int", os::VARIANT::Int(-123456)}, ValueCase{"UInt", os::VARIANT::UInt(4000000000u)},
        ValueCase{"True", os::VARIANT::Bool(true)}, ValueCase{"False", os::VARIANT::Bool(false)},
        ValueCase{"Missing", os::VARIANT::Missing()}, ValueCase{"Text", os::VARIANT::String(u"about:blank")},
        ValueCase{"EmptyText", os::VARIANT::String(u"")},
        ValueCase{"TextWithZeroAndSurrogates",
                  os::VARIANT::String(std::u16string(u"a\0b\U0001F600\u6e38", 6))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Win32Automation, TheSystemReadsOurConvertedValues) {
  os::win32::SystemVariant number;
  ASSERT_EQ(os::win32::ToSystem(os::VARIANT::Int(42), number.get()), S_OK);
  ASSERT_EQ(::VariantChangeType(number.get(), number.get(), 0, VT_BSTR), S_OK);
  EXPECT_EQ(os::win32::OurText((*number).bstrVal), u"42");

  os::win32::SystemVariant text;
  ASSERT_EQ(os::win32::ToSystem(os::VARIANT::String(u"-17"), text.get()), S_OK);
  EXPECT_EQ(::SysStringLen((*text).bstrVal), 3u);
  ASSERT_EQ(::VariantChangeType(text.get(), text.get(), 0, VT_I4), S_OK);
  EXPECT_EQ((*text).lVal, -17);
}

TEST(Win32Automation, InterfaceReferencesAreBalanced) {
  os::ComPtr<RecordingSink> sink = os::ComPtr<RecordingSink>::Adopt(new RecordingSink());
  {
    os::VARIANT ours = os::VARIANT::Dispatch(sink.get());
    EXPECT_EQ(sink->References(), 2u);
    os::win32::SystemVariant system;
    ASSERT_EQ(os::win32::ToSystem(ours, system.get()), S_OK);
    EXPECT_EQ(sink->References(), 3u);
    os::VARIANT back;
    ASSERT_EQ(os::win32::ToOurs(*system, &back), S_OK);
    EXPECT_EQ(back.pdispVal, static_cast<os::IDispatch*>(sink.get()));
    EXPECT_EQ(sink->References(), 4u);
  }
  EXPECT_EQ(sink->References(), 1u);
}

TEST(Win32Automation, ByReferenceValuesAreReadThroughAndUnknownTypesRefused) {
  os::BSTR target(u"http://lumora.test/");
  os::win32::SystemVariant system;
  ASSERT_EQ(os::win32::ToSystem(os::VARIANT::Ref(&target), system.get()), S_OK);
  EXPECT_EQ((*system).vt, VT_BSTR);
  EXPECT_EQ(os::win32::OurText((*system).bstrVal), u"http://lumora.test/");

  os::win32::SystemVariant array;
  (*array.get()).vt = VT_ARRAY | VT_UI1;  // a byte array we do not carry
  (*array.get()).parray = ::SafeArrayCreateVector(VT_UI1, 0, 4);
  os::VARIANT ours = os::VARIANT::Int(5);
  EXPECT_EQ(os::win32::ToOurs(*array, &ours), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ours.vt, os::VT_EMPTY);
}

// A call the system makes with an event's argument shapes reaches our sink
// with ours, and what the sink writes through the references comes back.
TEST(Win32Automation, CallArgumentsAreConvertedAndReferencesWrittenBack) {
  ::VARIANT url;
  ::VariantInit(&url);
  url.vt = VT_BSTR;
  url.bstrVal = ::SysAllocString(L"http://lumora.test/game");
  ::VARIANT_BOOL cancel = VARIANT_FALSE;
  ::IDispatch* stored = nullptr;
  ::VARIANT args[4];
  for (::VARIANT& a : args) ::VariantInit(&a);
  args[3].vt = VT_BYREF | VT_VARIANT;
  args[3].pvarVal = &url;
  args[2].vt = VT_I4;
  args[2].lVal = 404;
  args[1].vt = VT_BYREF | VT_BOOL;
  args[1].pboolVal = &cancel;
  args[0].vt = VT_BYREF | VT_DISPATCH;
  args[0].ppdispVal = &stored;
  ::DISPPARAMS params{args, nullptr, 4, 0};

  os::ComPtr<RecordingSink> sink = os::ComPtr<RecordingSink>::Adopt(new RecordingSink());
  os::ComPtr<RecordingSink> handed = os::ComPtr<RecordingSink>::Adopt(new RecordingSink());
  sink->cancel = true;
  sink->handOut = handed.get();
  {
    os::win32::ArgumentsAsOurs ours;
    ASSERT_EQ(ours.Load(&params), S_OK);
    sink->Invoke(271, os::IID_NULL, 0, DISPATCH_METHOD, ours.Params(), nullptr, nullptr, nullptr);
    ours.WriteBack();
  }
  ASSERT_EQ(sink->calls.size(), 1u);
  const comtest::Call& call = sink->calls[0];
  ASSERT_EQ(call.args.size(), 4u);
  EXPECT_EQ(os::VariantString(&call.args[3]), u"http://lumora.test/game");
  EXPECT_EQ(os::VariantInteger(&call.args[2]), 404);
  EXPECT_EQ(call.args[1].boolVal, VARIANT_FALSE);
  EXPECT_EQ(cancel, VARIANT_TRUE);
  // The system got an object standing for ours, which comes back as ours.
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(handed->References(), 2u);  // ours and the system's object's
  os::IDispatch* back = os::win32::OurDispatchOf(stored);
  EXPECT_EQ(back, static_cast<os::IDispatch*>(handed.get()));
  if (back) back->Release();
  stored->Release();
  EXPECT_EQ(handed->References(), 1u);
  ::VariantClear(&url);
}

// A system object of no kind the flavour wraps, recording the calls it gets
// in the system's own forms.
class SystemRecorder final : public ::IDispatch {
 public:
  ::HRESULT STDMETHODCALLTYPE QueryInterface(const ::IID& riid, void** object) override {
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ::ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ::ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
  ::HRESULT STDMETHODCALLTYPE GetTypeInfoCount(::UINT* count) override {
    *count = 0;
    return S_OK;
  }
  ::HRESULT STDMETHODCALLTYPE GetTypeInfo(::UINT, ::LCID, ::ITypeInfo**) override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE GetIDsOfNames(const ::IID&, ::LPOLESTR* names, ::UINT, ::LCID,
                                            ::DISPID* ids) override {
    *ids = std::wstring(names[0]) == L"answer" ? 7 : DISPID_UNKNOWN;
    return *ids == 7 ? S_OK : DISP_E_UNKNOWNNAME;
  }
  ::HRESULT STDMETHODCALLTYPE Invoke(::DISPID member, const ::IID&, ::LCID, ::WORD, ::DISPPARAMS* params,
                                     ::VARIANT* result, ::EXCEPINFO*, ::UINT*) override {
    lastMember = member;
    if (params->cArgs != 2 || params->rgvarg[1].vt != VT_BSTR || params->rgvarg[0].vt != VT_I4) {
      return DISP_E_TYPEMISMATCH;
    }
    text = params->rgvarg[1].bstrVal;
    number = params->rgvarg[0].lVal;
    result->vt = VT_BSTR;
    result->bstrVal = ::SysAllocString(L"done");
    return S_OK;
  }
  ::ULONG refs = 1;
  ::DISPID lastMember = 0;
  std::wstring text;
  long number = 0;
};

TEST(Win32Automation, OtherSystemObjectsAreCalledWithTheSystemsArguments) {
  SystemRecorder system;
  os::IDispatch* ours = os::win32::OurDispatchOf(&system);
  ASSERT_NE(ours, nullptr);
  EXPECT_NE(static_cast<void*>(ours), static_cast<void*>(&system));
  std::u16string name = u"answer";
  os::LPOLESTR names[] = {name.data()};
  os::DISPID id = 0;
  EXPECT_EQ(ours->GetIDsOfNames(os::IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 7);

  os::VARIANT args[] = {os::VARIANT::Int(12), os::VARIANT::String(u"hello")};  // reversed: "hello", 12
  os::DISPPARAMS params;
  params.rgvarg = args;
  params.cArgs = 2;
  os::VARIANT result;
  EXPECT_EQ(ours->Invoke(7, os::IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(system.lastMember, 7);
  EXPECT_EQ(system.text, L"hello");
  EXPECT_EQ(system.number, 12);
  EXPECT_EQ(os::VariantString(&result), u"done");

  // Handed back to the system, it is the system's object again.
  ::IDispatch* back = os::win32::SystemDispatchOf(ours);
  EXPECT_EQ(back, &system);
  back->Release();
  ours->Release();
  EXPECT_EQ(system.refs, 1u);
}

}  // namespace
