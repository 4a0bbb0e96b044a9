#include "platform/syscontrols/TextServices.h"

#include <algorithm>
#include <functional>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "platform/syscontrols/Ime.h"
#include "platform/window/Input.h"

namespace os {

namespace {

constexpr char16_t kBreak = u'\r';
constexpr char16_t kReplacement = 0xFFFD;
// Stands in for the second unit of a surrogate pair in a masked text, so that
// units and shown characters stay one to one.
constexpr char16_t kZeroWidth = 0x200B;
constexpr int kWheelLines = 3;

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == kBreak || c == 0x3000; }

bool Shift() { return GetKeyState(VK_SHIFT) < 0; }
bool Ctrl() { return GetKeyState(VK_CONTROL) < 0; }

// A long unwrapped line is shaped in pieces of about this many units, cut
// after a blank, so that an edit shapes again only the piece it falls in.
constexpr int kPieceUnits = 1024;

}  // namespace

// A stretch of a paragraph shaped on its own, placed at x in it.
struct TextServices::Piece {
  std::unique_ptr<TextLayout> layout;
  std::u16string text;  // what was shaped, to reuse the shape for the same text
  int unitStart = 0;    // in the paragraph
  int x = 0;
  int width = 0;
  int height = 0;
};

// One paragraph: the text between two breaks, shaped on demand.
struct TextServices::Paragraph {
  int start = 0;
  int length = 0;                   // without the break
  std::vector<Piece> pieces;        // none: not shaped yet
  std::vector<TextBoundary> marks;  // per unit, plus the end; made on demand
  int width = 0;
  int height = 0;

  bool Shaped() const { return !pieces.empty(); }
  // The piece holding a unit; a unit on a seam belongs to the piece it starts.
  const Piece& PieceOfUnit(int unit) const {
    auto it = std::upper_bound(pieces.begin(), pieces.end(), unit,
                               [](int u, const Piece& piece) { return u < piece.unitStart; });
    return it == pieces.begin() ? pieces.front() : *(it - 1);
  }
  const Piece& PieceAtX(int x) const {
    auto it = std::upper_bound(pieces.begin(), pieces.end(), x,
                               [](int v, const Piece& piece) { return v < piece.x; });
    return it == pieces.begin() ? pieces.front() : *(it - 1);
  }
  // The boundaries of the whole paragraph, the pieces' joined.
  const std::vector<TextBoundary>& Marks() {
    if (marks.empty()) {
      for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::vector<TextBoundary> m = pieces[i].layout->Boundaries();
        if (i + 1 < pieces.size() && !m.empty()) m.pop_back();
        marks.insert(marks.end(), m.begin(), m.end());
      }
      marks.resize(static_cast<std::size_t>(length) + 1);
    }
    return marks;
  }
};

TextServices::TextServices(ITextHost* host) : host_(host) { RebuildAll(); }

TextServices::~TextServices() = default;

// ---------------------------------------------------------------------------
// Text and editing

const Font& TextServices::FontInUse() const {
  if (const Font* font = host_->TxGetFont()) return *font;
  if (!defaultFont_) const_cast<TextServices*>(this)->defaultFont_ = std::make_unique<Font>(u"Tahoma", 12);
  return *defaultFont_;
}

bool TextServices::Editable() const { return (host_->TxGetPropertyBits() & TXTBIT_READONLY) == 0; }

std::u16string TextServices::Sanitize(std::u16string_view text) const {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += kBreak;
    } else if (c == u'\n') {
      out += kBreak;
    } else if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (IsHigh(c) || IsLow(c)) {
      out += kReplacement;
    } else {
      out += c;
    }
  }
  if ((host_->TxGetPropertyBits() & TXTBIT_MULTILINE) == 0) {
    if (const std::size_t end = out.find(kBreak); end != std::u16string::npos) out.resize(end);
  }
  return out;
}

// What of text fits in place of `replacing` units under the limit, cut
// between whole characters.
std::u16string_view TextServices::Fit(std::u16string_view text, int replacing, bool* cut) const {
  int limit = host_->TxGetMaxLength();
  if (limit <= 0) limit = kTextServicesDefaultLimit;
  const long room = std::max(0L, static_cast<long>(limit) - static_cast<long>(text_.size()) + replacing);
  *cut = static_cast<long>(text.size()) > room;
  if (!*cut) return text;
  std::size_t keep = static_cast<std::size_t>(room);
  if (keep > 0 && IsHigh(text[keep - 1])) --keep;
  return text.substr(0, keep);
}

int TextServices::Replace(int from, int to, std::u16string_view text) {
  text_.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from), text);
  Relayout(from, to - from, static_cast<int>(text.size()));
  return static_cast<int>(text.size());
}

