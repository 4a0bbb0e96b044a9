// The browser control's host interfaces, called as the browser calls them.
#include "controls/WebBrowser.h"

#include <gtest/gtest.h>

namespace {

using namespace os;

class RecordingHandler : public Kesto::CWebBrowserEventHandler {
 public:
  void BeforeNavigate2(IDispatch*, void* url, void*, void*, void*, void*, void* cancel) override {
    urls.push_back(*VariantString(*static_cast<VARIANT**>(url)));
    **static_cast<VARIANT_BOOL**>(cancel) = VARIANT_TRUE;
  }
  void CommandStateChange(LONG command, VARIANT_BOOL enable) override {
    commands.emplace_back(command, enable);
  }
  std::vector<std::u16string> urls;
  std::vector<std::pair<LONG, VARIANT_BOOL>> commands;
};

TEST(WebBrowserHost, EventDispatchRoutesKnownIdsAndRefusesTheRest) {
  Kesto::CWebBrowserUI browser;
  RecordingHandler handler;
  browser.SetWebBrowserEventHandler(&handler);

  EXPECT_EQ(browser.Invoke(9999, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(browser.Invoke(DISPID_STATUSTEXTCHANGE, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                           nullptr),
            S_OK);
  EXPECT_EQ(browser.Invoke(DISPID_STATUSTEXTCHANGE, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr,
                           nullptr, nullptr),
            E_INVALIDARG);

  // BeforeNavigate2 as the browser fires it: arguments reversed, by reference.
  VARIANT url = VARIANT::String(u"http://x/a");
  VARIANT empty;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[7] = {VARIANT::Ref(&cancel),
                     VARIANT::Ref(&empty),
                     VARIANT::Ref(&empty),
                     VARIANT::Ref(&empty),
                     VARIANT::Ref(&empty),
                     VARIANT::Ref(&url),
                     VARIANT()};
  DISPPARAMS params;
  params.rgvarg = args;
  params.cArgs = 7;
  EXPECT_EQ(browser.Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                           nullptr),
            S_OK);
  EXPECT_EQ(handler.urls, (std::vector<std::u16string>{u"http://x/a"}));
  EXPECT_EQ(cancel, VARIANT_TRUE);

  VARIANT command[2] = {VARIANT::Bool(true), VARIANT::Int(CSC_NAVIGATEBACK)};
  params.rgvarg = command;
  params.cArgs = 2;
  browser.Invoke(DISPID_COMMANDSTATECHANGE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  EXPECT_EQ(handler.commands, (std::vector<std::pair<LONG, VARIANT_BOOL>>{{CSC_NAVIGATEBACK, VARIANT_TRUE}}));

  // A short argument list is refused instead of read past its end.
  params.cArgs = 1;
  EXPECT_EQ(browser.Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                           nullptr),
            DISP_E_BADPARAMCOUNT);
}

TEST(WebBrowserHost, ScriptErrorsKeepScriptsRunningAndOtherCommandsAreRefused) {
  Kesto::CWebBrowserUI browser;
  VARIANT out;
  EXPECT_EQ(browser.Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out), S_OK);
  EXPECT_EQ(out.vt, VT_BOOL);
  EXPECT_EQ(out.boolVal, VARIANT_TRUE);
  EXPECT_EQ(browser.Exec(&CGID_DocHostCommandHandler, 41, 0, nullptr, &out), OLECMDERR_E_NOTSUPPORTED);
  EXPECT_EQ(browser.Exec(&CGID_MSHTML, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out), OLECMDERR_E_UNKNOWNGROUP);
  EXPECT_EQ(browser.Exec(nullptr, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out), OLECMDERR_E_UNKNOWNGROUP);
}

TEST(WebBrowserHost, DefaultHandlerAnswersAndTheDownloadServiceForwards) {
  Kesto::CWebBrowserUI browser;
  DOCHOSTUIINFO info;
  info.dwFlags = DOCHOSTUIFLAG_DIALOG;
  info.pchHostCss = u"body{}";
  EXPECT_EQ(browser.GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_NO3DBORDER);
  EXPECT_TRUE(info.pchHostCss.empty());
  EXPECT_EQ(browser.ShowContextMenu(0, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(browser.ShowUI(0, nullptr, nullptr, nullptr, nullptr), S_FALSE);
  EXPECT_EQ(browser.GetExternal(nullptr), E_NOTIMPL);

  ComPtr<IDownloadManager> download;
  ASSERT_EQ(browser.QueryService(SID_SDownloadManager, IID_IDownloadManager, download.put_void()), S_OK);
  EXPECT_EQ(download->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, 0), S_OK);
  ComPtr<IUnknown> none;
  EXPECT_EQ(browser.QueryService(IID_IWebBrowser2, IID_IUnknown, none.put_void()), E_NOINTERFACE);
  EXPECT_FALSE(none);
}

TEST(WebBrowserHost, ClassIdsAreRefusedWhenTheyConvertToNothing) {
  Kesto::CActiveXUI control;
  EXPECT_FALSE(control.CreateControl(u"{not a guid}"));
  EXPECT_FALSE(control.CreateControl(u"No.Such.ProgId"));
  EXPECT_TRUE(control.CreateControl(u"Shell.Explorer.2"));
  EXPECT_EQ(control.GetClisd(), CLSID_WebBrowser);
  EXPECT_FALSE(control.IsCreated());  // delayed until placed
  void* object = nullptr;
  EXPECT_EQ(control.GetControl(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(control.GetControl(IID_IUnknown, &object), E_FAIL);
}

}  // namespace
