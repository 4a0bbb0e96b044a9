// The "Edit" system class as players and the UI framework use it: typing,
// deleting, moving and selecting with the keyboard and the mouse, limits,
// read-only and password fields, the clipboard, notifications and colour
// messages to the parent, painted pixels, superclassing, and the glue to a
// native entry widget.
#include "platform/syscontrols/Edit.h"

#include "WindowTestSupport.h"
#include "platform/gfx/Text.h"

namespace wintest {
namespace {

constexpr int kEditId = 7;
constexpr RECT kEditRect{10, 10, 210, 34};

WORD Code(const Call& c) { return HIWORD(c.wParam); }

class EditTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    parent = Popup({100, 100, 500, 300});
    font = std::make_unique<Font>(u"Tahoma", 15);
  }

  HWND MakeEdit(DWORD style = ES_AUTOHSCROLL, RECT r = kEditRect, const char16_t* cls = WC_EDIT,
                int id = kEditId) {
    HWND e = CreateWindowEx(
        0, cls, u"", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
        reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), TestInstance(), nullptr);
    if (e) SendMessage(e, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    return e;
  }

  HWND FocusedEdit(DWORD style = ES_AUTOHSCROLL) {
    HWND e = MakeEdit(style);
    SetFocus(e);
    headless::Pump();
    return e;
  }

  static void Type(std::u16string_view text) {
    inject::Text(text);
    headless::Pump();
  }

  // A key with modifiers held, as a player presses it.
  static void Press(UINT vk, std::initializer_list<UINT> modifiers = {}) {
    for (UINT m : modifiers) inject::KeyDown(m);
    inject::KeyPress(vk);
    for (UINT m : modifiers) inject::KeyUp(m);
    headless::Pump();
  }

  static std::pair<DWORD, DWORD> Sel(HWND e) {
    DWORD start = 99, end = 99;
    SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }

  static void SetSel(HWND e, int anchor, int caret) { SendMessage(e, EM_SETSEL, anchor, caret); }

  std::vector<WORD> Notifications(HWND from) const {
    std::vector<WORD> codes;
    for (const Call& c : Calls(parent, WM_COMMAND)) {
      if (reinterpret_cast<HWND>(c.lParam) == from) codes.push_back(Code(c));
    }
    return codes;
  }

  int CountOf(HWND from, WORD code) const {
    auto codes = Notifications(from);
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
  }

  // The parent's frame as it appears: straight RGBA.
  struct Pixels {
    std::vector<std::uint8_t> rgba;
    int width = 0;
    COLORREF At(int x, int y) const {
      const auto i = (static_cast<std::size_t>(y) * width + x) * 4;
      return RGB(rgba[i], rgba[i + 1], rgba[i + 2]);
    }
    // The block of a window's client area, for comparing two fields.
    std::vector<COLORREF> Block(RECT r) const {
      std::vector<COLORREF> out;
      for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) out.push_back(At(x, y));
      }
      return out;
    }
    bool Any(RECT r, const std::function<bool(COLORREF)>& test) const {
      for (COLORREF c : Block(r)) {
        if (test(c)) return true;
      }
      return false;
    }
  };

  Pixels Paint() const {
    headless::Pump();
    Pixels p;
    int height = 0;
    p.rgba = headless::Appearance(parent, &p.width, &height);
    return p;
  }

  HWND parent = nullptr;
  std::unique_ptr<Font> font;
};

