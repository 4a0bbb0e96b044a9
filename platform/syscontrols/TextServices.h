// A windowless text editor: the text-services object behind a rich edit
// control that draws into its host's window. The host (ITextHost) tells it
// where the text lies, which font, colour and alignment to use, the limits
// and modes, and carries out what it asks for: the caret, repainting, mouse
// capture, notifications and the clipboard. The host forwards its window's
// input messages to TxSendMessage and has the text drawn with TxDraw.
//
// "Rich" here is plain text with one character format (the host's font and
// colour) and one paragraph format (the host's alignment); the rich-text bit
// is accepted and changes nothing.
//
// Text is UTF-16. Line breaks are stored as "\r" (one unit); "\r\n" and "\n"
// become "\r" on the way in. Lone surrogates coming in become U+FFFD, so a
// position never lies inside a surrogate pair; the caret moves by grapheme
// clusters and words as the system's layout finds them (TextLayout.h).
//
// Messages (wParam/lParam as on Windows; mouse positions in the host window's
// client coordinates):
//   WM_KEYDOWN      arrows (Ctrl: by words; Up/Down by lines, keeping the
//                   column), Home/End (Ctrl: the whole text), Page Up/Down,
//                   Delete (Ctrl: a word; Shift: cut), Insert (Ctrl: copy;
//                   Shift: paste); Shift extends the selection.
//   WM_CHAR, WM_IME_CHAR   typing over the selection; Backspace (Ctrl: a
//                   word), Ctrl+A/C/X/V/Z/Y; Tab when the host wants tabs;
//                   Enter as the host's key wishes say (see below).
//   WM_LBUTTONDOWN  places the caret (Shift: extends) and takes the capture;
//   WM_MOUSEMOVE    with the button held drags the selection, scrolling;
//   WM_LBUTTONUP    releases; WM_LBUTTONDBLCLK selects the word.
//   WM_MOUSEWHEEL   scrolls three lines a notch when vertical scrolling is on.
//   WM_SETFOCUS / WM_KILLFOCUS   show and hide the caret and the selection
//                   (the caret also hides while something is selected).
//   WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION (GCS_COMPSTR: the text being
//                   composed stands, underlined, where the caret was;
//                   GCS_RESULTSTR: it is replaced by the result as one undo
//                   step), WM_IME_ENDCOMPOSITION (a composition left over is
//                   removed). Strings come from ImmGetCompositionString of
//                   the host window.
//   WM_SETTEXT, WM_GETTEXTLENGTH, WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR,
//   WM_UNDO, EM_UNDO, EM_REDO, EM_CANUNDO, EM_CANREDO, EM_SETSEL, EM_GETSEL,
//   EM_REPLACESEL (lParam: const char16_t*), EM_SCROLLCARET.
//
// Enter: a single-line text never takes it; a multi-line text takes Enter
// with TXK_WANTRETURN and Ctrl+Enter with TXK_WANTCTRLRETURN. An Enter not
// taken is reported as TXN_RETURN. Tab is typed with TXK_WANTTAB only.
//
// Limits: typing, pasting, EM_REPLACESEL and input-method results are cut to
// the host's maximum length (whole characters; TXN_MAXTEXT says so); a
// program's SetText is not cut. Read-only refuses every change by the user
// but still lets the program set the text.
//
// Undo: every change by the user is one step, except typing, which joins
// into one step per word (a step ends where a word starts after a blank, and
// whenever the caret moves). Undo and redo restore the selection. SetText
// empties both histories.
//
// Scrolling: the text scrolls to keep the caret in view, horizontally when
// the host asks for ES_AUTOHSCROLL or WS_HSCROLL, vertically with
// ES_AUTOVSCROLL or WS_VSCROLL; otherwise the view stays where it is. A
// multi-line text without horizontal scrolling wraps at words. After any
// change of the text's size or scroll position the host hears TxViewChange.
//
// Layout is kept per paragraph, and a long unwrapped paragraph in pieces of
// about a thousand units cut after blanks: an edit shapes again only the
// paragraphs it touched, and of a long line only the pieces whose text
// changed. (Kerning across a seam between pieces is not applied.)
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Types.h"
#include "platform/syscontrols/TextLayout.h"
#include "platform/window/Clipboard.h"
#include "platform/window/Messages.h"

