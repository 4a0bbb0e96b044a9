// The UI thread's queue on its own: addressable handles, posting, input
// stamping, quit, and sends from another thread.
#include "platform/window/internal/ThreadQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace os::internal {
namespace {

HWND H(std::uintptr_t v) { return reinterpret_cast<HWND>(v); }

class ThreadQueueTest : public ::testing::Test {
 protected:
  ThreadQueueTest() : queue_([this] { ++wakes_; }) {}
  std::optional<MSG> Take(bool remove = true) {
    return queue_.TakePosted([](const MSG&) { return true; }, remove);
  }
  std::atomic<int> wakes_{0};
  ThreadQueue queue_;
};

TEST_F(ThreadQueueTest, PostingTellsLiveForeignAndDeadHandlesApart) {
  queue_.SetLive(H(4), true);
  queue_.SetForeign(H(8), 77);
  queue_.SetCursorPos({5, 6});
  auto own = queue_.PostTo(H(4), WM_USER, 1, 2, 1234);
  EXPECT_TRUE(own.queued);
  auto foreign = queue_.PostTo(H(8), WM_USER, 0, 0, 0);
  EXPECT_FALSE(foreign.queued);
  EXPECT_EQ(foreign.foreign, 77u);
  auto dead = queue_.PostTo(H(12), WM_USER, 0, 0, 0);
  EXPECT_FALSE(dead.queued);
  EXPECT_EQ(dead.foreign, 0u);
  EXPECT_TRUE(queue_.PostTo(nullptr, WM_USER + 1, 0, 0, 0).queued);  // a thread message
  EXPECT_EQ(wakes_, 2);

  auto m = Take();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->hwnd, H(4));
  EXPECT_EQ(m->time, 1234u);
  EXPECT_EQ(m->pt, (POINT{5, 6}));
  EXPECT_EQ(Take()->message, static_cast<UINT>(WM_USER + 1));
  EXPECT_FALSE(Take());

  queue_.SetForeign(H(8), 0);
  EXPECT_FALSE(queue_.IsAddressable(H(8)));
  EXPECT_TRUE(queue_.IsAddressable(H(4)));
}

TEST_F(ThreadQueueTest, MessagesOfAWindowThatDiedAreDroppedAndFiltersTakeOutOfOrder) {
  queue_.SetLive(H(4), true);
  queue_.SetLive(H(8), true);
  queue_.Post(MSG{H(4), WM_USER, 0, 0, 0, {}});
  queue_.Post(MSG{H(8), WM_USER + 1, 0, 0, 0, {}});
  queue_.Post(MSG{H(4), WM_USER + 2, 0, 0, 0, {}});
  queue_.SetLive(H(4), false);
  auto only8 = [](const MSG& m) { return m.hwnd == H(8); };
  ASSERT_TRUE(queue_.TakePosted(only8, false));  // a peek leaves it
  EXPECT_EQ(queue_.TakePosted(only8, true)->message, static_cast<UINT>(WM_USER + 1));
  EXPECT_TRUE(queue_.HasPosted());  // dropped only when retrieval passes it
  EXPECT_FALSE(Take());
  EXPECT_FALSE(queue_.HasPosted());
}

TEST_F(ThreadQueueTest, QuitWaitsUntilTakenAndAPeekLeavesIt) {
  EXPECT_FALSE(queue_.PendingQuit());
  queue_.PostQuit(3);
  EXPECT_EQ(queue_.TakeQuit(false), 3);
  EXPECT_EQ(queue_.PendingQuit(), 3);
  EXPECT_EQ(queue_.TakeQuit(true), 3);
  EXPECT_FALSE(queue_.TakeQuit(true));
}

TEST_F(ThreadQueueTest, InputIsStampedAndMovesTheDeviceState) {
  queue_.SetCursorPos({10, 10});
  InputItem press;
  press.pointer.kind = PointerEvent::Kind::Down;
  press.pointer.button = MouseButton::Right;
  press.pointer.screen = {500, 500};  // injected: happens where the pointer is
  queue_.PushInput(press, 40);
  InputItem move;
  move.pointer.kind = PointerEvent::Kind::Move;
  move.pointer.screen = {20, 30};
  move.pointer.time = 7;
  queue_.PushInput(move, 41);
  InputItem leave;
  leave.pointer.kind = PointerEvent::Kind::Leave;
  leave.pointer.screen = {900, 900};
  queue_.PushInput(leave, 42);
  InputItem key;
  key.key = true;
  key.keyEvent.virtualKey = VK_RSHIFT;
  queue_.PushInput(key, 43);

  EXPECT_TRUE(queue_.AsyncKeyDown(VK_RBUTTON));
  EXPECT_TRUE(queue_.AsyncKeyDown(VK_SHIFT));
  EXPECT_EQ(queue_.CursorPos(), (POINT{20, 30}));  // the leave moved nothing

  InputItem* front = queue_.FrontInput();
  ASSERT_TRUE(front);
  EXPECT_EQ(front->pointer.screen, (POINT{10, 10}));
  EXPECT_EQ(front->time, 40u);
  front->cooking = true;
  EXPECT_FALSE(queue_.FrontInput());  // nested retrievals leave it alone
  front->cooking = false;
  queue_.PopInput();
  EXPECT_EQ(queue_.FrontInput()->time, 7u);  // its own time
  queue_.PopInput();
  queue_.PopInput();
  queue_.PopInput();
  queue_.PopInput();  // past the end: nothing happens
  EXPECT_FALSE(queue_.FrontInput());
  EXPECT_EQ(wakes_, 4);
}

TEST_F(ThreadQueueTest, ASendFromAnotherThreadWaitsForItsAnswerAndADeadHandleFailsAtOnce) {
  queue_.SetLive(H(4), true);
  CrossThreadSend dead;
  dead.hwnd = H(12);
  EXPECT_FALSE(queue_.SendAndWait(dead));

  std::atomic<bool> answered{false};
  CrossThreadSend send;
  send.hwnd = H(4);
  send.message = WM_USER;
  std::thread other([&] {
    EXPECT_TRUE(queue_.SendAndWait(send));
    answered = true;
  });
  CrossThreadSend* waiting = nullptr;
  while (!(waiting = queue_.TakeCrossSend())) std::this_thread::yield();
  EXPECT_EQ(waiting, &send);
  EXPECT_FALSE(answered);
  EXPECT_FALSE(queue_.SetInCrossSend(true));
  EXPECT_TRUE(queue_.InCrossSend());
  queue_.SetInCrossSend(false);
  queue_.Complete(waiting, 42);
  other.join();
  EXPECT_TRUE(answered);
  EXPECT_EQ(send.result, 42);
  EXPECT_FALSE(queue_.TakeCrossSend());
}

}  // namespace
}  // namespace os::internal