TEST_F(EditTest, TypingDeletingAndMovingAsAPlayerDoes) {
  HWND e = FocusedEdit();
  Type(u"hello world");
  EXPECT_EQ(GetWindowText(e), u"hello world");
  EXPECT_EQ(Sel(e), std::make_pair(11u, 11u));

  Press(VK_LEFT);
  Press(VK_LEFT);
  Type(u"X");
  EXPECT_EQ(GetWindowText(e), u"hello worXld");
  Press(VK_BACK);
  Press(VK_HOME);
  Press(VK_DELETE);
  EXPECT_EQ(GetWindowText(e), u"ello world");
  EXPECT_EQ(Sel(e), std::make_pair(0u, 0u));

  // Words: Ctrl+Right to the next word's start, Ctrl+Left back.
  Press(VK_RIGHT, {VK_CONTROL});
  EXPECT_EQ(Sel(e).first, 5u);
  Press(VK_END);
  Press(VK_LEFT, {VK_CONTROL});
  EXPECT_EQ(Sel(e).first, 5u);

  // Keys that edit nothing in a single line leave the text alone.
  Press(VK_TAB);
  Press(VK_RETURN);
  Press(VK_ESCAPE);
  EXPECT_EQ(GetWindowText(e), u"ello world");

  // Ctrl+Backspace removes the word before the caret (not a stray box).
  Press(VK_END);
  Press(VK_BACK, {VK_CONTROL});
  EXPECT_EQ(GetWindowText(e), u"ello ");

  // A character outside the BMP arrives as two WM_CHARs and leaves as one.
  Type(u"😀");
  EXPECT_EQ(GetWindowTextLength(e), 7);
  Press(VK_LEFT);
  EXPECT_EQ(Sel(e).first, 5u);  // never between the halves
  Press(VK_END);
  Press(VK_BACK);
  EXPECT_EQ(GetWindowText(e), u"ello ");
}

TEST_F(EditTest, SelectionFollowsShiftAnchorAndSelectAll) {
  HWND e = FocusedEdit();
  Type(u"abcdef");
  Press(VK_LEFT, {VK_SHIFT});
  Press(VK_LEFT, {VK_SHIFT});
  EXPECT_EQ(Sel(e), std::make_pair(4u, 6u));
  Press(VK_LEFT);  // collapses to the start of the selection
  EXPECT_EQ(Sel(e), std::make_pair(4u, 4u));
  Press(VK_HOME, {VK_SHIFT});
  Type(u"Z");  // typing replaces the selection
  EXPECT_EQ(GetWindowText(e), u"Zef");

  Press('A', {VK_CONTROL});
  EXPECT_EQ(Sel(e), std::make_pair(0u, 3u));
  Press(VK_END);
  SetSel(e, 0, -1);
  EXPECT_EQ(Sel(e), std::make_pair(0u, 3u));
  SetSel(e, -1, 0);  // deselects, the caret stays
  EXPECT_EQ(Sel(e), std::make_pair(3u, 3u));

  // The anchor is where a selection started: extending moves the other end.
  SetSel(e, 3, 1);
  EXPECT_EQ(Sel(e), std::make_pair(1u, 3u));
  Press(VK_RIGHT, {VK_SHIFT});
  EXPECT_EQ(Sel(e), std::make_pair(2u, 3u));
  SetSel(e, 1, 500);
  EXPECT_EQ(Sel(e), std::make_pair(1u, 3u));
  EXPECT_EQ(SendMessage(e, EM_GETSEL, 0, 0), MAKELPARAM(1, 3));

  SendMessage(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u"--"));
  EXPECT_EQ(GetWindowText(e), u"Z--");
  EXPECT_EQ(Sel(e), std::make_pair(3u, 3u));
  EXPECT_TRUE(SendMessage(e, EM_CANUNDO, 0, 0));
  EXPECT_TRUE(SendMessage(e, EM_UNDO, 0, 0));
  EXPECT_EQ(GetWindowText(e), u"Zef");
}

TEST_F(EditTest, TheLimitBoundsWhatThePlayerAndEmReplaceSelPutIn) {
  HWND e = FocusedEdit();
  EXPECT_EQ(SendMessage(e, EM_GETLIMITTEXT, 0, 0), kEditDefaultLimit);
  SendMessage(e, EM_LIMITTEXT, 0, 0);
  EXPECT_EQ(SendMessage(e, EM_GETLIMITTEXT, 0, 0), kEditMaximumLimit);

  SendMessage(e, EM_LIMITTEXT, 5, 0);
  Type(u"abcdefg");
  EXPECT_EQ(GetWindowText(e), u"abcde");
  EXPECT_GE(CountOf(e, EN_MAXTEXT), 2);
  EXPECT_EQ(CountOf(e, EN_CHANGE), 5);  // the refused keys changed nothing

  SetSel(e, 0, 2);
  SendMessage(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"123456"));
  EXPECT_EQ(GetWindowText(e), u"12cde");
  SetClipboardText(u"xyz");
  SetSel(e, 0, 0);
  Press('V', {VK_CONTROL});
  EXPECT_EQ(GetWindowText(e), u"12cde");

  // A character is never cut in half at the limit.
  SetSel(e, 0, 6);
  Type(u"abcd😀");
  EXPECT_EQ(GetWindowText(e), u"abcd");

  // Programs may set a longer text; the limit is for what the player adds.
  SetWindowText(e, u"a much longer text");
  EXPECT_EQ(GetWindowText(e), u"a much longer text");
}

