// The window table on its own: handles, classes and the z-order rules.
#include "platform/window/internal/WindowTable.h"

#include <gtest/gtest.h>

namespace os::internal {
namespace {

class WindowTableTest : public ::testing::Test {
 protected:
  WindowTableTest() {
    auto desktop = std::make_shared<Window>();
    desktop->handle = table_.NewHandle();
    desktop->desktop = true;
    table_.SetDesktop(desktop);
  }
  // A top-level window placed on top, as a new window is.
  HWND Top(DWORD exStyle = 0, HWND owner = nullptr, bool foreign = false) {
    auto w = std::make_shared<Window>();
    w->handle = table_.NewHandle();
    w->parent = table_.Desktop()->handle;
    w->exStyle = exStyle;
    w->owner = owner;
    w->foreign = foreign;
    table_.Add(w);
    if (foreign) {
      table_.Desktop()->children.push_back(w->handle);  // other processes sit below ours
    } else {
      table_.PlaceInZOrder(*w, HWND_TOP);
    }
    return w->handle;
  }
  void Place(HWND h, HWND after) { table_.PlaceInZOrder(*table_.Find(h), after); }
  const std::vector<HWND>& Order() const { return table_.TopLevel(); }

  WindowTable table_;
};

TEST_F(WindowTableTest, TopmostWindowsStayAboveTheOthersAndOtherProcessesBelow) {
  HWND foreign = Top(0, nullptr, true);
  HWND a = Top();
  HWND pinned = Top(WS_EX_TOPMOST);
  HWND b = Top();  // on top of the normal windows, below the topmost one
  EXPECT_EQ(Order(), (std::vector<HWND>{pinned, b, a, foreign}));
  Place(b, HWND_BOTTOM);  // the bottom of our windows, above other processes
  EXPECT_EQ(Order(), (std::vector<HWND>{pinned, a, b, foreign}));
  Place(b, HWND_TOPMOST);
  EXPECT_TRUE(table_.Find(b)->exStyle & WS_EX_TOPMOST);
  EXPECT_EQ(Order(), (std::vector<HWND>{b, pinned, a, foreign}));
  Place(pinned, HWND_NOTOPMOST);
  EXPECT_FALSE(table_.Find(pinned)->exStyle & WS_EX_TOPMOST);
  EXPECT_EQ(Order(), (std::vector<HWND>{b, pinned, a, foreign}));
  Place(b, pinned);  // after a sibling
  EXPECT_EQ(Order(), (std::vector<HWND>{pinned, b, a, foreign}));
}

TEST_F(WindowTableTest, OwnedWindowsComeToTheTopWithTheirOwner) {
  HWND owner = Top();
  HWND owned = Top(0, owner);
  HWND other = Top();
  EXPECT_EQ(Order(), (std::vector<HWND>{other, owned, owner}));
  Place(owner, HWND_TOP);
  EXPECT_EQ(Order(), (std::vector<HWND>{owned, owner, other}));
  EXPECT_EQ(table_.OwnedTopLevel(owner), std::vector<HWND>{owned});
}

TEST_F(WindowTableTest, OwnersThatOwnEachOtherDoNotRaiseForever) {
  HWND a = Top();
  HWND b = Top(0, a);
  table_.Find(a)->owner = b;
  Place(a, HWND_TOP);
  EXPECT_EQ(Order().size(), 2u);
  Place(b, HWND_TOP);
  EXPECT_EQ(Order().size(), 2u);
}

TEST_F(WindowTableTest, ChildrenKeepTheirOwnOrderWithoutTopmostRules) {
  HWND parent = Top();
  auto child = [&] {
    auto w = std::make_shared<Window>();
    w->handle = table_.NewHandle();
    w->parent = parent;
    w->exStyle = WS_EX_TOPMOST;  // means nothing to a child
    table_.Add(w);
    table_.Find(parent)->children.push_back(w->handle);
    return w->handle;
  };
  HWND c1 = child(), c2 = child(), c3 = child();
  Place(c3, HWND_TOP);
  EXPECT_EQ(table_.Find(parent)->children, (std::vector<HWND>{c3, c1, c2}));
  Place(c3, HWND_BOTTOM);
  EXPECT_EQ(table_.Find(parent)->children, (std::vector<HWND>{c1, c2, c3}));
  Place(c1, HWND_NOTOPMOST);
  EXPECT_TRUE(table_.Find(c1)->exStyle & WS_EX_TOPMOST);
  Place(c1, reinterpret_cast<HWND>(0x1234));  // not a sibling: the top
  EXPECT_EQ(table_.Find(parent)->children, (std::vector<HWND>{c1, c2, c3}));
  EXPECT_FALSE(table_.IsTopLevel(*table_.Find(c1)));
  EXPECT_TRUE(table_.IsTopLevel(*table_.Find(parent)));
}

TEST_F(WindowTableTest, HandlesAreNeverReusedAndDestroyedWindowsAreOnlyFoundOnRequest) {
  HWND a = Top();
  auto w = table_.Find(a);
  w->surface = 9;
  EXPECT_EQ(table_.OfSurface(9), w);
  EXPECT_FALSE(table_.OfSurface(0));
  w->destroyed = true;
  EXPECT_FALSE(table_.Find(a));
  EXPECT_EQ(table_.FindEvenDestroyed(a), w);
  EXPECT_FALSE(table_.OfSurface(9));
  table_.Remove(a);
  EXPECT_FALSE(table_.FindEvenDestroyed(a));
  EXPECT_NE(table_.NewHandle(), a);
  EXPECT_FALSE(table_.Find(nullptr));
}

TEST_F(WindowTableTest, ClassAtomsAreNotReusedAfterAClassGoes) {
  auto a = std::make_shared<WindowClass>();
  auto b = std::make_shared<WindowClass>();
  const ATOM first = table_.AddClass(a);
  EXPECT_GE(first, 0xC000);
  EXPECT_TRUE(table_.RemoveClass(a));
  EXPECT_FALSE(table_.RemoveClass(a));
  EXPECT_GT(table_.AddClass(b), first);
  EXPECT_EQ(table_.Classes(), std::vector<ClassPtr>{b});
}

}  // namespace
}  // namespace os::internal
