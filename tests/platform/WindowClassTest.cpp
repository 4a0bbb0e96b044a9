// Window classes, superclassing and subclassing, creation and the data a
// window carries (longs, extra bytes, properties).
#include "WindowTestSupport.h"

namespace wintest {
namespace {

class WindowClassTest : public WindowTest {};

LRESULT OS_STDCALL AnswerFortyOne(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 1) return 41;
  return RecordingProc(hwnd, message, wParam, lParam);
}

WNDPROC gSavedBase = nullptr;

LRESULT OS_STDCALL SuperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 2) return 7;
  return CallWindowProc(gSavedBase, hwnd, message, wParam, lParam);
}

TEST_F(WindowClassTest, RegistrationIsPerNameWithoutRegardToCase) {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = &RecordingProc;
  wc.hInstance = TestInstance();
  wc.lpszClassName = u"testplain";  // exists as "TestPlain"
  SetLastError(0);
  EXPECT_EQ(RegisterClassEx(&wc), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

  WNDCLASSEXW info;
  ASSERT_NE(GetClassInfoEx(TestInstance(), u"TESTDOUBLECLICK", &info), 0);
  EXPECT_EQ(info.style, CS_DBLCLKS);
  EXPECT_EQ(info.lpfnWndProc, &RecordingProc);
  // A module's own class is not a system class.
  EXPECT_EQ(GetClassInfoEx(nullptr, kPlainClass, &info), 0);

  HWND w = Popup({0, 0, 10, 10});
  ASSERT_TRUE(w);
  EXPECT_EQ(GetClassName(w), kPlainClass);
  EXPECT_FALSE(UnregisterClass(kPlainClass, TestInstance()));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClass(kPlainClass, TestInstance()));
  EXPECT_EQ(
      CreateWindowEx(0, kPlainClass, u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, TestInstance(), nullptr),
      nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(WindowClassTest, SystemClassesServeSuperclassingAndSurviveReset) {
  WNDCLASSEXW info;
  ASSERT_NE(GetClassInfoEx(nullptr, u"tooltips_class32", &info), 0);
  EXPECT_NE(info.lpfnWndProc, nullptr);

  // A platform class found without a module, as the window base looks up
  // "Edit" before registering its own superclass of it.
  WNDCLASSEXW base;
  base.lpfnWndProc = &AnswerFortyOne;
  base.style = CS_DBLCLKS;
  base.lpszClassName = u"FakeEdit";
  ASSERT_NE(RegisterSystemClass(base), 0);
  EXPECT_EQ(RegisterSystemClass(base), 0);

  ASSERT_NE(GetClassInfoEx(nullptr, u"fakeedit", &info), 0);
  gSavedBase = info.lpfnWndProc;
  info.lpfnWndProc = &SuperProc;
  info.hInstance = TestInstance();
  info.lpszClassName = u"EditWnd";
  ASSERT_NE(RegisterClassEx(&info), 0);

  HWND w = Popup({0, 0, 50, 20}, u"EditWnd");
  ASSERT_TRUE(w);
  EXPECT_EQ(GetClassName(w), u"EditWnd");
  EXPECT_EQ(SendMessage(w, WM_USER + 1, 0, 0), 41);  // the base procedure answers
  EXPECT_EQ(SendMessage(w, WM_USER + 2, 0, 0), 7);   // the superclass's own
  EXPECT_EQ(GetClassLongPtr(w, GCL_STYLE), CS_DBLCLKS);

  headless::Reset();
  EXPECT_NE(GetClassInfoEx(nullptr, u"FakeEdit", &info), 0);
  EXPECT_EQ(GetClassInfoEx(TestInstance(), u"EditWnd", &info), 0);
  EXPECT_NE(GetClassInfoEx(nullptr, u"tooltips_class32", &info), 0);
}

WNDPROC gSubclassed = nullptr;
std::vector<UINT> gSubclassSeen;

LRESULT OS_STDCALL SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  gSubclassSeen.push_back(message);
  if (message == WM_USER + 5) return 99;
  return CallWindowProc(gSubclassed, hwnd, message, wParam, lParam);
}

TEST_F(WindowClassTest, SubclassingThroughTheWindowProcedureLong) {
  HWND w = Popup({0, 0, 10, 10});
  gSubclassSeen.clear();
  gSubclassed =
      reinterpret_cast<WNDPROC>(SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
  EXPECT_EQ(gSubclassed, &RecordingProc);
  EXPECT_EQ(GetWindowLongPtr(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&SubclassProc));
  Log().clear();
  EXPECT_EQ(SendMessage(w, WM_USER + 5, 0, 0), 99);
  SendMessage(w, WM_USER + 6, 0, 0);
  EXPECT_EQ(gSubclassSeen, (std::vector<UINT>{WM_USER + 5, WM_USER + 6}));
  EXPECT_EQ(Messages(w), (std::vector<UINT>{WM_USER + 6}));  // only what was passed on
  // The final message still goes through the subclass first.
  DestroyWindow(w);
  EXPECT_EQ(gSubclassSeen.back(), WM_NCDESTROY);
}

TEST_F(WindowClassTest, WindowLongsExtraBytesAndProperties) {
  RegisterTestClass(u"WithExtra", 0, 2 * static_cast<int>(sizeof(LONG_PTR)));
  HWND w = Popup({0, 0, 10, 10}, u"WithExtra");
  ASSERT_TRUE(w);
  EXPECT_EQ(SetWindowLongPtr(w, GWLP_USERDATA, 1234), 0);
  EXPECT_EQ(GetWindowLongPtr(w, GWLP_USERDATA), 1234);
  EXPECT_EQ(SetWindowLongPtr(w, static_cast<int>(sizeof(LONG_PTR)), -5), 0);
  EXPECT_EQ(GetWindowLongPtr(w, static_cast<int>(sizeof(LONG_PTR))), -5);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtr(w, static_cast<int>(sizeof(LONG_PTR)) + 1), 0);  // past the extra bytes
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);

  Log().clear();
  const LONG_PTR old = GetWindowLongPtr(w, GWL_STYLE);
  SetWindowLongPtr(w, GWL_STYLE, old | WS_THICKFRAME);
  auto changing = Calls(w, WM_STYLECHANGING);
  auto changed = Calls(w, WM_STYLECHANGED);
  ASSERT_EQ(changing.size(), 1u);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changing[0].wParam, static_cast<WPARAM>(GWL_STYLE));
  EXPECT_TRUE(GetWindowLongPtr(w, GWL_STYLE) & WS_THICKFRAME);

  int a = 0, b = 0;
  EXPECT_TRUE(SetProp(w, u"WndX", &a));
  EXPECT_EQ(GetProp(w, u"wndx"), &a);
  EXPECT_TRUE(SetProp(w, u"WNDX", &b));  // the same property
  EXPECT_EQ(GetProp(w, u"WndX"), &b);
  EXPECT_EQ(RemoveProp(w, u"WndX"), &b);
  EXPECT_EQ(GetProp(w, u"WndX"), nullptr);
}

