// The system's shell: ShellExecuteW starts programs and opens addresses with
// their registered handlers, and the special folders are the system's own.
// What every flavour keeps:
// - each launch is handed to the recorder and the launch log first, and is
//   then not started when they say so (the recorded program is the file as
//   given, the arguments its parameters split by the C runtime's rules);
// - verbs other than "open" (or none) fail with SE_ERR_NOASSOC, an empty
//   file with SE_ERR_FNF, before the system sees them: the launcher asks for
//   nothing else, and "runas" or "print" from a caller would be a fault;
// - an empty working folder keeps the launcher's;
// - special-folder paths use "/" as separator and end without one.
#include "platform/system/Shell.h"

#include "platform/base/Unicode.h"
#include "platform/system/ShellLaunches.h"
#include "platform/system/win32/SystemText.h"

#include "platform/base/win32/Win32.h"

#include <shellapi.h>
#include <shlobj.h>
// The shell's headers name the generic-text functions again.
#undef ShellExecute
#undef SHGetSpecialFolderPath

namespace os {
namespace {

HINSTANCE ResultHandle(int code) { return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(code)); }

constexpr int kRecordedOnly = 42;  // any value above 32 means success

bool IsOpen(std::u16string_view verb) {
  if (verb.empty()) return true;
  if (verb.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    const char16_t c = verb[i] >= u'A' && verb[i] <= u'Z' ? static_cast<char16_t>(verb[i] + 32) : verb[i];
    if (c != u"open"[i]) return false;
  }
  return true;
}

ShellLaunch Describe(std::u16string_view verb, std::u16string_view file, std::u16string_view parameters,
                     std::u16string_view directory, int showCommand) {
  ShellLaunch launch;
  launch.verb = verb;
  launch.file = file;
  launch.parameters = parameters;
  launch.directory = directory;
  launch.showCommand = showCommand;
  launch.program = Utf16ToUtf8(file);
  for (const auto& argument : SplitCommandLine(parameters)) launch.arguments.push_back(Utf16ToUtf8(argument));
  return launch;
}

}  // namespace

HINSTANCE ShellExecute(HWND hwnd, std::u16string_view verb, std::u16string_view file,
                       std::u16string_view parameters, std::u16string_view directory, int showCommand) {
  const ShellLaunch launch = Describe(verb, file, parameters, directory, showCommand);
  const bool spawn = RecordShellLaunch(launch);
  if (!IsOpen(verb)) return ResultHandle(SE_ERR_NOASSOC);
  if (file.empty()) return ResultHandle(SE_ERR_FNF);
  if (!spawn) return ResultHandle(kRecordedOnly);
  const std::wstring wideFile = win32::WideString(file);
  const std::wstring wideParameters = win32::WideString(parameters);
  const std::wstring wideDirectory = win32::WideString(directory);
  const ::HINSTANCE started =
      ::ShellExecuteW(win32::As<::HWND>(hwnd), L"open", wideFile.c_str(),
                      wideParameters.empty() ? nullptr : wideParameters.c_str(),
                      wideDirectory.empty() ? nullptr : wideDirectory.c_str(), showCommand);
  return win32::As<HINSTANCE>(started);
}

BOOL SHGetSpecialFolderPath(HWND hwnd, std::u16string* path, int csidl, BOOL create) {
  if (path == nullptr) return FALSE;
  // The system's area for a special folder is MAX_PATH characters.
  std::wstring area(MAX_PATH + 1, L'\0');
  // The creation flag in csidl means what create means; the function takes
  // it only from create.
  const bool make = create != FALSE || (csidl & CSIDL_FLAG_CREATE) != 0;
  if (!::SHGetSpecialFolderPathW(win32::As<::HWND>(hwnd), area.data(), csidl & ~CSIDL_FLAG_MASK, make))
    return FALSE;
  area.resize(area.find(L'\0'));
  std::u16string folder = win32::ForwardSlashes(win32::OurString(area));
  // A drive's root keeps its separator ("C:/"), as the system's answer does.
  while (folder.size() > 3 && folder.back() == u'/') folder.pop_back();
  if (folder.empty()) return FALSE;
  *path = std::move(folder);
  return TRUE;
}

}  // namespace os
