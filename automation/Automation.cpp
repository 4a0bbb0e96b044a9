#include "automation/Automation.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "Core/UIManager.h"
#include "controls/Control.h"
#include "controls/Edit.h"
#include "platform/base/Unicode.h"
#include "platform/gfx/Bitmap.h"
#include "platform/syscontrols/MessageBox.h"
#include "platform/system/Kernel.h"
#include "platform/window/Clipboard.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"
#include "platform/window/Paint.h"
#include "platform/window/Snapshot.h"
#include "support/JourneyMarks.h"

namespace {

constexpr os::UINT_PTR kTickTimer = 1;
constexpr os::UINT kTickMs = 15;
constexpr std::uint32_t kDefaultWindowWaitMs = 10000;

// The file waits count real time whatever the platform's clock: the file
// comes from another process, which the headless clock does not move.
std::uint64_t RealMilliseconds() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

std::string U8(std::u16string_view text) { return os::Utf16ToUtf8(text); }

// Whether the process maps a library of the web engine (WebKitGTK or its
// JavaScript engine): the login window is to be drawn without them.
bool WebEngineMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("libwebkit2gtk") != std::string::npos || line.find("libwebkitgtk") != std::string::npos ||
        line.find("libjavascriptcoregtk") != std::string::npos)
      return true;
  }
  return false;
}

// The process's peak resident memory so far (VmHWM), in KiB; -1 when unknown.
long PeakMemoryKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Quoted(std::u16string_view text) { return AutomationQuoted(text); }

std::string ButtonsOf(os::UINT type) {
  switch (type & 0x0F) {
    case os::MB_OKCANCEL:
      return "OK,Cancel";
    case os::MB_OK:
      return "OK";
    default:
      return "type " + std::to_string(type & 0x0F);
  }
}

std::string AnswerName(int answer) {
  switch (answer) {
    case os::IDOK:
      return "OK";
    case os::IDCANCEL:
      return "Cancel";
    default:
      return std::to_string(answer);
  }
}

// Visible top-level windows of this process with exactly this caption, the
// topmost first.
os::HWND FindOwnWindow(std::u16string_view caption) {
  const os::DWORD self = os::GetCurrentProcessId();
  for (os::HWND hwnd = os::GetTopWindow(nullptr); hwnd != nullptr;
       hwnd = os::GetWindow(hwnd, os::GW_HWNDNEXT)) {
    os::DWORD process = 0;
    os::GetWindowThreadProcessId(hwnd, &process);
    if (process != self || !os::IsWindowVisible(hwnd)) continue;
    if (os::GetWindowText(hwnd) == caption) return hwnd;
  }
  return nullptr;
}

Kesto::UIManager* ManagerOf(os::HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  for (Kesto::UIManager* manager : Kesto::UIManager::Managers()) {
    if (manager->Window() == hwnd) return manager;
  }
  return nullptr;
}

// The skinned window a player sees as active: the active window itself, or
// the window owning it (a field being typed in over a layered window is a
// popup of its own that takes the activation).
os::HWND SkinnedActiveWindow() {
  for (os::HWND hwnd = os::GetActiveWindow(); hwnd != nullptr; hwnd = os::GetWindow(hwnd, os::GW_OWNER)) {
    if (ManagerOf(hwnd) != nullptr) return hwnd;
  }
  return nullptr;
}

