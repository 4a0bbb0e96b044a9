// The windowless text editor driven as a player drives it: keys, typed text
// and the mouse injected into a headless window whose procedure hands its
// messages to the text; the clipboard, undo, limits, Enter and Tab wishes,
// scrolling, alignment, the input method, and the drawn pixels.
#include "platform/syscontrols/TextServices.h"

#include <string>

#include "WindowTestSupport.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "platform/syscontrols/Ime.h"

namespace wintest {
namespace {

constexpr RECT kView{10, 10, 210, 34};

class FakeHost : public ITextHost {
 public:
  HWND window = nullptr;
  RECT view = kView;
  Font* font = nullptr;
  DWORD bits = TXTBIT_MULTILINE;
  DWORD bars = ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  DWORD wishes = TXK_WANTRETURN;
  TxAlign align = TxAlign::Left;
  int maxLength = 0;
  std::vector<DWORD> notes;
  POINT caretPos{-1, -1};
  int caretHeight = 0;
  bool caretShown = false;
  int viewChanges = 0;

  HWND TxGetWindow() override { return window; }
  RECT TxGetClientRect() override { return view; }
  const Font* TxGetFont() override { return font; }
  DWORD TxGetTextColor() override { return 0xFF000000; }
  TxAlign TxGetAlignment() override { return align; }
  char16_t TxGetPasswordChar() override { return u'*'; }
  int TxGetMaxLength() override { return maxLength; }
  DWORD TxGetPropertyBits() override { return bits; }
  DWORD TxGetScrollBars() override { return bars; }
  DWORD TxGetKeyWishes() override { return wishes; }
  bool TxCreateCaret(int, int height) override {
    caretHeight = height;
    return true;
  }
  bool TxShowCaret(bool show) override {
    caretShown = show;
    return true;
  }
  bool TxSetCaretPos(POINT pos) override {
    caretPos = pos;
    return true;
  }
  void TxInvalidateRect(const RECT*) override {}
  void TxViewChange() override { ++viewChanges; }
  void TxSetCapture(bool) override {}
  void TxNotify(DWORD code) override { notes.push_back(code); }
  int Count(DWORD code) const { return static_cast<int>(std::count(notes.begin(), notes.end(), code)); }
};

class TextServicesTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    window = Popup({100, 100, 400, 300}, kDoubleClickClass);
    font = std::make_unique<Font>(u"Courier New", 16);
    host.window = window;
    host.font = font.get();
    text = std::make_unique<TextServices>(&host);
    On(window, [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
      const bool input = (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
                         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
      if (!input) return std::nullopt;
      text->TxSendMessage(message, wParam, lParam);
      return 0;
    });
    SetFocus(window);
    headless::Pump();
    text->TxSendMessage(WM_SETFOCUS, 0, 0);
  }
  void TearDown() override {
    Handlers().clear();
    text.reset();
    WindowTest::TearDown();
  }

  static void Type(std::u16string_view typed) {
    inject::Text(typed);
    headless::Pump();
  }
  static void Press(UINT vk, std::initializer_list<UINT> modifiers = {}) {
    for (UINT m : modifiers) inject::KeyDown(m);
    inject::KeyPress(vk);
    for (UINT m : modifiers) inject::KeyUp(m);
    headless::Pump();
  }
  void Click(POINT client, std::initializer_list<UINT> modifiers = {}) {
    for (UINT m : modifiers) inject::KeyDown(m);
    inject::Click(Screen(window, client.x, client.y));
    for (UINT m : modifiers) inject::KeyUp(m);
    headless::Pump();
  }
  // The pixel column just right of a character, in the middle of line 0.
  POINT After(int position) const {
    const POINT p = text->PosFromChar(position);
    return POINT{p.x, p.y + text->LineHeight() / 2};
  }
  std::pair<int, int> Sel() const { return {text->Anchor(), text->Caret()}; }

