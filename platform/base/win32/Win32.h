// The Win32 headers as the win32 flavour of the platform layer sees them, and
// the one place where our declarations meet the system's.
//
// Our headers (namespace os) keep their own declarations on Windows too: the
// code above the platform is written against them, with char16_t text and
// default-initialised structures, and the system headers would turn its names
// (CreateWindowEx, DrawText, RGB, WM_PAINT...) into macros. So a win32 source
// includes the platform headers it implements first, then this header, and
// converts at the call: handles and structures by pointer (their layouts are
// the system's, which the flavour's sources check with static_assert where
// they pass one), text by reinterpreting char16_t as wchar_t (both are UTF-16
// code units on Windows).
//
// Only sources under platform/<group>/win32/ include this header.
#pragma once

#ifndef _WIN32
#error "platform/base/win32/Win32.h is for the Windows build only"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

#include <windows.h>

#include <string>
#include <string_view>

// The system's generic-text names are macros that would rename our functions
// of the same name where a win32 source defines them (os::CreateWindowEx
// would become os::CreateWindowExW). The sources call the W functions by
// their full names instead.
#undef CreateWindowEx
#undef RegisterClassEx
#undef GetClassInfoEx
#undef UnregisterClass
#undef DefWindowProc
#undef CallWindowProc
#undef GetWindowLong
#undef SetWindowLong
#undef GetWindowLongPtr
#undef SetWindowLongPtr
#undef GetClassLongPtr
#undef SetClassLongPtr
#undef GetWindowText
#undef GetWindowTextLength
#undef SetWindowText
#undef FindWindow
#undef FindWindowEx
#undef GetMessage
#undef PeekMessage
#undef DispatchMessage
#undef PostMessage
#undef SendMessage
#undef PostThreadMessage
#undef RegisterWindowMessage
#undef MessageBox
#undef DrawText
#undef LoadCursor
#undef LoadIcon
#undef LoadImage
#undef FindResource
#undef GetProp
#undef SetProp
#undef RemoveProp
#undef GetMonitorInfo
#undef GetModuleFileName
#undef GetModuleHandle
#undef GetEnvironmentVariable
#undef SetEnvironmentVariable
#undef OutputDebugString
#undef GetVersionEx
#undef CreateMutex
#undef OpenMutex
#undef CreateEvent
#undef CreateFile
#undef DeleteFile
#undef MoveFileEx
#undef CopyFile
#undef CreateDirectory
#undef RemoveDirectory
#undef GetTempPath
#undef ShellExecute
#undef SHGetSpecialFolderPath
#undef GetPrivateProfileString
#undef WritePrivateProfileString
#undef GetPrivateProfileSectionNames
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegEnumValue
#undef RegEnumKeyEx
#undef RegDeleteValue
#undef RegDeleteKey
#undef GetTextExtentPoint32
#undef CreateFontIndirect
#undef GetObject
#undef LoadLibrary
#undef GetClassName
#undef IsDialogMessage
#undef TranslateAccelerator
#undef CharUpper
#undef CharLower
#undef GetStartupInfo
#undef CreateProcess
#undef GetCommandLine
#undef FormatMessage
#undef SystemParametersInfo
#undef SendNotifyMessage
#undef EnumProps

namespace os::win32 {

// Our text as the system's, and back. Both are UTF-16; only the C++ types
// differ.
inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* Ours(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* Ours(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }
inline std::wstring WideString(std::u16string_view text) { return std::wstring(Wide(text.data()), text.size()); }
inline std::u16string OurString(std::wstring_view text) { return std::u16string(Ours(text.data()), text.size()); }

// A handle or structure pointer of ours as the system's type and back. Both
// name the same object; a structure's layout is checked where it is passed.
template <typename To, typename From>
inline To As(From value) {
  static_assert(sizeof(To) == sizeof(From));
  return reinterpret_cast<To>(value);
}

}  // namespace os::win32