void TextServices::RecordStep(int position, std::u16string removed, std::u16string inserted, bool typing) {
  redo_.clear();
  if (typing && typingOpen_ && !undo_.empty() && undo_.back().typing && removed.empty() &&
      undo_.back().position + static_cast<int>(undo_.back().inserted.size()) == position) {
    // A word starting after a blank begins a step of its own.
    const Step& last = undo_.back();
    const bool wordStarts = !inserted.empty() && !IsBlank(inserted.front()) && !last.inserted.empty() &&
                            IsBlank(last.inserted.back());
    if (!wordStarts) {
      undo_.back().inserted += inserted;
      return;
    }
  }
  undo_.push_back(Step{position, std::move(removed), std::move(inserted), anchor_, caret_, typing});
}

void TextServices::ReplaceSel(std::u16string_view text, bool canUndo) {
  EnsureLayoutKey();
  if (!canUndo) {
    undo_.clear();
    redo_.clear();
    typingOpen_ = false;
  }
  UserReplace(text, false, canUndo);
}

void TextServices::UserReplace(std::u16string_view text, bool typing, bool record) {
  const std::u16string clean = Sanitize(text);
  const int from = SelStart();
  const int to = SelEnd();
  bool cut = false;
  const std::u16string_view fitted = Fit(clean, to - from, &cut);
  if (fitted.empty() && from == to) {
    if (cut) host_->TxNotify(TXN_MAXTEXT);
    return;
  }
  if (record) {
    RecordStep(from, text_.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)),
               std::u16string(fitted), typing);
  }
  const int length = Replace(from, to, fitted);
  anchor_ = caret_ = from + length;
  typingOpen_ = typing;
  Changed();
  if (cut) host_->TxNotify(TXN_MAXTEXT);
}

void TextServices::TypeChar(char16_t c) {
  if (!Editable()) return;
  if (IsHigh(c)) {
    pendingHigh_ = c;
    return;
  }
  std::u16string unit(1, c);
  if (IsLow(c) && pendingHigh_ != 0) unit.insert(unit.begin(), pendingHigh_);
  pendingHigh_ = 0;
  UserReplace(unit, true);
}

void TextServices::SetText(std::u16string_view text) {
  EnsureLayoutKey();
  text_ = Sanitize(text);
  compLength_ = 0;
  composing_ = false;
  RebuildAll();
  anchor_ = caret_ = 0;
  undo_.clear();
  redo_.clear();
  typingOpen_ = false;
  scroll_ = POINT{0, 0};
  Changed();
}

void TextServices::SetSelection(int anchor, int caret) {
  EnsureLayoutKey();
  const int size = static_cast<int>(text_.size());
  auto snap = [&](int p) {
    p = std::clamp(p, 0, size);
    if (p > 0 && p < size && IsLow(text_[static_cast<std::size_t>(p)])) --p;
    return p;
  };
  anchor_ = snap(anchor);
  caret_ = snap(caret);
  typingOpen_ = false;
  preferredX_ = -1;
  ScrollToCaret();
  UpdateCaret();
  host_->TxInvalidateRect(nullptr);
}

void TextServices::MoveTo(int position, bool extend) {
  const int keepX = preferredX_;
  SetSelection(extend ? anchor_ : position, position);
  preferredX_ = keepX;
}

bool TextServices::ReplayStep(bool undo) {
  std::vector<Step>& from = undo ? undo_ : redo_;
  std::vector<Step>& to = undo ? redo_ : undo_;
  if (from.empty() || !Editable()) return false;
  Step step = std::move(from.back());
  from.pop_back();
  const int oldLength = static_cast<int>((undo ? step.inserted : step.removed).size());
  const std::u16string& now = undo ? step.removed : step.inserted;
  Replace(step.position, step.position + oldLength, now);
  if (undo) {
    anchor_ = std::clamp(step.anchorBefore, 0, static_cast<int>(text_.size()));
    caret_ = std::clamp(step.caretBefore, 0, static_cast<int>(text_.size()));
  } else {
    anchor_ = caret_ = step.position + static_cast<int>(step.inserted.size());
  }
  step.typing = false;
  to.push_back(std::move(step));
  typingOpen_ = false;
  Changed();
  return true;
}

bool TextServices::Undo() {
  EnsureLayoutKey();
  if (compLength_ > 0) Composition(WM_IME_ENDCOMPOSITION, 0);
  return ReplayStep(true);
}

bool TextServices::Redo() {
  EnsureLayoutKey();
  return ReplayStep(false);
}

bool TextServices::IsPassword() const { return (host_->TxGetPropertyBits() & TXTBIT_USEPASSWORD) != 0; }

void TextServices::Copy() {
  // A password never leaves its field.
  if (SelStart() == SelEnd() || IsPassword()) return;
  std::u16string out;
  for (int i = SelStart(); i < SelEnd(); ++i) {
    const char16_t c = text_[static_cast<std::size_t>(i)];
    if (c == kBreak) {
      out += u"\r\n";
    } else {
      out += c;
    }
  }
  host_->TxSetClipboardText(out);
}

void TextServices::Cut() {
  if (SelStart() == SelEnd() || IsPassword() || !Editable()) return;
  Copy();
  UserReplace(u"", false);
}

