// The processor's CPUID answers, the same for every flavour: the instruction
// asks the processor, not the system.
#include "platform/system/MachineId.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace os {

std::array<DWORD, 4> CpuId(DWORD leaf) {
  std::array<DWORD, 4> regs{0, 0, 0, 0};
#if defined(__i386__) || defined(__x86_64__)
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(leaf, &eax, &ebx, &ecx, &edx) != 0) regs = {eax, ebx, ecx, edx};
#else
  (void)leaf;
#endif
  return regs;
}

}  // namespace os