TEST_F(EditTest, ReadOnlyRefusesThePlayerButNotPrograms) {
  HWND e = FocusedEdit();
  SetWindowText(e, u"fixed");
  EXPECT_TRUE(SendMessage(e, EM_SETREADONLY, TRUE, 0));
  EXPECT_TRUE(GetWindowLong(e, GWL_STYLE) & ES_READONLY);
  Press(VK_END);
  Type(u"x");
  Press(VK_BACK);
  Press(VK_HOME);
  Press(VK_DELETE);
  SetClipboardText(u"pasted");
  Press('V', {VK_CONTROL});
  Press('A', {VK_CONTROL});
  Press('X', {VK_CONTROL});
  EXPECT_EQ(GetWindowText(e), u"fixed");
  EXPECT_EQ(GetClipboardText(), u"pasted");
  Press('C', {VK_CONTROL});  // copying is still allowed
  EXPECT_EQ(GetClipboardText(), u"fixed");
  EXPECT_EQ(Sel(e), std::make_pair(0u, 5u));

  SendMessage(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"set"));
  EXPECT_EQ(GetWindowText(e), u"set");
  SendMessage(e, EM_SETREADONLY, FALSE, 0);
  Type(u"!");
  EXPECT_EQ(GetWindowText(e), u"set!");
}

TEST_F(EditTest, ClipboardAndNumberOnlyFields) {
  HWND e = FocusedEdit();
  Type(u"one two");
  Press(VK_LEFT, {VK_CONTROL, VK_SHIFT});
  Press('X', {VK_CONTROL});
  EXPECT_EQ(GetWindowText(e), u"one ");
  EXPECT_EQ(GetClipboardText(), u"two");
  Press(VK_HOME);
  Press('V', {VK_CONTROL});
  EXPECT_EQ(GetWindowText(e), u"twoone ");
  SetClipboardText(u"first\r\nsecond");
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(e), u"twofirstone ");
  Press('Z', {VK_CONTROL});
  EXPECT_EQ(GetWindowText(e), u"twoone ");
  Press('Z', {VK_CONTROL});  // undoing the undo redoes
  EXPECT_EQ(GetWindowText(e), u"twofirstone ");

  HWND number = MakeEdit(ES_AUTOHSCROLL | ES_NUMBER, {10, 50, 210, 74}, WC_EDIT, 8);
  SetFocus(number);
  Type(u"4a2");
  EXPECT_EQ(GetWindowText(number), u"42");
  SetClipboardText(u"12ab");
  Press('V', {VK_CONTROL});
  EXPECT_EQ(GetWindowText(number), u"42");
  SetClipboardText(u"7");
  Press(VK_INSERT, {VK_SHIFT});
  EXPECT_EQ(GetWindowText(number), u"427");
}

TEST_F(EditTest, PasswordFieldKeepsTheTextAndPaintsTheMask) {
  HWND secret = MakeEdit(ES_AUTOHSCROLL | ES_PASSWORD);
  EXPECT_EQ(SendMessage(secret, EM_GETPASSWORDCHAR, 0, 0), u'*');
  SetFocus(secret);
  Type(u"secret");
  EXPECT_EQ(GetWindowText(secret), u"secret");
  SetClipboardText(u"before");
  Press('A', {VK_CONTROL});
  Press('C', {VK_CONTROL});
  Press('X', {VK_CONTROL});
  EXPECT_EQ(GetClipboardText(), u"before");  // a password never reaches the clipboard
  EXPECT_EQ(GetWindowText(secret), u"secret");

  const RECT second{10, 50, 210, 74}, third{10, 90, 210, 114};
  HWND masked = MakeEdit(ES_AUTOHSCROLL, second, WC_EDIT, 8);
  HWND plain = MakeEdit(ES_AUTOHSCROLL, third, WC_EDIT, 9);
  SetWindowText(masked, u"******");
  SetWindowText(plain, u"secret");
  SetFocus(parent);  // no caret, no selection anywhere
  Pixels p = Paint();
  const auto shown = p.Block(kEditRect);
  EXPECT_EQ(shown, p.Block(second));
  EXPECT_NE(shown, p.Block(third));

  SendMessage(secret, EM_SETPASSWORDCHAR, 0, 0);
  EXPECT_FALSE(GetWindowLong(secret, GWL_STYLE) & ES_PASSWORD);
  p = Paint();
  EXPECT_EQ(p.Block(kEditRect), p.Block(third));
}

