// The native window wrapper and the notify pump: routing of messages to the
// object through user data and through the "WndX" property, superclassing,
// subclassing, the final message, and message maps with virtual windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Core/NotifyPump.h"
#include "Core/UIManager.h"
#include "Core/WindowWnd.h"
#include "controls/Control.h"
#include "platform/headless/Headless.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Resource.h"
#include "platform/window/Window.h"

namespace Kesto {
namespace {

class WindowWndTest : public ::testing::Test {
 protected:
  void SetUp() override { os::headless::Reset(); }
  void TearDown() override {
    os::headless::Reset();
    UIManager::SetProcessInstance(nullptr);
  }
};

// Records the messages its HandleMessage sees and its final message.
class Recording : public CWindowWnd {
 public:
  explicit Recording(std::u16string className, std::u16string super = {})
      : className_(std::move(className)), super_(std::move(super)) {}
  std::u16string_view GetWindowClassName() const override { return className_; }
  std::u16string_view GetSuperClassName() const override { return super_; }
  os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override {
    messages.push_back(message);
    if (message == kAsk) return 42;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
  }
  void OnFinalMessage(os::HWND hwnd) override {
    finals.push_back(hwnd);
    handleAtFinal = GetHWND();
  }
  static constexpr os::UINT kAsk = os::WM_USER + 7;
  std::vector<os::UINT> messages;
  std::vector<os::HWND> finals;
  os::HWND handleAtFinal = reinterpret_cast<os::HWND>(1);

