#include "cut.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "d88cut.h"
#include "output_file.h"

unsigned char g_cutBuffer[kCutBufferSize];
CutDestination g_destination;

namespace {

// Enough IDs to show what a track holds; a longer track is listed up to here.
constexpr int kListedIds = 64;

// Says on standard error which sector stopped a run that delivered `got` of
// `wanted` bytes, and what its track holds instead; the caller ends the line.
void reportShortRun(const char* name, int track, int c, int h, int r, int n, int got,
                    int wanted) {
  // The run stepped whole sectors up to the one that fell short.
  const int sectorSize = 128 << n;
  for (int i = 0; i < got / sectorSize; ++i) {
    g_image.nextSectorId(track, c, h, r);
  }
  const int asked = wanted - got < sectorSize ? wanted - got : sectorSize;

  std::fprintf(stderr, "%s: read %d of %d bytes; sector C %d H %d R %d N %d ", name, got,
               wanted, c, h, r, n);
  if (!g_image.hasTrack(track)) {
    std::fprintf(stderr, "not found: track %d is not in the image", track);
    return;
  }
  if (g_image.sectorLength(track, c, h, r, n) >= 0) {
    // Read again only to count what the sector holds; the bytes are zeroed after.
    const int held = g_image.readSector(track, c, h, r, n, g_cutBuffer + got, asked);
    std::fprintf(stderr, "in track %d holds %d of the %d bytes wanted", track, held, asked);
    return;
  }
  unsigned char ids[4 * (kListedIds + 1)];
  const int listed = g_image.listSectorIds(track, ids, sizeof ids);
  std::fprintf(stderr, "not found in track %d, which holds", track);
  if (listed == 0) {
    std::fputs(" no sector records", stderr);
  }
  for (int i = 0; i < listed && i < 4 * kListedIds; i += 4) {
    std::fprintf(stderr, " %d/%d/%d/%d", ids[i], ids[i + 1], ids[i + 2], ids[i + 3]);
  }
  if (listed > 4 * kListedIds) {
    std::fputs(" ...", stderr);
  }
}

}  // namespace

bool cutFile(const char* name, int track, int c, int h, int r, int n, int offset, int length) {
  if (n < 0 || n > kMaxSizeCode) {
    std::fprintf(stderr, "%s: size code %d is not one of 0 to %d\n", name, n, kMaxSizeCode);
    return false;
  }
  if (offset < 0 || length < 0 ||
      static_cast<int64_t>(offset) + length > static_cast<int64_t>(kCutBufferSize)) {
    std::fprintf(stderr, "%s: offset %d and length %d do not fit the %d-byte cut buffer\n",
                 name, offset, length, kCutBufferSize);
    return false;
  }
  const int wanted = offset + length;
  const int got = g_image.readSectors(track, c, h, r, n, g_cutBuffer, wanted);
  std::printf("cutting ... %s\n", name);

  const bool whole = got == wanted;
  if (!whole) {
    reportShortRun(name, track, c, h, r, n, got, wanted);
    // A file with no byte from the image would only hide an earlier one.
    if (got <= offset) {
      std::fputs("; not written\n", stderr);
      return false;
    }
    std::fputs("\n", stderr);
    // Never write what an earlier cut left in the buffer.
    std::memset(g_cutBuffer + got, 0, static_cast<size_t>(wanted - got));
  }
  const bool placed = placeFile(g_destination.folder, name, g_cutBuffer + offset, length,
                                g_destination.image);
  return whole && placed;
}

int layoutFileCount(const MediaFormat& format) {
  int rows = 0;
  while (format.dataFiles[rows].sector != 0) {
    ++rows;
  }
  return 1 + rows;
}

CutEntry layoutFile(const MediaFormat& format, int index, char (&name)[kFileNameSize]) {
  if (index == 0) {
    std::snprintf(name, sizeof name, "PROG");
    return *format.program;
  }
  std::snprintf(name, sizeof name, "MUS%02d", (index - 1) % 100);
  return format.dataFiles[index - 1];
}

bool cutLayout(const MediaFormat& format) {
  bool allWhole = true;
  for (int i = 0; i < layoutFileCount(format); ++i) {
    char name[kFileNameSize];
    const CutEntry entry = layoutFile(format, i, name);
    if (!cutFile(name, entry.track, entry.track >> 1, entry.track & 1, entry.sector, kCutSizeCode,
                 entry.offset, entry.length)) {
      allWhole = false;
    }
  }
  return allWhole;
}

int countShortFiles(const MediaFormat& format) {
  g_image.setSectorRange(format.firstSector, format.lastSector);
  int shortFiles = 0;
  for (int i = 0; i < layoutFileCount(format); ++i) {
    char name[kFileNameSize];
    const CutEntry entry = layoutFile(format, i, name);
    const int wanted = entry.offset + entry.length;
    if (g_image.readSectors(entry.track, entry.track >> 1, entry.track & 1, entry.sector, kCutSizeCode,
                            g_cutBuffer, wanted) != wanted) {
      ++shortFiles;
    }
  }
  return shortFiles;
}