TEST_F(EditTest, ChangesAndFocusAreNotifiedToTheParent) {
  HWND e = MakeEdit();
  SetFocus(e);
  Type(u"ab");
  Press(VK_LEFT);  // moving the caret changes no text
  Press(VK_BACK);
  SetWindowText(e, u"new");
  SetFocus(parent);
  EXPECT_EQ(Notifications(e), (std::vector<WORD>{EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE,
                                                 EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_KILLFOCUS}));
  for (const Call& c : Calls(parent, WM_COMMAND)) EXPECT_EQ(LOWORD(c.wParam), kEditId);
  EXPECT_EQ(Sel(e), std::make_pair(0u, 0u));  // WM_SETTEXT puts the caret at the start
  EXPECT_FALSE(SendMessage(e, EM_GETMODIFY, 0, 0));
  EXPECT_FALSE(SendMessage(e, EM_CANUNDO, 0, 0));

  // The parent may close the field from a notification.
  On(parent, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_COMMAND && HIWORD(w) == EN_CHANGE) DestroyWindow(e);
    return std::nullopt;
  });
  SetFocus(e);
  Type(u"x");
  EXPECT_FALSE(IsWindow(e));
}

// A superclass as the framework makes one: the system class's procedure with
// a new name, a procedure of its own in front.
WNDPROC gEditProc = nullptr;
std::vector<std::pair<UINT, WPARAM>> gSeen;
bool gCloseOnKillFocus = false;
bool gTabLeaves = false;

LRESULT OS_STDCALL SuperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_CHAR || message == WM_KILLFOCUS)
    gSeen.emplace_back(message, wParam);
  if (message == WM_KEYDOWN && wParam == VK_RETURN) return 0;  // "return" handled here
  if (message == WM_CHAR && wParam == u'x') return 0;          // filtered out
  if (message == WM_CHAR && wParam == u'\t' && gTabLeaves) {   // focus to the next control
    SetFocus(GetParent(hwnd));
    return 0;
  }
  if (message == WM_KILLFOCUS && gCloseOnKillFocus) {
    const LRESULT r = CallWindowProc(gEditProc, hwnd, message, wParam, lParam);
    DestroyWindow(hwnd);
    return r;
  }
  return CallWindowProc(gEditProc, hwnd, message, wParam, lParam);
}

class EditSuperclassTest : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    gSeen.clear();
    gCloseOnKillFocus = false;
    gTabLeaves = false;
    WNDCLASSEXW wc;
    ASSERT_TRUE(GetClassInfoEx(nullptr, WC_EDIT, &wc));
    gEditProc = wc.lpfnWndProc;
    wc.lpfnWndProc = &SuperProc;
    wc.hInstance = TestInstance();
    wc.lpszClassName = u"EditWnd";
    ASSERT_TRUE(RegisterClassEx(&wc));
  }
  bool Saw(UINT message, WPARAM wParam) const {
    return std::find(gSeen.begin(), gSeen.end(), std::make_pair(message, wParam)) != gSeen.end();
  }
};

