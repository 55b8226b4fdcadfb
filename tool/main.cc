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
#elif defined(__EMSCRIPTEN__)
// The web page's module: the page runs main once per command, on its
// in-memory files. Standard output goes by lines, as on a terminal, so that
// the page shows both streams in the order a console would.
int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  return runD88Cut(argc, argv);
}
#else
int main(int argc, char** argv) {
  removeTemporaryOnSignal();
  return runD88Cut(argc, argv);
}
#endif
