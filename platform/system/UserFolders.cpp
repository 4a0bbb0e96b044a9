#include "platform/system/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/system/Kernel.h"

namespace os {
namespace {

// The base-directory convention ignores relative values: a relative
// XDG_*_HOME would make the launcher's data depend on the current folder.
std::string XdgFolder(const char* variable, const char* underHome) {
  if (const auto value = GetEnvironmentVariable(variable); value && !value->empty() && (*value)[0] == '/') {
    return *value;
  }
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return home + underHome;
}

}  // namespace

std::string HomeFolder() {
  if (const auto home = GetEnvironmentVariable("HOME"); home && !home->empty()) return *home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  if (size <= 0) size = 16384;
  std::vector<char> buffer(static_cast<std::size_t>(size));
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return {};
  }
  return found->pw_dir;
}

std::string XdgDataHome() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }
std::string XdgCacheHome() { return XdgFolder("XDG_CACHE_HOME", "/.cache"); }
std::string XdgConfigHome() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }

}  // namespace os

namespace os {

bool CreatePrivateFolders(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  if (folder.empty()) return false;
  std::error_code ec;
  // The missing levels, outermost first.
  std::vector<fs::path> missing;
  for (fs::path level = folder; !level.empty() && !fs::exists(level, ec); level = level.parent_path()) {
    missing.insert(missing.begin(), level);
    if (level == level.parent_path()) break;
  }
  for (const fs::path& level : missing) {
    fs::create_directory(level, ec);
    fs::permissions(level, fs::perms::owner_all, fs::perm_options::replace, ec);
  }
  if (!fs::is_directory(folder, ec)) return false;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  return true;
}

bool CreatePrivateFolders(const std::string& utf8Folder) {
  return CreatePrivateFolders(std::filesystem::path(utf8Folder));
}

}  // namespace os
