// Choosing the backend from LUMORA_PLATFORM and the registered factories.
#include <gtest/gtest.h>

#include "platform/headless/Headless.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/window/Backend.h"
#include "testsupport/TempDir.h"

namespace {

int gFactoryCalls = 0;
bool gFactoryFails = false;

std::unique_ptr<os::Backend> TestFactory() {
  ++gFactoryCalls;
  if (gFactoryFails) return nullptr;
  return std::make_unique<os::headless::HeadlessBackend>();
}

class BackendSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFactoryCalls = 0;
    gFactoryFails = false;
  }
  void TearDown() override { os::headless::Reset(); }
};

TEST_F(BackendSelectionTest, ARegisteredFactoryIsUsedWhenNamed) {
  os::RegisterBackendFactory("selection-test", &TestFactory);
  testsupport::ScopedEnv env("LUMORA_PLATFORM", "selection-test");
  os::RestartWindowSystem();
  EXPECT_EQ(gFactoryCalls, 1);
  EXPECT_TRUE(os::headless::IsActive());
}

TEST_F(BackendSelectionTest, AMissingOrFailingBackendFallsBackToHeadless) {
  os::RegisterBackendFactory("selection-test", &TestFactory);
  {
    testsupport::ScopedEnv env("LUMORA_PLATFORM", std::nullopt);  // the default, gtk, is not linked in here
    os::RestartWindowSystem();
    EXPECT_EQ(os::CurrentBackendName(), "headless");
    EXPECT_EQ(gFactoryCalls, 0);
  }
  gFactoryFails = true;
  testsupport::ScopedEnv env("LUMORA_PLATFORM", "selection-test");
  os::RestartWindowSystem();
  EXPECT_EQ(gFactoryCalls, 1);
  EXPECT_EQ(os::CurrentBackendName(), "headless");
}

}  // namespace