void TextServices::Paste() {
  if (!Editable()) return;
  const std::u16string text = host_->TxGetClipboardText();
  if (text.empty()) return;
  UserReplace(text, false);
}

void TextServices::Changed() {
  ClampScroll();
  ScrollToCaret();
  UpdateCaret();
  host_->TxInvalidateRect(nullptr);
  host_->TxViewChange();
  host_->TxNotify(TXN_CHANGE);
}

// ---------------------------------------------------------------------------
// Messages

bool TextServices::TxSendMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  EnsureLayoutKey();
  LRESULT answer = 0;
  switch (message) {
    case WM_KEYDOWN:
      KeyDown(static_cast<UINT>(wParam));
      break;
    case WM_CHAR:
    case WM_IME_CHAR:
      CharMessage(static_cast<char16_t>(wParam));
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_MOUSEWHEEL:
      MouseMessage(message, wParam, lParam);
      break;
    case WM_SETFOCUS:
      focused_ = true;
      UpdateCaret();
      break;
    case WM_KILLFOCUS:
      focused_ = false;
      if (compLength_ > 0) Composition(WM_IME_ENDCOMPOSITION, 0);
      UpdateCaret();
      break;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
      Composition(message, lParam);
      break;
    case WM_SETTEXT:
      SetText(lParam != 0 ? std::u16string_view(reinterpret_cast<const char16_t*>(lParam)) : u"");
      answer = TRUE;
      break;
    case WM_GETTEXTLENGTH:
      answer = static_cast<LRESULT>(text_.size());
      break;
    case WM_CUT:
      Cut();
      break;
    case WM_COPY:
      Copy();
      break;
    case WM_PASTE:
      Paste();
      break;
    case WM_CLEAR:
      if (Editable()) UserReplace(u"", false);
      break;
    case WM_UNDO:
    case EM_UNDO:
      answer = Undo() ? TRUE : FALSE;
      break;
    case EM_REDO:
      answer = Redo() ? TRUE : FALSE;
      break;
    case EM_CANUNDO:
      answer = CanUndo() ? TRUE : FALSE;
      break;
    case EM_CANREDO:
      answer = CanRedo() ? TRUE : FALSE;
      break;
    case EM_SETSEL: {
      const int start = static_cast<int>(static_cast<LONG>(wParam));
      const int end = static_cast<int>(static_cast<LONG>(lParam));
      // (0, −1) selects everything; a negative start removes the selection.
      if (start < 0) {
        SetSelection(SelEnd(), SelEnd());
      } else {
        SetSelection(start, end < 0 ? static_cast<int>(text_.size()) : end);
      }
      break;
    }
    case EM_GETSEL:
      answer = static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min(SelStart(), 0xFFFF)),
                                             static_cast<WORD>(std::min(SelEnd(), 0xFFFF))));
      break;
    case EM_REPLACESEL:
      ReplaceSel(lParam != 0 ? reinterpret_cast<const char16_t*>(lParam) : u"", wParam != 0);
      break;
    case EM_SCROLLCARET:
      ScrollToCaret();
      break;
    default:
      return false;
  }
  if (result != nullptr) *result = answer;
  return true;
}

void TextServices::KeyDown(UINT vk) {
  const bool shift = Shift();
  const bool ctrl = Ctrl();
  const bool vertical = vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT;
  if (!vertical) preferredX_ = -1;
  const bool selection = SelStart() != SelEnd();
  switch (vk) {
    case VK_LEFT:
      MoveTo(ctrl ? WordLeft(caret_) : (shift || !selection ? PrevCursor(caret_) : SelStart()), shift);
      break;
    case VK_RIGHT:
      MoveTo(ctrl ? WordRight(caret_) : (shift || !selection ? NextCursor(caret_) : SelEnd()), shift);
      break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      const int page = std::max(1, (View().bottom - View().top) / std::max(1, LineHeight()));
      const int lines = (vk == VK_UP || vk == VK_DOWN) ? 1 : page;
      MoveTo(VerticalMove(caret_, (vk == VK_UP || vk == VK_PRIOR) ? -lines : lines), shift);
      break;
    }
    case VK_HOME:
      MoveTo(ctrl ? 0 : LineEdge(caret_, false), shift);
      break;
    case VK_END:
      MoveTo(ctrl ? static_cast<int>(text_.size()) : LineEdge(caret_, true), shift);
      break;
    case VK_DELETE:
      if (shift) {
        Cut();
      } else if (Editable()) {
        if (!selection) anchor_ = ctrl ? WordRight(caret_) : NextCursor(caret_);
        UserReplace(u"", false);
      }
      break;
    case VK_INSERT:
      if (ctrl) {
        Copy();
      } else if (shift) {
        Paste();
      }
      break;
    default:
      break;
  }
}