TEST_F(EditSuperclassTest, KeysReachTheSuperclassFirstAndMayBeKept) {
  HWND e = MakeEdit(ES_AUTOHSCROLL, kEditRect, u"EditWnd");
  ASSERT_TRUE(e);
  SetFocus(e);
  Type(u"axb");
  Press(VK_RETURN);
  Press(VK_TAB);
  EXPECT_EQ(GetWindowText(e), u"ab");
  EXPECT_TRUE(Saw(WM_KEYDOWN, VK_RETURN));
  EXPECT_TRUE(Saw(WM_KEYDOWN, VK_TAB));
  EXPECT_TRUE(Saw(WM_CHAR, u'\t'));

  HWND other = MakeEdit(ES_AUTOHSCROLL, {10, 50, 210, 74}, WC_EDIT, 8);
  gCloseOnKillFocus = true;
  SetFocus(other);
  EXPECT_TRUE(Saw(WM_KILLFOCUS, reinterpret_cast<WPARAM>(other)));
  EXPECT_EQ(CountOf(e, EN_KILLFOCUS), 1);  // default processing ran before the close
  EXPECT_FALSE(IsWindow(e));
  EXPECT_EQ(GetFocus(), other);
}

TEST_F(EditTest, APopupFieldNotifiesItsOwnerAndPaintsItsOwnSurface) {
  // The framework's field over a layered window: a popup in screen coordinates.
  HWND e = CreateWindowEx(0, WC_EDIT, u"hunter2", WS_POPUP | WS_VISIBLE | ES_AUTOHSCROLL | ES_PASSWORD, 120,
                          130, 150, 22, parent, nullptr, TestInstance(), nullptr);
  ASSERT_TRUE(e);
  ASSERT_TRUE(headless::Surface(e));
  EXPECT_EQ(headless::Surface(e)->title, u"");  // the password is no window title
  EXPECT_EQ(GetWindowText(e), u"hunter2");
  SetFocus(e);
  Type(u"!");
  EXPECT_EQ(GetWindowText(e), u"!hunter2");
  EXPECT_EQ(Notifications(e), (std::vector<WORD>{EN_SETFOCUS, EN_UPDATE, EN_CHANGE}));
  int width = 0, height = 0;
  const auto rgba = headless::Appearance(e, &width, &height);
  ASSERT_EQ(width, 150);
  int dark = 0;
  for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) dark += rgba[i] < 100 ? 1 : 0;
  EXPECT_GT(dark, 10);  // the mask and the caret, on the field's own white
}

TEST_F(EditTest, MouseAndLayout) {
  HWND e = MakeEdit();
  SetWindowText(e, u"alpha beta gamma");
  const int x6 = LOWORD(SendMessage(e, EM_POSFROMCHAR, 6, 0));
  const int x8 = LOWORD(SendMessage(e, EM_POSFROMCHAR, 8, 0));
  inject::Click(Screen(e, x8, 8));
  headless::Pump();
  EXPECT_EQ(GetFocus(), e);
  EXPECT_EQ(Sel(e), std::make_pair(8u, 8u));
  headless::Advance(GetDoubleClickTime() + 1);  // separate clicks, not a double click
  inject::KeyDown(VK_SHIFT);
  inject::Click(Screen(e, x6, 8));
  inject::KeyUp(VK_SHIFT);
  headless::Pump();
  EXPECT_EQ(Sel(e), std::make_pair(6u, 8u));
  headless::Advance(GetDoubleClickTime() + 1);
  inject::Drag(Screen(e, x6, 8), Screen(e, x8 + 1, 8));
  headless::Pump();
  EXPECT_EQ(Sel(e), std::make_pair(6u, 8u));
  EXPECT_EQ(GetCapture(), nullptr);
  headless::Advance(GetDoubleClickTime() + 1);
  inject::DoubleClick(Screen(e, x8, 8));
  headless::Pump();
  EXPECT_EQ(Sel(e), std::make_pair(6u, 10u));

  // A long text scrolls to keep the caret in view; Home brings the start back.
  SendMessage(e, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 2));
  EXPECT_EQ(SendMessage(e, EM_GETMARGINS, 0, 0), MAKELPARAM(3, 2));
  SetFocus(e);
  Press(VK_END);
  Type(u" and a text far wider than the two hundred pixels of the field");
  const int last = GetWindowTextLength(e) - 1;
  const int xLast = static_cast<short>(LOWORD(SendMessage(e, EM_POSFROMCHAR, last, 0)));
  EXPECT_GT(xLast, 100);
  EXPECT_LT(xLast, 200);
  EXPECT_LT(static_cast<short>(LOWORD(SendMessage(e, EM_POSFROMCHAR, 0, 0))), 0);
  Press(VK_HOME);
  EXPECT_EQ(LOWORD(SendMessage(e, EM_POSFROMCHAR, 0, 0)), 3);
  EXPECT_EQ(SendMessage(e, EM_POSFROMCHAR, last + 1, 0), -1);

  // Without ES_AUTOHSCROLL typing stops at the right edge.
  HWND fixed = MakeEdit(0, {10, 50, 60, 74}, WC_EDIT, 8);
  SetFocus(fixed);
  Type(u"wwwwwwwwwwwwwwwwwwww");
  const int kept = GetWindowTextLength(fixed);
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, 20);
  EXPECT_GT(CountOf(fixed, EN_MAXTEXT), 0);

  // Right-aligned short text ends at the right margin.
  HWND right = MakeEdit(ES_RIGHT, {10, 90, 210, 114}, WC_EDIT, 9);
  SetWindowText(right, u"ab");
  EXPECT_GT(LOWORD(SendMessage(right, EM_POSFROMCHAR, 0, 0)), 150);
}

