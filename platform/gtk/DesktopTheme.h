// GTK's theme is the desktop's, but it is not what the first frame needs.
//
// Parsing the theme's style sheets is the largest single piece of work before
// the first window is drawn (about a dozen milliseconds), yet the launcher's
// windows paint themselves and their edit fields carry a style of their own
// that leaves nothing to the theme. So GTK's settings are made with a theme of
// a few rules built into the program, and the desktop's theme is loaded once
// the first frame is on the screen, or at once when a widget that shows the
// theme (a box, a tooltip, the calendar, the web view) is about to be made.
#pragma once

namespace os::gtk {

// Right after GTK is initialised, before anything asked for its settings:
// they are made with the quick theme. Returns false (and changes nothing)
// when the settings existed already or the quick theme could not be put in
// place; the desktop's theme is then the one in use, as usual.
bool StartWithQuickTheme();

// The desktop's theme, now: what GTK_THEME or the desktop's settings name,
// as GTK chooses it. Nothing happens when it is loaded already. Main thread.
void LoadDesktopTheme();

// The desktop's theme once the main loop is idle (after the frame just
// drawn). Nothing happens when it is loaded or its load is already due.
void LoadDesktopThemeWhenIdle();

// Whether the quick theme is the one GTK's styles come from.
bool QuickThemeInUse();

}  // namespace os::gtk