void TextServices::CharMessage(char16_t c) {
  switch (c) {
    case 0x08:  // Backspace: the character before the caret
      if (!Editable()) return;
      if (SelStart() == SelEnd()) {
        int p = caret_ - 1;
        if (p > 0 && IsLow(text_[static_cast<std::size_t>(p)]) &&
            IsHigh(text_[static_cast<std::size_t>(p - 1)]))
          --p;
        anchor_ = std::max(0, p);
      }
      UserReplace(u"", false);
      return;
    case 0x7F:  // Ctrl+Backspace: the word before the caret
      if (!Editable()) return;
      if (SelStart() == SelEnd()) anchor_ = WordLeft(caret_);
      UserReplace(u"", false);
      return;
    case 0x01:
      SetSelection(0, static_cast<int>(text_.size()));
      return;
    case 0x03:
      Copy();
      return;
    case 0x16:
      Paste();
      return;
    case 0x18:
      Cut();
      return;
    case 0x1A:
      Undo();
      return;
    case 0x19:
      Redo();
      return;
    case 0x0D:
    case 0x0A:
      Enter();
      return;
    case 0x09:
      if (host_->TxGetKeyWishes() & TXK_WANTTAB) TypeChar(c);
      return;
    default:
      if (c < 0x20) return;
      TypeChar(c);
      return;
  }
}

void TextServices::Enter() {
  const bool multiLine = (host_->TxGetPropertyBits() & TXTBIT_MULTILINE) != 0;
  const DWORD wishes = host_->TxGetKeyWishes();
  const bool taken = multiLine && (Ctrl() ? (wishes & TXK_WANTCTRLRETURN) : (wishes & TXK_WANTRETURN));
  if (!taken) {
    host_->TxNotify(TXN_RETURN);
    return;
  }
  if (Editable()) UserReplace(std::u16string(1, kBreak), false);
}

void TextServices::MouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_LBUTTONDOWN:
      preferredX_ = -1;
      MoveTo(CharFromPos(point), (wParam & MK_SHIFT) != 0);
      dragging_ = true;
      host_->TxSetCapture(true);
      break;
    case WM_MOUSEMOVE:
      if (dragging_) MoveTo(CharFromPos(point), true);
      break;
    case WM_LBUTTONUP:
      if (!dragging_) break;
      dragging_ = false;
      host_->TxSetCapture(false);
      break;
    case WM_LBUTTONDBLCLK: {
      const auto [from, to] = WordAt(CharFromPos(point));
      SetSelection(from, to);
      break;
    }
    case WM_MOUSEWHEEL: {
      const DWORD bars = host_->TxGetScrollBars();
      if ((bars & (WS_VSCROLL | ES_AUTOVSCROLL)) == 0) break;
      const int notches = static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA;
      SetScrollPos(POINT{scroll_.x, scroll_.y - notches * kWheelLines * LineHeight()});
      break;
    }
    default:
      break;
  }
}

void TextServices::Composition(UINT message, LPARAM lParam) {
  if (message == WM_IME_STARTCOMPOSITION) {
    if (!Editable()) return;
    if (SelStart() != SelEnd()) UserReplace(u"", false);
    compStart_ = caret_;
    compLength_ = 0;
    composing_ = true;
    return;
  }
  if (message == WM_IME_ENDCOMPOSITION) {
    if (compLength_ > 0) {
      Replace(compStart_, compStart_ + compLength_, u"");
      anchor_ = caret_ = compStart_;
      compLength_ = 0;
      Changed();
    }
    composing_ = false;
    return;
  }
  if (!Editable()) return;
  if (!composing_) Composition(WM_IME_STARTCOMPOSITION, 0);
  const HWND window = host_->TxGetWindow();
  const HIMC context = ImmGetContext(window);
  if (lParam & GCS_RESULTSTR) {
    const std::u16string result = ImmGetCompositionString(context, GCS_RESULTSTR);
    const int length = compLength_;
    compLength_ = 0;
    Replace(compStart_, compStart_ + length, u"");
    anchor_ = caret_ = compStart_;
    UserReplace(result, false);
    compStart_ = caret_;
  }
  if (lParam & GCS_COMPSTR) {
    const std::u16string clean = Sanitize(ImmGetCompositionString(context, GCS_COMPSTR));
    bool cut = false;
    const std::u16string_view fitted = Fit(clean, compLength_, &cut);
    const int oldLength = compLength_;
    compLength_ = static_cast<int>(fitted.size());
    Replace(compStart_, compStart_ + oldLength, fitted);
    anchor_ = caret_ = compStart_ + compLength_;
    Changed();
  }
  ImmReleaseContext(window, context);
}

// ---------------------------------------------------------------------------
// Layout

bool TextServices::WordWrap() const {
  const DWORD bits = host_->TxGetPropertyBits();
  return (bits & TXTBIT_MULTILINE) != 0 && (bits & TXTBIT_WORDWRAP) != 0;
}

int TextServices::ViewWidth() const {
  const RECT view = View();
  return std::max(1, static_cast<int>(view.right - view.left));
}

