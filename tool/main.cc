#include <cstdio>

#include "d88cut.h"
#include "output_file.h"
#include "platform.h"

#ifdef _WIN32
// The wide entry point: the arguments arrive as UTF-16, whatever the code page.
int wmain(int argc, wchar_t** argv) {
  char** arguments = utf8Arguments(argc, argv);
  if (arguments == nullptr) {
    printError("d88cut: the command line is too long\n");
    return 1;
  }
  return runD88Cut(argc, arguments);
}
#else
int main(int argc, char** argv) {
  removeTemporaryOnSignal();
  return runD88Cut(argc, argv);
}
#endif
