// The recorder, the launch log and the command-line rules of ShellExecute,
// the same for every flavour.
#include "platform/system/ShellLaunches.h"

#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/base/Unicode.h"
#include "platform/system/Kernel.h"

namespace os {
namespace {

// The recorder that currently receives launches. Process-wide on purpose: it
// is the test hook through which every ShellExecute of the process is seen.
std::mutex g_recorderMutex;
ShellLaunchRecorder* g_recorder = nullptr;

std::string EscapeLogField(std::u16string_view field) {
  std::string out;
  for (const char c : Utf16ToUtf8(field)) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

// The variable's text is UTF-8; on Windows a narrow file name would be read
// in the ANSI code page instead.
std::filesystem::path LogPath(const std::string& utf8) {
#ifdef _WIN32
  return std::filesystem::path(Utf8ToUtf16(utf8));
#else
  return std::filesystem::path(utf8);
#endif
}

void AppendToLog(const std::string& path, const ShellLaunch& launch) {
  std::ofstream log(LogPath(path), std::ios::binary | std::ios::app);
  log << EscapeLogField(launch.verb) << '\t' << EscapeLogField(launch.file) << '\t'
      << EscapeLogField(launch.parameters) << '\t' << EscapeLogField(launch.directory) << '\t'
      << launch.showCommand << '\n';
}

}  // namespace

ShellLaunchRecorder::ShellLaunchRecorder(bool spawn) : spawn_(spawn) {
  std::lock_guard lock(g_recorderMutex);
  previous_ = g_recorder;
  g_recorder = this;
}

ShellLaunchRecorder::~ShellLaunchRecorder() {
  std::lock_guard lock(g_recorderMutex);
  if (g_recorder == this) {
    g_recorder = previous_;
    return;
  }
  // Destroyed out of order: unlink this recorder from the chain.
  for (ShellLaunchRecorder* r = g_recorder; r != nullptr; r = r->previous_) {
    if (r->previous_ == this) {
      r->previous_ = previous_;
      break;
    }
  }
}

std::vector<ShellLaunch> ShellLaunchRecorder::Launches() const {
  std::lock_guard lock(g_recorderMutex);
  return launches_;
}

void ShellLaunchRecorder::Record(ShellLaunch launch) { launches_.push_back(std::move(launch)); }

std::vector<std::u16string> SplitCommandLine(std::u16string_view s) {
  std::vector<std::u16string> arguments;
  std::size_t i = 0;
  const std::size_t n = s.size();
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  for (;;) {
    while (i < n && blank(s[i])) ++i;
    if (i == n) break;
    std::u16string argument;
    bool quoted = false;
    while (i < n && (quoted || !blank(s[i]))) {
      const char16_t c = s[i];
      if (c == u'\\') {
        std::size_t count = 0;
        while (i < n && s[i] == u'\\') ++count, ++i;
        if (i < n && s[i] == u'"') {
          argument.append(count / 2, u'\\');
          if (count % 2 == 1) {
            argument.push_back(u'"');
            ++i;
          }
        } else {
          argument.append(count, u'\\');
        }
        continue;
      }
      if (c == u'"') {
        if (quoted && i + 1 < n && s[i + 1] == u'"') {
          argument.push_back(u'"');
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      argument.push_back(c);
      ++i;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

int ShellExecuteResultCode(HINSTANCE result) {
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(result));
}

bool RecordShellLaunch(const ShellLaunch& launch) {
  bool spawn = true;
  {
    std::lock_guard lock(g_recorderMutex);
    if (g_recorder != nullptr) {
      g_recorder->Record(launch);
      spawn = g_recorder->spawn();
    }
  }
  if (const auto log = GetEnvironmentVariable("LUMORA_SHELL_LOG"); log && !log->empty()) {
    AppendToLog(*log, launch);
    spawn = false;
  }
  return spawn;
}

}  // namespace os