void TextServices::EnsureLayoutKey() {
  const Font& font = FontInUse();
  std::uint64_t key = std::hash<const void*>{}(&font);
  key = key * 31 + (WordWrap() ? static_cast<std::uint64_t>(ViewWidth()) : 0);
  key = key * 31 + (IsPassword() ? host_->TxGetPasswordChar() + 1u : 0u);
  key = key * 31 + static_cast<std::uint64_t>(host_->TxGetAlignment());
  key = key * 31 + static_cast<std::uint64_t>(font.Size());
  if (key == layoutKey_ && lineHeight_ > 0) return;
  layoutKey_ = key;
  for (Paragraph& p : paragraphs_) p.pieces.clear();
  recycled_.clear();
  lineHeight_ = TextLineHeight(font);
}

void TextServices::OnTxPropertyChange() {
  layoutKey_ = 0;
  EnsureLayoutKey();
  ClampScroll();
  UpdateCaret();
  host_->TxInvalidateRect(nullptr);
  host_->TxViewChange();
}

int TextServices::LineHeight() {
  EnsureLayoutKey();
  return lineHeight_;
}

void TextServices::RebuildAll() {
  paragraphs_.clear();
  recycled_.clear();
  int start = 0;
  for (;;) {
    const std::size_t end = text_.find(kBreak, static_cast<std::size_t>(start));
    Paragraph p;
    p.start = start;
    p.length = static_cast<int>((end == std::u16string::npos ? text_.size() : end) -
                                static_cast<std::size_t>(start));
    paragraphs_.push_back(std::move(p));
    if (end == std::u16string::npos) break;
    start = static_cast<int>(end) + 1;
  }
}

// Paragraphs wholly before the edit (their break too) and wholly after it
// keep their shapes; those between are cut anew from the text.
void TextServices::Relayout(int from, int removedLength, int insertedLength) {
  const int editEnd = from + removedLength;
  const int delta = insertedLength - removedLength;
  auto firstTouched = std::partition_point(paragraphs_.begin(), paragraphs_.end(),
                                           [&](const Paragraph& p) { return p.start + p.length < from; });
  auto firstAfter = std::partition_point(firstTouched, paragraphs_.end(),
                                         [&](const Paragraph& p) { return p.start <= editEnd; });
  const int regionStart = firstTouched->start;
  const int regionEnd =
      firstAfter != paragraphs_.end() ? firstAfter->start + delta - 1 : static_cast<int>(text_.size());
  for (auto it = firstAfter; it != paragraphs_.end(); ++it) it->start += delta;
  recycled_.clear();
  nextRecycled_ = 0;
  for (auto it = firstTouched; it != firstAfter; ++it) {
    for (Piece& piece : it->pieces) recycled_.push_back(std::move(piece));
  }
  std::vector<Paragraph> fresh;
  int start = regionStart;
  for (;;) {
    const auto end = static_cast<int>(std::min<std::size_t>(
        text_.find(kBreak, static_cast<std::size_t>(start)), static_cast<std::size_t>(regionEnd)));
    Paragraph p;
    p.start = start;
    p.length = end - start;
    fresh.push_back(std::move(p));
    if (end >= regionEnd) break;
    start = end + 1;
  }
  const auto at = paragraphs_.erase(firstTouched, firstAfter);
  paragraphs_.insert(at, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
}

TextServices::Paragraph& TextServices::Shaped(std::size_t index) {
  Paragraph& p = paragraphs_[index];
  if (p.Shaped()) return p;
  const std::u16string_view source = std::u16string_view(text_).substr(static_cast<std::size_t>(p.start),
                                                                       static_cast<std::size_t>(p.length));
  // A masked text shows the mask for every unit; the second unit of a pair
  // shows as a zero-width space, so units and shown characters stay one to one.
  std::u16string shown(source);
  if (IsPassword()) {
    const char16_t mask = host_->TxGetPasswordChar() != 0 ? host_->TxGetPasswordChar() : u'*';
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const bool pair = IsHigh(shown[i]) && i + 1 < shown.size() && IsLow(shown[i + 1]);
      shown[i] = mask;
      if (pair) shown[++i] = kZeroWidth;
    }
  }

  p.marks.clear();
  // Cut points: every kPieceUnits or so after a blank, never inside a pair;
  // a wrapped paragraph stays whole, as its lines depend on all of it.
  const int length = p.length;
  int from = 0;
  int x = 0;
  p.height = lineHeight_;
  do {
    int to = length;
    if (!WordWrap() && length - from > 2 * kPieceUnits) {
      to = from + kPieceUnits;
      const int limit = from + 2 * kPieceUnits;
      while (to < limit && !IsBlank(source[static_cast<std::size_t>(to - 1)])) ++to;
      if (to < length && IsLow(source[static_cast<std::size_t>(to)])) ++to;
    }
    Piece piece = ShapePiece(p, shown, from, to);
    piece.x = x;
    x += piece.width;
    p.height = std::max(p.height, piece.height);
    p.pieces.push_back(std::move(piece));
    from = to;
  } while (from < length);
  p.width = x;
  return p;
}

