#include "support/ProcessWindow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/headless/Headless.h"
#include "platform/window/Window.h"

namespace {

using namespace os;

class ProcessWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    WNDCLASSEXW wc;
    wc.lpfnWndProc = &DefWindowProc;
    wc.lpszClassName = u"ProcessWindowTest";
    RegisterClassEx(&wc);
  }
  void TearDown() override { headless::Reset(); }

  static HWND Foreign(DWORD pid, DWORD tid, bool visible) {
    headless::ForeignWindowDesc foreign;
    foreign.caption = u"other";
    foreign.processId = pid;
    foreign.threadId = tid;
    foreign.visible = visible;
    return headless::AddForeignWindow(foreign);
  }
};

TEST_F(ProcessWindowTest, FindsTheTopmostWindowOfTheProcessVisibleOrNot) {
  EXPECT_EQ(FindProcessWindow(static_cast<DWORD>(::getpid())), nullptr);
  HWND hiddenOwn = CreateWindowEx(0, u"ProcessWindowTest", u"own", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
  ASSERT_TRUE(hiddenOwn);
  EXPECT_EQ(FindProcessWindow(static_cast<DWORD>(::getpid())), hiddenOwn);

  HWND older = Foreign(4242, 9, false);
  HWND newer = Foreign(4242, 9, true);  // added on top
  EXPECT_EQ(FindProcessWindow(4242), newer);
  DestroyWindow(hiddenOwn);
  headless::RemoveForeignWindow(newer);
  EXPECT_EQ(FindProcessWindow(4242), older);
  EXPECT_EQ(FindProcessWindow(31337), nullptr);
}

TEST_F(ProcessWindowTest, AWindowWithoutAThreadDoesNotCount) {
  Foreign(5000, 0, true);
  EXPECT_EQ(FindProcessWindow(5000), nullptr);
}

}  // namespace
