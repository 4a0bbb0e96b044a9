// The "Edit" system class: the text model (text, caret, selection, limit,
// password character, margins, font, undo), its keyboard and mouse handling,
// its notifications and its painting — or, where the backend has a native
// entry widget, the glue that keeps the widget and the window procedure in
// step.
#include "platform/syscontrols/Edit.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "platform/window/Input.h"
#include "platform/window/MessageQueue.h"
#include "platform/window/Paint.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {
namespace internal {
namespace {

// Clear of the small timer ids applications give their windows, so a
// subclass's own timers never replace the caret's.
constexpr UINT_PTR kCaretTimer = 0x45444954;
// Windows gives a field without WM_SETFONT the 16-pixel "System" font.
constexpr char16_t kDefaultFace[] = u"System";
constexpr int kDefaultFontSize = 16;

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == 0x3000; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::uint32_t Argb(COLORREF c) {
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// Characters a widget acts on when the field's default procedure lets them
// through: text, Backspace and the Ctrl editing characters.
bool IsEditingChar(char16_t c) {
  if (c >= 0x20 && c != 0x7F) return true;
  switch (c) {
    case 0x01:  // Ctrl+A
    case 0x03:  // Ctrl+C
    case 0x08:  // Backspace
    case 0x16:  // Ctrl+V
    case 0x18:  // Ctrl+X
    case 0x1A:  // Ctrl+Z
    case 0x7F:  // Ctrl+Backspace
      return true;
    default:
      return false;
  }
}

// Keys a single-line field ignores; a widget must not act on them either
// (GTK moves the focus on Tab, Up and Down).
bool IsIgnoredKey(UINT vk) {
  return vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_PRIOR || vk == VK_NEXT ||
         vk == VK_UP || vk == VK_DOWN;
}

// A key event on its way from a native widget through the window procedure.
struct KeyRelay {
  UINT vk = 0;
  char16_t ch = 0;
  bool keyReached = false;   // the default procedure got the key message
  bool charReached = false;  // ... and the character
  bool handledHere = false;  // ... and carried it out itself
};

struct Colors {
  COLORREF text = 0;
  COLORREF bk = 0;
  COLORREF brush = 0;
  int bkMode = OPAQUE;
};

// One line of text laid out in the field.
struct Line {
  std::u16string shown;     // the text as drawn (masked, control characters blanked)
  std::vector<int> extent;  // width of shown[0..i]
  int width = 0;
  int height = 0;
  RECT format;     // client area less the margins
  int origin = 0;  // x of the first character
  int X(int index) const { return origin + (index <= 0 ? 0 : extent[static_cast<std::size_t>(index - 1)]); }
};

class EditState;
EditState* DataOf(HWND hwnd) { return reinterpret_cast<EditState*>(GetWindowLongPtr(hwnd, 0)); }
void OS_STDCALL BlinkCaret(HWND hwnd, UINT, UINT_PTR id, DWORD);

class EditState final : public NativeEditEvents {
 public:
  explicit EditState(HWND h) : hwnd(h), font(std::make_unique<Font>(kDefaultFace, kDefaultFontSize)) {}
  ~EditState() override { native.reset(); }

  HWND hwnd;
  std::u16string text;
  int anchor = 0;
  int caret = 0;
  int limit = kEditDefaultLimit;
  char16_t password = 0;
  int marginLeft = 0;
  int marginRight = 0;
  bool modified = false;
  bool focused = false;
  bool caretOn = false;
  bool dragging = false;
  char16_t pendingHigh = 0;  // first half of a character typed in two WM_CHARs
  int scroll = 0;            // pixels the text is scrolled to the left
  HFONT fontHandle = nullptr;
  std::unique_ptr<Font> font;
  struct Undo {
    std::u16string text;
    int anchor = 0;
    int caret = 0;
  };
  std::optional<Undo> undo;
  bool typingRun = false;  // the last change was typing: more typing joins its undo step

  std::unique_ptr<NativeEdit> native;
  int pushing = 0;  // changes we make to the widget are not reported back as the user's
  bool focusFromWidget = false;
  KeyRelay* relay = nullptr;
  std::optional<std::pair<COLORREF, COLORREF>> nativeColors;
  std::optional<RECT> nativeRect;
  std::optional<bool> nativeVisible;

  // The window procedure and the widget's callbacks may destroy the window
  // (a parent closing the field on EN_CHANGE, a subclass on Enter); the state
  // then lives on, marked dead, until the outermost of them returns.
  int busy = 0;
  bool dead = false;

  // --- NativeEditEvents ---
  void TextChanged() override;
  void FocusChanged(bool focusedNow) override;
  bool Key(const KeyEvent& event) override;

  // --- model ---
  int Size() const { return static_cast<int>(text.size()); }
  int SelStart() const { return std::min(anchor, caret); }
  int SelEnd() const { return std::max(anchor, caret); }
  bool HasSelection() const { return anchor != caret; }
  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)); }
  bool ReadOnly() const { return (Style() & ES_READONLY) != 0; }
  int Snap(int i) const {
    i = std::clamp(i, 0, Size());
    if (i > 0 && i < Size() && IsLow(text[static_cast<std::size_t>(i)]) &&
        IsHigh(text[static_cast<std::size_t>(i - 1)])) {
      --i;
    }
    return i;
  }
  int Prev(int i) const { return i <= 0 ? 0 : Snap(i - 1); }
  int Next(int i) const {
    if (i >= Size()) return Size();
    return (IsHigh(text[static_cast<std::size_t>(i)]) && i + 1 < Size()) ? std::min(i + 2, Size()) : i + 1;
  }
  int WordLeft(int i) const {
    if (password) return 0;
    while (i > 0 && IsSpace(text[static_cast<std::size_t>(i - 1)])) --i;
    while (i > 0 && !IsSpace(text[static_cast<std::size_t>(i - 1)])) --i;
    return i;
  }
  int WordRight(int i) const {
    if (password) return Size();
    while (i < Size() && !IsSpace(text[static_cast<std::size_t>(i)])) ++i;
    while (i < Size() && IsSpace(text[static_cast<std::size_t>(i)])) ++i;
    return i;
  }