 private:
  std::u16string className_;
  std::u16string super_;
};

bool Saw(const std::vector<os::UINT>& messages, os::UINT message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

// A class of the process standing in for the one superclassed: counts what
// reaches its own procedure.
std::vector<os::UINT> g_baseMessages;
os::LRESULT OS_STDCALL BaseProc(os::HWND hwnd, os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  g_baseMessages.push_back(message);
  if (message == os::WM_USER + 9) return 99;
  return os::DefWindowProc(hwnd, message, wParam, lParam);
}

TEST_F(WindowWndTest, OwnClassRoutesEveryMessageToTheObjectUntilTheFinalOne) {
  Recording window(u"KestoRecording");
  const os::HWND hwnd = window.Create(nullptr, u"rec", os::WS_POPUP, 0, 0, 0, 100, 100);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(window.GetHWND(), hwnd);
  EXPECT_TRUE(Saw(window.messages, os::WM_NCCREATE));
  EXPECT_TRUE(Saw(window.messages, os::WM_CREATE));
  EXPECT_EQ(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA), reinterpret_cast<os::LONG_PTR>(&window));
  EXPECT_EQ(window.SendMessage(Recording::kAsk), 42);

  // A second window of the same class: the class exists already.
  Recording second(u"KestoRecording");
  ASSERT_NE(second.Create(nullptr, u"rec2", os::WS_POPUP, 0, 0, 0, 10, 10), nullptr);

  os::DestroyWindow(hwnd);
  ASSERT_EQ(window.finals.size(), 1u);
  EXPECT_EQ(window.finals[0], hwnd);
  EXPECT_EQ(window.handleAtFinal, nullptr);
  EXPECT_EQ(window.GetHWND(), nullptr);
  // WM_NCDESTROY went to the default procedure, not to the object.
  EXPECT_TRUE(Saw(window.messages, os::WM_DESTROY));
  EXPECT_FALSE(Saw(window.messages, os::WM_NCDESTROY));
}

TEST_F(WindowWndTest, SuperclassRoutesThroughThePropertyAndCallsTheBaseProcedure) {
  // Classes of the process are found under the process instance.
  UIManager::SetProcessInstance(os::ExecutableModule());
  os::WNDCLASSEXW wc;
  wc.lpfnWndProc = &BaseProc;
  wc.hInstance = os::ExecutableModule();
  wc.lpszClassName = u"KestoBaseClass";
  ASSERT_NE(os::RegisterClassEx(&wc), 0);
  g_baseMessages.clear();

  Recording window(u"KestoDerivedClass", u"KestoBaseClass");
  const os::HWND hwnd = window.Create(nullptr, u"super", os::WS_POPUP, 0, 0, 0, 50, 50);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(os::GetProp(hwnd, CWindowWnd::kObjectProperty), &window);
  EXPECT_EQ(os::GetWindowLongPtr(hwnd, os::GWLP_USERDATA), 0);
  EXPECT_EQ(os::GetClassName(hwnd), u"KestoDerivedClass");
  // Default handling of the object is the superclass's procedure.
  EXPECT_EQ(window.SendMessage(os::WM_USER + 9), 99);
  EXPECT_TRUE(Saw(g_baseMessages, os::WM_CREATE));

  os::DestroyWindow(hwnd);
  EXPECT_EQ(window.finals.size(), 1u);
  EXPECT_TRUE(Saw(g_baseMessages, os::WM_NCDESTROY));

  Recording orphan(u"KestoOrphanClass", u"KestoNoSuchClass");
  EXPECT_EQ(orphan.Create(nullptr, u"orphan", os::WS_POPUP, 0, 0, 0, 10, 10), nullptr);
}

TEST_F(WindowWndTest, SubclassingTakesOverAWindowAndUnsubclassGivesItBack) {
  os::WNDCLASSEXW wc;
  wc.lpfnWndProc = &BaseProc;
  wc.lpszClassName = u"KestoPlainClass";
  ASSERT_NE(os::RegisterClassEx(&wc), 0);
  const os::HWND hwnd = os::CreateWindowEx(0, u"KestoPlainClass", u"plain", os::WS_POPUP, 0, 0, 10, 10,
                                           nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);

  Recording window(u"unused");
  EXPECT_EQ(window.Subclass(hwnd), hwnd);
  EXPECT_EQ(os::SendMessage(hwnd, Recording::kAsk, 0, 0), 42);
  EXPECT_EQ(os::SendMessage(hwnd, os::WM_USER + 9, 0, 0), 99);  // passed on to the old procedure

  window.Unsubclass();
  EXPECT_EQ(os::GetProp(hwnd, CWindowWnd::kObjectProperty), nullptr);
  window.messages.clear();
  EXPECT_EQ(os::SendMessage(hwnd, Recording::kAsk, 0, 0), 0);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(WindowWndTest, AnObjectDestroyedBeforeItsWindowLeavesTheWindowWorking) {
  os::HWND hwnd = nullptr;
  {
    Recording window(u"KestoShortLived");
    hwnd = window.Create(nullptr, u"short", os::WS_POPUP | os::WS_VISIBLE, 0, 0, 0, 100, 100);
    ASSERT_NE(hwnd, nullptr);
  }
  // The window runs on without the object (the sanitizer would catch a call
  // into it); its default handling still answers and destroys it.
  EXPECT_EQ(os::SendMessage(hwnd, Recording::kAsk, 0, 0), 0);
  os::SetWindowPos(hwnd, nullptr, 5, 5, 50, 50, os::SWP_NOZORDER);
  EXPECT_TRUE(os::DestroyWindow(hwnd));
}

TEST_F(WindowWndTest, ShowAndCloseHelpers) {
  Recording window(u"KestoHelpers");
  ASSERT_NE(window.Create(nullptr, u"helpers", os::WS_POPUP, 0, 0, 0, 100, 100), nullptr);
  window.ShowWindow(true, false);
  EXPECT_TRUE(os::IsWindowVisible(window));
  EXPECT_NE(os::GetActiveWindow(), window.GetHWND());
  window.ShowWindow(true, true);
  EXPECT_EQ(os::GetActiveWindow(), window.GetHWND());
  window.ShowWindow(false);
  EXPECT_FALSE(os::IsWindowVisible(window));

  window.ResizeClient(300, -1);
  os::RECT client{};
  os::GetClientRect(window, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 100);

  window.Close(5);
  os::MSG msg;
  ASSERT_TRUE(os::PeekMessage(&msg, window, os::WM_CLOSE, os::WM_CLOSE, os::PM_REMOVE));
  EXPECT_EQ(msg.wParam, 5u);
}

// --- Notify pump -----------------------------------------------------------------------

class Named : public CControlUI {
 public:
  explicit Named(std::u16string_view name) { SetName(name); }
};

class BasePump : public CNotifyPump {
 public:
  const NotifyMap* GetMessageMap() const override { return MessageMap(); }
  static const NotifyMap* MessageMap() {
    static const NotifyMapEntry entries[] = {
        NotifyHandler<&BasePump::OnAnyClick>(u"click", u""),
        NotifyHandler<&BasePump::OnTimer>(u"timer", u""),
        EndOfNotifyMap(),
    };
    static const NotifyMap map{&CNotifyPump::MessageMap, entries};
    return &map;
  }
  void OnAnyClick(NotifyMsg& msg) { calls.push_back("base any click " + Name(msg)); }
  void OnTimer(os::WPARAM wParam, os::LPARAM lParam) {
    calls.push_back("timer " + std::to_string(wParam) + " " + std::to_string(lParam));
  }
  static std::string Name(const NotifyMsg& msg) {
    const std::u16string n = msg.sender ? msg.sender->GetName() : u"";
    return std::string(n.begin(), n.end());
  }
  std::vector<std::string> calls;
};

// Placed after another base so that the pump is not at the object's start.
struct Padding {
  virtual ~Padding() = default;
  int filler[5] = {};
};

class DerivedPump : public Padding, public BasePump {
 public:
  const NotifyMap* GetMessageMap() const override { return MessageMap(); }
  static const NotifyMap* MessageMap() {
    static const NotifyMapEntry entries[] = {
        NotifyHandler<&DerivedPump::OnFirstAny>(u"click", u""),
        NotifyHandler<&DerivedPump::OnOk>(u"click", u"ok"),
        NotifyHandler<&DerivedPump::OnSecondAny>(u"click", u""),
        NotifyHandler<&DerivedPump::OnSelect>(u"selectchanged", u"list"),
        EndOfNotifyMap(),
    };
    static const NotifyMap map{&BasePump::MessageMap, entries};
    return &map;
  }
  void OnOk(NotifyMsg&) { calls.push_back("ok " + std::to_string(filler[0])); }
  void OnFirstAny(NotifyMsg& msg) { calls.push_back("first any " + Name(msg)); }
  void OnSecondAny(NotifyMsg& msg) { calls.push_back("second any " + Name(msg)); }
  void OnSelect(NotifyMsg&) { calls.push_back("select"); }
};

NotifyMsg Message(std::u16string type, CControlUI* sender, std::u16string virtualWnd = {}) {
  NotifyMsg msg;
  msg.type = std::move(type);
  msg.sender = sender;
  msg.virtualWnd = std::move(virtualWnd);
  return msg;
}

TEST(NotifyPumpTest, MapsAreSearchedFromTheMostDerivedWithNamedEntriesFirst) {
  DerivedPump pump;
  pump.filler[0] = 17;
  Named ok(u"ok"), other(u"other"), list(u"list");

  NotifyMsg click = Message(u"click", &ok);
  EXPECT_TRUE(pump.NotifyPump(click));
  // Another control: the last entry for any control of that type.
  NotifyMsg otherClick = Message(u"click", &other);
  EXPECT_TRUE(pump.NotifyPump(otherClick));
  // Only the base map knows timers; its handler takes wParam and lParam.
  NotifyMsg timer = Message(u"timer", &other);
  timer.wParam = 3;
  timer.lParam = -4;
  EXPECT_TRUE(pump.NotifyPump(timer));
  // A named entry does not answer other senders, and nothing else does.
  NotifyMsg select = Message(u"selectchanged", &other);
  EXPECT_FALSE(pump.NotifyPump(select));
  NotifyMsg listSelect = Message(u"selectchanged", &list);
  EXPECT_TRUE(pump.NotifyPump(listSelect));
  // Without a sender the name is empty, which the first entry for any
  // control matches exactly.
  NotifyMsg orphan = Message(u"click", nullptr);
  EXPECT_TRUE(pump.NotifyPump(orphan));

  EXPECT_EQ(pump.calls,
            (std::vector<std::string>{"ok 17", "second any other", "timer 3 -4", "select", "first any "}));
}

TEST(NotifyPumpTest, VirtualWindowsTakeTheirNotificationsFirst) {
  BasePump window;
  DerivedPump page;
  Named ok(u"ok"), plain(u"plain");
  EXPECT_TRUE(window.AddVirtualWindow(u"Page", &page));
  EXPECT_FALSE(window.AddVirtualWindow(u"PAGE", &page));
  EXPECT_FALSE(window.AddVirtualWindow(u"", &page));

  NotifyMsg toPage = Message(u"click", &ok, u"page");
  EXPECT_TRUE(window.NotifyPump(toPage));
  EXPECT_EQ(page.calls, (std::vector<std::string>{"ok 0"}));
  EXPECT_TRUE(window.calls.empty());

  // The page's base map counts as the page's; names compare without case.
  NotifyMsg timer = Message(u"timer", &plain, u"PAGE");
  EXPECT_TRUE(window.NotifyPump(timer));
  // Unknown virtual window: the window's own map runs.
  NotifyMsg other = Message(u"click", &plain, u"elsewhere");
  EXPECT_TRUE(window.NotifyPump(other));
  // The page has no entry for this sender, and neither has the window.
  NotifyMsg select = Message(u"selectchanged", &plain, u"page");
  EXPECT_FALSE(window.NotifyPump(select));
  EXPECT_EQ(page.calls, (std::vector<std::string>{"ok 0", "timer 0 0"}));
  EXPECT_EQ(window.calls, (std::vector<std::string>{"base any click plain"}));

  EXPECT_TRUE(window.RemoveVirtualWindow(u"page"));
  EXPECT_FALSE(window.RemoveVirtualWindow(u"page"));
  NotifyMsg again = Message(u"click", &ok, u"page");
  window.NotifyPump(again);
  EXPECT_EQ(page.calls.size(), 2u);
  EXPECT_EQ(window.calls.back(), "base any click ok");
}

}  // namespace
}  // namespace Kesto
