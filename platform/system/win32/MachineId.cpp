// The machine's network identity from the system: the hardware address of
// the first network adapter, chosen as the other flavour chooses it: of the
// adapters that are not loopback and carry a non-zero 6-byte address, the one
// with the lowest interface index.
#include "platform/system/MachineId.h"

#include "platform/base/win32/Win32.h"

#include <winsock2.h>

#include <iphlpapi.h>

#include <algorithm>
#include <vector>

namespace os {
namespace {

// The adapters' list, asked for until the area is large enough (adapters may
// appear between two calls). Empty when the system has none to tell.
std::vector<unsigned char> AdapterList() {
  constexpr ::ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ::ULONG size = 16 * 1024;
  std::vector<unsigned char> area;
  for (int attempt = 0; attempt < 4; ++attempt) {
    area.assign(size, 0);
    const ::ULONG status = ::GetAdaptersAddresses(
        AF_UNSPEC, kFlags, nullptr, reinterpret_cast<::IP_ADAPTER_ADDRESSES*>(area.data()), &size);
    if (status == ERROR_SUCCESS) return area;
    if (status != ERROR_BUFFER_OVERFLOW) break;
  }
  return {};
}

}  // namespace

std::string AdapterAddress() {
  std::vector<unsigned char> list = AdapterList();
  if (list.empty()) return {};
  std::string best;
  ::DWORD bestIndex = 0;
  for (const auto* adapter = reinterpret_cast<const ::IP_ADAPTER_ADDRESSES*>(list.data()); adapter != nullptr;
       adapter = adapter->Next) {
    if (adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    if (adapter->PhysicalAddressLength != 6) continue;
    const unsigned char* bytes = adapter->PhysicalAddress;
    if (std::all_of(bytes, bytes + 6, [](unsigned char b) { return b == 0; })) continue;
    const ::DWORD index = adapter->IfIndex != 0 ? adapter->IfIndex : adapter->Ipv6IfIndex;
    if (!best.empty() && index >= bestIndex) continue;
    best.assign(reinterpret_cast<const char*>(bytes), 6);
    bestIndex = index;
  }
  return best;
}

}  // namespace os
