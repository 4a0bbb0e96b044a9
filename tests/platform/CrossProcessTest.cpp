// Windows of other processes: finding them, their process ids, posting to
// them and closing them; and what other processes send to ours.
#include <unistd.h>

#include "WindowTestSupport.h"

namespace wintest {
namespace {

class CrossProcessTest : public WindowTest {};

headless::ForeignWindowDesc ForeignDesc(std::u16string caption, DWORD pid, DWORD tid = 77) {
  headless::ForeignWindowDesc foreign;
  foreign.caption = std::move(caption);
  foreign.className = u"IEWeb";
  foreign.processId = pid;
  foreign.threadId = tid;
  return foreign;
}

TEST_F(CrossProcessTest, FindWindowSearchesEveryProcessByCaptionAndClass) {
  HWND own = Popup({0, 0, 10, 10});
  SetWindowText(own, u"Notepad");
  HWND foreign = headless::AddForeignWindow(ForeignDesc(u"LumoraMorvaine", 4242));
  ASSERT_TRUE(foreign);
  EXPECT_EQ(FindWindow(nullptr, u"LumoraMorvaine"), foreign);
  EXPECT_EQ(FindWindow(nullptr, u"lumoramorvaine"), foreign);  // as on Windows, case does not count
  EXPECT_EQ(FindWindow(u"IEWeb", nullptr), foreign);
  EXPECT_EQ(FindWindow(u"TestPlain", u"LumoraMorvaine"), nullptr);
  EXPECT_EQ(FindWindow(nullptr, u"LumoraMorvain"), nullptr);  // whole captions only
  EXPECT_EQ(GetWindowText(foreign), u"LumoraMorvaine");
  EXPECT_EQ(GetClassName(foreign), u"IEWeb");

  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(foreign, &pid), 77u);
  EXPECT_EQ(pid, 4242u);
  EXPECT_NE(GetWindowThreadProcessId(own, &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(::getpid()));
  EXPECT_EQ(GetWindowThreadProcessId(reinterpret_cast<HWND>(0x4), &pid), 0u);

  // Our own windows come first in the desktop's order.
  SetWindowText(own, u"LumoraMorvaine");
  EXPECT_EQ(FindWindow(nullptr, u"LumoraMorvaine"), own);
  EXPECT_EQ(GetTopWindow(nullptr), own);
  EXPECT_EQ(GetWindow(own, GW_HWNDNEXT), foreign);
  EXPECT_EQ(GetWindow(foreign, GW_HWNDNEXT), nullptr);
}

TEST_F(CrossProcessTest, PostingAndClosingReachTheOtherProcess) {
  HWND foreign = headless::AddForeignWindow(ForeignDesc(u"LumoraMorvaine", 4242));
  EXPECT_TRUE(PostMessage(foreign, 2028, 5, 6));
  auto got = headless::ForeignMessages(foreign);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, 2028u);
  EXPECT_EQ(got[0].wParam, 5u);
  EXPECT_EQ(got[0].lParam, 6);

  EXPECT_EQ(SendMessage(foreign, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
  EXPECT_EQ(headless::ForeignCloseRequests(foreign), 1);
  EXPECT_EQ(FindWindow(nullptr, u"LumoraMorvaine"), nullptr);
  EXPECT_FALSE(IsWindow(foreign));
  EXPECT_FALSE(PostMessage(foreign, 2028, 0, 0));

  auto stubbornDesc = ForeignDesc(u"Stubborn", 5000);
  stubbornDesc.closesOnRequest = false;
  HWND stubborn = headless::AddForeignWindow(stubbornDesc);
  SendMessage(stubborn, WM_CLOSE, 0, 0);
  EXPECT_EQ(headless::ForeignCloseRequests(stubborn), 1);
  EXPECT_EQ(FindWindow(nullptr, u"Stubborn"), stubborn);
  headless::RemoveForeignWindow(stubborn);
  EXPECT_EQ(FindWindow(nullptr, u"Stubborn"), nullptr);
}

TEST_F(CrossProcessTest, WhatTheDesktopAndOtherProcessesSendArrivesAsPostedMessages) {
  HWND w = Popup({0, 0, 10, 10});
  headless::Pump();
  Log().clear();
  headless::ReportForeignMessage(w, 2028, 1, 2);
  EXPECT_EQ(Count(w, 2028), 0);  // queued, not sent
  headless::Pump();
  auto got = Calls(w, 2028);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].wParam, 1u);
  EXPECT_EQ(got[0].lParam, 2);

  headless::ReportCloseRequest(w);
  headless::Pump();
  EXPECT_EQ(Calls(w, WM_SYSCOMMAND).at(0).wParam, static_cast<WPARAM>(SC_CLOSE));
  EXPECT_FALSE(IsWindow(w));  // closed by default processing
}

}  // namespace
}  // namespace wintest
