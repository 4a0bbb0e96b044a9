// The time marks of the reference programs of the journey benchmark, in the
// launcher's automation-log form ("mark: POINT NANOSECONDS", monotonic
// clock) on standard output. With a hold folder, the program stops after each
// mark until POINT.go exists there, so that the benchmark can read its peak
// memory at that point, as it does the launcher's.
#pragma once

#include <glib.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <utility>

namespace journeyref {

inline long long Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Prints the mark, then runs `next` once the go-ahead file is there (at once
// without a hold folder), polling from the main loop so that the program's
// own work goes on meanwhile.
inline void Mark(const char* point, const std::string& holdFolder, std::function<void()> next) {
  std::printf("mark: %s %lld\n", point, Now());
  std::fflush(stdout);
  if (holdFolder.empty()) {
    next();
    return;
  }
  struct Hold {
    std::string file;
    std::function<void()> next;
  };
  auto* hold = new Hold{holdFolder + "/" + point + ".go", std::move(next)};
  g_timeout_add(
      5,
      [](gpointer data) -> gboolean {
        auto* h = static_cast<Hold*>(data);
        if (!g_file_test(h->file.c_str(), G_FILE_TEST_EXISTS)) return G_SOURCE_CONTINUE;
        h->next();
        delete h;
        return G_SOURCE_REMOVE;
      },
      hold);
}

}  // namespace journeyref