  bool Replace(std::u16string_view insert, bool limited);
  void UserReplace(std::u16string_view insert, bool typing);
  void SetText(std::u16string_view value);
  void SetSelection(int newAnchor, int newCaret);
  void MoveCaret(int to, bool extend);
  bool UndoStep();
  void Copy();
  void Cut();
  void Paste();
  void Clear();

  // --- keys and mouse ---
  LRESULT OnKeyDown(UINT vk);
  LRESULT OnChar(char16_t c);
  void TypeChar(char16_t c);
  int IndexAt(int x);
  void SelectWordAt(int x);

  // --- display ---
  void SetFont(HFONT handle, bool redraw);
  int FontMargin() const { return std::max<int>(0, font->Metrics().aveCharWidth / 4); }
  Line Layout() const;
  void ScrollToCaret();
  void Invalidate() { InvalidateRect(hwnd, nullptr, FALSE); }
  void RestartCaret();
  void Refresh();
  void AfterTextChange();
  void Notify(WORD code);
  Colors QueryColors();
  void Paint();

  // --- widget ---
  void CreateNative();
  void Pull();
  void Push();
  void PlaceNative();
  bool RelayKey(const KeyEvent& event);
};

class Busy {
 public:
  explicit Busy(EditState* state) : state_(state) { ++state_->busy; }
  ~Busy() {
    if (--state_->busy == 0 && state_->dead) delete state_;
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  EditState* state_;
};

// ---------------------------------------------------------------------------
// Model

// Replaces the selection; with `limited` the insertion is cut to the limit
// (and, without ES_AUTOHSCROLL, to the field's width). Returns whether the
// text changed.
bool EditState::Replace(std::u16string_view insert, bool limited) {
  std::u16string s(insert);
  const int from = SelStart();
  const int removed = SelEnd() - from;
  bool cut = false;
  if (limited) {
    const long long room = static_cast<long long>(limit) - (Size() - removed);
    if (static_cast<long long>(s.size()) > room) {
      std::size_t keep = room > 0 ? static_cast<std::size_t>(room) : 0;
      if (keep > 0 && keep < s.size() && IsHigh(s[keep - 1])) --keep;  // never half a character
      s.resize(keep);
      cut = true;
    }
    if (!(Style() & ES_AUTOHSCROLL) && !s.empty()) {
      const Line line = Layout();
      const int avail = line.format.right - line.format.left - 1;
      auto fits = [&](std::size_t n) {
        std::u16string candidate = text;
        candidate.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(removed), s.substr(0, n));
        const std::u16string shown = password ? std::u16string(candidate.size(), password) : candidate;
        return MeasureText(*font, shown).cx <= avail;
      };
      std::size_t n = s.size();
      while (n > 0 && !fits(n)) {
        --n;
        if (n > 0 && IsHigh(s[n - 1])) --n;
      }
      if (n < s.size()) {
        s.resize(n);
        cut = true;
      }
    }
  }
  if (cut) {
    Notify(EN_MAXTEXT);
    if (dead) return false;
    // Nothing of the insertion fits: the field stays as it was.
    if (s.empty() && !insert.empty()) return false;
  }
  if (s.empty() && removed == 0) return false;
  text.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(removed), s);
  anchor = caret = from + static_cast<int>(s.size());
  return true;
}

