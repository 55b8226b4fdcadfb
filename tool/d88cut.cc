#include "d88cut.h"

#include <cstdio>
#include <cstring>

#include "cut.h"
#include "input.h"
#include "layouts.h"
#include "listing.h"
#include "options.h"
#include "platform.h"

D88Image g_image;

namespace {

// "ファイルをオープンできません.\n" ("the file cannot be opened") in Shift_JIS,
// spelled as bytes so that the source file's own encoding cannot change them.
constexpr char kOpenFailure[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76"
    "\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"
    ".\n";

/// The disk --disk names, or -1 after saying that the file holds no such disk.
int chosenDisk(const Options& options) {
  int disk = 0;
  const int disks = g_image.getDiskCount();
  if (parseDiskNumber(options.disk, disk) && disk < disks) {
    return disk;
  }
  const char* label = imageLabel(options.image);
  if (disks == 0) {
    std::fprintf(stderr, "%s holds no disks; there is no disk %s\n", label, options.disk);
  } else if (disks == 1) {
    std::fprintf(stderr, "%s holds 1 disk (0); there is no disk %s\n", label, options.disk);
  } else {
    std::fprintf(stderr, "%s holds %d disks (0 to %d); there is no disk %s\n", label, disks, disks - 1,
                 options.disk);
  }
  return -1;
}

}  // namespace

int runD88Cut(int argc, char** argv) {
  Options options;
  switch (parseCommandLine(argc, argv, options)) {
    case Parsed::kError:
      return 1;
    case Parsed::kNoImage:
      printUsage(stderr, options.program);
      return 1;
    case Parsed::kRun:
      break;
  }
  if (options.help) {
    printHelp(options.program);
    return 0;
  }
  if (options.version) {
    std::printf("d88cut %s\n", D88CUT_VERSION);
    return 0;
  }

  if (openImage(options.image) != nullptr) {
    std::fputs(kOpenFailure, stderr);
    return 1;
  }
  // Standard input is no file an output could stand for.
  g_destination.image = std::strcmp(options.image, "-") == 0 ? FileId{} : fileIdOf(options.image, true);

  const int disk = options.disk != nullptr ? chosenDisk(options) : 0;
  if (disk < 0) {
    return 1;
  }
  if (options.list) {
    listImage(imageLabel(options.image), options.media, options.disk != nullptr ? disk : -1);
    return 0;
  }
  // A failed selection leaves the media type -1, which no format claims.
  g_image.selectDisk(disk);
  const MediaFormat* format =
      options.media != nullptr ? options.media : findMediaFormat(g_image.getMediaType());
  if (format == nullptr) {
    return 0;
  }
  if (options.outputDir != nullptr && !makeFolders(options.outputDir)) {
    std::fprintf(stderr, "d88cut: cannot use %s as the output folder: %s\n", options.outputDir,
                 systemReason());
    return 1;
  }
  g_destination.folder = options.outputDir;

  std::fputs(format->banner, stdout);
  g_image.setSectorRange(format->firstSector, format->lastSector);
  return cutLayout(*format) ? 0 : 1;
}