TEST_F(EditTest, ColoursComeFromTheParentAtPaintTime) {
  On(parent, [](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_CTLCOLOREDIT) return std::nullopt;
    auto dc = reinterpret_cast<HDC>(w);
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(CreateSolidBrush(RGB(0, 0, 255)));
  });
  HWND e = MakeEdit();
  SetWindowText(e, u"\u2588\u2588");  // full blocks: pixels wholly in the text colour
  Pixels p = Paint();
  EXPECT_EQ(p.At(kEditRect.right - 2, kEditRect.bottom - 2), RGB(0, 0, 255));
  EXPECT_TRUE(p.Any(kEditRect, [](COLORREF c) { return c == RGB(255, 0, 0); }));
  EXPECT_GT(Count(parent, WM_CTLCOLOREDIT), 0);

  // Read-only fields ask as static controls; unanswered, they take the face colour.
  On(parent, nullptr);
  SendMessage(e, EM_SETREADONLY, TRUE, 0);
  p = Paint();
  EXPECT_GT(Count(parent, WM_CTLCOLORSTATIC), 0);
  EXPECT_EQ(p.At(kEditRect.right - 2, kEditRect.bottom - 2), GetSysColor(COLOR_3DFACE));
  EXPECT_TRUE(p.Any(kEditRect, [](COLORREF c) { return c == RGB(0, 0, 0); }));
}

TEST_F(EditTest, CaretBlinksAndSelectionShowsOnlyWithFocus) {
  HWND e = MakeEdit();
  SendMessage(e, EM_SETMARGINS, EC_LEFTMARGIN, 6);
  SetFocus(e);
  const POINT caret{kEditRect.left + 6, kEditRect.top + 5};
  EXPECT_EQ(Paint().At(caret.x, caret.y), RGB(0, 0, 0));
  headless::Advance(GetCaretBlinkTime());
  EXPECT_EQ(Paint().At(caret.x, caret.y), RGB(255, 255, 255));
  Press(VK_HOME);  // any key shows it again at once
  EXPECT_EQ(Paint().At(caret.x, caret.y), RGB(0, 0, 0));

  Type(u"select me");
  Press('A', {VK_CONTROL});
  auto highlighted = [](COLORREF c) { return c == GetSysColor(COLOR_HIGHLIGHT); };
  EXPECT_TRUE(Paint().Any(kEditRect, highlighted));
  SetFocus(parent);
  EXPECT_FALSE(Paint().Any(kEditRect, highlighted));
}

// ---------------------------------------------------------------------------
// A desktop with a native entry widget: the widget shows the field and takes
// the keystrokes, the window procedure still decides about each one.

struct FakeWidget final : NativeEdit {
  NativeEditEvents* events = nullptr;
  std::u16string text;
  int start = 0, end = 0, limit = 0, focusCalls = 0;
  char16_t passwordChar = 0;
  bool readOnly = false, visible = false;
  RECT rect{};
  std::u16string face;
  std::optional<std::pair<COLORREF, COLORREF>> colors;
  bool* gone = nullptr;

