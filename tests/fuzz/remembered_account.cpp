// The remembered-account file with any contents: loading never fails hard,
// and a record that loads, saved again, loads back the same (when its words
// fit the reading area; a longer word is not a record the launcher wrote).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "login/RememberedAccount.h"
#include "platform/base/Unicode.h"
#include "support/InstallRecord.h"

namespace {

// The reading area of one stored word, terminator included.
constexpr std::size_t kWordArea = 512;

const std::filesystem::path& RecordFile() {
  static const std::filesystem::path file = [] {
    // The data folder follows the user's data folder.
    setenv("XDG_DATA_HOME", fuzz::Scratch().c_str(), 1);
    const std::filesystem::path folder = std::filesystem::path(os::Utf16ToUtf8(DataDirectory())) / "login";
    std::filesystem::create_directories(folder);
    return folder / "lastlogininfo.info";
  }();
  return file;
}

bool Fits(const std::string& text) { return EncodeRememberedText(text).size() + 1 <= kWordArea; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::WriteFile(RecordFile(), fuzz::Bytes(data, size));
  const RememberedAccount loaded = LoadRememberedAccount();
  if (!loaded.found) {
    FUZZ_CHECK(loaded.account.empty() && loaded.password.empty() && loaded.mark == 0 && loaded.flag == 0);
    return 0;
  }
  FUZZ_CHECK(loaded.account.find('\0') == std::string::npos &&
             loaded.password.find('\0') == std::string::npos);
  if (!Fits(loaded.account) || !Fits(loaded.password)) return 0;
  FUZZ_CHECK(SaveRememberedAccount(loaded.account, loaded.password, loaded.mark, loaded.flag));
  const RememberedAccount again = LoadRememberedAccount();
  FUZZ_CHECK(again.found);
  FUZZ_CHECK(again.account == loaded.account && again.password == loaded.password);
  FUZZ_CHECK(again.mark == loaded.mark && again.flag == loaded.flag);
  return 0;
}
