// journey-exec FILE PROGRAM [ARGS...]: writes the monotonic clock's time
// (nanoseconds) to FILE, then becomes PROGRAM. The benchmark of the journey
// counts a program's start from this moment, before the dynamic loader maps a
// single library, and on the clock the launcher's time marks use.
#include <unistd.h>

#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: journey-exec FILE PROGRAM [ARGS...]\n", stderr);
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::fprintf(out, "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
  std::fclose(out);
  execvp(argv[2], argv + 2);
  std::perror(argv[2]);
  return 127;
}
