// The system "Edit" class: a single-line text field with the Win32 edit
// control's messages, styles and notifications. Applications superclass it
// (GetClassInfoEx(nullptr, WC_EDIT, &wc), a new class name and procedure that
// passes on to wc.lpfnWndProc) or subclass it (GWLP_WNDPROC), and see every
// keystroke in their procedure first, Enter, Tab and Escape included.
//
// Styles: ES_PASSWORD (masked with '*' until EM_SETPASSWORDCHAR says
// otherwise), ES_READONLY, ES_AUTOHSCROLL (without it typing stops at the
// right edge), ES_CENTER / ES_RIGHT (for text narrower than the field),
// ES_NUMBER (typed and pasted text must be digits), ES_UPPERCASE /
// ES_LOWERCASE (typed ASCII letters), ES_NOHIDESEL.
//
// Messages, as on Windows:
//   WM_SETTEXT            replaces the text whatever the limit, puts the caret
//                         at the start, clears the modified flag and the undo
//                         buffer; sends EN_UPDATE then EN_CHANGE.
//   WM_GETTEXT, WM_GETTEXTLENGTH   the real text, also of a password field.
//   WM_SETFONT(HFONT, redraw)      the font (DeviceContext.h); nullptr for the
//                         default; also sets the margins from the font. WM_GETFONT.
//   EM_LIMITTEXT(n)       limit on what typing, pasting and EM_REPLACESEL put
//                         in; 0 sets the maximum. New fields: 30000.
//                         EM_GETLIMITTEXT.
//   EM_SETPASSWORDCHAR(c) 0 shows the text (and clears ES_PASSWORD), another
//                         character masks it (and sets ES_PASSWORD).
//                         EM_GETPASSWORDCHAR.
//   EM_SETREADONLY(flag)  sets or clears ES_READONLY. A read-only field refuses
//                         typing, deleting, cutting and pasting; programs may
//                         still change it (WM_SETTEXT, EM_REPLACESEL).
//   EM_SETSEL(anchor, caret)   the caret goes to `caret`; anchor -1 removes the
//                         selection; other negative or too large values mean
//                         the end. EM_SETSEL(0, -1) selects everything.
//   EM_GETSEL(DWORD* start, DWORD* end)   ordered; returns MAKELONG(start,
//                         end), or -1 when either passes 65535.
//   EM_REPLACESEL(canUndo, text)   replaces the selection, within the limit.
//   EM_SETMARGINS(EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(left, right)), a
//                         margin of EC_USEFONTINFO (or wParam EC_USEFONTINFO)
//                         takes it from the font. EM_GETMARGINS.
//   EM_SETMODIFY, EM_GETMODIFY; EM_CANUNDO, EM_UNDO, WM_UNDO,
//   EM_EMPTYUNDOBUFFER (one level; undoing twice redoes); EM_GETRECT,
//   EM_POSFROMCHAR, EM_CHARFROMPOS; WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR.
//
// Notifications go to the parent (the owner of a popup field) as WM_COMMAND
// with MAKEWPARAM(control id, code) and the field as lParam: EN_SETFOCUS,
// EN_KILLFOCUS, EN_MAXTEXT (an insertion was cut short), and EN_UPDATE then
// EN_CHANGE after every change of the text, whoever made it.
//
// Colours: while painting, the field asks its parent with WM_CTLCOLOREDIT
// (WM_CTLCOLORSTATIC when read-only or disabled); DeviceContext.h tells how
// to answer. Selections use COLOR_HIGHLIGHT / COLOR_HIGHLIGHTTEXT, disabled
// text COLOR_GRAYTEXT.
//
// Keys, as the default procedure handles them: characters type over the
// selection; Backspace (WM_CHAR 8) and Delete delete; Ctrl+Backspace and
// Ctrl+Delete delete a word; Left, Right (Up, Down act as they), Home, End
// move the caret, with Shift extending the selection and Ctrl going by words;
// Ctrl+A selects all; Ctrl+C / Ctrl+Insert copy, Ctrl+X / Shift+Delete cut,
// Ctrl+V / Shift+Insert paste, Ctrl+Z undoes. Tab, Enter, Escape and other
// control characters change nothing. The mouse places the caret, Shift+click
// and dragging select, a double click selects a word. A password field never
// gives its text to the clipboard and moves by words to its ends.
//
// Backends: where the backend offers a native entry widget
// (Backend::CreateNativeEdit) the widget is placed over the field, shows it
// and takes the keystrokes; the field's procedure still sees each one first as
// WM_KEYDOWN / WM_CHAR / WM_KEYUP and a procedure that does not pass a key on
// keeps it from the widget. Text the widget changes comes back as EN_UPDATE /
// EN_CHANGE; messages read and change the widget. Without one (headless) the
// field keeps its own text model and paints itself into its window.
//
// On Windows the class is user32's own "Edit".
#pragma once

#include <string>
#include <string_view>

#include "platform/window/Clipboard.h"
#include "platform/window/DeviceContext.h"
#include "platform/window/Window.h"

namespace os {

inline constexpr char16_t WC_EDIT[] = u"Edit";

// The limit of a new field, and the one EM_LIMITTEXT(0) sets.
constexpr int kEditDefaultLimit = 30000;
constexpr int kEditMaximumLimit = 0x7FFFFFFE;

}  // namespace os