TextServices::Piece TextServices::ShapePiece(const Paragraph& p, std::u16string_view shown, int from,
                                             int to) {
  Piece piece;
  piece.unitStart = from;
  piece.text.assign(std::u16string_view(text_).substr(static_cast<std::size_t>(p.start + from),
                                                      static_cast<std::size_t>(to - from)));
  const int compFrom = std::max(compStart_, p.start + from) - p.start;
  const int compTo = std::min(compStart_ + compLength_, p.start + to) - p.start;
  const bool composed = compLength_ > 0 && compFrom < compTo;
  if (!composed) {
    // Pieces come back in order: look from where the last one was found.
    for (std::size_t k = 0; k < recycled_.size(); ++k) {
      Piece& old = recycled_[(nextRecycled_ + k) % recycled_.size()];
      if (!old.layout || old.text != piece.text) continue;
      nextRecycled_ = (nextRecycled_ + k + 1) % recycled_.size();
      piece.layout = std::move(old.layout);
      piece.width = old.width;
      piece.height = old.height;
      return piece;
    }
  }
  TextShape shape;
  if (WordWrap()) {
    shape.wrapWidth = ViewWidth();
    shape.align = host_->TxGetAlignment();
  }
  if (composed) {
    shape.underlineFrom = compFrom - from;
    shape.underlineTo = compTo - from;
  }
  piece.layout = ShapeText(
      FontInUse(), shown.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)), shape);
  piece.width = piece.layout->Width();
  piece.height = piece.layout->Height();
  return piece;
}

void TextServices::ShapeAll() {
  for (std::size_t i = 0; i < paragraphs_.size(); ++i) Shaped(i);
}

std::size_t TextServices::ParagraphAt(int position) const {
  auto it = std::partition_point(paragraphs_.begin(), paragraphs_.end(),
                                 [&](const Paragraph& p) { return p.start + p.length < position; });
  if (it == paragraphs_.end()) return paragraphs_.size() - 1;
  return static_cast<std::size_t>(it - paragraphs_.begin());
}

int TextServices::ParagraphTop(std::size_t index) {
  int top = 0;
  for (std::size_t i = 0; i < index; ++i) top += Shaped(i).height;
  return top;
}

int TextServices::AlignOffset(const Paragraph& p) const {
  if (WordWrap()) return 0;
  const int room = ViewWidth() - p.width;
  if (room <= 0) return 0;
  switch (host_->TxGetAlignment()) {
    case TxAlign::Center:
      return room / 2;
    case TxAlign::Right:
      return room - 1;  // the caret stays inside at the end
    default:
      return 0;
  }
}

SIZE TextServices::ContentSize() {
  EnsureLayoutKey();
  ShapeAll();
  SIZE size{0, 0};
  for (const Paragraph& p : paragraphs_) {
    size.cx = std::max<LONG>(size.cx, p.width + 1);  // room for the caret at the end
    size.cy += p.height;
  }
  if (WordWrap()) size.cx = std::min<LONG>(size.cx, ViewWidth());
  return size;
}

// ---------------------------------------------------------------------------
// Positions

// A unit the caret may stop before: the layout says so, and it never lies
// inside a pair (a masked pair shows as two characters).
bool TextServices::CursorStop(Paragraph& p, int unit) const {
  return p.Marks()[static_cast<std::size_t>(unit)].cursor &&
         !IsLow(text_[static_cast<std::size_t>(p.start + unit)]);
}

int TextServices::PrevCursor(int position) {
  if (position <= 0) return 0;
  Paragraph& p = Shaped(ParagraphAt(position));
  const int local = position - p.start;
  if (local <= 0) return position - 1;  // over the break before
  for (int u = local - 1; u > 0; --u) {
    if (CursorStop(p, u)) return p.start + u;
  }
  return p.start;
}

int TextServices::NextCursor(int position) {
  const int size = static_cast<int>(text_.size());
  if (position >= size) return size;
  Paragraph& p = Shaped(ParagraphAt(position));
  const int local = position - p.start;
  if (local >= p.length) return position + 1;  // over the break
  for (int u = local + 1; u < p.length; ++u) {
    if (CursorStop(p, u)) return p.start + u;
  }
  return p.start + p.length;
}

int TextServices::WordLeft(int position) {
  if (position <= 0) return 0;
  Paragraph& p = Shaped(ParagraphAt(position));
  const int local = position - p.start;
  if (local <= 0) return position - 1;
  if (IsPassword()) return p.start;
  const std::vector<TextBoundary>& marks = p.Marks();
  for (int u = local - 1; u > 0; --u) {
    if (marks[static_cast<std::size_t>(u)].wordStart) return p.start + u;
  }
  return p.start;
}

