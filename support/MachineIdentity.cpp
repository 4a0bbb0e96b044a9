#include "support/MachineIdentity.h"

#include <cstdio>

#include "platform/system/MachineId.h"

std::string CpuSignature() {
  const auto regs = os::CpuId(1);
  char text[17];
  std::snprintf(text, sizeof text, "%08x%08x", static_cast<unsigned>(regs[3]),
                static_cast<unsigned>(regs[0]));
  return text;
}

std::string MacAddress() {
  const std::string address = os::AdapterAddress();
  if (address.size() != 6) return {};
  std::string text;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}
