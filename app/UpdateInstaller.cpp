// The start of a downloaded installer, apart from the transfer: the
// transfer's file includes libcurl, which on Windows brings the system's
// headers, and their macros would rename the shell call here.
#include <string>

#include "app/UpdateDownloader.h"
#include "platform/base/ShowCommands.h"
#include "platform/system/Kernel.h"
#include "platform/system/Shell.h"
#include "support/Encoding.h"

namespace {

// Capacity of the path's conversion.
constexpr int kWidePathChars = 256;

}  // namespace

void UpdateDownloader::RunInstaller() const {
  os::OutputDebugString(u"start install of updated file");
  std::u16string wide;
  if (Utf8ToWide(localPath_, &wide, kWidePathChars) != 0) return;
  os::ShellExecute(nullptr, u"open", wide, u"", u"", os::SW_SHOW);
}