int TextServices::WordRight(int position) {
  const int size = static_cast<int>(text_.size());
  if (position >= size) return size;
  Paragraph& p = Shaped(ParagraphAt(position));
  const int local = position - p.start;
  if (local >= p.length) return position + 1;
  if (IsPassword()) return p.start + p.length;
  const std::vector<TextBoundary>& marks = p.Marks();
  for (int u = local + 1; u < p.length; ++u) {
    if (marks[static_cast<std::size_t>(u)].wordStart) return p.start + u;
  }
  return p.start + p.length;
}

// The word around a position; a blank or sign alone when there is none.
std::pair<int, int> TextServices::WordAt(int position) {
  Paragraph& p = Shaped(ParagraphAt(position));
  const int local = position - p.start;
  if (p.length == 0) return {position, position};
  if (IsPassword()) return {p.start, p.start + p.length};
  const std::vector<TextBoundary>& marks = p.Marks();
  const int chars = p.length;
  int c = std::min(local, chars - 1);
  // Inside a word: the nearest boundary at or before it is a word start.
  auto inWord = [&](int ch) {
    for (int k = ch; k >= 0; --k) {
      if (marks[static_cast<std::size_t>(k)].wordStart) return true;
      if (marks[static_cast<std::size_t>(k)].wordEnd) return false;
    }
    return false;
  };
  if (!inWord(c) && c > 0 && local == p.length) {  // at the end: the word before
    --c;
    if (c > 0 && IsLow(text_[static_cast<std::size_t>(p.start + c)])) --c;
  }
  if (!inWord(c)) {
    const int from = p.start + c;
    return {from, NextCursor(from)};
  }
  int s = c;
  while (s > 0 && !marks[static_cast<std::size_t>(s)].wordStart) --s;
  int e = c + 1;
  while (e < chars && !marks[static_cast<std::size_t>(e)].wordEnd) ++e;
  return {p.start + s, p.start + e};
}

RECT TextServices::CaretBox(int position) {
  EnsureLayoutKey();
  const std::size_t index = ParagraphAt(position);
  const int top = ParagraphTop(index);
  Paragraph& p = Shaped(index);
  const int local = std::clamp(position - p.start, 0, p.length);
  const Piece& piece = p.PieceOfUnit(local);
  const RECT at = piece.layout->CursorAt(local - piece.unitStart);
  const RECT view = View();
  const int x = view.left - scroll_.x + AlignOffset(p) + piece.x + at.left;
  const int y = view.top - scroll_.y + top + at.top;
  const int height = at.bottom > at.top ? at.bottom - at.top : lineHeight_;
  return RECT{x, y, x + 1, y + height};
}

POINT TextServices::PosFromChar(int position) {
  const RECT box = CaretBox(std::clamp(position, 0, static_cast<int>(text_.size())));
  return POINT{box.left, box.top};
}

int TextServices::CharFromPos(POINT point) {
  EnsureLayoutKey();
  const RECT view = View();
  const int x = point.x - view.left + scroll_.x;
  const int y = point.y - view.top + scroll_.y;
  std::size_t index = 0;
  int top = 0;
  for (; index + 1 < paragraphs_.size(); ++index) {
    const int height = Shaped(index).height;
    if (y < top + height) break;
    top += height;
  }
  Paragraph& p = Shaped(index);
  const int px = x - AlignOffset(p);
  const Piece& piece = p.PieceAtX(px);
  bool trailing = false;
  const int unit = piece.layout->HitTest(POINT{px - piece.x, std::max(0, y - top)}, &trailing);
  int position = p.start + std::min(piece.unitStart + unit, p.length);
  if (trailing) position = std::min(NextCursor(position), p.start + p.length);
  return position;
}

int TextServices::LineEdge(int position, bool end) {
  const std::size_t index = ParagraphAt(position);
  Paragraph& p = Shaped(index);
  // Pieces lie on one line: only a wrapped (whole) paragraph has more.
  if (p.pieces.size() > 1) return end ? p.start + p.length : p.start;
  const int local = std::clamp(position - p.start, 0, p.length);
  const TextLine line = p.pieces.front().layout->LineAt(local);
  if (!end) return p.start + line.start;
  if (line.last || line.end >= p.length) return p.start + p.length;
  // A wrapped line ends before the blank it broke at.
  return std::max(p.start + line.start, PrevCursor(p.start + line.end));
}

int TextServices::VerticalMove(int position, int lines) {
  const RECT box = CaretBox(position);
  if (preferredX_ < 0) preferredX_ = box.left;
  const int height = LineHeight();
  const int targetY = box.top + height / 2 + lines * height;
  const RECT view = View();
  const int contentTop = view.top - scroll_.y;
  const int contentBottom = contentTop + ContentSize().cy;
  if (targetY < contentTop) return lines < -1 ? 0 : position;
  if (targetY >= contentBottom) return lines > 1 ? static_cast<int>(text_.size()) : position;
  return CharFromPos(POINT{preferredX_, targetY});
}

// ---------------------------------------------------------------------------
// Caret and scrolling