namespace os {

class Canvas;
class Font;

// Property bits (TxGetPropertyBits), as the system's text services number them.
constexpr DWORD TXTBIT_RICHTEXT = 0x0001;
constexpr DWORD TXTBIT_MULTILINE = 0x0002;
constexpr DWORD TXTBIT_READONLY = 0x0004;
constexpr DWORD TXTBIT_USEPASSWORD = 0x0010;
constexpr DWORD TXTBIT_WORDWRAP = 0x0400;

// Key wishes (TxGetKeyWishes).
constexpr DWORD TXK_WANTTAB = 0x0001;
constexpr DWORD TXK_WANTRETURN = 0x0002;
constexpr DWORD TXK_WANTCTRLRETURN = 0x0004;

// Notifications (TxNotify).
constexpr DWORD TXN_CHANGE = EN_CHANGE;    // the text changed, whoever changed it
constexpr DWORD TXN_MAXTEXT = EN_MAXTEXT;  // an insertion was cut to the limit
constexpr DWORD TXN_RETURN = 0x0800;       // Enter that the text did not take

// Messages of the rich edit family beyond those of Messages.h.
constexpr UINT EM_REDO = 0x0454;
constexpr UINT EM_CANREDO = 0x0455;

// The maximum length when the host gives none (0 or less).
constexpr int kTextServicesDefaultLimit = 32767;

class ITextHost {
 public:
  virtual ~ITextHost() = default;
  // The window whose messages are forwarded (for the input method context).
  virtual HWND TxGetWindow() = 0;
  // Where the text is laid out and drawn, host window client coordinates.
  virtual RECT TxGetClientRect() = 0;
  // Null: a 12-pixel default face.
  virtual const Font* TxGetFont() = 0;
  virtual DWORD TxGetTextColor() = 0;  // straight ARGB
  virtual DWORD TxGetSelectionBkColor() { return 0xFF3399FF; }
  virtual DWORD TxGetSelectionTextColor() { return 0xFFFFFFFF; }
  virtual TxAlign TxGetAlignment() = 0;
  // Shown for every character with TXTBIT_USEPASSWORD.
  virtual char16_t TxGetPasswordChar() = 0;
  virtual int TxGetMaxLength() = 0;
  virtual DWORD TxGetPropertyBits() = 0;
  // WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL.
  virtual DWORD TxGetScrollBars() = 0;
  virtual DWORD TxGetKeyWishes() = 0;

  virtual bool TxCreateCaret(int width, int height) = 0;
  virtual bool TxShowCaret(bool show) = 0;
  virtual bool TxSetCaretPos(POINT pos) = 0;
  // Null: the whole client rectangle.
  virtual void TxInvalidateRect(const RECT* rect) = 0;
  // The text's size or the scroll position changed.
  virtual void TxViewChange() = 0;
  virtual void TxSetCapture(bool capture) = 0;
  virtual void TxNotify(DWORD code) = 0;
  virtual void TxSetClipboardText(std::u16string_view text) { SetClipboardText(text); }
  virtual std::u16string TxGetClipboardText() { return GetClipboardText(); }
};

class TextServices {
 public:
  explicit TextServices(ITextHost* host);
  ~TextServices();
  TextServices(const TextServices&) = delete;
  TextServices& operator=(const TextServices&) = delete;

  // True when the message was for the text; *result (when given) is its answer.
  bool TxSendMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);
  // Draws the text, selection and composition underline within clip.
  void TxDraw(Canvas& canvas, const RECT& clip);

  const std::u16string& Text() const { return text_; }
  // The program's text: not limited, caret to the start, histories emptied.
  void SetText(std::u16string_view text);
  // Replaces the selection as the user would (limit, read-only aside).
  void ReplaceSel(std::u16string_view text, bool canUndo = true);
  // Anchor and caret; out-of-range values are clamped, and a position inside
  // a surrogate pair moves to its start.
  void SetSelection(int anchor, int caret);
  int Anchor() const { return anchor_; }
  int Caret() const { return caret_; }
  int SelStart() const { return std::min(anchor_, caret_); }
  int SelEnd() const { return std::max(anchor_, caret_); }

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  bool Undo();
  bool Redo();
  void Copy();
  void Cut();
  void Paste();

