#include "testsupport/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace testsupport {

namespace {

// The environment as the C runtime keeps it; Windows has no setenv.
void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetEnv(const std::string& name) {
#ifdef _WIN32
  // An empty value removes the variable.
  _putenv_s(name.c_str(), "");
#else
  unsetenv(name.c_str());
#endif
}

}  // namespace

// A fresh folder under the system's temporary folder, made by a creation that
// fails when the name is taken (as mkdtemp does, which Windows lacks), with a
// random name so that parallel test processes do not meet.
TempDir::TempDir() {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = "lumora-test-";
    for (int i = 0; i < 8; ++i) name += kDigits[random() % kDigits.size()];
    std::error_code ec;
    if (std::filesystem::create_directory(base / name, ec) && !ec) {
      path_ = base / name;
      // Only its owner may enter it, as with mkdtemp.
      std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, ec);
      return;
    }
  }
  throw std::runtime_error("no fresh temporary folder under " + base.string());
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only entries behind; make them removable first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) old_ = old;
  if (value) {
    SetEnv(name_, *value);
  } else {
    UnsetEnv(name_);
  }
}

ScopedEnv::~ScopedEnv() {
  if (old_) {
    SetEnv(name_, *old_);
  } else {
    UnsetEnv(name_);
  }
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testsupport