  HWND window = nullptr;
  std::unique_ptr<Font> font;
  FakeHost host;
  std::unique_ptr<TextServices> text;
};

TEST_F(TextServicesTest, CaretMovesByCharactersWordsLinesAndEnds) {
  host.view = RECT{10, 10, 390, 200};
  text->SetText(u"hello brave world\nsecond line");
  text->SetSelection(17, 17);
  Press(VK_LEFT);
  EXPECT_EQ(text->Caret(), 16);
  Press(VK_LEFT, {VK_CONTROL});
  EXPECT_EQ(text->Caret(), 12);
  Press(VK_LEFT, {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(Sel(), std::make_pair(12, 6));
  Press(VK_RIGHT);  // collapses to the selection's end
  EXPECT_EQ(Sel(), std::make_pair(12, 12));
  Press(VK_HOME);
  EXPECT_EQ(text->Caret(), 0);
  Press(VK_END);
  EXPECT_EQ(text->Caret(), 17);
  Press(VK_DOWN);  // the column is kept on the next line
  EXPECT_EQ(text->Caret(), 29);
  Press(VK_HOME);
  EXPECT_EQ(text->Caret(), 18);
  Press(VK_UP);
  EXPECT_EQ(text->Caret(), 0);
  Press(VK_END, {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(Sel(), std::make_pair(0, 29));
  EXPECT_EQ(text->Text(), u"hello brave world\rsecond line");  // breaks are stored as one unit
  Press(VK_HOME, {VK_CONTROL});
  EXPECT_EQ(Sel(), std::make_pair(0, 0));
}

TEST_F(TextServicesTest, SurrogatePairsAndClustersAreNeverSplit) {
  text->SetText(u"a\U0001F600b\u0065\u0301");  // a 😀 b e+acute
  text->SetSelection(0, 0);
  Press(VK_RIGHT);
  EXPECT_EQ(text->Caret(), 1);
  Press(VK_RIGHT);
  EXPECT_EQ(text->Caret(), 3);
  Press(VK_RIGHT);
  Press(VK_RIGHT);
  EXPECT_EQ(text->Caret(), 6);  // e and its accent go together
  Press(VK_LEFT);
  EXPECT_EQ(text->Caret(), 4);
  text->SetSelection(3, 3);
  Press(VK_BACK);
  EXPECT_EQ(text->Text(), u"ab\u0065\u0301");
  Type(u"\U0001F600");  // typed as two units
  EXPECT_EQ(text->Text(), u"a\U0001F600b\u0065\u0301");
  EXPECT_EQ(text->Caret(), 3);
}

TEST_F(TextServicesTest, MouseSelectsByClickShiftClickDragAndDoubleClick) {
  text->SetText(u"alpha beta gamma");
  Click(After(6));
  EXPECT_EQ(Sel(), std::make_pair(6, 6));
  Click(After(10), {VK_SHIFT});
  EXPECT_EQ(Sel(), std::make_pair(6, 10));
  inject::Drag(Screen(window, After(0).x, After(0).y), Screen(window, After(5).x, After(5).y));
  headless::Pump();
  EXPECT_EQ(Sel(), std::make_pair(0, 5));
  const POINT inGamma = After(13);
  inject::DoubleClick(Screen(window, inGamma.x, inGamma.y));
  headless::Pump();
  EXPECT_EQ(Sel(), std::make_pair(11, 16));
  EXPECT_FALSE(text->IsDragging());
}

TEST_F(TextServicesTest, ClipboardRoundTripsThroughEveryShortcut) {
  text->SetText(u"one\ntwo");
  Press('A', {VK_CONTROL});
  Press('C', {VK_CONTROL});
  EXPECT_EQ(GetClipboardText(), u"one\r\ntwo");  // breaks leave as CR LF
  text->SetSelection(0, 3);
  Press(VK_DELETE, {VK_SHIFT});
  EXPECT_EQ(text->Text(), u"\rtwo");
  EXPECT_EQ(GetClipboardText(), u"one");
  Press(VK_END, {VK_CONTROL});
  Press(VK_INSERT, {VK_SHIFT});
  EXPECT_EQ(text->Text(), u"\rtwoone");
  text->SetSelection(1, 4);
  Press(VK_INSERT, {VK_CONTROL});
  EXPECT_EQ(GetClipboardText(), u"two");
  Press('X', {VK_CONTROL});
  Press('V', {VK_CONTROL});
  Press('V', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"\rtwotwoone");
  SetClipboardText(u"a\r\nb");
  Press('V', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"\rtwotwoa\rbone");

  host.bits |= TXTBIT_USEPASSWORD;
  SetClipboardText(u"kept");
  Press('A', {VK_CONTROL});
  Press('C', {VK_CONTROL});
  Press('X', {VK_CONTROL});
  EXPECT_EQ(GetClipboardText(), u"kept");  // a password never reaches the clipboard
  EXPECT_EQ(text->Text(), u"\rtwotwoa\rbone");
}

TEST_F(TextServicesTest, UndoAndRedoGoByWordsAndRestoreTheSelection) {
  Type(u"one two");
  EXPECT_EQ(text->Text(), u"one two");
  Press('Z', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"one ");
  Press('Z', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"");
  EXPECT_FALSE(text->CanUndo());
  Press('Y', {VK_CONTROL});
  Press('Y', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"one two");
  EXPECT_EQ(text->Caret(), 7);

  text->SetSelection(4, 7);
  Type(u"X");
  EXPECT_EQ(text->Text(), u"one X");
  EXPECT_TRUE(text->Undo());
  EXPECT_EQ(text->Text(), u"one two");
  EXPECT_EQ(Sel(), std::make_pair(4, 7));
  // Moving the caret closes the typing step.
  text->SetSelection(0, 0);
  Type(u"a");
  text->SetSelection(8, 8);
  Type(u"b");
  EXPECT_TRUE(text->Undo());
  EXPECT_EQ(text->Text(), u"aone two");
  Type(u"c");  // a new change drops what could be redone
  EXPECT_FALSE(text->CanRedo());
}

TEST_F(TextServicesTest, LimitCutsTypingAndPastingBetweenCharacters) {
  host.maxLength = 5;
  Type(u"abcdefg");
  EXPECT_EQ(text->Text(), u"abcde");
  EXPECT_GE(host.Count(TXN_MAXTEXT), 2);
  text->SetSelection(3, 5);
  SetClipboardText(u"x\U0001F600yz");
  Press('V', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"abcx");          // the pair does not fit whole
  text->SetText(u"program text is longer");  // the program is not limited
  EXPECT_EQ(text->Text().size(), 22u);
}

struct EnterCase {
  bool multiLine;
  DWORD wishes;
  bool ctrl;
  bool inserted;
};

class EnterTest : public TextServicesTest, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(EnterTest, EnterIsTakenOnlyAsTheWishesSay) {
  const EnterCase c = GetParam();
  host.bits = c.multiLine ? TXTBIT_MULTILINE : 0;
  host.wishes = c.wishes;
  text->SetText(u"ab");
  text->SetSelection(1, 1);
  if (c.ctrl) {
    Press(VK_RETURN, {VK_CONTROL});
  } else {
    Press(VK_RETURN);
  }
  EXPECT_EQ(text->Text(), c.inserted ? u"a\rb" : u"ab");
  EXPECT_EQ(host.Count(TXN_RETURN), c.inserted ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Wishes, EnterTest,
    ::testing::Values(EnterCase{true, TXK_WANTRETURN, false, true},
                      EnterCase{true, TXK_WANTCTRLRETURN, false, false},
                      EnterCase{true, TXK_WANTCTRLRETURN, true, true},
                      EnterCase{true, TXK_WANTRETURN, true, false},
                      EnterCase{false, TXK_WANTRETURN | TXK_WANTCTRLRETURN, false, false},
                      EnterCase{false, TXK_WANTRETURN | TXK_WANTCTRLRETURN, true, false}));

TEST_F(TextServicesTest, TabAndReadOnlyFollowTheHost) {
  Type(u"\t");
  EXPECT_EQ(text->Text(), u"");
  host.wishes |= TXK_WANTTAB;
  Type(u"\t");
  EXPECT_EQ(text->Text(), u"\t");

  host.bits |= TXTBIT_READONLY;
  SetClipboardText(u"p");
  Type(u"x");
  Press('V', {VK_CONTROL});
  Press(VK_BACK);
  Press('A', {VK_CONTROL});
  Press('X', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"\t");
  text->SetText(u"set");
  EXPECT_EQ(text->Text(), u"set");
}

TEST_F(TextServicesTest, ViewScrollsToKeepTheCaretOnlyWhereAllowed) {
  const std::u16string longLine(80, u'm');
  host.bits = 0;
  text->SetText(longLine);
  Press(VK_END);
  EXPECT_GT(text->ScrollPos().x, 0);
  const POINT caret = text->PosFromChar(text->Caret());
  EXPECT_LT(caret.x, kView.right);
  EXPECT_GE(caret.x, kView.left);
  EXPECT_EQ(host.caretPos, caret);
  Press(VK_HOME);
  EXPECT_EQ(text->ScrollPos().x, 0);

  host.bars = 0;
  text->OnTxPropertyChange();
  Press(VK_END);
  EXPECT_EQ(text->ScrollPos().x, 0);
  EXPECT_FALSE(host.caretShown);  // the caret is outside the view

  host.bits = TXTBIT_MULTILINE | TXTBIT_WORDWRAP;
  host.bars = ES_AUTOVSCROLL;
  host.view = RECT{10, 10, 110, 60};
  text->SetText(u"one two three four five six seven eight nine ten eleven twelve");
  EXPECT_GT(text->ContentSize().cy, 3 * text->LineHeight());  // wrapped at words
  Press(VK_END, {VK_CONTROL});
  const int bottom = text->ScrollPos().y;
  EXPECT_GT(bottom, 0);
  inject::MouseMove(Screen(window, 20, 20));
  inject::Wheel(WHEEL_DELTA);  // three lines a notch
  headless::Pump();
  EXPECT_EQ(text->ScrollPos().y, std::max(0, bottom - 3 * text->LineHeight()));
  inject::Wheel(-10 * WHEEL_DELTA);
  headless::Pump();
  EXPECT_EQ(text->ScrollPos().y, bottom);
}

// A long unwrapped line is shaped in pieces; positions, hits, words and
// painting must not show the seams.
TEST_F(TextServicesTest, ALongLineBehavesAsOneLine) {
  host.bits = 0;
  std::u16string line;
  while (line.size() < 6000) line += u"word ";
  text->SetText(line);
  int lastX = -1;
  for (int i = 1000; i < 1100; ++i) {
    text->SetSelection(i, i);
    const POINT at = text->PosFromChar(i);  // the view follows the caret
    EXPECT_GT(at.x + text->ScrollPos().x, lastX) << i;
    lastX = at.x + text->ScrollPos().x;
    EXPECT_EQ(text->CharFromPos(POINT{at.x, at.y + 2}), i) << i;
  }
  text->SetSelection(1023, 1023);
  Press(VK_RIGHT, {VK_CONTROL});
  EXPECT_EQ(text->Caret(), 1025);
  Press(VK_END);
  EXPECT_EQ(text->Caret(), static_cast<int>(line.size()));
  EXPECT_EQ(text->PosFromChar(text->Caret()).x + text->ScrollPos().x - kView.left,
            text->ContentSize().cx - 1);
  Type(u"x");
  Press(VK_HOME);
  EXPECT_EQ(text->Caret(), 0);
  EXPECT_EQ(text->Text(), line + u"x");
}

TEST_F(TextServicesTest, AlignmentPlacesShortText) {
  text->SetText(u"abc");
  const int width = text->PosFromChar(3).x - text->PosFromChar(0).x;
  EXPECT_EQ(text->PosFromChar(0).x, kView.left);
  host.align = TxAlign::Right;
  text->OnTxPropertyChange();
  EXPECT_EQ(text->PosFromChar(3).x, kView.right - 1);
  host.align = TxAlign::Center;
  text->OnTxPropertyChange();
  EXPECT_NEAR(text->PosFromChar(0).x, kView.left + (kView.right - kView.left - width - 1) / 2, 1);
}

TEST_F(TextServicesTest, CompositionStandsInTheTextUntilItsResult) {
#ifdef _WIN32
  GTEST_SKIP() << "the system's input method owns the result string: a program cannot hand one to the "
                  "context without an input method that composes";
#endif
  text->SetText(u"ab");
  text->SetSelection(1, 1);
  const HIMC context = ImmGetContext(window);
  ASSERT_NE(context, nullptr);
  SendMessage(window, WM_IME_STARTCOMPOSITION, 0, 0);
  text->TxSendMessage(WM_IME_STARTCOMPOSITION, 0, 0);
  ImmSetCompositionString(context, GCS_COMPSTR, u"ni");
  text->TxSendMessage(WM_IME_COMPOSITION, 0, GCS_COMPSTR);
  EXPECT_EQ(text->Text(), u"anib");
  EXPECT_EQ(text->Composition(), std::make_pair(1, 2));
  ImmSetCompositionString(context, GCS_RESULTSTR, u"你");
  ImmSetCompositionString(context, GCS_COMPSTR, u"");
  text->TxSendMessage(WM_IME_COMPOSITION, 0, GCS_RESULTSTR | GCS_COMPSTR);
  text->TxSendMessage(WM_IME_ENDCOMPOSITION, 0, 0);
  EXPECT_EQ(text->Text(), u"a你b");
  EXPECT_EQ(text->Caret(), 2);
  EXPECT_TRUE(text->Undo());  // the result is one step; the composing left none
  EXPECT_EQ(text->Text(), u"ab");

  // A composition given up leaves nothing.
  text->TxSendMessage(WM_IME_STARTCOMPOSITION, 0, 0);
  ImmSetCompositionString(context, GCS_COMPSTR, u"zz");
  text->TxSendMessage(WM_IME_COMPOSITION, 0, GCS_COMPSTR);
  text->TxSendMessage(WM_IME_ENDCOMPOSITION, 0, 0);
  EXPECT_EQ(text->Text(), u"ab");

  // The input method hears where the caret is, in the window's coordinates.
  const POINT caret = text->PosFromChar(text->Caret());
  const std::optional<RECT> imeCaret = headless::ImeCaretRect(window);
  ASSERT_TRUE(imeCaret.has_value());
  EXPECT_EQ(imeCaret->left, caret.x);
  EXPECT_EQ(imeCaret->top, caret.y);
}

// Painting: a masked text looks like its mask typed out, and a selection
// shows in the host's selection colour.
TEST_F(TextServicesTest, PasswordAndSelectionArePainted) {
  auto draw = [&]() {
    Bitmap bitmap(220, 44);
    Canvas canvas(bitmap);
    canvas.FillRect(RECT{0, 0, 220, 44}, 0xFFFFFFFF);
    text->TxDraw(canvas, RECT{0, 0, 220, 44});
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 44; ++y) {
      for (int x = 0; x < 220; ++x) pixels.push_back(bitmap.Pixel(x, y));
    }
    return pixels;
  };
  text->SetText(u"***");
  const auto mask = draw();
  host.bits |= TXTBIT_USEPASSWORD;
  text->SetText(u"abc");
  EXPECT_EQ(draw(), mask);
  host.bits &= ~TXTBIT_USEPASSWORD;
  text->OnTxPropertyChange();
  EXPECT_NE(draw(), mask);

  const auto selectionPixels = [](const std::vector<std::uint32_t>& pixels) {
    return std::count(pixels.begin(), pixels.end(), 0xFF3399FFu);
  };
  EXPECT_EQ(selectionPixels(draw()), 0);
  text->SetSelection(0, 3);
  EXPECT_GT(selectionPixels(draw()), 3 * 8 * 8);
  text->TxSendMessage(WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(selectionPixels(draw()), 0);  // hidden without the focus
}

TEST_F(TextServicesTest, BadInputIsMadeSafe) {
  // Lone surrogates become U+FFFD; pairs stay.
  text->SetText(
      u"a\xD800"
      u"b\xDC00"
      u"\U0001F600");
  EXPECT_EQ(text->Text(), u"a\uFFFDb\uFFFD\U0001F600");
  // Selections out of range are clamped; none lands inside a pair.
  text->SetSelection(-5, 1000);
  EXPECT_EQ(Sel(), std::make_pair(0, 6));
  text->SetSelection(5, 5);
  EXPECT_EQ(text->Caret(), 4);
  SendMessage(window, EM_SETSEL, 0, -1);
  text->TxSendMessage(EM_SETSEL, static_cast<WPARAM>(-3), 2);
  EXPECT_EQ(text->SelStart(), text->SelEnd());
  // Undo past the beginning does nothing.
  text->SetText(u"x");
  EXPECT_FALSE(text->Undo());
  EXPECT_FALSE(text->Redo());
  Press('Z', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"x");
  // A limit of 0 or less is the default limit.
  host.maxLength = -4;
  SetClipboardText(std::u16string(40000, u'q'));
  Press('V', {VK_CONTROL});
  EXPECT_EQ(text->Text().size(), static_cast<std::size_t>(kTextServicesDefaultLimit));
  // Pasted invalid UTF-16 is repaired as well.
  text->SetText(u"");
  SetClipboardText(u"\xDC00z");
  Press('V', {VK_CONTROL});
  EXPECT_EQ(text->Text(), u"\uFFFDz");
}

}  // namespace
}  // namespace wintest
