// Runs the whole command, as `d88cut image.d88`, on arbitrary bytes in the
// fuzz folder, which it makes the current folder so that the cut files land
// there; then lists it, as `d88cut --list --disk 0 --media 2HD image.d88`:
// the listing walks every track of a disk and reads every disk's runs, the
// widest reader of untrusted bytes here. Give libFuzzer absolute paths, and -close_fd_mask=3 to keep the
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

  char list[] = "--list";
  char disk[] = "--disk";
  char zero[] = "0";
  char media[] = "--media";
  char hd[] = "2HD";
  char* listArgv[] = {program, list, disk, zero, media, hd, image, nullptr};
  runD88Cut(7, listArgv);
  return 0;
}
