#include "listing.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include "cut.h"
#include "d88cut.h"
#include "platform.h"

namespace {

/// Records shown on one line of the track listing; more go on further lines.
constexpr int kRecordsPerLine = 8;

/// The usual name of a media type byte, "unknown" for one that names none.
const char* mediaName(int media) {
  const char* name = mediaTypeName(media);
  return name != nullptr ? name : "unknown";
}

/// Prints a disk's name in quotes, safe on any terminal and lossless: bytes
/// 0x20 to 0x7E as they are, all others, and the quote and backslash that
/// would make the text ambiguous, as \xNN. Pads to `width` columns.
void printName(const char* name, int width) {
  char shown[2 + 4 * kDiskNameSize + 1];
  int at = 0;
  shown[at++] = '"';
  for (const char* byte = name; *byte != '\0' && at < 1 + 4 * kDiskNameSize; ++byte) {
    const auto value = static_cast<unsigned char>(*byte);
    if (value < 0x20 || value > 0x7E || value == '"' || value == '\\') {
      std::snprintf(shown + at, 5, "\\x%02X", value);
      at += 4;
    } else {
      shown[at++] = static_cast<char>(value);
    }
  }
  shown[at++] = '"';
  shown[at] = '\0';
  printOut("%-*s", width, shown);
}

int presentTracks() {
  int present = 0;
  for (int track = 0; track < kTrackCount; ++track) {
    present += g_image.hasTrack(track) ? 1 : 0;
  }
  return present;
}

/// What a cut of the selected disk would do.
void printOutcome(const MediaFormat* media) {
  const MediaFormat* format = media != nullptr ? media : findMediaFormat(g_image.getMediaType());
  if (format == nullptr) {
    printOut("not cut (media 0x%02X; --media can choose a layout)", g_image.getMediaType());
    return;
  }
  const int files = layoutFileCount(*format);
  const int shortFiles = countShortFiles(*format);
  if (shortFiles == 0) {
    printOut("%s layout: all %d files whole", format->name, files);
  } else {
    printOut("%s layout: %d of %d files short", format->name, shortFiles, files);
  }
}

/// One line of the disk table.
void listDisk(int index, const MediaFormat* media) {
  if (!g_image.selectDisk(index)) {
    // The scan saw its header whole: the file changed since.
    printOut("%4d %10" PRId32 "  its header can no longer be read\n", index, g_image.getDiskOffset(index));
    return;
  }
  printOut("%4d %10" PRId32 " %10" PRId32 "  0x%02X %-7s %6d  ", index, g_image.getDiskOffset(index),
           g_image.getDiskSize(), g_image.getMediaType(), mediaName(g_image.getMediaType()),
           presentTracks());
  printName(g_image.getDiskName(), 19);
  printOutcome(media);
  printOut("\n");
}

/// The columns before a track's records: track, C, H and the file offset.
constexpr int kRecordColumn = 24;

/// A track's records in stored order, as the search walks them, with a mark
/// where the walk does not end as the first record's count says.
void listRecords(int track) {
  long long shown = 0;  // a file past 2 GiB can hold more records than an int counts
  int firstCount = -1;
  bool zeroCount = false;
  const D88Image::WalkEnd end = g_image.walkTrack(track, [&](const D88Image::SectorRecord& record) {
    if (shown > 0 && shown % kRecordsPerLine == 0) {
      printOut("\n%*s", kRecordColumn, "");
    }
    printOut(" %d/%d/%d/%d", record.c, record.h, record.r, record.n);
    // 128 << N leaves the range of an int past N 23: such a length is always shown.
    if (record.n > kMaxSizeCode || record.dataLength != (128 << record.n)) {
      printOut("=%d", record.dataLength);
    }
    if (firstCount < 0) {
      firstCount = record.count;
    } else if (record.count != firstCount) {
      printOut("(count %d)", record.count);
    }
    ++shown;
    // The search gives up at a record that says its track holds none.
    zeroCount = record.count == 0;
    return zeroCount;
  });
  if (end == D88Image::WalkEnd::kFileEnds) {
    printOut("  [the file ends at byte %" PRId64 "]", g_image.getFileSize());
  } else if (zeroCount) {
    printOut("  [count 0: a search stops here]");
  } else if (shown != firstCount) {
    printOut("  [%lld records where the first says %d]", shown, firstCount);
  }
  printOut("\n");
}

/// Disk `disk`, track by track; the tracks the table leaves absent are counted, not shown.
void listTracks(int disk) {
  g_image.selectDisk(disk);
  const int32_t diskOffset = g_image.getDiskOffset(disk);
  printOut("\ndisk %d: media 0x%02X %s, %d of %d tracks present\n", disk, g_image.getMediaType(),
           mediaName(g_image.getMediaType()), presentTracks(), kTrackCount);
  printOut("track   C  H     offset  records C/H/R/N, =LENGTH where the data is not 128 << N\n");
  for (int track = 0; track < kTrackCount; ++track) {
    const int32_t offset = g_image.getTrackOffset(track);
    if (offset == 0) {
      continue;
    }
    if (!g_image.hasTrack(track)) {
      printOut("%5d %3d %2d  outside the disk: its table entry is %" PRId32 ", the disk %" PRId32
               " bytes\n",
               track, track >> 1, track & 1, offset, g_image.getDiskSize());
      continue;
    }
    printOut("%5d %3d %2d %10" PRId64 " ", track, track >> 1, track & 1,
             static_cast<int64_t>(diskOffset) + offset);
    listRecords(track);
  }
}

}  // namespace

void listImage(const char* label, const MediaFormat* media, int disk) {
  const int disks = g_image.getDiskCount();
  printOut("%s: %d disk%s\n", label, disks, disks == 1 ? "" : "s");
  if (disks > 0) {
    printOut("disk     offset       size  media        tracks  name               a cut would do\n");
  }
  for (int index = 0; index < disks; ++index) {
    listDisk(index, media);
  }
  if (disk >= 0 && disk < disks) {
    listTracks(disk);
  }
}
