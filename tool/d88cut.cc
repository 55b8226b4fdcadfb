#include "d88cut.h"

#include <cstdio>

#include "cut.h"
#include "layouts.h"
#include "platform.h"

D88Image g_image;

namespace {

// "ファイルをオープンできません.\n" ("the file cannot be opened") in Shift_JIS,
// spelled as bytes so that the source file's own encoding cannot change them.
constexpr char kOpenFailure[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76"
    "\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"
    ".\n";

const MediaFormat* findMediaFormat(int mediaType) {
  for (const MediaFormat& format : kMediaFormats) {
    if (format.mediaType == mediaType) {
      return &format;
    }
  }
  return nullptr;
}

}  // namespace

int runD88Cut(int argc, char** argv) {
  if (argc < 2) {
    // argv[0] may be null when a caller passes no arguments at all.
    const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "d88cut";
    std::fprintf(stderr, "Usage: %s [d88file] (DiskNo.)\n", program);
    return 1;
  }
  if (!g_image.open(argv[1], openPath)) {
    std::fputs(kOpenFailure, stderr);
    return 1;
  }
  g_destination.image = fileIdOf(argv[1], true);
  // The disk number the usage names is not read: disk 0 is the one cut. A
  // failed selection leaves the media type -1, which no format claims.
  g_image.selectDisk(0);

  const MediaFormat* format = findMediaFormat(g_image.getMediaType());
  if (format == nullptr) {
    return 0;
  }
  std::fputs(format->banner, stdout);
  g_image.setSectorRange(format->firstSector, format->lastSector);
  return cutLayout(*format->program, format->dataFiles) ? 0 : 1;
}
