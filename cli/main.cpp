// Placeholder until the command-line search lands: prints how it will be called.
#include <cstdio>

int main() {
  std::fputs("usage: trawlix-cli [options] TEXT FOLDER...\n", stderr);
  return 2;
}
