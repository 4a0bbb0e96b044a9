// A driver run on the headless backend with its log in a temporary file,
// shared by the driver's own tests and the launcher's tests of what it logs.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "Core/UIManager.h"
#include "platform/headless/Headless.h"
#include "platform/window/Resource.h"
#include "testsupport/TempDir.h"

namespace automationtest {

class AutomationDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::headless::Reset();
    Kesto::UIManager::SetProcessInstance(os::ExecutableModule());
  }
  void TearDown() override {
    os::headless::Reset();
    // However the test ended: a failed assertion leaves before any close.
    if (log_ != nullptr) std::fclose(log_);
  }

  std::string LogText() {
    std::fflush(log_);
    return testsupport::ReadFileBytes(logPath_);
  }

  testsupport::TempDir dir_;
  std::filesystem::path logPath_ = dir_.path() / "automation.log";
  std::FILE* log_ = std::fopen(logPath_.c_str(), "w");
};

}  // namespace automationtest
