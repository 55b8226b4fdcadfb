// Runs the whole command, as `d88cut image.d88`, on arbitrary bytes in the
// fuzz folder, which it makes the current folder so that the cut files land
// there. Give libFuzzer absolute paths, and -close_fd_mask=3 to keep the
// tool's own output quiet.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "d88cut.h"
#include "fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool inFolder = chdir(fuzzFolder().c_str()) == 0;
  if (!inFolder) {
    std::perror("fuzz folder");
    std::abort();
  }
  writeFuzzFile("image.d88", data, size);
  char program[] = "d88cut";
  char image[] = "image.d88";
  char* argv[] = {program, image, nullptr};
  runD88Cut(2, argv);
  return 0;
}
