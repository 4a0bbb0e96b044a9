#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/system/MachineId.h"

namespace {

std::string ReadTrimmed(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

TEST(MachineId, CpuIdAnswersKnownLeavesAndZerosBeyondThem) {
#if defined(__x86_64__) || defined(__i386__)
  const auto vendor = os::CpuId(0);
  EXPECT_GE(vendor[0], 1u) << "every x86 processor supports leaf 1";
  EXPECT_NE(vendor[1], 0u);
  EXPECT_EQ(os::CpuId(1)[0], os::CpuId(1)[0]);
  EXPECT_NE(os::CpuId(1)[0], 0u);
  EXPECT_EQ(os::CpuId(vendor[0] + 1), (std::array<os::DWORD, 4>{0, 0, 0, 0}));
#else
  EXPECT_EQ(os::CpuId(1), (std::array<os::DWORD, 4>{0, 0, 0, 0}));
#endif
}

// The kernel's own account of the interfaces, read through sysfs, gives the
// adapter that should be chosen.
TEST(MachineId, AdapterAddressIsThatOfTheLowestIndexedNonLoopbackInterface) {
#ifdef _WIN32
  // Under Wine the Linux kernel's account is on drive Z:, and Wine's adapters
  // are its interfaces; a real Windows has no such folder.
  const std::filesystem::path net("Z:/sys/class/net");
#else
  const std::filesystem::path net("/sys/class/net");
#endif
  if (!std::filesystem::exists(net)) GTEST_SKIP() << "no sysfs";
  int bestIndex = 0;
  std::string expected;
  for (const auto& entry : std::filesystem::directory_iterator(net)) {
    const int flags = std::stoi(ReadTrimmed(entry.path() / "flags"), nullptr, 16);
    if (flags & 0x8) continue;  // IFF_LOOPBACK
    if (ReadTrimmed(entry.path() / "addr_len") != "6") continue;
    const std::string text = ReadTrimmed(entry.path() / "address");
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
      bytes.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    if (bytes.size() != 6 || bytes == std::string(6, '\0')) continue;
    const int index = std::stoi(ReadTrimmed(entry.path() / "ifindex"));
    if (expected.empty() || index < bestIndex) {
      bestIndex = index;
      expected = bytes;
    }
  }
  EXPECT_EQ(os::AdapterAddress(), expected);
}

}  // namespace