  // Size of the laid-out text and the scroll position, in pixels.
  SIZE ContentSize();
  POINT ScrollPos() const { return scroll_; }
  // Clamped to the content.
  void SetScrollPos(POINT pos);
  // Client coordinates of the caret's top at a text position, and back.
  POINT PosFromChar(int position);
  int CharFromPos(POINT point);
  int LineHeight();
  // The host changed its font, colours, modes or rectangle: lay out again.
  void OnTxPropertyChange();
  bool HasFocus() const { return focused_; }
  // A selection drag started by a button press goes on.
  bool IsDragging() const { return dragging_; }
  // The text under composition: start and length (length 0 when none).
  std::pair<int, int> Composition() const { return {compStart_, compLength_}; }

 private:
  struct Piece;
  struct Paragraph;
  struct Step {
    int position = 0;
    std::u16string removed;
    std::u16string inserted;
    int anchorBefore = 0;
    int caretBefore = 0;
    bool typing = false;
  };
  // Editing core.
  int Replace(int from, int to, std::u16string_view text);
  // The selection replaced by the user, within the limit; typing joins the
  // open step.
  void UserReplace(std::u16string_view text, bool typing, bool record = true);
  bool IsPassword() const;
  std::u16string Sanitize(std::u16string_view text) const;
  std::u16string_view Fit(std::u16string_view text, int replacing, bool* cut) const;
  void RecordStep(int position, std::u16string removed, std::u16string inserted, bool typing);
  bool ReplayStep(bool undo);
  bool Editable() const;
  void TypeChar(char16_t c);
  void KeyDown(UINT vk);
  void CharMessage(char16_t c);
  void Enter();
  void MouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Composition(UINT message, LPARAM lParam);
  void MoveTo(int position, bool extend);
  void Changed();

  // Layout.
  void EnsureLayoutKey();
  void Relayout(int from, int removedLength, int insertedLength);
  void RebuildAll();
  Paragraph& Shaped(std::size_t index);
  Piece ShapePiece(const Paragraph& p, std::u16string_view shown, int from, int to);
  void DrawPiece(Canvas& canvas, const Paragraph& p, const Piece& piece, POINT at);
  void ShapeAll();
  std::size_t ParagraphAt(int position) const;
  int ParagraphTop(std::size_t index);
  int AlignOffset(const Paragraph& p) const;
  RECT View() const { return host_->TxGetClientRect(); }
  bool WordWrap() const;
  int ViewWidth() const;
  const Font& FontInUse() const;

  // Positions.
  bool CursorStop(Paragraph& p, int unit) const;
  int PrevCursor(int position);
  int NextCursor(int position);
  int WordLeft(int position);
  int WordRight(int position);
  std::pair<int, int> WordAt(int position);
  int LineEdge(int position, bool end);
  int VerticalMove(int position, int lines);
  RECT CaretBox(int position);

  // Caret and scrolling.
  void UpdateCaret();
  void ScrollToCaret();
  void ClampScroll();

  ITextHost* host_;
  std::u16string text_;
  std::vector<Paragraph> paragraphs_;
  // Shapes of the paragraphs the last edit replaced, for pieces whose text
  // came back unchanged.
  std::vector<Piece> recycled_;
  std::size_t nextRecycled_ = 0;
  int anchor_ = 0;
  int caret_ = 0;
  int preferredX_ = -1;  // column kept by Up/Down
  POINT scroll_{0, 0};
  bool focused_ = false;
  bool caretCreated_ = false;
  bool dragging_ = false;
  std::vector<Step> undo_;
  std::vector<Step> redo_;
  bool typingOpen_ = false;
  int compStart_ = 0;
  int compLength_ = 0;
  bool composing_ = false;
  char16_t pendingHigh_ = 0;  // a typed high surrogate waiting for its pair
  std::unique_ptr<Font> defaultFont_;
  std::uint64_t layoutKey_ = 0;  // what the paragraphs were shaped for
  int lineHeight_ = 0;
};

}  // namespace os
