// Opening portal pages in the player's default browser. The browser is found
// in the registry's URL associations and started with the URL as its only
// parameter; when it cannot be told, "iexplore.exe" is started, which the
// shell resolves to the desktop's URL opener.
#pragma once

#include <string>

// The default browser's program: the quoted program path of its open command
// (or the whole command when it has no quoted part); on Windows XP the whole
// command of htmlfile's open verb; "iexplore.exe" when the registry has no
// usable answer, a value exceeds 260 characters, or the Windows version is
// not XP, Vista, 7 or 8 and later.
std::u16string DefaultBrowserPath();

// Starts DefaultBrowserPath with url as its parameters ("open", normal window)
// and returns; whether the start succeeded is not examined.
void OpenInBrowser(const std::u16string& url);
