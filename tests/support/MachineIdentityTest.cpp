#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/system/MachineId.h"
#include "support/Encoding.h"
#include "support/MachineIdentity.h"

namespace {

TEST(MachineIdentity, CpuSignatureIsSixteenLowerCaseHexDigitsFromLeafOne) {
  const std::string signature = CpuSignature();
  ASSERT_EQ(signature.size(), 16u);
  EXPECT_EQ(signature.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(CpuSignature(), signature);
  const auto regs = os::CpuId(1);
  char expected[17];
  std::snprintf(expected, sizeof expected, "%08x%08x", regs[3], regs[0]);
  EXPECT_EQ(signature, expected);
#if defined(__x86_64__) || defined(__i386__)
  EXPECT_NE(signature.substr(8), "00000000");  // every x86 processor has a signature
#endif
}

TEST(MachineIdentity, MacAddressIsEmptyOrTwelveUpperCaseHexDigits) {
  const std::string mac = MacAddress();
  const std::string raw = os::AdapterAddress();
  if (raw.empty()) {
    EXPECT_EQ(mac, "");
    return;
  }
  ASSERT_EQ(mac.size(), 12u);
  EXPECT_EQ(mac.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  std::string decoded;
  ASSERT_EQ(HexDecode(mac.c_str(), &decoded), 0);
  EXPECT_EQ(decoded, raw);
}

}  // namespace