void EditState::UserReplace(std::u16string_view insert, bool typing) {
  if (ReadOnly()) return;
  const std::optional<Undo> before = undo;
  if (!(typing && typingRun)) undo = Undo{text, anchor, caret};
  if (Replace(insert, true)) {
    typingRun = typing;
    modified = true;
    AfterTextChange();
  } else if (!dead) {
    undo = before;
    Refresh();
  }
}

void EditState::SetText(std::u16string_view value) {
  text.assign(value);
  anchor = caret = 0;
  scroll = 0;
  modified = false;
  undo.reset();
  typingRun = false;
  pendingHigh = 0;
  AfterTextChange();
}

void EditState::SetSelection(int newAnchor, int newCaret) {
  anchor = Snap(newAnchor);
  caret = Snap(newCaret);
  typingRun = false;
  Refresh();
}

void EditState::MoveCaret(int to, bool extend) { SetSelection(extend ? anchor : to, to); }

bool EditState::UndoStep() {
  if (!undo) return false;
  Undo previous = std::move(*undo);
  undo = Undo{text, anchor, caret};  // undoing again redoes
  text = std::move(previous.text);
  anchor = std::clamp(previous.anchor, 0, Size());
  caret = std::clamp(previous.caret, 0, Size());
  typingRun = false;
  modified = true;
  AfterTextChange();
  return true;
}

void EditState::Copy() {
  // A password never leaves its field.
  if (password || !HasSelection()) return;
  SetClipboardText(std::u16string_view(text).substr(static_cast<std::size_t>(SelStart()),
                                                    static_cast<std::size_t>(SelEnd() - SelStart())));
}

void EditState::Cut() {
  if (password || ReadOnly() || !HasSelection()) return;
  Copy();
  UserReplace(u"", false);
}

void EditState::Paste() {
  if (ReadOnly()) return;
  std::u16string s = GetClipboardText();
  // A single line takes the first line of what is pasted.
  if (const std::size_t lineEnd = s.find_first_of(u"\r\n"); lineEnd != std::u16string::npos)
    s.resize(lineEnd);
  if (s.empty()) return;
  if ((Style() & ES_NUMBER) && !std::all_of(s.begin(), s.end(), IsDigit)) return;
  UserReplace(s, false);
}

void EditState::Clear() {
  if (ReadOnly() || !HasSelection()) return;
  UserReplace(u"", false);
}

// ---------------------------------------------------------------------------
// Keys and mouse

LRESULT EditState::OnKeyDown(UINT vk) {
  if (relay && native && vk == relay->vk) {
    relay->keyReached = true;
    // The widget carries out what it does like the field; Up and Down, which
    // a widget takes as focus moves, are done here.
    if (vk != VK_UP && vk != VK_DOWN) return 0;
    relay->handledHere = true;
  }
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  switch (vk) {
    case VK_LEFT:
    case VK_UP:
      if (ctrl) {
        MoveCaret(WordLeft(caret), shift);
      } else {
        MoveCaret(shift || !HasSelection() ? Prev(caret) : SelStart(), shift);
      }
      return 0;
    case VK_RIGHT:
    case VK_DOWN:
      if (ctrl) {
        MoveCaret(WordRight(caret), shift);
      } else {
        MoveCaret(shift || !HasSelection() ? Next(caret) : SelEnd(), shift);
      }
      return 0;
    case VK_HOME:
      MoveCaret(0, shift);
      return 0;
    case VK_END:
      MoveCaret(Size(), shift);
      return 0;
    case VK_DELETE:
      if (shift) {
        Cut();
      } else if (!ReadOnly()) {
        if (!HasSelection()) {
          anchor = caret;
          caret = ctrl ? WordRight(caret) : Next(caret);
        }
        UserReplace(u"", false);
      }
      return 0;
    case VK_INSERT:
      if (ctrl) {
        Copy();
      } else if (shift) {
        Paste();
      }
      return 0;
    default:
      return 0;
  }
}

LRESULT EditState::OnChar(char16_t c) {
  if (relay && native && c == relay->ch) {
    relay->charReached = true;
    // Rules of the field the widget does not know: it receives nothing.
    if (c >= 0x20 && c != 0x7F) {
      const DWORD style = Style();
      if ((style & ES_NUMBER) && !IsDigit(c)) {
        relay->handledHere = true;
      } else if (style & (ES_UPPERCASE | ES_LOWERCASE)) {
        relay->handledHere = true;
        TypeChar(c);
      }
    }
    return 0;
  }
  switch (c) {
    case 0x08:  // Backspace
      if (ReadOnly()) return 0;
      if (!HasSelection()) anchor = Prev(caret);
      UserReplace(u"", false);
      return 0;
    case 0x7F:  // Ctrl+Backspace: the word before the caret
      if (ReadOnly()) return 0;
      if (!HasSelection()) anchor = WordLeft(caret);
      UserReplace(u"", false);
      return 0;
    case 0x01:  // Ctrl+A
      SetSelection(0, Size());
      return 0;
    case 0x03:  // Ctrl+C
      Copy();
      return 0;
    case 0x16:  // Ctrl+V
      Paste();
      return 0;
    case 0x18:  // Ctrl+X
      Cut();
      return 0;
    case 0x1A:  // Ctrl+Z
      if (!ReadOnly()) UndoStep();
      return 0;
    default:
      if (c < 0x20) return 0;  // Tab, Enter, Escape and the other control keys
      TypeChar(c);
      return 0;
  }
}

