#pragma once
// Where each cut file lies on a disk, written out from the layouts'
// description rather than taken from the tool, for tests to check it against.

#include <vector>

namespace d88test {

struct ExpectedOutput {
  const char* name;
  int track;   // where the run begins: C = track >> 1, H = track & 1
  int r;
  int length;  // bytes
};

inline const std::vector<ExpectedOutput> k2HDOutputs = {
    {"PROG", 8, 1, 57344},   {"MUS00", 70, 1, 1024}, {"MUS01", 70, 5, 2048}, {"MUS02", 71, 1, 2048},
    {"MUS03", 71, 5, 2048},  {"MUS04", 72, 1, 2048}, {"MUS05", 72, 5, 2048}, {"MUS06", 73, 1, 2048},
    {"MUS07", 73, 5, 3072},  {"MUS08", 74, 1, 4096},
};

inline const std::vector<ExpectedOutput> k2DDOutputs = {
    {"PROG", 10, 1, 55296},   {"MUS00", 110, 1, 1024}, {"MUS01", 111, 1, 2048}, {"MUS02", 112, 1, 2048},
    {"MUS03", 113, 1, 2048},  {"MUS04", 114, 1, 2048}, {"MUS05", 115, 1, 2048}, {"MUS06", 116, 1, 2048},
    {"MUS07", 117, 1, 3072},  {"MUS08", 118, 1, 4096},
};

}  // namespace d88test
