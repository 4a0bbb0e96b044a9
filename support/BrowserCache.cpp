#include "support/BrowserCache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/com/BrowserEngine.h"
#include "platform/com/UrlCache.h"
#include "platform/system/Shell.h"

namespace {

constexpr off_t kIndexHeader = 64;
constexpr std::size_t kWipeBlock = 10000;

bool SameNameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool DeleteTreeAt(const std::string& folder, bool removeDesktopIni, bool wipeIndexDat) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return false;
  // The names first: deleting while reading a directory may skip entries.
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    names.push_back(name);
  }
  dir.reset();
  for (const std::string& name : names) {
    if (!removeDesktopIni && SameNameNoCase(name, "desktop.ini")) continue;
    const std::string path = folder + "/" + name;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) continue;
    const bool link = S_ISLNK(st.st_mode);
    // The read-only attribute is the owner's missing write permission. A
    // folder also needs reading and searching to be emptied, which Windows
    // never denies its owner.
    const mode_t wanted = S_ISDIR(st.st_mode) ? S_IRWXU : S_IWUSR;
    if (!link && (st.st_mode & wanted) != wanted) chmod(path.c_str(), (st.st_mode & 07777) | wanted);
    if (S_ISDIR(st.st_mode)) {
      DeleteTreeAt(path, removeDesktopIni, wipeIndexDat);
      rmdir(path.c_str());  // stays when something in it stayed
      continue;
    }
    if (wipeIndexDat && !link && SameNameNoCase(name, "index.dat")) {
      WipeIndexFile(os::Utf8ToUtf16(folder), os::Utf8ToUtf16(name));
    }
    unlink(path.c_str());  // a file still in use simply stays
  }
  return true;
}

}  // namespace

bool ClearUrlCache(int mode) {
  os::DWORD size = 0;
  os::FindFirstUrlCacheEntry(nullptr, nullptr, &size);
  std::vector<std::uint8_t> buffer(size);
  auto* entry = reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
  os::HANDLE find = os::FindFirstUrlCacheEntry(nullptr, buffer.empty() ? nullptr : entry, &size);
  if (!find) return false;
  while (true) {
    const bool cookie = (entry->CacheEntryType & os::COOKIE_CACHE_ENTRY) != 0;
    if ((mode == 0 && !cookie) || (mode == 1 && cookie)) os::DeleteUrlCacheEntry(entry->lpszSourceUrlName);
    os::FindNextUrlCacheEntry(find, nullptr, &size);
    buffer.assign(size, 0);
    entry = reinterpret_cast<os::INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    if (buffer.empty() || !os::FindNextUrlCacheEntry(find, entry, &size)) break;
  }
  os::FindCloseUrlCache(find);
  return true;
}

bool DeleteTree(const std::u16string& folder, bool removeDesktopIni, bool wipeIndexDat) {
  return DeleteTreeAt(os::Utf16ToUtf8(folder), removeDesktopIni, wipeIndexDat);
}

bool WipeIndexFile(const std::u16string& folder, const std::u16string& name) {
  const std::string path = os::Utf16ToUtf8(folder) + "/" + os::Utf16ToUtf8(name);
  // No O_CREAT: an existing file only. Non-blocking so that a pipe cannot
  // hang the open; it is then refused as not a regular file.
  Fd fd(open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return false;
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size <= kIndexHeader) return true;
  if (lseek(fd.get(), kIndexHeader, SEEK_SET) != kIndexHeader) return true;
  const std::vector<char> zeros(kWipeBlock, '\0');
  off_t left = st.st_size - kIndexHeader;
  while (left > 0) {
    const std::size_t block = static_cast<std::size_t>(std::min<off_t>(left, static_cast<off_t>(kWipeBlock)));
    const ssize_t written = write(fd.get(), zeros.data(), block);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    left -= written;
  }
  return true;
}

void ClearBrowserCache() {
  // First what the web engine holds itself (its memory cache, its open
  // cookie database), so that the files below are not rewritten from it.
  os::ClearWebEngineData();
  ClearUrlCache(0);
  std::u16string folder;
  if (os::SHGetSpecialFolderPath(nullptr, &folder, os::CSIDL_INTERNET_CACHE, os::FALSE)) {
    DeleteTree(folder, false, false);
  }
  ClearUrlCache(1);
  if (os::SHGetSpecialFolderPath(nullptr, &folder, os::CSIDL_COOKIES, os::FALSE)) {
    DeleteTree(folder, false, false);
  }
}
