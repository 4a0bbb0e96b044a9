// The web engine as a module loaded on first use: where it is looked for, and
// what a browser object's creation does when no engine can be loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/com/BrowserEngine.h"
#include "platform/com/Com.h"
#include "platform/com/WebBrowser.h"
#include "platform/gtk/WebEngineModule.h"
#include "platform/window/Backend.h"
#include "testsupport/TempDir.h"

namespace {

using namespace os;

int gLoads = 0;
bool gLoadResult = false;
bool CountingLoader() {
  ++gLoads;
  return gLoadResult;
}
int gClears = 0;
void CountingCleaner() { ++gClears; }

class WebEngineLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    gLoads = 0;
    gClears = 0;
  }
  void TearDown() override {
    RegisterBrowserEngineLoader(CurrentBackendName(), nullptr);
    RegisterWebEngineDataCleaner(CurrentBackendName(), nullptr);
    CoUninitialize();
  }
};

// Without its engine the browser class is as absent as a COM server that is
// not installed; the host then shows its frame without a page.
TEST_F(WebEngineLoaderTest, AMissingEngineMakesTheBrowserClassUnregistered) {
  gLoadResult = false;
  RegisterBrowserEngineLoader(CurrentBackendName(), &CountingLoader);
  RegisterWebEngineDataCleaner(CurrentBackendName(), &CountingCleaner);
  ComPtr<IWebBrowser2> browser;
  EXPECT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IWebBrowser2, browser.put_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(browser);
  EXPECT_GE(gLoads, 1);
  // Nothing to clear through an engine that is not there.
  ClearWebEngineData();
  EXPECT_EQ(gClears, 0);

  gLoadResult = true;
  EXPECT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IWebBrowser2, browser.put_void()),
            S_OK);
  EXPECT_TRUE(browser);
  ClearWebEngineData();
  EXPECT_EQ(gClears, 1);

  // Loading ahead of the first browser asks the same loader; without an
  // engine it changes nothing, and browsers stay unavailable.
  gLoadResult = false;
  const int before = gLoads;
  WarmBrowserEngine();
  EXPECT_EQ(gLoads, before + 1);
  EXPECT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_IWebBrowser2, browser.put_void()),
            REGDB_E_CLASSNOTREG);

  // Without a loader nothing is asked.
  RegisterBrowserEngineLoader(CurrentBackendName(), nullptr);
  const int asked = gLoads;
  EXPECT_TRUE(BrowserEngineAvailable());
  EXPECT_EQ(gLoads, asked);
}

TEST(WebEngineModulePlaces, ChosenPathThenBesideTheProgramThenBuildAndInstallTrees) {
  {
    testsupport::ScopedEnv unset{"LUMORA_WEB_ENGINE_MODULE", std::nullopt};
    const std::vector<std::string> places = gtk::WebEngineModuleCandidates("/opt/m/bin/");
    ASSERT_GE(places.size(), 2u);
    EXPECT_EQ(places[0], "/opt/m/bin/morvaine-webkit.so");
    EXPECT_EQ(places[1], "/opt/m/bin/../lib/morvaine/morvaine-webkit.so");
    if (places.size() > 2) {
      EXPECT_EQ(places[2].rfind("/opt/m/bin/../lib/", 0), 0u);
      EXPECT_EQ(places[2].substr(places[2].size() - 28), "/morvaine/morvaine-webkit.so");
    }
    std::vector<std::string> sorted = places;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "a place is tried twice";
  }
  testsupport::ScopedEnv chosen{"LUMORA_WEB_ENGINE_MODULE", "/elsewhere/engine.so"};
  EXPECT_EQ(gtk::WebEngineModuleCandidates("/opt/m/bin/").front(), "/elsewhere/engine.so");
}

}  // namespace