TEST_F(WindowClassTest, CreationSendsTheWin32SequenceAndHandsOverItsParameter) {
  int param = 0;
  void* seenParam = nullptr;
  CreationHandler() = [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_CREATE) seenParam = reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams;
    return std::nullopt;
  };
  HWND w = CreateWindowEx(0, kPlainClass, u"LumoraMorvaine", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 0,
                          nullptr, nullptr, TestInstance(), &param);
  ASSERT_TRUE(w);
  EXPECT_EQ(seenParam, &param);
  EXPECT_EQ(GetWindowText(w), u"LumoraMorvaine");  // stored by the default WM_NCCREATE
  const auto sequence = Messages(w, {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
                                     WM_MOVE, WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED});
  EXPECT_EQ(sequence,
            (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE,
                               WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED}));
  // An overlapped window cannot be smaller than the minimum track size.
  RECT r = WindowRectOf(w);
  EXPECT_EQ(r.right - r.left, 136);
  EXPECT_EQ(r.bottom - r.top, 39);
  EXPECT_EQ(GetActiveWindow(), w);
  EXPECT_EQ(GetFocus(), w);
  // Overlapped windows always get a caption; the client area lies inside the frame.
  EXPECT_EQ(GetWindowLong(w, GWL_STYLE) & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
}

TEST_F(WindowClassTest, RefusedCreationCleansUp) {
  CreationHandler() = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_NCCREATE) return FALSE;
    return std::nullopt;
  };
  EXPECT_EQ(Popup({0, 0, 10, 10}), nullptr);
  ASSERT_FALSE(Log().empty());
  HWND refused = Log().back().hwnd;
  EXPECT_EQ(Messages(refused).back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(refused));

  Log().clear();
  CreationHandler() = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_CREATE) return -1;
    return std::nullopt;
  };
  EXPECT_EQ(Popup({0, 0, 10, 10}), nullptr);
  HWND failed = Log().front().hwnd;
  EXPECT_EQ(Messages(failed, {WM_CREATE, WM_DESTROY, WM_NCDESTROY}),
            (std::vector<UINT>{WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(failed));
  EXPECT_EQ(GetTopWindow(nullptr), nullptr);
}

TEST_F(WindowClassTest, ChildWindowsNeedAParentAndStackInCreationOrder) {
  EXPECT_EQ(
      CreateWindowEx(0, kPlainClass, u"", WS_CHILD, 0, 0, 5, 5, nullptr, nullptr, TestInstance(), nullptr),
      nullptr);
  EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
  HWND top = Popup({10, 10, 200, 200});
  HWND first = Child(top, {0, 0, 10, 10}, 1);
  HWND second = Child(top, {0, 0, 10, 10}, 2);
  EXPECT_EQ(GetWindow(top, GW_CHILD), first);
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
  EXPECT_EQ(GetParent(second), top);
  EXPECT_TRUE(IsChild(top, second));
  EXPECT_EQ(GetWindowLongPtr(second, GWLP_ID), 2);
  EXPECT_EQ(Count(top, WM_PARENTNOTIFY), 2);
  POINT p{0, 0};
  ClientToScreen(second, &p);
  EXPECT_EQ(p, (POINT{10, 10}));
}

}  // namespace
}  // namespace wintest
