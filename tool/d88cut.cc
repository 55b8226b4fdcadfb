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
    printError("%s holds no disks; there is no disk %s\n", label, options.disk);
  } else if (disks == 1) {
    printError("%s holds 1 disk (0); there is no disk %s\n", label, options.disk);
  } else {
    printError("%s holds %d disks (0 to %d); there is no disk %s\n", label, disks, disks - 1,
               options.disk);
  }
  return -1;
}

/// Whether the selected disk's header can be a D88 disk header at all: its
/// size holds the header, and no track begins inside the header or before
/// the disk. Any other file's first 688 bytes (a zip, a picture) fail this.
bool isDiskHeader() {
  if (g_image.getDiskSize() < kDiskHeaderSize) {
    return false;
  }
  for (int track = 0; track < kTrackCount; ++track) {
    const int32_t offset = g_image.getTrackOffset(track);
    if (offset != 0 && offset < kDiskHeaderSize) {
      return false;
    }
  }
  return true;
}

/// Says on standard error why the selected disk `disk` is not cut.
void sayNothingCut(const char* label, int disk) {
  if (g_image.getDiskCount() == 0) {
    printError("%s: holds no D88 disk (%lld bytes; a disk header is %d)\n", label,
               static_cast<long long>(g_image.getFileSize()), kDiskHeaderSize);
    return;
  }
  if (!isDiskHeader()) {
    printError("%s: holds no D88 disk (the %d bytes at byte %ld are no D88 disk header)\n",
               label, kDiskHeaderSize, static_cast<long>(g_image.getDiskOffset(disk)));
    return;
  }
  const int media = g_image.getMediaType();
  const char* name = mediaTypeName(media);
  printError(
      "%s: disk %d is %s (media 0x%02X), which has no layout; "
      "--media 2HD or --media 2DD cuts it as one, --list shows the disks\n",
      label, disk, name != nullptr ? name : "of no known medium", media);
}

/// Says that the disk number after the image is not read, when one other than 0 is there.
void sayDiskNumberIgnored(const Options& options, int disk) {
  int number = 0;
  if (options.afterImage == nullptr) {
    return;
  }
  const bool isNumber = parseDiskNumber(options.afterImage, number);
  if (isNumber && number == 0) {
    return;
  }
  if (isNumber) {
    printError(
        "d88cut: the disk number after the image is not read; disk %d is cut "
        "(--disk %s cuts disk %s)\n",
        disk, options.afterImage, options.afterImage);
  } else {
    printError("d88cut: what follows the image is not read; disk %d is cut\n", disk);
  }
}

/// Ends the run: standard output that could not be written is a failure, as for cat.
int finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    printError("d88cut: cannot write standard output: %s\n", systemReason());
    return 1;
  }
  return status;
}

/// The whole command, as the options ask: help or version, or the image
/// opened, then listed, or its disk cut.
int run(int argc, char** argv) {
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
    printOut("d88cut %s\n", D88CUT_VERSION);
    return 0;
  }

  const char* failure = openImage(options.image);
  if (failure != nullptr) {
    printShiftJisError(kOpenFailure);
    printError("d88cut: cannot open %s: %s\n", imageLabel(options.image), failure);
    return 1;
  }
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
    sayNothingCut(imageLabel(options.image), disk);
    return 0;
  }
  if (options.outputDir != nullptr && !makeFolders(options.outputDir)) {
    printError("d88cut: cannot use %s as the output folder: %s\n", options.outputDir,
               systemReason());
    return 1;
  }
  g_destination.folder = options.outputDir;
  // Standard input is no file an output could stand for.
  g_destination.image = std::strcmp(options.image, "-") == 0 ? FileId{} : fileIdOf(options.image, true);
  sayDiskNumberIgnored(options, disk);

  printOut("%s", format->banner);
  g_image.setSectorRange(format->firstSector, format->lastSector);
  return cutLayout(*format) ? 0 : 1;
}

}  // namespace

int runD88Cut(int argc, char** argv) { return finish(run(argc, argv)); }