std::string RectText(const os::RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

std::string TreeLine(Kesto::CControlUI* control, int depth) {
  std::string line(static_cast<std::size_t>(depth) * 2, ' ');
  line += U8(control->GetClass());
  line += " name=" + Quoted(control->GetName());
  line += " rect=" + RectText(control->GetPos());
  line += control->IsVisible() ? " visible" : " hidden";
  auto* edit = static_cast<Kesto::CEditUI*>(control->GetInterface(u"Edit"));
  if (edit != nullptr && edit->IsPasswordMode()) {
    // A diagnostics log is no place for a password.
    line += " text=(password, " + std::to_string(control->GetText().size()) + " characters)";
  } else {
    line += " text=" + Quoted(control->GetText());
  }
  return line;
}

// Every control under root, each below its parent. The controls are found
// the way the manager finds them, so that parts a container keeps outside
// its item list (a list's header, scroll bars) are listed too.
void PrintTree(Kesto::CControlUI* root, std::vector<std::string>& lines) {
  std::vector<Kesto::CControlUI*> all;
  root->FindControl(
      [](Kesto::CControlUI* control, void* data) -> Kesto::CControlUI* {
        static_cast<std::vector<Kesto::CControlUI*>*>(data)->push_back(control);
        return nullptr;
      },
      &all, Kesto::FindFlag::All | Kesto::FindFlag::MeFirst);
  std::map<Kesto::CControlUI*, std::vector<Kesto::CControlUI*>> children;
  for (Kesto::CControlUI* control : all) {
    if (control != root) children[control->GetParent()].push_back(control);
  }
  const auto print = [&](const auto& self, Kesto::CControlUI* control, int depth) -> void {
    lines.push_back(TreeLine(control, depth));
    const auto found = children.find(control);
    if (found == children.end()) return;
    for (Kesto::CControlUI* child : found->second) self(self, child, depth + 1);
  };
  print(print, root, 1);
}

bool IsNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::string AutomationQuoted(std::u16string_view text) {
  std::string out = "\"";
  for (const char c : U8(text)) {
    if (c == '"' || c == '\\') out.push_back('\\');
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}

std::vector<AutomationCommand> ParseAutomationScript(std::string_view script) {
  std::vector<AutomationCommand> commands;
  int number = 0;
  std::size_t start = 0;
  while (start < script.size()) {
    std::size_t end = script.find('\n', start);
    if (end == std::string_view::npos) end = script.size();
    std::string_view raw = script.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    AutomationCommand command;
    command.line = number;
    command.text = line;
    const std::size_t blank = line.find_first_of(" \t");
    command.verb = Lower(line.substr(0, blank));
    if (blank != std::string::npos) {
      // The argument is the rest after one separator, so "type" can type
      // leading blanks of its own.
      command.argument = std::string(raw.substr(raw.find_first_not_of(" \t")));
      command.argument = command.argument.substr(command.argument.find_first_of(" \t") + 1);
      if (command.verb != "type" && command.verb != "clipboard-set")
        command.argument = Trim(command.argument);
    }
    commands.push_back(std::move(command));
  }
  return commands;
}

std::optional<unsigned> AutomationKey(std::string_view name) {
  struct Named {
    const char* name;
    unsigned key;
  };
  static constexpr Named kKeys[] = {
      {"enter", os::VK_RETURN},  {"return", os::VK_RETURN},   {"escape", os::VK_ESCAPE},
      {"esc", os::VK_ESCAPE},    {"tab", os::VK_TAB},         {"backspace", os::VK_BACK},
      {"delete", os::VK_DELETE}, {"insert", os::VK_INSERT},   {"space", os::VK_SPACE},
      {"left", os::VK_LEFT},     {"right", os::VK_RIGHT},     {"up", os::VK_UP},
      {"down", os::VK_DOWN},     {"home", os::VK_HOME},       {"end", os::VK_END},
      {"pageup", os::VK_PRIOR},  {"pagedown", os::VK_NEXT},   {"shift", os::VK_SHIFT},
      {"ctrl", os::VK_CONTROL},  {"control", os::VK_CONTROL}, {"alt", os::VK_MENU}};
  const std::string lower = Lower(name);
  for (const Named& k : kKeys) {
    if (lower == k.name) return k.key;
  }
  if (lower.size() >= 2 && lower[0] == 'f' && IsNumber(lower.substr(1))) {
    const int n = std::stoi(lower.substr(1));
    if (n >= 1 && n <= 24) return 0x70u + static_cast<unsigned>(n - 1);
  }
  if (lower.size() == 1 && ((lower[0] >= 'a' && lower[0] <= 'z') || (lower[0] >= '0' && lower[0] <= '9'))) {
    // Letter keys are named by their upper-case letter.
    return static_cast<unsigned>(lower[0] >= 'a' ? lower[0] - 'a' + 'A' : lower[0]);
  }
  return std::nullopt;
}

std::optional<std::vector<unsigned>> AutomationChord(std::string_view chord) {
  std::vector<unsigned> keys;
  std::size_t start = 0;
  for (;;) {
    const std::size_t plus = std::min(chord.find('+', start), chord.size());
    const auto key = AutomationKey(chord.substr(start, plus - start));
    if (!key) return std::nullopt;
    keys.push_back(*key);
    if (plus >= chord.size()) return keys;
    start = plus + 1;
  }
}

CaptionAndNumber SplitTrailingNumber(std::string_view argument) {
  CaptionAndNumber result;
  const std::string text = Trim(argument);
  const std::size_t blank = text.find_last_of(" \t");
  if (blank != std::string::npos && IsNumber(text.substr(blank + 1))) {
    result.caption = Trim(text.substr(0, blank));
    result.number = static_cast<std::uint32_t>(std::stoul(text.substr(blank + 1)));
  } else {
    result.caption = text;
  }
  return result;
}

// --- The driver -------------------------------------------------------------------------------

std::unique_ptr<AutomationDriver> AutomationDriver::FromEnvironment() {
  const auto script = os::GetEnvironmentVariable("LUMORA_AUTOMATION");
  if (!script || script->empty()) return nullptr;
  std::FILE* log = stderr;
  bool ownsLog = false;
  if (const auto logPath = os::GetEnvironmentVariable("LUMORA_AUTOMATION_LOG");
      logPath && !logPath->empty()) {
    // Binary: the log's lines end in "\n" on Windows too, where a text
    // stream would write "\r\n", so that one reader serves both systems.
    if (std::FILE* file = std::fopen(logPath->c_str(), "ab")) {
      log = file;
      ownsLog = true;
    } else {
      std::fprintf(stderr, "automation: cannot open log %s: %s\n", logPath->c_str(), std::strerror(errno));
    }
  }
  std::ifstream in(*script, std::ios::binary);
  std::vector<AutomationCommand> commands;
  const bool readable = static_cast<bool>(in);
  if (readable) {
    std::stringstream text;
    text << in.rdbuf();
    commands = ParseAutomationScript(text.str());
  }
  auto driver = std::make_unique<AutomationDriver>(std::move(commands), log, ownsLog);
  if (!readable) driver->Log("error: cannot read the script " + *script);
  return driver;
}

AutomationDriver::AutomationDriver(std::vector<AutomationCommand> commands, std::FILE* log, bool ownsLog)
    : commands_(std::move(commands)), log_(log), ownsLog_(ownsLog) {
  // The start-up decisions show their boxes before the message loop runs the
  // script: leading "answer-startup" lines queue their answers now.
  for (; next_ < commands_.size() && commands_[next_].verb == "answer-startup"; ++next_) {
    const std::string which = Lower(commands_[next_].argument);
    Log("command: " + commands_[next_].text);
    if (which == "ok" || which == "cancel") {
      answers_.push_back(which == "ok" ? os::IDOK : os::IDCANCEL);
    } else {
      Log("error: line " + std::to_string(commands_[next_].line) + ": answer-startup takes ok or cancel");
    }
  }
  os::SetMessageBoxAnswerer([this](os::HWND owner, std::u16string_view text, std::u16string_view caption,
                                   os::UINT type) { return AnswerBox(owner, text, caption, type); });
  // The journey's time marks, and the first drawn frame of a skinned window
  // (the login window) as the first of them.
  journey::SetMarkSink([this](std::string_view point, std::uint64_t ns) {
    Log("mark: " + std::string(point) + " " + std::to_string(ns));
  });
  os::SetFrameDrawnObserver([this](os::HWND hwnd) {
    if (firstFrameMarked_ || ManagerOf(hwnd) == nullptr) return;
    firstFrameMarked_ = true;
    journey::Mark(journey::kFirstFrame);
    Log(std::string("first-frame: web engine ") + (WebEngineMapped() ? "mapped" : "not mapped"));
    Log("first-frame: peak memory " + std::to_string(PeakMemoryKib()) + " KiB");
  });
  Log("automation: " + std::to_string(commands_.size()) + " commands");
}

AutomationDriver::~AutomationDriver() {
  os::SetMessageBoxAnswerer(nullptr);
  os::SetFrameDrawnObserver(nullptr);
  journey::SetMarkSink(nullptr);
  ReportRecords();
  if (hwnd_ != nullptr) {
    os::KillTimer(hwnd_, kTickTimer);
    os::DestroyWindow(hwnd_);
  }
  if (ownsLog_) std::fclose(log_);
}

void AutomationDriver::Log(const std::string& line) {
  std::fprintf(log_, "%s\n", line.c_str());
  std::fflush(log_);
}

bool AutomationDriver::Start() {
  // A message-only window: the driver needs its timer, not a surface.
  if (hwnd_ == nullptr && Create(os::HWND_MESSAGE, u"", os::WS_POPUP, 0, 0, 0, 0, 0) == nullptr) {
    Log("error: the automation cannot start (no window)");
    return false;
  }
  return os::SetTimer(hwnd_, kTickTimer, kTickMs, nullptr) != 0;
}

std::u16string_view AutomationDriver::GetWindowClassName() const { return u"LumoraAutomation"; }

os::LRESULT AutomationDriver::HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  if (message == os::WM_TIMER && wParam == kTickTimer) {
    Tick();
    return 0;
  }
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

std::optional<int> AutomationDriver::AnswerBox(os::HWND, std::u16string_view text,
                                               std::u16string_view caption, os::UINT type) {
  ReportRecords();
  if (showBoxes_) {
    Log("box: caption=" + Quoted(caption) + " text=" + Quoted(text) + " buttons=" + ButtonsOf(type) +
        " shown");
    return std::nullopt;
  }
  int answer = os::IDOK;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  Log("box: caption=" + Quoted(caption) + " text=" + Quoted(text) + " buttons=" + ButtonsOf(type) +
      " answer=" + AnswerName(answer));
  return answer;
}

void AutomationDriver::ReportRecords() {
  const std::vector<os::ShellLaunch> launches = launches_.Launches();
  for (; launchesLogged_ < launches.size(); ++launchesLogged_) {
    const os::ShellLaunch& launch = launches[launchesLogged_];
    Log("launch: program=" + Quoted(launch.file) + " parameters=" + Quoted(launch.parameters));
  }
  for (const RecordSource& source : recordSources_) {
    for (const std::string& line : source()) Log(line);
  }
}

void AutomationDriver::AddRecordSource(RecordSource source) {
  if (source) recordSources_.push_back(std::move(source));
}

void AutomationDriver::Tick() {
  ReportRecords();
  if (waiting_) {
    const std::uint64_t now = os::GetTickCount64();
    switch (waiting_->kind) {
      case Wait::Kind::kSettle:
        // The input injected before has been taken: timers come last.
        waiting_.reset();
        break;
      case Wait::Kind::kTime:
        if (now < waiting_->deadline) return;
        waiting_.reset();
        break;
      case Wait::Kind::kWindow:
        if (FindOwnWindow(waiting_->what) != nullptr) {
          waiting_.reset();
          break;
        }
        if (now < waiting_->deadline) return;
        Log("error: no window " + Quoted(waiting_->what) + " appeared");
        waiting_.reset();
        break;
      case Wait::Kind::kFile:
        if (FileExists(os::Utf16ToUtf8(waiting_->what))) {
          waiting_.reset();
          break;
        }
        if (RealMilliseconds() < waiting_->deadline) return;
        Log("error: no file " + Quoted(waiting_->what) + " appeared");
        waiting_.reset();
        break;
    }
  }
  if (next_ < commands_.size()) {
    const AutomationCommand command = commands_[next_++];
    Log("command: " + command.text);
    std::string error;
    if (!Execute(command, error)) Log("error: line " + std::to_string(command.line) + ": " + error);
    ReportRecords();
  }
  // Said as soon as the last command is done: a "quit" ends the loop before
  // another tick comes.
  if (Finished() && !endLogged_) {
    Log("automation: end of script");
    endLogged_ = true;
    os::KillTimer(hwnd_, kTickTimer);
  }
}

bool AutomationDriver::Execute(const AutomationCommand& command, std::string& error) {
  const std::string& verb = command.verb;
  const std::string& argument = command.argument;
  const std::uint64_t now = os::GetTickCount64();

  if (verb == "wait-window") {
    const CaptionAndNumber wait = SplitTrailingNumber(argument);
    if (wait.caption.empty()) {
      error = "wait-window needs a caption";
      return false;
    }
    waiting_ = Wait{Wait::Kind::kWindow, now + wait.number.value_or(kDefaultWindowWaitMs),
                    os::Utf8ToUtf16(wait.caption)};
    return true;
  }
  if (verb == "wait-file") {
    const CaptionAndNumber wait = SplitTrailingNumber(argument);
    if (wait.caption.empty()) {
      error = "wait-file needs a path";
      return false;
    }
    waiting_ = Wait{Wait::Kind::kFile, RealMilliseconds() + wait.number.value_or(kDefaultWindowWaitMs),
                    os::Utf8ToUtf16(wait.caption)};
    return true;
  }
  if (verb == "sleep") {
    if (!IsNumber(argument)) {
      error = "sleep needs a number of milliseconds";
      return false;
    }
    waiting_ = Wait{Wait::Kind::kTime, now + std::stoul(argument), {}};
    return true;
  }
  if (verb == "answer") {
    const std::string which = Lower(argument);
    if (which != "ok" && which != "cancel") {
      error = "answer takes ok or cancel";
      return false;
    }
    answers_.push_back(which == "ok" ? os::IDOK : os::IDCANCEL);
    return true;
  }
  if (verb == "answer-startup") {
    error = "answer-startup only counts before the script's first other command";
    return false;
  }
  if (verb == "boxes") {
    const std::string which = Lower(argument);
    if (which != "show" && which != "answer") {
      error = "boxes takes show or answer";
      return false;
    }
    showBoxes_ = which == "show";
    return true;
  }
  if (verb == "quit") {
    os::PostQuitMessage(IsNumber(argument) ? std::stoi(argument) : 0);
    return true;
  }
  if (verb == "type") {
    for (const char16_t unit : os::Utf8ToUtf16(argument)) os::inject::Text(std::u16string(1, unit));
    waiting_ = Wait{Wait::Kind::kSettle, 0, {}};
    return true;
  }
  if (verb == "clipboard-set") {
    os::SetClipboardText(os::Utf8ToUtf16(argument));
    return true;
  }
  if (verb == "clipboard-get") {
    Log("clipboard: " + Quoted(os::GetClipboardText()));
    return true;
  }
  if (verb == "key") {
    const auto keys = AutomationChord(argument);
    if (!keys) {
      error = "unknown key " + Quoted(os::Utf8ToUtf16(argument));
      return false;
    }
    // Modifiers are held while the last key is pressed and released.
    for (std::size_t i = 0; i + 1 < keys->size(); ++i) os::inject::KeyDown((*keys)[i]);
    os::inject::KeyPress(keys->back());
    for (std::size_t i = keys->size() - 1; i-- > 0;) os::inject::KeyUp((*keys)[i]);
    waiting_ = Wait{Wait::Kind::kSettle, 0, {}};
    return true;
  }
  if (verb == "click" || verb == "focus") {
    const os::HWND active = SkinnedActiveWindow();
    Kesto::UIManager* manager = ManagerOf(active);
    if (manager == nullptr) {
      error = "no skinned window is active";
      return false;
    }
    Kesto::CControlUI* control = manager->FindControlByName(os::Utf8ToUtf16(argument));
    if (control == nullptr) {
      error = "the active window has no control " + Quoted(os::Utf8ToUtf16(argument));
      return false;
    }
    if (!control->IsVisible()) {
      error = "the control " + Quoted(os::Utf8ToUtf16(argument)) + " is hidden";
      return false;
    }
    if (verb == "focus") {
      manager->SetFocus(control);
      return true;
    }
    const os::RECT pos = control->GetPos();
    os::POINT centre{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
    os::ClientToScreen(active, &centre);
    os::inject::Click(centre);
    waiting_ = Wait{Wait::Kind::kSettle, 0, {}};
    return true;
  }
  if (verb == "snapshot") {
    const std::size_t blank = argument.find_last_of(" \t");
    if (blank == std::string::npos) {
      error = "snapshot needs a caption and a file";
      return false;
    }
    const std::u16string caption = os::Utf8ToUtf16(Trim(argument.substr(0, blank)));
    const std::string file = argument.substr(blank + 1);
    const os::HWND hwnd = FindOwnWindow(caption);
    if (hwnd == nullptr) {
      error = "no visible window " + Quoted(caption);
      return false;
    }
    // What the backend last showed of the window; a window that has shown
    // nothing yet is taken from the frame its manager painted.
    bool written = os::SnapshotWindow(hwnd, file);
    if (!written) {
      if (Kesto::UIManager* manager = ManagerOf(hwnd)) {
        const os::Bitmap* frame =
            manager->LayeredBitmap() != nullptr ? manager->LayeredBitmap() : manager->OffscreenBitmap();
        written = frame != nullptr && frame->WritePng(file);
      }
    }
    if (!written) {
      error = "cannot write " + file;
      return false;
    }
    Log("snapshot: " + file);
    return true;
  }
  if (verb == "tree") {
    const std::u16string caption = os::Utf8ToUtf16(argument);
    const os::HWND hwnd = FindOwnWindow(caption);
    Kesto::UIManager* manager = ManagerOf(hwnd);
    if (manager == nullptr || manager->Root() == nullptr) {
      error = "no visible skinned window " + Quoted(caption);
      return false;
    }
    std::vector<std::string> lines;
    PrintTree(manager->Root(), lines);
    Log("tree: " + Quoted(caption));
    for (const std::string& line : lines) Log(line);
    return true;
  }
  error = "unknown command " + Quoted(os::Utf8ToUtf16(verb));
  return false;
}