  ~FakeWidget() override {
    if (gone) *gone = true;
  }
  void SetRect(const RECT& r) override { rect = r; }
  void SetVisible(bool v) override { visible = v; }
  void SetEnabled(bool) override {}
  void SetReadOnly(bool r) override { readOnly = r; }
  void SetText(std::u16string_view t) override {
    text = t;
    start = end = static_cast<int>(text.size());
    events->TextChanged();  // GTK reports its own changes too
  }
  std::u16string Text() const override { return text; }
  void SetLimit(int n) override { limit = n; }
  void SetPasswordChar(char16_t c) override { passwordChar = c; }
  void SetSelection(int s, int e) override {
    start = s;
    end = e < 0 ? static_cast<int>(text.size()) : e;
  }
  std::pair<int, int> Selection() const override { return {start, end}; }
  void SetMargins(int, int) override {}
  void SetFont(std::u16string_view f, int, bool, bool, bool) override { face = f; }
  void SetColors(COLORREF t, COLORREF b) override { colors = std::make_pair(t, b); }
  void Focus() override { ++focusCalls; }
};

class NativeEditTest : public EditSuperclassTest {
 protected:
  void SetUp() override {
    EditSuperclassTest::SetUp();
    headless::SetNativeEditFactory([this](SurfaceId, NativeEditEvents* events) {
      auto w = std::make_unique<FakeWidget>();
      w->events = events;
      w->gone = &widgetGone;
      widget = w.get();
      return w;
    });
  }
  static KeyEvent Down(UINT vk) {
    KeyEvent k;
    k.virtualKey = vk;
    return k;
  }
  FakeWidget* widget = nullptr;
  bool widgetGone = false;
};

TEST_F(NativeEditTest, TheWidgetMirrorsTheFieldAndReportsThePlayersChanges) {
  HWND e = MakeEdit(ES_AUTOHSCROLL | ES_PASSWORD);
  ASSERT_TRUE(widget);
  EXPECT_EQ(widget->passwordChar, u'*');
  EXPECT_EQ(widget->limit, kEditDefaultLimit);
  EXPECT_EQ(widget->face, u"Tahoma");
  EXPECT_TRUE(widget->visible);
  EXPECT_TRUE(EqualRect(&widget->rect, &kEditRect));  // the parent's client is its whole surface
  MoveWindow(e, 20, 30, 100, 20, TRUE);
  EXPECT_EQ(widget->rect, (RECT{20, 30, 120, 50}));

  SetWindowText(e, u"abc");
  EXPECT_EQ(widget->text, u"abc");
  EXPECT_EQ(CountOf(e, EN_CHANGE), 1);  // the widget's echo is not a second change
  SetSel(e, 0, -1);
  EXPECT_EQ(widget->start, 0);
  EXPECT_EQ(widget->end, 3);
  SendMessage(e, EM_LIMITTEXT, 8, 0);
  SendMessage(e, EM_SETREADONLY, TRUE, 0);
  EXPECT_EQ(widget->limit, 8);
  EXPECT_TRUE(widget->readOnly);
  SendMessage(e, EM_SETREADONLY, FALSE, 0);

  // The player typed into the widget.
  widget->text = u"abcd";
  widget->start = widget->end = 4;
  widget->events->TextChanged();
  EXPECT_EQ(GetWindowText(e), u"abcd");
  EXPECT_EQ(Sel(e), std::make_pair(4u, 4u));
  EXPECT_EQ(CountOf(e, EN_UPDATE), 2);
  EXPECT_EQ(CountOf(e, EN_CHANGE), 2);
  EXPECT_TRUE(SendMessage(e, EM_GETMODIFY, 0, 0));

  // Focus goes both ways, without echoing back to the widget.
  widget->events->FocusChanged(true);
  EXPECT_EQ(GetFocus(), e);
  EXPECT_EQ(widget->focusCalls, 0);
  SetFocus(parent);
  SetFocus(e);
  EXPECT_EQ(widget->focusCalls, 1);

  // Unanswered, the colour message leaves the system's: dark text on an
  // opaque window-coloured box, never on whatever lies behind the widget.
  InvalidateRect(e, nullptr, FALSE);
  headless::Pump();
  ASSERT_TRUE(widget->colors);
  EXPECT_EQ(widget->colors->first, GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(widget->colors->second, GetSysColor(COLOR_WINDOW));

  // Colours are asked at paint time and handed on.
  On(parent, [](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_CTLCOLOREDIT) return std::nullopt;
    SetTextColor(reinterpret_cast<HDC>(w), RGB(1, 2, 3));
    return reinterpret_cast<LRESULT>(CreateSolidBrush(RGB(4, 5, 6)));
  });
  InvalidateRect(e, nullptr, FALSE);
  headless::Pump();
  ASSERT_TRUE(widget->colors);
  EXPECT_EQ(widget->colors->first, RGB(1, 2, 3));
  EXPECT_EQ(widget->colors->second, RGB(4, 5, 6));

  DestroyWindow(e);
  EXPECT_TRUE(widgetGone);
}

