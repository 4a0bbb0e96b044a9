// What the system group's Windows tests arrange through the system itself,
// behind an interface that needs none of its headers (the tests include ours,
// whose names the system's headers would turn into macros): scratch registry
// keys removed with everything below them, processes run to their end, and
// the environment and module facts the forwarding is compared with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A fresh key "Software\LumoraTest-<random>" below HKEY_CURRENT_USER or
// HKEY_LOCAL_MACHINE, or below a given path there; removed with its subtree
// when the object goes.
class ScratchRegistryKey {
 public:
  enum class Root { kCurrentUser, kLocalMachine };
  // under: the path below the root that the scratch key is made in
  // ("Software" by default); its name is returned by name().
  explicit ScratchRegistryKey(Root root, std::u16string_view under = u"Software");
  ~ScratchRegistryKey();
  ScratchRegistryKey(const ScratchRegistryKey&) = delete;
  ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

  bool ok() const { return ok_; }
  // The key's path below its root, without a trailing backslash.
  const std::u16string& path() const { return path_; }

  // Values below the scratch key (subKey "" is the key itself; levels are
  // created as needed). terminated false stores text without its zero unit.
  bool SetString(std::u16string_view subKey, std::u16string_view name, std::u16string_view value,
                 bool terminated = true);
  bool SetDword(std::u16string_view subKey, std::u16string_view name, std::uint32_t value);
  bool SetBinary(std::u16string_view subKey, std::u16string_view name, const std::string& bytes);

 private:
  Root root_;
  std::u16string path_;
  bool ok_ = false;
};

// The system's answer to writing a value through an opened key handle of
// ours: 0 when it was written.
long TrySetValue(void* key);

// Runs commandLine (its first word the program) with the environment plus
// each "name=value" assignment, waits for it and returns its exit code; -1
// when it could not be started.
long RunProgram(const std::u16string& commandLine, const std::vector<std::u16string>& assignments = {});

// The running executable's path as the system spells it.
std::u16string SystemExecutablePath();

// The system's path of a loaded module, by its name ("kernel32.dll"), and
// its handle.
void* LoadedModule(const char16_t* name);
std::u16string SystemModulePath(void* module);

// Sets an environment variable in the system's wide environment (the C
// runtime would read a narrow value in the ANSI code page, and remove a
// variable set to the empty text).
void SetEnvironmentVariableTo(const char16_t* name, const char16_t* value);
void RemoveEnvironmentVariable(const char16_t* name);

// Whether the system is Wine (which, for one, does not merge the user's
// classes into HKEY_CLASSES_ROOT).
bool RunningUnderWine();

// The calling thread's last error, and setting it.
unsigned long LastError();
void SetLastErrorTo(unsigned long error);

}  // namespace testsupport
