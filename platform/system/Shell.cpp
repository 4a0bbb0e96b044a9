#include "platform/system/Shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/base/Unicode.h"
#include "platform/system/Kernel.h"
#include "platform/system/ShellLaunches.h"
#include "platform/system/UserFolders.h"

namespace os {
namespace {

constexpr int kSuccess = 42;  // any value above 32 means success

HINSTANCE ResultHandle(int code) { return reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(code)); }

bool SameAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char16_t c) {
      return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

bool IsUrl(std::u16string_view file) {
  const auto colon = file.find(u"://");
  if (colon == std::u16string_view::npos || colon == 0) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char16_t c = file[i];
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                    (i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'));
    if (!ok) return false;
  }
  return true;
}

// The program to run and its arguments, before looking at the file system.
void Resolve(ShellLaunch& launch) {
  if (SameAscii(launch.file, u"iexplore.exe") || IsUrl(launch.file)) {
    launch.program = "xdg-open";
    if (IsUrl(launch.file)) {
      launch.arguments = {Utf16ToUtf8(launch.file)};
      return;
    }
  } else {
    launch.program = Utf16ToUtf8(launch.file);
  }
  for (const auto& argument : SplitCommandLine(launch.parameters))
    launch.arguments.push_back(Utf16ToUtf8(argument));
}

// A bare name is looked up in PATH like execvp would, so that a missing
// program is reported before anything is started.
std::string FindInPath(const std::string& name) {
  const auto path = GetEnvironmentVariable("PATH");
  const std::string dirs = path ? *path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const auto end = dirs.find(':', start);
    const std::string_view dir =
        std::string_view(dirs).substr(start, end == std::string::npos ? std::string::npos : end - start);
    // An empty entry is the current folder.
    std::string candidate(dir.empty() ? std::string_view(".") : dir);
    candidate.append("/").append(name);
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return {};
}

int ErrnoToCode(int error, bool inDirectory) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return inDirectory ? SE_ERR_PNF : SE_ERR_FNF;
    case ENOEXEC:
      return SE_ERR_BADFORMAT;
    case ENOMEM:
    case EAGAIN:
      return SE_ERR_OOM;
    default:
      return SE_ERR_ACCESSDENIED;
  }
}

// Closes every descriptor from 3 up except keep, so that the program inherits
// none of the launcher's sockets, files or display connections.
void CloseInheritedDescriptors(int keep) {
#ifdef SYS_close_range
  if (keep > 3) syscall(SYS_close_range, 3u, static_cast<unsigned>(keep - 1), 0u);
  syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u);
#else
  const long max = sysconf(_SC_OPEN_MAX);
  for (long fd = 3; fd < max; ++fd) {
    if (fd != keep) close(static_cast<int>(fd));
  }
#endif
}

// Starts the program in its own session through a short-lived intermediate
// child, so that it is neither a child the launcher must reap nor tied to the
// launcher's terminal. A close-on-exec pipe reports whether exec succeeded.
int Spawn(const std::string& program, const std::vector<std::string>& arguments,
          const std::string& directory) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  sigset_t noSignals;
  sigemptyset(&noSignals);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return SE_ERR_OOM;
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return SE_ERR_OOM;
  }
  if (child == 0) {
    // Only async-signal-safe calls from here on: the launcher has other threads.
    close(report[0]);
    setsid();
    const pid_t grandchild = fork();
    if (grandchild < 0) {
      const int failure[2] = {1, errno};
      (void)!write(report[1], failure, sizeof failure);
      _exit(1);
    }
    if (grandchild > 0) _exit(0);
    if (!directory.empty() && chdir(directory.c_str()) != 0) {
      const int failure[2] = {0, errno};
      (void)!write(report[1], failure, sizeof failure);
      _exit(127);
    }
    const int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) {
      dup2(devnull, STDIN_FILENO);
      if (devnull != STDIN_FILENO) close(devnull);
    }
    CloseInheritedDescriptors(report[1]);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaults, nullptr);
    sigprocmask(SIG_SETMASK, &noSignals, nullptr);
    execv(program.c_str(), argv.data());
    const int failure[2] = {1, errno};
    (void)!write(report[1], failure, sizeof failure);
    _exit(127);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int failure[2] = {0, 0};
  ssize_t got = 0;
  do {
    got = read(report[0], failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof failure)) return ErrnoToCode(failure[1], failure[0] == 0);
  return kSuccess;
}

// Gives execute permission to everyone who may read the file, as a program
// file downloaded by the launcher arrives without it.
void MakeExecutable(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  mode_t mode = info.st_mode & 07777;
  if (mode & S_IRUSR) mode |= S_IXUSR;
  if (mode & S_IRGRP) mode |= S_IXGRP;
  if (mode & S_IROTH) mode |= S_IXOTH;
  if (mode != (info.st_mode & 07777)) chmod(path.c_str(), mode);
}

}  // namespace

HINSTANCE ShellExecute(HWND, std::u16string_view verb, std::u16string_view file,
                       std::u16string_view parameters, std::u16string_view directory, int showCommand) {
  ShellLaunch launch;
  launch.verb = verb;
  launch.file = file;
  launch.parameters = parameters;
  launch.directory = directory;
  launch.showCommand = showCommand;
  Resolve(launch);

  const bool spawn = RecordShellLaunch(launch);
  if (!verb.empty() && !SameAscii(verb, u"open")) return ResultHandle(SE_ERR_NOASSOC);
  if (file.empty()) return ResultHandle(SE_ERR_FNF);
  if (!spawn) return ResultHandle(kSuccess);

  std::string program = launch.program;
  if (program.find('/') == std::string::npos) {
    program = FindInPath(program);
    if (program.empty()) return ResultHandle(SE_ERR_FNF);
  } else {
    if (access(program.c_str(), F_OK) != 0) return ResultHandle(SE_ERR_FNF);
    MakeExecutable(program);
  }
  return ResultHandle(Spawn(program, launch.arguments, Utf16ToUtf8(directory)));
}

BOOL SHGetSpecialFolderPath(HWND, std::u16string* path, int csidl, BOOL create) {
  if (path == nullptr) return FALSE;
  const bool make = create != FALSE || (csidl & CSIDL_FLAG_CREATE) != 0;
  std::string folder;
  switch (csidl & 0xFF) {
    case CSIDL_APPDATA:
      folder = XdgDataHome();
      break;
    case CSIDL_LOCAL_APPDATA:
      folder = XdgCacheHome();
      break;
    case CSIDL_INTERNET_CACHE:
      folder = XdgCacheHome();
      if (!folder.empty()) folder += "/lumora/webcache";
      break;
    case CSIDL_COOKIES:
      folder = XdgDataHome();
      if (!folder.empty()) folder += "/lumora/cookies";
      break;
    default:
      return FALSE;
  }
  if (folder.empty()) return FALSE;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::error_code ec;
  // The web engine's cache and cookie folders are the launcher's own and
  // hold tokens: private. The base folders are the user's and keep their modes.
  const bool own = (csidl & 0xFF) == CSIDL_INTERNET_CACHE || (csidl & 0xFF) == CSIDL_COOKIES;
  if (make && own) CreatePrivateFolders(folder);
  if (make && !own) std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) return FALSE;
  *path = Utf8ToUtf16(folder);
  return TRUE;
}

}  // namespace os
