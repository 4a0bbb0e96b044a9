// Machine identity: the processor's CPUID answers and a network adapter's
// hardware address, the two facts the launcher identifies a machine by.
// On Windows the adapters are the system's (GetAdaptersAddresses), chosen by
// the same rule.
#pragma once

#include <array>
#include <string>

#include "platform/base/Types.h"

namespace os {

// The registers EAX, EBX, ECX, EDX returned by CPUID for leaf; all zero on
// processors without the instruction or when the leaf is beyond the highest
// one the processor supports.
std::array<DWORD, 4> CpuId(DWORD leaf);

// The 6-byte hardware address of the adapter that Windows' NetBIOS would
// report first: of the interfaces that are not loopback and carry a non-zero
// 6-byte link-layer address, the one with the lowest interface index. Empty
// when there is none. The bytes are returned as a byte string.
std::string AdapterAddress();

}  // namespace os
