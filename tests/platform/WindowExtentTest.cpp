// Positions and sizes beyond what window messages can carry are held to the
// 16-bit range, at creation and when moved, so no edge overflows.
#include <climits>

#include "WindowTestSupport.h"

namespace wintest {
namespace {

class WindowExtentTest : public WindowTest {};

struct Extent {
  const char* name;
  int x, y, cx, cy;
  RECT held;  // the window rectangle in its parent's client area
};

class WindowExtentHeldTest : public WindowExtentTest, public ::testing::WithParamInterface<Extent> {};

TEST_P(WindowExtentHeldTest, AtCreationAndWhenMoved) {
  const Extent& e = GetParam();
  const HWND parent = Popup(RECT{0, 0, 200, 100});
  const HWND created = CreateWindowEx(0, kPlainClass, u"child", WS_CHILD, e.x, e.y, e.cx, e.cy, parent,
                                      nullptr, TestInstance(), nullptr);
  ASSERT_NE(created, nullptr);
  const HWND moved = Child(parent, RECT{0, 0, 10, 10}, 2);
  ASSERT_TRUE(SetWindowPos(moved, nullptr, e.x, e.y, e.cx, e.cy, SWP_NOZORDER | SWP_NOACTIVATE));
  for (const HWND child : {created, moved}) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, e.held.left);
    EXPECT_EQ(r.top, e.held.top);
    EXPECT_EQ(r.right, e.held.right);
    EXPECT_EQ(r.bottom, e.held.bottom);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Extents, WindowExtentHeldTest,
    ::testing::Values(Extent{"ordinary", 5, 6, 70, 80, RECT{5, 6, 75, 86}},
                      Extent{"largestSize", 0, 0, 32767, 32767, RECT{0, 0, 32767, 32767}},
                      Extent{"hugeSize", 100, 0, INT_MAX, INT_MAX, RECT{100, 0, 100 + 32767, 32767}},
                      Extent{"hugePosition", INT_MAX - 1, INT_MIN + 1, 10, 10,
                             RECT{32767, -32768, 32777, -32758}},
                      Extent{"negativeSize", 3, 4, -5, INT_MIN + 1, RECT{3, 4, 3, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wintest
