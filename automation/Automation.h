// The automation driver of our programs (the launcher, the control gallery),
// for end-to-end tests and diagnostics.
//
// When LUMORA_AUTOMATION names a file of commands, the program carries them
// out one a line against its own windows, from inside its own message loop,
// through the platform's input path (the messages a player's mouse and keys
// produce), with either backend:
//
//   wait-window CAPTION [MS]   until a visible top-level window of this process
//                              has that caption (default 10000 ms)
//   click NAME                 press and release on the centre of the named
//                              control of the active window
//   focus NAME                 give the named control of the active window the focus
//   type TEXT                  type the rest of the line into the focused control
//   key NAME                   press and release a key (Enter, Escape, Tab, ...)
//                              or a chord such as Shift+End
//   clipboard-set TEXT         put the rest of the line on the clipboard (gtk:
//                              the desktop's CLIPBOARD selection)
//   clipboard-get              print the clipboard's text as: clipboard: "TEXT"
//   answer ok|cancel           the answer of the next message box
//   answer-startup ok|cancel   only as the script's first lines: the answers
//                              of the boxes the start-up decisions show before
//                              the script runs (otherwise those get OK)
//   boxes show|answer          from now on let message boxes reach the desktop
//                              (still recorded; whoever drives the desktop
//                              answers them) or answer them here (the default)
//   snapshot CAPTION FILE.png  save the window's current frame
//   tree CAPTION               print the window's control tree
//   sleep MS                   let the launcher run for MS milliseconds
//   wait-file PATH [MS]        until the file exists (default 10000 ms of real
//                              time): lets a test outside the process, which
//                              drives the desktop itself, say when to go on
//   quit [CODE]                end the message loop
// Blank lines and lines starting with "#" are skipped.
//
// Every command, every message box (caption, text, buttons, answer), every
// program launch (program and parameters) and whatever the program's record
// sources report (the launcher: the hand-over to the game window) are
// written one a line to standard error, or appended to the file
// named by LUMORA_AUTOMATION_LOG. A failing command is reported ("error: ...")
// and the driver goes on with the next.
//
// The journey's time marks (support/JourneyMarks.h) are written as
// "mark: POINT NANOSECONDS" on the monotonic clock: "first-frame" when the
// desktop has drawn the first frame a skinned window presented (the login
// window's), then "login", "server-list" (once per size the server list's
// META elements apply), "server-click" and "game-page" as the launcher
// reaches them. Without a driver no mark is taken. Right after the first
// frame's mark the log says whether the web engine's libraries were mapped
// by then ("first-frame: web engine mapped" or "... not mapped") and the
// process's peak memory so far ("first-frame: peak memory KIB KiB").
//
// Time is the platform's clock: real time with a desktop, the virtual clock
// with the headless backend, where waiting costs no real time because the
// loop's idle waits move the clock on to the next timer. Waits never block:
// the driver polls on a timer of its own, so the loop keeps pumping.
//
// Message boxes are answered by the driver before the desktop shows them
// (the platform's box answerer): boxes are recorded and answered the same
// way with both backends, and no modal dialog waits for a person, unless the
// script lets them through ("boxes show").
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Core/WindowWnd.h"
#include "platform/system/Shell.h"

struct AutomationCommand {
  int line = 0;
  std::string verb;      // "click", ...
  std::string argument;  // the rest of the line after one blank
  std::string text;      // the whole line as written
};

// The commands of a script, with their line numbers.
std::vector<AutomationCommand> ParseAutomationScript(std::string_view script);

// The virtual key of a key name ("Enter", "escape", "F5", "A", "Shift", ...),
// or none.
std::optional<unsigned> AutomationKey(std::string_view name);
// The keys of a chord such as "Shift+End" or "Ctrl+Shift+Left", modifiers
// first; none when a name is unknown.
std::optional<std::vector<unsigned>> AutomationChord(std::string_view chord);

// A text as the log writes it: in double quotes, with \" \\ \n \r \t escaped.
std::string AutomationQuoted(std::u16string_view text);

// "CAPTION 500" → {"CAPTION", 500}; without a trailing number the whole text
// is the caption.
struct CaptionAndNumber {
  std::string caption;
  std::optional<std::uint32_t> number;
};
CaptionAndNumber SplitTrailingNumber(std::string_view argument);

class AutomationDriver : public Kesto::CWindowWnd {
 public:
  // The driver of LUMORA_AUTOMATION, or null when it is not set. A script
  // that cannot be read is reported in the log, and the driver runs nothing.
  static std::unique_ptr<AutomationDriver> FromEnvironment();

  // Answers and records message boxes, and records launches, from now on.
  AutomationDriver(std::vector<AutomationCommand> commands, std::FILE* log, bool ownsLog);
  ~AutomationDriver() override;

  // Starts carrying out the commands once the message loop runs.
  bool Start();
  bool Finished() const { return next_ >= commands_.size() && !waiting_; }

  void Log(const std::string& line);

  // A part of the program with events of its own for the log hands a poller
  // here: asked whenever the driver reports, it returns the lines that are new
  // since it was last asked. The driver itself knows nothing of the program.
  using RecordSource = std::function<std::vector<std::string>()>;
  void AddRecordSource(RecordSource source);

  std::u16string_view GetWindowClassName() const override;
  os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;

 private:
  struct Wait {
    enum class Kind { kWindow, kTime, kSettle, kFile } kind = Kind::kTime;
    std::uint64_t deadline = 0;
    std::u16string what;  // the caption or the file path waited for
  };

  void Tick();
  // Carries out one command; false (with the reason) when it failed.
  bool Execute(const AutomationCommand& command, std::string& error);
  void ReportRecords();
  std::optional<int> AnswerBox(os::HWND owner, std::u16string_view text, std::u16string_view caption,
                               os::UINT type);

  std::vector<AutomationCommand> commands_;
  std::size_t next_ = 0;
  std::optional<Wait> waiting_;
  std::deque<int> answers_;
  bool showBoxes_ = false;
  std::FILE* log_;
  bool ownsLog_;
  os::ShellLaunchRecorder launches_{true};
  std::size_t launchesLogged_ = 0;
  std::vector<RecordSource> recordSources_;
  bool endLogged_ = false;
  bool firstFrameMarked_ = false;
};