void EditState::TypeChar(char16_t c) {
  if (IsHigh(c)) {
    pendingHigh = c;
    return;
  }
  std::u16string s;
  if (IsLow(c)) {
    if (!pendingHigh) return;  // half a character is no character
    s = {pendingHigh, c};
  } else {
    s = c;
  }
  pendingHigh = 0;
  const DWORD style = Style();
  if ((style & ES_NUMBER) && !IsDigit(c)) return;
  if ((style & ES_UPPERCASE) && c >= u'a' && c <= u'z') s[0] = static_cast<char16_t>(c - 32);
  if ((style & ES_LOWERCASE) && c >= u'A' && c <= u'Z') s[0] = static_cast<char16_t>(c + 32);
  UserReplace(s, true);
}

// The character boundary nearest to x (client coordinates).
int EditState::IndexAt(int x) {
  const Line line = Layout();
  int best = 0;
  int bestDistance = std::abs(line.X(0) - x);
  for (int i = 1; i <= Size(); ++i) {
    if (Snap(i) != i) continue;
    const int d = std::abs(line.X(i) - x);
    if (d < bestDistance) best = i, bestDistance = d;
  }
  return best;
}

void EditState::SelectWordAt(int x) {
  if (password) return SetSelection(0, Size());
  const int i = IndexAt(x);
  if (Size() == 0) return SetSelection(0, 0);
  const bool space = IsSpace(text[static_cast<std::size_t>(i < Size() ? i : i - 1)]);
  int left = i;
  int right = i;
  while (left > 0 && IsSpace(text[static_cast<std::size_t>(left - 1)]) == space) --left;
  while (right < Size() && IsSpace(text[static_cast<std::size_t>(right)]) == space) ++right;
  SetSelection(left, right);
}

// ---------------------------------------------------------------------------
// Display

void EditState::SetFont(HFONT handle, bool redraw) {
  fontHandle = handle;
  font = handle ? std::make_unique<Font>(handle->FaceName(), handle->Size(), handle->Bold(),
                                         handle->Underline(), handle->Italic())
                : std::make_unique<Font>(kDefaultFace, kDefaultFontSize);
  marginLeft = marginRight = FontMargin();
  if (native) {
    native->SetFont(font->FaceName(), font->Size(), font->Bold(), font->Italic(), font->Underline());
    native->SetMargins(marginLeft, marginRight);
  }
  ScrollToCaret();
  if (redraw) Invalidate();
}

Line EditState::Layout() const {
  Line line;
  line.shown = password ? std::u16string(text.size(), password) : text;
  if (!password) {
    for (char16_t& ch : line.shown) {
      if (ch < 0x20) ch = u' ';  // keeps one drawn character per unit
    }
  }
  line.extent = TextPartialExtents(*font, line.shown);
  line.width = line.extent.empty() ? 0 : line.extent.back();
  line.height = font->Metrics().height;
  RECT client{};
  GetClientRect(hwnd, &client);
  line.format = RECT{marginLeft, 0, std::max<LONG>(marginLeft, client.right - marginRight), client.bottom};
  // One pixel stays free for the caret after the last character.
  const int avail = line.format.right - line.format.left - 1;
  if (line.width <= avail) {
    const DWORD style = Style();
    if (style & ES_CENTER) {
      line.origin = line.format.left + (avail - line.width) / 2;
    } else if (style & ES_RIGHT) {
      line.origin = line.format.left + avail - line.width;
    } else {
      line.origin = line.format.left;
    }
  } else {
    line.origin = line.format.left - scroll;
  }
  return line;
}

void EditState::ScrollToCaret() {
  const Line line = Layout();
  const int avail = line.format.right - line.format.left - 1;
  if (line.width <= avail) {
    scroll = 0;
    return;
  }
  const int caretX = line.X(caret) - line.origin;
  if (caretX - scroll > avail) scroll = caretX - avail;
  if (caretX < scroll) scroll = caretX;
  scroll = std::clamp(scroll, 0, line.width - avail);
}

