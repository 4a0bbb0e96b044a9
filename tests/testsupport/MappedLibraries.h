// Whether this process has a shared library mapped (Linux: /proc/self/maps),
// for tests of what is loaded only on demand.
#pragma once

#include <fstream>
#include <string>

namespace testsupport {

// `soname` as the file is named, e.g. "libcurl.so.4".
inline bool LibraryMapped(const std::string& soname) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("/" + soname) != std::string::npos) return true;
  }
  return false;
}

}  // namespace testsupport
