// Shell services: starting programs (ShellExecute) and the special folders.
//
// On Windows the system starts programs and opens addresses, and the special
// folders are its own, with "/" as separator; the recorder, the launch log
// and the refusal of other verbs work as described below
// (platform/system/win32/Shell.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/ShowCommands.h"
#include "platform/base/Types.h"

namespace os {

// ShellExecute results of 32 and below are errors, with these codes.
constexpr int SE_ERR_OOM = 8;  // out of memory or processes
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_BADFORMAT = 11;
constexpr int SE_ERR_NOASSOC = 31;

// Starts file with the given parameters, detached from the launcher (its own
// session; the launcher never waits for it), and returns at once.
// - verb: "open" or empty; any other verb fails with SE_ERR_NOASSOC.
// - file: a program path, made executable (an execute bit for everyone who may
//   read it) before it is started; a bare name searched in PATH; the bare name
//   "iexplore.exe" (any case) stands for the desktop's URL opener, xdg-open, as
//   App Paths resolves it on Windows; a URL (scheme://...) is opened with xdg-open.
// - parameters: one command-line text, split into arguments by the rules of
//   the Windows C runtime (blanks separate, double quotes group, backslashes
//   escape quotes), so "a b" "c" gives two arguments.
// - directory: the program's working folder; empty keeps the launcher's.
// - showCommand: recorded; programs choose their own window state here.
// Result: a value above 32 on success, else one of the SE_ERR_* codes, cast to
// HINSTANCE as on Windows. The program is known to have started (exec
// succeeded) when the call returns success.
//
// For tests, launches can be recorded instead of (or as well as) performed:
// see ShellLaunchRecorder, and LUMORA_SHELL_LOG, which names a file to which
// every launch is appended as one line of tab-separated UTF-8 fields (verb,
// file, parameters, directory, show command; tab, line end and backslash
// escaped as \t, \n, \\) and which suppresses the launch itself.
HINSTANCE ShellExecute(HWND hwnd, std::u16string_view verb, std::u16string_view file,
                       std::u16string_view parameters, std::u16string_view directory, int showCommand);

// ShellExecute's result as a number (the HINSTANCE carries no handle here).
int ShellExecuteResultCode(HINSTANCE result);

// One recorded launch.
struct ShellLaunch {
  std::u16string verb;
  std::u16string file;
  std::u16string parameters;
  std::u16string directory;
  int showCommand = 0;
  std::string program;                 // what is run: a path, or the name searched in PATH
  std::vector<std::string> arguments;  // the parameters split into arguments
};

// While alive, every ShellExecute in the process is recorded here; with spawn
// false the programs are not started and ShellExecute reports success. A newer
// recorder takes over from an older one until it is destroyed. Thread-safe.
class ShellLaunchRecorder {
 public:
  explicit ShellLaunchRecorder(bool spawn);
  ~ShellLaunchRecorder();
  ShellLaunchRecorder(const ShellLaunchRecorder&) = delete;
  ShellLaunchRecorder& operator=(const ShellLaunchRecorder&) = delete;

  std::vector<ShellLaunch> Launches() const;

 private:
  friend bool RecordShellLaunch(const ShellLaunch& launch);
  bool spawn() const { return spawn_; }
  void Record(ShellLaunch launch);

  bool spawn_;
  ShellLaunchRecorder* previous_;
  std::vector<ShellLaunch> launches_;
};

// Splits a command-line text into arguments by the Windows C runtime's rules.
std::vector<std::u16string> SplitCommandLine(std::u16string_view parameters);

constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_INTERNET_CACHE = 0x0020;
constexpr int CSIDL_COOKIES = 0x0021;
constexpr int CSIDL_FLAG_CREATE = 0x8000;

// The path of a special folder, wide, without a trailing "/":
// - CSIDL_APPDATA: $XDG_DATA_HOME, else ~/.local/share (the roaming
//   application data; the launcher keeps its data below it in lumora/);
// - CSIDL_LOCAL_APPDATA: $XDG_CACHE_HOME, else ~/.cache;
// - CSIDL_INTERNET_CACHE: $XDG_CACHE_HOME/lumora/webcache, the web engine's
//   disk cache;
// - CSIDL_COOKIES: $XDG_DATA_HOME/lumora/cookies, the web engine's cookie store.
// With create FALSE (and no CSIDL_FLAG_CREATE in csidl) a folder that does not
// exist fails, as on Windows; with create TRUE it is made, with its parents.
// Unknown folders and a null path fail. Returns TRUE on success.
BOOL SHGetSpecialFolderPath(HWND hwnd, std::u16string* path, int csidl, BOOL create);

}  // namespace os