void EditState::RestartCaret() {
  if (!focused || native) return;
  caretOn = true;
  SetTimer(hwnd, kCaretTimer, GetCaretBlinkTime(), &BlinkCaret);
}

// After the caret or the selection moved.
void EditState::Refresh() {
  ScrollToCaret();
  Invalidate();
  RestartCaret();
  Push();
}

void EditState::AfterTextChange() {
  Refresh();
  Notify(EN_UPDATE);
  if (dead) return;
  // Windows shows the change between the two notifications.
  UpdateWindow(hwnd);
  if (dead) return;
  Notify(EN_CHANGE);
}

void EditState::Notify(WORD code) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  const auto id = static_cast<WORD>(GetWindowLongPtr(hwnd, GWLP_ID));
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd));
}

Colors EditState::QueryColors() {
  const bool staticLook = ReadOnly() || !IsWindowEnabled(hwnd);
  const int background = staticLook ? COLOR_3DFACE : COLOR_WINDOW;
  Colors colors;
  colors.text = GetSysColor(COLOR_WINDOWTEXT);
  colors.bk = colors.brush = GetSysColor(background);
  HWND parent = GetParent(hwnd);
  if (!parent) return colors;
  HDC dc = GetDC(hwnd);
  SetTextColor(dc, colors.text);
  SetBkColor(dc, colors.bk);
  SetBkMode(dc, OPAQUE);
  auto brush =
      reinterpret_cast<HBRUSH>(SendMessage(parent, staticLook ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                           reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  COLORREF brushColor = 0;
  if (!dead && brush && GetBrushColor(brush, &brushColor)) {
    colors.text = GetTextColor(dc);
    colors.bk = GetBkColor(dc);
    colors.bkMode = GetBkMode(dc);
    colors.brush = brushColor;
  }
  ReleaseDC(hwnd, dc);
  return colors;
}

void EditState::Paint() {
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  const Colors colors = QueryColors();
  if (dead) return;
  if (native) {
    // An edit always fills its box with the brush: nobody answering the
    // colour message means the system's window colour, never "see-through"
    // (the system's dark text would vanish on a dark skin).
    const std::pair<COLORREF, COLORREF> wanted{colors.text, colors.brush};
    if (nativeColors != wanted) {
      nativeColors = wanted;
      native->SetColors(wanted.first, wanted.second);
    }
    PlaceNative();
    EndPaint(hwnd, &ps);
    return;
  }
  RECT client{};
  GetClientRect(hwnd, &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) {
    EndPaint(hwnd, &ps);
    return;
  }
  Bitmap bitmap(width, height, GetWindowDeviceScale(hwnd));
  Canvas canvas(bitmap);
  canvas.FillRect(client, Argb(colors.brush));
  const Line line = Layout();
  const COLORREF textColor = IsWindowEnabled(hwnd) ? colors.text : GetSysColor(COLOR_GRAYTEXT);
  constexpr UINT kFormat = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_LEFT | DT_TOP;
  canvas.PushClipRect(line.format);
  if (!line.shown.empty()) {
    RECT textRect{line.origin, 0, line.origin + line.width + 1, line.height};
    if (colors.bkMode == OPAQUE) {
      canvas.FillRect(RECT{line.origin, 0, line.origin + line.width, line.height}, Argb(colors.bk));
    }
    DrawText(&canvas, *font, line.shown, textRect, kFormat, Argb(textColor));
    if (HasSelection() && (focused || (Style() & ES_NOHIDESEL))) {
      const RECT selection{line.X(SelStart()), 0, line.X(SelEnd()), line.height};
      canvas.PushClipRect(selection);
      canvas.FillRect(selection, Argb(GetSysColor(COLOR_HIGHLIGHT)));
      textRect = RECT{line.origin, 0, line.origin + line.width + 1, line.height};
      DrawText(&canvas, *font, line.shown, textRect, kFormat, Argb(GetSysColor(COLOR_HIGHLIGHTTEXT)));
      canvas.PopClip();
    }
  }
  canvas.PopClip();
  if (focused && caretOn) {
    const int x = std::clamp(line.X(caret), 0, width - 1);
    canvas.FillRect(RECT{x, 0, x + 1, std::min(height, line.height)}, Argb(textColor));
  }
  BitBltToWindow(hwnd, 0, 0, width, height, PixelsOf(bitmap), 0, 0);
  EndPaint(hwnd, &ps);
}

void OS_STDCALL BlinkCaret(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  EditState* d = DataOf(hwnd);
  if (!d || d->dead || !d->focused) {
    KillTimer(hwnd, id);
    return;
  }
  d->caretOn = !d->caretOn;
  d->Invalidate();
}

// ---------------------------------------------------------------------------
// Native widget

void EditState::CreateNative() {
  auto root = Lookup(RootOf(hwnd));
  if (!root || !root->surface) return;
  native = Sys().backend().CreateNativeEdit(root->surface, this);
  if (!native) return;
  ++pushing;
  native->SetFont(font->FaceName(), font->Size(), font->Bold(), font->Italic(), font->Underline());
  native->SetLimit(limit);
  native->SetPasswordChar(password);
  native->SetReadOnly(ReadOnly());
  native->SetMargins(marginLeft, marginRight);
  native->SetEnabled(IsWindowEnabled(hwnd));
  native->SetText(text);
  native->SetSelection(anchor, caret);
  --pushing;
  PlaceNative();
}

void EditState::Pull() {
  if (!native || pushing) return;
  text = native->Text();
  auto [start, end] = native->Selection();
  start = std::clamp(start, 0, Size());
  end = end < 0 ? Size() : std::clamp(end, 0, Size());
  if (std::min(start, end) != SelStart() || std::max(start, end) != SelEnd()) {
    anchor = start;
    caret = end;
  }
}

void EditState::Push() {
  if (!native) return;
  ++pushing;
  if (native->Text() != text) native->SetText(text);
  native->SetSelection(anchor, caret);
  --pushing;
}

void EditState::PlaceNative() {
  if (!native) return;
  auto w = LookupOwn(hwnd);
  auto root = w ? Lookup(RootOf(hwnd)) : nullptr;
  if (!root) return;
  const POINT origin = ClientOrigin(*w);
  RECT rect{origin.x - root->rect.left, origin.y - root->rect.top, 0, 0};
  rect.right = rect.left + (w->client.right - w->client.left);
  rect.bottom = rect.top + (w->client.bottom - w->client.top);
  if (nativeRect != rect) {
    nativeRect = rect;
    native->SetRect(rect);
  }
  const bool visible = IsWindowVisible(hwnd) != FALSE;
  if (nativeVisible != visible) {
    nativeVisible = visible;
    native->SetVisible(visible);
  }
}

void EditState::TextChanged() {
  Busy busy(this);
  if (dead || pushing || !native) return;
  Pull();
  modified = true;
  undo.reset();
  typingRun = false;
  AfterTextChange();
}

void EditState::FocusChanged(bool focusedNow) {
  Busy busy(this);
  if (dead || !focusedNow || GetFocus() == hwnd) return;
  // The player clicked into the widget: the field takes the focus as a click
  // on it would.
  focusFromWidget = true;
  SetFocus(hwnd);
  focusFromWidget = false;
}

bool EditState::Key(const KeyEvent& event) {
  bool swallow = true;
  {
    Busy busy(this);
    swallow = RelayKey(event);
  }
  return swallow;  // `this` may be gone here
}

// Delivers a key that reached the widget through the window procedure, as
// the message loop would (key message, then its character), and tells the
// widget whether to act on it: only when the field's own procedure received
// it and the widget's action is the field's.
bool EditState::RelayKey(const KeyEvent& event) {
  auto w = LookupOwn(hwnd);
  if (dead || !w) return true;
  if (GetFocus() != hwnd) {
    // The widget kept the desktop's focus after the field lost the window
    // system's: the key belongs to the window that has it now.
    Sys().KeyInput(event);
    return true;
  }
  const DWORD time = event.time ? *event.time : GetTickCount();
  const MSG msg = MakeKeyMessage(hwnd, event, time);
  KeyRelay r;
  r.vk = LOWORD(msg.wParam);
  KeyRelay* outer = relay;
  relay = &r;
  Send(w, msg.message, msg.wParam, msg.lParam);
  bool widget = false;
  if (msg.message == WM_KEYDOWN && !dead) {
    if (const char16_t c = CharOfKeyMessage(msg)) {
      r.ch = c;
      Send(w, WM_CHAR, c, msg.lParam);
      widget = r.charReached && !r.handledHere && IsEditingChar(c);
    } else {
      widget = r.keyReached && !r.handledHere && !IsIgnoredKey(r.vk);
    }
  } else if (msg.message == WM_SYSKEYDOWN && !dead) {
    if (const char16_t c = CharOfKeyMessage(msg)) Send(w, WM_SYSCHAR, c, msg.lParam);
  } else if (msg.message == WM_KEYUP) {
    widget = r.keyReached;
  }
  relay = outer;
  return dead || !widget;
}

// ---------------------------------------------------------------------------
// The window procedure

LRESULT NcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if (GetClassLongPtr(hwnd, GCL_CBWNDEXTRA) < sizeof(LONG_PTR)) return FALSE;
  SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new EditState(hwnd)));
  // The text lives in the model; the caption stays empty, so that a password
  // never becomes the title of a popup field's native window.
  CREATESTRUCTW cs;
  if (auto* given = reinterpret_cast<CREATESTRUCTW*>(lParam)) cs = *given;
  cs.lpszName = nullptr;
  if (auto w = LookupOwn(hwnd); w && w->surface) Sys().backend().SetSurfaceTitle(w->surface, u"");
  return DefWindowProc(hwnd, WM_NCCREATE, wParam, reinterpret_cast<LPARAM>(&cs));
}