// The widget is the desktop's, not clipped by the window tree: it leaves the
// screen with any ancestor of its field, else it covers (and takes the clicks
// of) whatever the player sees there instead.
TEST_F(NativeEditTest, TheWidgetHidesAndShowsWithTheFieldsAncestors) {
  const HWND top = parent;
  parent = Child(top, {0, 0, 400, 200});  // a page holding the field
  MakeEdit();
  ASSERT_TRUE(widget);
  ASSERT_TRUE(widget->visible);
  ShowWindow(parent, SW_HIDE);
  EXPECT_FALSE(widget->visible);
  ShowWindow(parent, SW_SHOW);
  EXPECT_TRUE(widget->visible);
  ShowWindow(top, SW_HIDE);
  EXPECT_FALSE(widget->visible);
  ShowWindow(top, SW_SHOWNA);
  EXPECT_TRUE(widget->visible);
}

TEST_F(NativeEditTest, KeysPassThroughTheProcedureBeforeTheWidgetActs) {
  HWND e = MakeEdit(ES_AUTOHSCROLL, kEditRect, u"EditWnd");
  ASSERT_TRUE(widget);
  SetFocus(e);
  NativeEditEvents* events = widget->events;
  EXPECT_FALSE(events->Key(Down('A')));  // the widget types it
  EXPECT_TRUE(Saw(WM_KEYDOWN, 'A'));
  EXPECT_TRUE(Saw(WM_CHAR, u'a'));
  EXPECT_TRUE(events->Key(Down('X')));        // the superclass kept the character
  EXPECT_TRUE(events->Key(Down(VK_RETURN)));  // kept by the superclass
  EXPECT_TRUE(Saw(WM_KEYDOWN, VK_RETURN));
  EXPECT_TRUE(events->Key(Down(VK_TAB)));  // the field ignores it, so must the widget
  EXPECT_TRUE(Saw(WM_CHAR, u'\t'));
  EXPECT_FALSE(events->Key(Down(VK_BACK)));
  EXPECT_FALSE(events->Key(Down(VK_LEFT)));

  // Up moves the caret as Left does, done by the field for the widget.
  widget->text = u"xyz";
  widget->start = widget->end = 3;
  events->TextChanged();
  EXPECT_TRUE(events->Key(Down(VK_UP)));
  EXPECT_EQ(widget->start, 2);
  EXPECT_EQ(widget->end, 2);

  // A number-only field refuses letters before the widget sees them.
  SetWindowLong(e, GWL_STYLE, GetWindowLong(e, GWL_STYLE) | ES_NUMBER);
  EXPECT_TRUE(events->Key(Down('B')));
  EXPECT_FALSE(events->Key(Down('5')));

  // Keys the widget still gets after the field lost the focus go where the
  // focus is now.
  SetFocus(parent);
  headless::Pump();
  Log().clear();
  EXPECT_TRUE(events->Key(Down('Q')));
  headless::Pump();
  EXPECT_EQ(Count(parent, WM_KEYDOWN), 1);
  EXPECT_EQ(GetWindowText(e), u"xyz");
  SetFocus(e);

  // Tab moves the focus on, which closes the field in the middle of the key.
  gCloseOnKillFocus = true;
  gTabLeaves = true;
  EXPECT_TRUE(events->Key(Down(VK_TAB)));
  EXPECT_FALSE(IsWindow(e));
  EXPECT_TRUE(widgetGone);
}

}  // namespace
}  // namespace wintest
