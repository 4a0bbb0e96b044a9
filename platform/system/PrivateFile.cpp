#include "platform/system/PrivateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

namespace os {
namespace {

constexpr std::size_t kZeroBlock = 10000;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Every byte of bytes to fd, past interruptions; false on a short write.
bool WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

int OpenPrivate(const std::filesystem::path& path, bool append) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0600);
  // The creation mode counts for new files only.
  if (fd >= 0) ::fchmod(fd, 0600);
  return fd;
}

}  // namespace

std::FILE* OpenPrivateFile(const std::filesystem::path& path, bool append) {
  Fd fd(OpenPrivate(path, append));
  if (fd.get() < 0) return nullptr;
  std::FILE* file = ::fdopen(fd.get(), append ? "ab+" : "wb");
  if (file != nullptr) fd.release();
  return file;
}

bool WritePrivateFile(const std::filesystem::path& path, std::string_view bytes) {
  Fd fd(OpenPrivate(path, false));
  return fd.get() >= 0 && WriteAll(fd.get(), bytes.data(), bytes.size());
}

bool OverwriteWithZeros(const std::filesystem::path& path, std::int64_t offset) {
  // No O_CREAT: an existing file only. Non-blocking so that a pipe cannot
  // hang the open; it is then refused as not a regular file.
  Fd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (offset < 0 || st.st_size <= offset) return true;
  if (::lseek(fd.get(), static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset)) return true;
  const std::vector<char> zeros(kZeroBlock, '\0');
  std::int64_t left = st.st_size - offset;
  while (left > 0) {
    const std::size_t block = static_cast<std::size_t>(std::min<std::int64_t>(left, kZeroBlock));
    if (!WriteAll(fd.get(), zeros.data(), block)) break;
    left -= static_cast<std::int64_t>(block);
  }
  return true;
}

std::FILE* OpenFileToRead(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rb"); }

}  // namespace os
