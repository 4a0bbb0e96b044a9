// The launcher's private files on Windows: they live in the user's profile
// folders, whose access rules keep other users out, and a new file takes
// those rules, so no mode is set here. Paths go to the system as UTF-16.
#include "platform/system/PrivateFile.h"

#include <cstdio>
#include <vector>

#include "platform/base/Types.h"

#include "platform/base/win32/Win32.h"

namespace os {
namespace {

constexpr ::DWORD kZeroBlock = 10000;

class FileHandle {
 public:
  explicit FileHandle(::HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ::HANDLE get() const { return handle_; }

 private:
  ::HANDLE handle_;
};

bool WriteAll(::HANDLE file, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ::DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<::DWORD>(size);
    ::DWORD written = 0;
    if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

}  // namespace

std::FILE* OpenPrivateFile(const std::filesystem::path& path, bool append) {
  return ::_wfopen(path.c_str(), append ? L"ab+" : L"wb");
}

bool WritePrivateFile(const std::filesystem::path& path, std::string_view bytes) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.get() != INVALID_HANDLE_VALUE && WriteAll(file.get(), bytes.data(), bytes.size());
}

bool OverwriteWithZeros(const std::filesystem::path& path, std::int64_t offset) {
  // An existing file only; a link is opened as itself, not followed, and is
  // then refused as not a plain file.
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(file.get()) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return false;
  if (offset < 0 || size.QuadPart <= offset) return true;
  LARGE_INTEGER start{};
  start.QuadPart = offset;
  if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) return true;
  const std::vector<char> zeros(kZeroBlock, '\0');
  std::int64_t left = size.QuadPart - offset;
  while (left > 0) {
    const ::DWORD block = left < kZeroBlock ? static_cast<::DWORD>(left) : kZeroBlock;
    if (!WriteAll(file.get(), zeros.data(), block)) break;
    left -= block;
  }
  return true;
}

// The narrow fopen would read a narrow path's bytes in the ANSI code page,
// where a letter such as "é" is another letter, or half of one, unless that
// page is Latin; the path's own conversion keeps the letter.
std::FILE* OpenFileToRead(const std::filesystem::path& path) { return ::_wfopen(path.c_str(), L"rb"); }

}  // namespace os
