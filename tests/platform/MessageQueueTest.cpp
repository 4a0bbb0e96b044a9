// Sending and posting, the retrieval order of the queue, WM_PAINT generation,
// and messages from other threads.
#include <atomic>
#include <chrono>
#include <thread>

#include "WindowTestSupport.h"

namespace wintest {
namespace {

class MessageQueueTest : public WindowTest {};

TEST_F(MessageQueueTest, SendMessageNestsAndReturnsEachResult) {
  HWND a = Popup({0, 0, 10, 10});
  HWND b = Popup({20, 0, 30, 10});
  std::vector<std::string> trace;
  On(a, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) {
      trace.push_back("a enter");
      LRESULT r = SendMessage(b, WM_USER + 1, w + 1, 0);
      trace.push_back("a leave");
      return r * 10;
    }
    if (m == WM_USER + 2) {
      trace.push_back("a nested " + std::to_string(w));
      return static_cast<LRESULT>(w) + 100;
    }
    return std::nullopt;
  });
  On(b, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_USER + 1) return std::nullopt;
    trace.push_back("b");
    return SendMessage(a, WM_USER + 2, w + 1, 0) + 1;
  });
  // a gets 1, sends b 2, which sends a 3: a answers 103, b 104, a 1040.
  EXPECT_EQ(SendMessage(a, WM_USER, 1, 0), 1040);
  EXPECT_EQ(trace, (std::vector<std::string>{"a enter", "b", "a nested 3", "a leave"}));
}

TEST_F(MessageQueueTest, AWindowDestroyedInsideItsOwnHandlerIsGoneAfterwards) {
  HWND w = Popup({0, 0, 10, 10});
  On(w, [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_USER) return std::nullopt;
    DestroyWindow(h);
    return 5;
  });
  PostMessage(w, WM_USER + 9, 0, 0);  // posted before, due after the destruction
  EXPECT_EQ(SendMessage(w, WM_USER, 0, 0), 5);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(SendMessage(w, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  headless::Pump();
  EXPECT_EQ(Count(w, WM_USER + 9), 0);
  EXPECT_FALSE(PostMessage(w, WM_USER, 0, 0));
}

TEST_F(MessageQueueTest, SentMessagesOvertakePostedOnes) {
  HWND w = Popup({0, 0, 10, 10});
  headless::Pump();
  std::vector<UINT> seen;
  On(w, [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m < WM_APP) return std::nullopt;
    seen.push_back(m);
    if (m == WM_APP + 1) {
      PostMessage(h, WM_APP + 3, 0, 0);
      SendMessage(h, WM_APP + 10, 0, 0);
    }
    return 0;
  });
  PostMessage(w, WM_APP + 1, 0, 0);
  PostMessage(w, WM_APP + 2, 0, 0);
  SendMessage(w, WM_APP + 20, 0, 0);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_APP + 20}));
  headless::Pump();
  EXPECT_EQ(seen, (std::vector<UINT>{WM_APP + 20, WM_APP + 1, WM_APP + 10, WM_APP + 2, WM_APP + 3}));
}

TEST_F(MessageQueueTest, RetrievalOrderIsPostedInputQuitPaintTimer) {
  HWND w = Popup({0, 0, 100, 100});
  headless::Pump();
  SetTimer(w, 1, 10, nullptr);
  headless::PassTime(10);
  InvalidateRect(w, nullptr, FALSE);
  inject::MouseMove({50, 50});
  PostMessage(w, WM_USER, 0, 0);
  PostQuitMessage(3);

  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));  // looked at, left in place
  std::vector<UINT> order;
  while (order.size() < 8 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(m.message);
    if (m.message == WM_QUIT) {
      EXPECT_EQ(m.wParam, 3u);
    }
    if (m.message == WM_PAINT) ValidateRect(w, nullptr);  // WM_PAINT stays until validated
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_MOUSEMOVE, WM_QUIT, WM_PAINT, WM_TIMER}));
}

TEST_F(MessageQueueTest, GetMessageReturnsZeroForQuitAfterThePostedMessages) {
  HWND w = Popup({0, 0, 10, 10});
  headless::Pump();
  PostQuitMessage(7);
  PostMessage(w, WM_USER, 0, 0);
  EXPECT_EQ(headless::PendingQuit(), std::optional<int>(7));
  MSG m;
  EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_EQ(headless::PendingQuit(), std::nullopt);
}

