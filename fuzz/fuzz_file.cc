#include "fuzz_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

const std::string& fuzzFolder() {
  static const std::string folder = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/d88cut-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("fuzz folder");
      std::abort();
    }
    return pattern;
  }();
  return folder;
}

const std::string& writeFuzzFile(const char* name, const uint8_t* data, size_t size) {
  static std::string path;
  path = fuzzFolder() + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
  return path;
}
