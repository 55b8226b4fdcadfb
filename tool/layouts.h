#pragma once
/// Where each cut file lies on the disk: one layout per media type.

#include <cstdint>

/// One file of a layout: a run of 1024-byte sectors (size code 3) that begins
/// at sector `sector` of track `track`, whose C is track >> 1 and H track & 1.
/// The file is `length` bytes of that run, after skipping `offset` bytes.
struct CutEntry {
  int32_t track;
  int32_t sector;  // 0 ends a table of data files
  int32_t offset;
  int32_t length;
};

/// The size code of every cut sector: 128 << 3 = 1024 bytes.
constexpr int kCutSizeCode = 3;

/// 2HD, 8 sectors per track: PROG is tracks 8 to 14 whole.
constexpr CutEntry kProgram2HD = {8, 1, 0, 0xE000};
/// 2HD data files, cut as "MUS00" onwards, in row order.
constexpr CutEntry kLayout2HD[] = {
    {70, 1, 0, 1024}, {70, 5, 0, 2048}, {71, 1, 0, 2048}, {71, 5, 0, 2048},
    {72, 1, 0, 2048}, {72, 5, 0, 2048}, {73, 1, 0, 2048}, {73, 5, 0, 3072},
    {74, 1, 0, 4096}, {0, 0, 0, 0},
};

/// 2DD, 5 sectors per track: PROG is tracks 10 to 19 whole and sectors 1 to 4 of track 20.
constexpr CutEntry kProgram2DD = {10, 1, 0, 0xD800};
constexpr CutEntry kLayout2DD[] = {
    {110, 1, 0, 1024}, {111, 1, 0, 2048}, {112, 1, 0, 2048}, {113, 1, 0, 2048},
    {114, 1, 0, 2048}, {115, 1, 0, 2048}, {116, 1, 0, 2048}, {117, 1, 0, 3072},
    {118, 1, 0, 4096}, {0, 0, 0, 0},
};

/// What the tool does with a disk of one media type.
struct MediaFormat {
  const char* name;    // as --media and the listing name it
  int mediaType;       // the disk header's media type byte
  const char* banner;  // printed on standard output before cutting
  int firstSector;     // the track geometry runs step by
  int lastSector;
  const CutEntry* program;
  const CutEntry* dataFiles;
};

constexpr MediaFormat kMediaFormats[] = {
    {"2DD", 0x10, "2DD Version\n", 1, 5, &kProgram2DD, kLayout2DD},
    {"2HD", 0x20, "2HD Version\n", 1, 8, &kProgram2HD, kLayout2HD},
};

/// The format that cuts disks of `mediaType`, or null for a medium with no layout.
inline const MediaFormat* findMediaFormat(int mediaType) {
  for (const MediaFormat& format : kMediaFormats) {
    if (format.mediaType == mediaType) {
      return &format;
    }
  }
  return nullptr;
}

/// The usual name of a media type byte, or null for a byte that names none.
inline const char* mediaTypeName(int mediaType) {
  switch (mediaType) {
    case 0x00: return "2D";
    case 0x10: return "2DD";
    case 0x20: return "2HD";
    case 0x30: return "1D";
    case 0x40: return "1DD";
    default: return nullptr;
  }
}