void TextServices::UpdateCaret() {
  if (!focused_) {
    if (caretCreated_) host_->TxShowCaret(false);
    return;
  }
  const RECT box = CaretBox(caret_);
  caretCreated_ = host_->TxCreateCaret(1, box.bottom - box.top);
  host_->TxSetCaretPos(POINT{box.left, box.top});
  const RECT view = View();
  const bool inView =
      box.left >= view.left && box.left < view.right && box.bottom > view.top && box.top < view.bottom;
  host_->TxShowCaret(inView && SelStart() == SelEnd());
  if (host_->TxGetWindow() != nullptr && inView) {
    // The input method's candidates go beside the caret.
    if (const HIMC context = ImmGetContext(host_->TxGetWindow())) {
      COMPOSITIONFORM form;
      form.dwStyle = CFS_RECT | CFS_POINT;
      form.ptCurrentPos = POINT{box.left, box.top};
      form.rcArea = box;
      ImmSetCompositionWindow(context, &form);
      ImmReleaseContext(host_->TxGetWindow(), context);
    }
  }
}

void TextServices::ClampScroll() {
  const SIZE content = ContentSize();
  const RECT view = View();
  const POINT before = scroll_;
  scroll_.x = std::clamp<LONG>(scroll_.x, 0, std::max<LONG>(0, content.cx - (view.right - view.left)));
  scroll_.y = std::clamp<LONG>(scroll_.y, 0, std::max<LONG>(0, content.cy - (view.bottom - view.top)));
  if (scroll_ != before) host_->TxViewChange();
}

void TextServices::ScrollToCaret() {
  const DWORD bars = host_->TxGetScrollBars();
  const RECT view = View();
  const RECT box = CaretBox(caret_);
  POINT to = scroll_;
  if (bars & (WS_HSCROLL | ES_AUTOHSCROLL)) {
    if (box.left < view.left) to.x -= view.left - box.left;
    if (box.right > view.right) to.x += box.right - view.right;
  }
  if (bars & (WS_VSCROLL | ES_AUTOVSCROLL)) {
    if (box.top < view.top) to.y -= view.top - box.top;
    if (box.bottom > view.bottom) to.y += box.bottom - view.bottom;
  }
  if (to != scroll_) SetScrollPos(to);
}

void TextServices::SetScrollPos(POINT pos) {
  EnsureLayoutKey();
  const POINT before = scroll_;
  scroll_ = pos;
  ClampScroll();
  if (scroll_ == before) return;
  UpdateCaret();
  host_->TxInvalidateRect(nullptr);
  host_->TxViewChange();
}

// ---------------------------------------------------------------------------
// Drawing

void TextServices::TxDraw(Canvas& canvas, const RECT& clip) {
  EnsureLayoutKey();
  if (!canvas.IsValid()) return;
  const RECT view = View();
  const RECT area{std::max(view.left, clip.left), std::max(view.top, clip.top),
                  std::min(view.right, clip.right), std::min(view.bottom, clip.bottom)};
  if (area.right <= area.left || area.bottom <= area.top) return;
  canvas.PushClipRect(area);
  int top = view.top - scroll_.y;
  for (std::size_t i = 0; i < paragraphs_.size() && top < area.bottom; ++i) {
    Paragraph& p = Shaped(i);
    const int y = top;
    top += p.height;
    if (top <= area.top) continue;
    const int x = view.left - scroll_.x + AlignOffset(p);
    for (const Piece& piece : p.pieces) {
      if (x + piece.x + piece.width < area.left) continue;
      if (x + piece.x > area.right) break;
      DrawPiece(canvas, p, piece, POINT{x + piece.x, y});
    }
  }
  canvas.PopClip();
}

// The piece in the text colour, then the selected runs of each of its lines
// over it in the selection's colours.
void TextServices::DrawPiece(Canvas& canvas, const Paragraph& p, const Piece& piece, POINT at) {
  piece.layout->Draw(canvas, at, host_->TxGetTextColor());
  const int pieceEnd = piece.unitStart + static_cast<int>(piece.text.size());
  const int from = std::max(SelStart() - p.start, piece.unitStart);
  const int to = std::min(SelEnd() - p.start, pieceEnd);
  const bool breakSelected = SelEnd() > p.start + p.length && pieceEnd == p.length;
  // The selection shows only while the text has the focus.
  if (!focused_ || SelStart() >= SelEnd() || from > to || (from == to && !breakSelected)) return;
  for (RECT box : piece.layout->RangeBoxes(from - piece.unitStart, to - piece.unitStart)) {
    box = RECT{at.x + box.left, at.y + box.top, at.x + box.right, at.y + box.bottom};
    // A selected break shows as a narrow box at the line's end.
    if (breakSelected && box.right - box.left < 4) box.right = box.left + 4;
    if (box.right <= box.left) continue;
    canvas.FillRect(box, host_->TxGetSelectionBkColor());
    canvas.PushClipRect(box);
    piece.layout->Draw(canvas, at, host_->TxGetSelectionTextColor());
    canvas.PopClip();
  }
}

}  // namespace os
