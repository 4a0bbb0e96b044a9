// The hand-over from a successful login to the game: the one game window of
// the process, opened on the page the login names.
#pragma once

#include <string>

class WebBrowserWnd;

// The caption both launcher windows carry (the single-instance test looks
// for it) and the game name shown in the title bar.
inline constexpr char16_t kGameWindowTitle[] = u"LumoraMorvaine";

// Creates the game window (no owner, overlapped with caption, system menu,
// sizing frame, minimise and maximise boxes, an application window), opens
// url with the player's uid and token, gives it the launcher's icons,
// centres and shows it. The window lives until the process ends; null when
// it could not be created.
WebBrowserWnd* OpenGameWindow(const std::u16string& url, const std::u16string& uid,
                              const std::u16string& token);
