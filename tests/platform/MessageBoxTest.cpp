// Message boxes answered from the test's queue and recorded.
#include "platform/syscontrols/MessageBox.h"

#include "WindowTestSupport.h"

namespace wintest {
namespace {

class MessageBoxTest : public WindowTest {
 protected:
  using Steps = std::vector<std::pair<WPARAM, UINT>>;
  // The window's WM_ENABLE and WM_ACTIVATE messages, in order.
  static Steps ActivationAndEnabling(HWND hwnd) {
    Steps steps;
    for (const Call& c : Log()) {
      if (c.hwnd == hwnd && (c.message == WM_ACTIVATE || c.message == WM_ENABLE)) {
        steps.emplace_back(LOWORD(c.wParam), c.message);
      }
    }
    return steps;
  }
  // Disabled and deactivated while the box is up, then enabled and active.
  inline static const Steps kDisabledThenGivenBack{
      {FALSE, WM_ENABLE}, {WA_INACTIVE, WM_ACTIVATE}, {TRUE, WM_ENABLE}, {WA_ACTIVE, WM_ACTIVATE}};
};

TEST_F(MessageBoxTest, AnswersComeFromTheQueueOrTheDefaultButton) {
  EXPECT_EQ(MessageBox(nullptr, u"游戏已经打开", u"LumoraMorvaine", MB_OK), IDOK);
  headless::QueueMessageBoxAnswer(IDCANCEL);
  headless::QueueMessageBoxAnswer(IDNO);  // not a button of the next box
  EXPECT_EQ(MessageBox(nullptr, u"检测到更新，是否开始安装？", u"LumoraMorvaine", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBox(nullptr, u"x", u"y", MB_OKCANCEL), IDOK);
  EXPECT_EQ(MessageBox(nullptr, u"x", u"y", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBox(nullptr, u"x", nullptr, MB_OK | MB_ICONERROR), IDOK);

  auto boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), 5u);
  EXPECT_EQ(boxes[0].text, u"游戏已经打开");
  EXPECT_EQ(boxes[0].caption, u"LumoraMorvaine");
  EXPECT_EQ(boxes[0].type, MB_OK);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(boxes[1].answer, IDCANCEL);
  EXPECT_EQ(boxes[2].answer, IDOK);
  EXPECT_EQ(boxes[4].caption, u"Error");  // the caption Windows uses when none is given
  EXPECT_EQ(boxes[4].type, MB_OK | MB_ICONERROR);
  headless::ClearMessageBoxes();
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(MessageBoxTest, TheOwnersWindowIsDisabledWhileTheBoxIsUp) {
  HWND top = Popup({0, 0, 200, 200});
  HWND child = Child(top, {0, 0, 50, 50});
  Log().clear();
  EXPECT_EQ(MessageBox(child, u"清空IE缓存成功!", u"警告", MB_OK), IDOK);
  auto boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, top);
  auto enable = Calls(top, WM_ENABLE);
  ASSERT_EQ(enable.size(), 2u);
  EXPECT_EQ(enable[0].wParam, static_cast<WPARAM>(FALSE));
  EXPECT_EQ(enable[1].wParam, static_cast<WPARAM>(TRUE));
  EXPECT_TRUE(IsWindowEnabled(top));
  // The box took activation and focus for its time, then gave them back.
  EXPECT_EQ(ActivationAndEnabling(top), kDisabledThenGivenBack);
  EXPECT_EQ(Count(top, WM_ACTIVATEAPP), 0);  // the application stayed active
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(GetFocus(), top);
}

TEST_F(MessageBoxTest, TheDesktopCannotActivateTheDisabledOwnerWhileTheBoxIsUp) {
  HWND top = Popup({0, 0, 200, 200});
  SetFocus(top);
  Log().clear();
  // The desktop hands the owner the keyboard while the box is up (as X does
  // for the window under the pointer); the owner stays inactive, and gets
  // activation back from the box afterwards.
  SetMessageBoxAnswerer([top](HWND, std::u16string_view, std::u16string_view, UINT) -> std::optional<int> {
    headless::ReportActivated(top, true);
    return IDOK;
  });
  EXPECT_EQ(MessageBox(top, u"账号或密码错误", u"LumoraMorvaine", MB_OK), IDOK);
  SetMessageBoxAnswerer(nullptr);
  EXPECT_EQ(ActivationAndEnabling(top), kDisabledThenGivenBack);
  EXPECT_EQ(GetActiveWindow(), top);
}

TEST_F(MessageBoxTest, TheOwnerIsActivatedWhenTheWindowThatWasActiveWentAway) {
  // A field's popup edit window, owned by the skinned window, is active when
  // the box comes; it closes as it loses the focus.
  HWND top = Popup({0, 0, 300, 200});
  HWND edit = Popup({20, 20, 120, 40}, kPlainClass, WS_POPUP | WS_VISIBLE, 0, top);
  SetActiveWindow(edit);
  ASSERT_EQ(GetActiveWindow(), edit);
  SetMessageBoxAnswerer([edit](HWND, std::u16string_view, std::u16string_view, UINT) -> std::optional<int> {
    DestroyWindow(edit);
    return IDOK;
  });
  EXPECT_EQ(MessageBox(top, u"账号或密码错误", u"LumoraMorvaine", MB_OK), IDOK);
  SetMessageBoxAnswerer(nullptr);
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(GetFocus(), top);
}

}  // namespace
}  // namespace wintest
