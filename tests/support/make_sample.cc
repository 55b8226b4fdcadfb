// Writes a sample D88 image for trying d88cut: a whole 2HD disk (77 cylinders,
// 2 heads, 8 sectors of 1024 bytes) whose every sector begins with a label
// naming its track and sector, such as "T008 R1".
//
//   d88sample OUT.d88 [2hd|2dd]

#include <cstdio>
#include <cstring>

#include "d88_builder.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 ||
      (argc == 3 && std::strcmp(argv[2], "2hd") != 0 && std::strcmp(argv[2], "2dd") != 0)) {
    std::fprintf(stderr, "Usage: %s OUT.d88 [2hd|2dd]\n", argc > 0 ? argv[0] : "d88sample");
    return 1;
  }
  const bool twoDD = argc == 3 && std::strcmp(argv[2], "2dd") == 0;
  const d88test::Bytes image = twoDD ? d88test::standard2DD() : d88test::standard2HD();
  if (!d88test::writeFile(argv[1], image)) {
    std::fprintf(stderr, "%s: cannot write\n", argv[1]);
    return 1;
  }
  std::printf("wrote %s: %s sample, %zu bytes\n", argv[1], twoDD ? "2DD" : "2HD", image.size());
  return 0;
}