LRESULT Handle(EditState& d, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = d.hwnd;
  if (d.native && message != WM_NCDESTROY) d.Pull();
  switch (message) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(reinterpret_cast<std::uintptr_t>(cs->lpszName))) {
        d.text = cs->lpszName;
      }
      if (d.Style() & ES_PASSWORD) d.password = u'*';
      d.CreateNative();
      return 0;
    }
    case WM_NCDESTROY:
      SetWindowLongPtr(hwnd, 0, 0);
      d.dead = true;
      if (d.native) d.native->SetVisible(false);
      return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_SETTEXT:
      d.SetText(lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"");
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      const int size = static_cast<int>(wParam);
      if (!buffer || size <= 0) return 0;
      const int n = std::min(d.Size(), size - 1);
      std::copy_n(d.text.begin(), n, buffer);
      buffer[n] = 0;
      return n;
    }
    case WM_GETTEXTLENGTH:
      return d.Size();
    case WM_SETFONT:
      d.SetFont(reinterpret_cast<HFONT>(wParam), LOWORD(static_cast<std::uintptr_t>(lParam)) != 0);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(d.fontHandle);
    case WM_PAINT:
      d.Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painting covers the whole client area
    case WM_SETFOCUS:
      d.focused = true;
      d.RestartCaret();
      d.Invalidate();
      if (d.native && !d.focusFromWidget) d.native->Focus();
      d.Notify(EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      d.focused = false;
      d.caretOn = false;
      d.pendingHigh = 0;
      KillTimer(hwnd, kCaretTimer);
      if (d.dragging) {
        d.dragging = false;
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      // The widget gives the keyboard back to the window that has the focus now.
      if (d.native) d.native->Blur();
      d.Invalidate();
      d.Notify(EN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      if (d.native) d.native->SetEnabled(wParam != 0);
      d.Invalidate();
      return 0;
    case WM_STYLECHANGED:
      if (static_cast<int>(wParam) == GWL_STYLE) {
        if (d.native) d.native->SetReadOnly(d.ReadOnly());
        d.ScrollToCaret();
        d.Invalidate();
      }
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const LRESULT r = DefWindowProc(hwnd, message, wParam, lParam);
      if (!d.dead) {
        d.ScrollToCaret();
        d.PlaceNative();
      }
      return r;
    }
    case WM_SHOWWINDOW:
      // An ancestor took the field off screen or brought it back: the
      // widget follows now, not at the next paint.
      if (lParam != 0 && !d.dead) d.PlaceNative();
      return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_SIZE:
      d.ScrollToCaret();
      d.Invalidate();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_KEYDOWN:
      return d.OnKeyDown(static_cast<UINT>(wParam));
    case WM_KEYUP:
      if (d.relay && d.native && static_cast<UINT>(wParam) == d.relay->vk) d.relay->keyReached = true;
      return DefWindowProc(hwnd, message, wParam, lParam);
    case WM_CHAR:
      return d.OnChar(static_cast<char16_t>(wParam));
    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (d.dead || GetFocus() != hwnd) return 0;
      const int i = d.IndexAt(GET_X_LPARAM(lParam));
      d.dragging = true;
      SetCapture(hwnd);
      d.SetSelection((wParam & MK_SHIFT) ? d.anchor : i, i);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (d.dragging && GetCapture() == hwnd) d.SetSelection(d.anchor, d.IndexAt(GET_X_LPARAM(lParam)));
      return 0;
    case WM_LBUTTONUP:
      if (d.dragging) {
        d.dragging = false;
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      d.dragging = false;
      return 0;
    case WM_LBUTTONDBLCLK:
      if (GetFocus() == hwnd) d.SelectWordAt(GET_X_LPARAM(lParam));
      return 0;
    case WM_CUT:
      d.Cut();
      return 0;
    case WM_COPY:
      d.Copy();
      return 0;
    case WM_PASTE:
      d.Paste();
      return 0;
    case WM_CLEAR:
      d.Clear();
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      return d.UndoStep() ? TRUE : FALSE;
    case EM_CANUNDO:
      return d.undo ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER:
      d.undo.reset();
      d.typingRun = false;
      return 0;
    case EM_GETSEL: {
      const int start = d.SelStart();
      const int end = d.SelEnd();
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
      if (start > 0xFFFF || end > 0xFFFF) return -1;
      return static_cast<LRESULT>(static_cast<DWORD>(start) | (static_cast<DWORD>(end) << 16));
    }
    case EM_SETSEL: {
      const auto start = static_cast<long long>(static_cast<std::intptr_t>(wParam));
      const auto end = static_cast<long long>(lParam);
      auto index = [&d](long long v) { return (v < 0 || v > d.Size()) ? d.Size() : static_cast<int>(v); };
      if (start == -1) {
        d.SetSelection(d.caret, d.caret);
      } else {
        d.SetSelection(index(start), index(end));
      }
      return 0;
    }
    case EM_REPLACESEL:
      if (lParam) {
        const std::optional<EditState::Undo> before = d.undo;
        if (wParam) d.undo = EditState::Undo{d.text, d.anchor, d.caret};
        d.typingRun = false;
        if (d.Replace(reinterpret_cast<LPCWSTR>(lParam), true)) {
          d.modified = true;
          d.AfterTextChange();
        } else if (!d.dead) {
          d.undo = before;
          d.Refresh();
        }
      }
      return 0;
    case EM_LIMITTEXT: {
      const auto n = static_cast<std::uintptr_t>(wParam);
      d.limit = (n == 0 || n > static_cast<std::uintptr_t>(kEditMaximumLimit)) ? kEditMaximumLimit
                                                                               : static_cast<int>(n);
      if (d.native) d.native->SetLimit(d.limit);
      return 0;
    }
    case EM_GETLIMITTEXT:
      return d.limit;
    case EM_SETPASSWORDCHAR: {
      const auto c = static_cast<char16_t>(wParam);
      if (c == d.password) return 0;
      d.password = c;
      const DWORD style = d.Style();
      SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG>(c ? (style | ES_PASSWORD) : (style & ~ES_PASSWORD)));
      if (d.dead) return 0;
      if (d.native) d.native->SetPasswordChar(c);
      d.ScrollToCaret();
      d.Invalidate();
      return 0;
    }
    case EM_GETPASSWORDCHAR:
      return d.password;
    case EM_SETREADONLY: {
      const DWORD style = d.Style();
      SetWindowLong(hwnd, GWL_STYLE,
                    static_cast<LONG>(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
      return TRUE;
    }
    case EM_SETMARGINS: {
      const bool fromFont = wParam == EC_USEFONTINFO;
      const auto left = LOWORD(static_cast<std::uintptr_t>(lParam));
      const auto right = HIWORD(static_cast<std::uintptr_t>(lParam));
      if (fromFont || (wParam & EC_LEFTMARGIN)) {
        d.marginLeft = (fromFont || left == EC_USEFONTINFO) ? d.FontMargin() : left;
      }
      if (fromFont || (wParam & EC_RIGHTMARGIN)) {
        d.marginRight = (fromFont || right == EC_USEFONTINFO) ? d.FontMargin() : right;
      }
      if (d.native) d.native->SetMargins(d.marginLeft, d.marginRight);
      d.ScrollToCaret();
      d.Invalidate();
      return 0;
    }
    case EM_GETMARGINS:
      return static_cast<LRESULT>(static_cast<DWORD>(d.marginLeft) |
                                  (static_cast<DWORD>(d.marginRight) << 16));
    case EM_GETMODIFY:
      return d.modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      d.modified = wParam != 0;
      return 0;
    case EM_GETRECT:
      if (auto* r = reinterpret_cast<RECT*>(lParam)) *r = d.Layout().format;
      return 0;
    case EM_POSFROMCHAR: {
      const auto i = static_cast<std::uintptr_t>(wParam);
      if (i >= static_cast<std::uintptr_t>(d.Size())) return -1;
      const int x = d.Layout().X(static_cast<int>(i));
      return static_cast<LRESULT>(static_cast<DWORD>(MAKELPARAM(static_cast<WORD>(x), 0)));
    }
    case EM_CHARFROMPOS:
      return static_cast<LRESULT>(static_cast<WORD>(d.IndexAt(GET_X_LPARAM(lParam))));
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT OS_STDCALL EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) return NcCreate(hwnd, wParam, lParam);
  EditState* d = DataOf(hwnd);
  if (!d || d->dead) return DefWindowProc(hwnd, message, wParam, lParam);
  Busy busy(d);
  return Handle(*d, message, wParam, lParam);
}

}  // namespace

void RegisterEditClass() {
  WNDCLASSEXW wc;
  wc.style = CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
  wc.lpfnWndProc = &EditProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hCursor = LoadCursor(nullptr, IDC_IBEAM);
  wc.lpszClassName = WC_EDIT;
  RegisterSystemClassEx(wc, false);
}

}  // namespace internal

}  // namespace os
