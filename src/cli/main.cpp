#include <cstdio>
#include <cstring>

#include "version.h"

int main(int argc, char* argv[]) {
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("delvacli %s\n", DELVA_VERSION_STRING);
    return 0;
  }
  std::fprintf(stderr, "delvacli: usage: delvacli COMMAND [ARGS...]\n");
  return 2;
}