TEST_F(MessageQueueTest, PaintComesOnlyForInvalidVisibleWindowsAndBeginPaintValidates) {
  HWND w = Popup({0, 0, 200, 100}, kPlainClass, WS_POPUP);  // hidden
  std::vector<RECT> painted;
  std::vector<BOOL> erase;
  On(w, [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_ERASEBKGND) return 1;
    if (m != WM_PAINT) return std::nullopt;
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    painted.push_back(ps.rcPaint);
    erase.push_back(ps.fErase);
    EndPaint(h, &ps);
    return 0;
  });
  InvalidateRect(w, nullptr, TRUE);
  headless::Pump();
  EXPECT_TRUE(painted.empty());  // hidden windows are not painted

  ShowWindow(w, SW_SHOWNA);
  headless::Pump();
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_EQ(painted[0], (RECT{0, 0, 200, 100}));
  EXPECT_EQ(erase[0], FALSE);  // WM_ERASEBKGND answered 1: erased

  RECT a{10, 10, 20, 20}, b{50, 40, 60, 45};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, FALSE);
  RECT update;
  EXPECT_TRUE(GetUpdateRect(w, &update, FALSE));
  EXPECT_EQ(update, (RECT{10, 10, 60, 45}));
  headless::Pump();
  ASSERT_EQ(painted.size(), 2u);  // one paint for both
  EXPECT_EQ(painted[1], (RECT{10, 10, 60, 45}));
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  EXPECT_EQ(update, (RECT{0, 0, 0, 0}));

  // Validating part of the region leaves the rest.
  InvalidateRect(w, nullptr, FALSE);
  RECT left{0, 0, 100, 100};
  ValidateRect(w, &left);
  GetUpdateRect(w, &update, FALSE);
  EXPECT_EQ(update, (RECT{100, 0, 200, 100}));
  UpdateWindow(w);  // synchronous
  ASSERT_EQ(painted.size(), 3u);
  EXPECT_EQ(painted[2], (RECT{100, 0, 200, 100}));
}

TEST_F(MessageQueueTest, AWindowThatDoesNotValidateKeepsGettingPaint) {
  HWND w = Popup({0, 0, 20, 20});
  On(w, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_PAINT) return 0;  // no BeginPaint
    return std::nullopt;
  });
  MSG m;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    DispatchMessage(&m);
  }
  ValidateRect(w, nullptr);
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, InvalidationReachesChildrenUnlessClipChildren) {
  HWND parent = Popup({0, 0, 200, 200});
  HWND child = Child(parent, {50, 50, 100, 100});
  headless::Pump();
  Log().clear();
  RECT r{60, 60, 200, 200};
  InvalidateRect(parent, &r, FALSE);
  RECT update;
  ASSERT_TRUE(GetUpdateRect(child, &update, FALSE));
  EXPECT_EQ(update, (RECT{10, 10, 50, 50}));  // the overlap in the child's coordinates
  headless::Pump();
  // The parent paints before its child.
  std::vector<HWND> who;
  for (const auto& c : Log()) {
    if (c.message == WM_PAINT) who.push_back(c.hwnd);
  }
  EXPECT_EQ(who, (std::vector<HWND>{parent, child}));

  SetWindowLongPtr(parent, GWL_STYLE, GetWindowLongPtr(parent, GWL_STYLE) | WS_CLIPCHILDREN);
  InvalidateRect(parent, nullptr, FALSE);
  EXPECT_FALSE(GetUpdateRect(child, &update, FALSE));
}

TEST_F(MessageQueueTest, PostMessageFromAnotherThreadWakesGetMessage) {
  HWND w = Popup({0, 0, 10, 10});
  headless::Pump();
  std::thread poster([w] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMessage(w, WM_APP + 7, 42, 0);
  });
  MSG m;
  ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);  // blocks until the post
  poster.join();
  EXPECT_EQ(m.message, static_cast<UINT>(WM_APP + 7));
  EXPECT_EQ(m.wParam, 42u);
}

TEST_F(MessageQueueTest, SendMessageFromAnotherThreadIsAnsweredByTheUiThread) {
  HWND w = Popup({0, 0, 10, 10});
  headless::Pump();
  const auto ui = std::this_thread::get_id();
  std::thread::id handledOn;
  On(w, [&](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_APP) return std::nullopt;
    handledOn = std::this_thread::get_id();
    EXPECT_TRUE(InSendMessage());
    return static_cast<LRESULT>(wp) * 2;
  });
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] {
    answer = SendMessage(w, WM_APP, 21, 0);
    PostQuitMessage(0);
  });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0) > 0) DispatchMessage(&m);
  sender.join();
  EXPECT_EQ(answer.load(), 42);
  EXPECT_EQ(handledOn, ui);
}

}  // namespace
}  // namespace wintest
