#include "platform/system/MachineId.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>

namespace os {

std::string AdapterAddress() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> owner(list, freeifaddrs);
  std::string best;
  int bestIndex = 0;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET) continue;
    if (entry->ifa_flags & IFF_LOOPBACK) continue;
    const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
    if (link->sll_halen != 6) continue;
    if (std::all_of(link->sll_addr, link->sll_addr + 6, [](unsigned char b) { return b == 0; })) continue;
    if (!best.empty() && link->sll_ifindex >= bestIndex) continue;
    best.assign(reinterpret_cast<const char*>(link->sll_addr), 6);
    bestIndex = link->sll_ifindex;
  }
  return best;
}

}  // namespace os
