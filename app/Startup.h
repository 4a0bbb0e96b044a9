// The launcher's process entry and the decisions it takes before any window
// of its own exists: one game window at a time, hand-over to the installed
// full client, and the update check (install a complete installer now, or
// fetch it in the background).
#pragma once

#include <cstdint>
#include <future>
#include <string>
#include <string_view>

#include "platform/base/Types.h"

// Caption of every launcher box and window, and the caption the
// single-instance check looks for.
inline constexpr char16_t kLauncherCaption[] = u"LumoraMorvaine";
inline constexpr char16_t kGameAlreadyOpenText[] = u"游戏已经打开";
inline constexpr char16_t kInstallPromptText[] = u"检测到更新，是否开始安装？";
// A downloaded installer is offered only once install.ini's stamp is older
// than this many seconds (two days).
inline constexpr std::int64_t kInstallPromptDelaySeconds = 172800;

struct StartupResult {
  // false: the process ends now; true: it goes on to the login window.
  bool openLoginWindow = false;
  // The version document was fetched and usable (diagnostics only).
  bool versionDocumentUsable = false;
  // The background download of the installer was started.
  bool downloadStarted = false;
};

// Starts on workers what the login window and the version check will need:
// the login skin's fonts and background, and libcurl. The program's entry
// calls it first, before the display is opened; DecideStartup calls it again
// (nothing new starts then). Nothing is asked of the portal, nothing shown.
void StartLoginAhead();

// Ends what StartLoginAhead began inside libraries (the font worker; libcurl's
// load is waited for), for a process that ends without a login window
// (DecideStartup calls it then): the process must not end while a worker is
// inside libraries that release their data at exit.
void StopLoginAhead();

// The decisions, in order: look for the running game window, hand over to
// the installed client, fetch the version document, then install, refuse a
// second instance, or start the background download. now is the current time
// in seconds since 1970-01-01 UTC. May show the launcher's message boxes and
// start programs; never creates a window. When no login window is to open,
// the work begun ahead for it is stopped before the result is returned.
StartupResult DecideStartup(std::int64_t now);

// The leading decimal integer of install.ini's text (leading white space and
// a sign allowed, the first non-digit ends it, no digits give 0; values
// beyond the 32-bit range stop at its ends). Only the first 20 bytes count.
std::int32_t ParseInstallStamp(std::string_view text);

// The stamp in "install.ini" beside the executable; 0 when the file is
// missing or unreadable, or its path does not fit (256 characters).
std::int32_t ReadInstallStamp();

// Whether a downloaded installer is to be offered: a stamp other than 0 that
// lies more than two days before now (computed in 64 bits).
bool InstallPromptDue(std::int32_t stamp, std::int64_t now);

// What the launcher reads from the version document.
struct VersionDocument {
  std::string downloadUrl;
  bool forceUpdate = false;
};

// Reads the version document's reply. A reply that is not a JSON object with
// string values for "downloadUrl" and "version", or whose address holds a zero
// byte, is treated like one that does not parse (false). forceUpdate counts
// only as the JSON value true.
bool ReadVersionDocument(const std::string& reply, VersionDocument& document);

// The version document's address on the portal's API host.
std::string VersionDocumentUrl();

// What the version check learns off the UI thread.
struct VersionCheck {
  std::string reply;  // the version document's body (empty when nothing came)
  bool usable = false;  // ReadVersionDocument read it
  VersionDocument document;
  // The size the server announces for the document's download (a HEAD,
  // AnnouncedSize), asked as soon as the document is read; -1 when it is
  // not usable (and nothing was asked).
  std::int32_t remoteSize = -1;
};

// Starts the version check on a worker thread: the GET of the version
// document and, when it reads, the HEAD of its download, in that order.
// The HEAD travels while the UI thread readies the login window instead of
// after it (a whole round trip, more with a new TLS connection). Without a
// thread to spare the requests are made when the answer is first asked for.
std::future<VersionCheck> CheckVersion();

#include "automation/Automation.h"

// The automation record source of the game hand-over: one "hand-over: url=…
// uid=… token=…" line for a hand-over made after the source was created.
AutomationDriver::RecordSource GameHandOverRecords();

// The part after the decisions: COM, the login window (created visible,
// with the launcher's icons, centred and shown), the message loop until the
// quit message, COM down. An automation driver, when given, starts with the
// loop. Always 0.
int RunLoginWindow(const StartupResult& startup, AutomationDriver* automation = nullptr);

// Process entry: crash handler, the framework's module instance, decisions,
// login window; the automation of LUMORA_AUTOMATION when set. Always 0.
int WinMain(os::HINSTANCE instance, os::HINSTANCE previousInstance, char* commandLine, int showCommand);
