// Process entry of the Morvaine launcher.
#include <cstdio>

int main() {
  std::puts("Morvaine launcher: start-up decisions are not built yet.");
  return 0;
}
