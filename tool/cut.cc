#include "cut.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "d88cut.h"
#include "output_file.h"
#include "platform.h"

unsigned char g_cutBuffer[kCutBufferSize];
CutDestination g_destination;

namespace {

// IDs shown when a track holds none of the sector asked for; the rest are counted.
constexpr int kListedIds = 8;

/// What one walk of a track tells about a sector that a run did not get whole.
struct TrackSurvey {
  D88Image::WalkEnd end = D88Image::WalkEnd::kNoTrack;
  bool found = false;
  D88Image::SectorRecord sector{};  // the record with the ID asked for, when found
  int otherN = -1;                  // the N of a record with its C, H and R, else -1
  // Records walked before the walk ended: a file past 2 GiB can hold more than an int counts.
  long long records = 0;
  bool zeroCount = false;           // it ended at a record whose count is 0
  unsigned char ids[kListedIds][4] = {};
};

/// Walks `track` as the search does, noting what stands where the sector c/h/r/n was sought.
TrackSurvey surveyTrack(int track, int c, int h, int r, int n) {
  TrackSurvey survey;
  survey.end = g_image.walkTrack(track, [&](const D88Image::SectorRecord& record) {
    if (record.count == 0) {
      survey.zeroCount = true;
      return true;
    }
    if (record.c == c && record.h == h && record.r == r) {
      if (record.n == n) {
        survey.found = true;
        survey.sector = record;
        return true;
      }
      survey.otherN = record.n;
    }
    if (survey.records < kListedIds) {
      unsigned char* id = survey.ids[survey.records];
      id[0] = static_cast<unsigned char>(record.c);
      id[1] = static_cast<unsigned char>(record.h);
      id[2] = static_cast<unsigned char>(record.r);
      id[3] = static_cast<unsigned char>(record.n);
    }
    ++survey.records;
    return false;
  });
  return survey;
}

/// The nominal length 128 << N in words, for a size code that has one.
void printSizeCode(int n) {
  if (n <= kMaxSizeCode) {
    printError("N %d (%d bytes)", n, 128 << n);
  } else {
    printError("N %d", n);
  }
}

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

  printError("%s: read %d of %d bytes; sector C %d H %d R %d N %d ", name, got,
             wanted, c, h, r, n);
  if (!g_image.hasTrack(track)) {
    printError("not found: track %d is not in the image", track);
    return;
  }
  const TrackSurvey survey = surveyTrack(track, c, h, r, n);
  if (survey.found) {
    // Read again only to count what the sector holds; the bytes are zeroed after.
    const int held = g_image.readSector(track, c, h, r, n, g_cutBuffer + got, asked);
    printError("in track %d holds %d of the %d bytes wanted", track, held, asked);
    const int64_t dataEnd = survey.sector.position + kSectorHeaderSize + survey.sector.dataLength;
    if (held < asked && dataEnd > g_image.getFileSize()) {
      printError(": the image ends there, at byte %lld",
                 static_cast<long long>(g_image.getFileSize()));
    }
    return;
  }
  if (survey.otherN >= 0) {
    printError("not found: track %d holds its sectors as ", track);
    printSizeCode(survey.otherN);
    printError("; this layout reads ");
    printSizeCode(n);
    return;
  }
  if (survey.end == D88Image::WalkEnd::kFileEnds) {
    printError("not found: the image ends at byte %lld, ",
               static_cast<long long>(g_image.getFileSize()));
    if (survey.records == 0) {
      printError("where track %d should begin", track);
    } else {
      printError("inside track %d (after %lld of its records)", track, survey.records);
    }
    return;
  }
  if (survey.zeroCount) {
    printError("not found in track %d: its record %lld says the track holds no sectors (count 0)",
               track, survey.records + 1);
    return;
  }
  printError("not found in track %d, which holds %lld record%s (C/H/R/N):", track,
             survey.records, survey.records == 1 ? "" : "s");
  for (int i = 0; i < survey.records && i < kListedIds; ++i) {
    const unsigned char* id = survey.ids[i];
    printError(" %d/%d/%d/%d", id[0], id[1], id[2], id[3]);
  }
  if (survey.records > kListedIds) {
    printError(" and %lld more", survey.records - kListedIds);
  }
}

/// Names of some of a layout's files, for the summary line.
struct NameList {
  static constexpr int kMaxNames = 16;
  char names[kMaxNames][kFileNameSize] = {};
  int count = 0;

  void add(const char* name) {
    if (count < kMaxNames) {
      std::snprintf(names[count], kFileNameSize, "%s", name);
    }
    ++count;
  }
  bool operator==(const NameList& other) const {
    if (count != other.count) {
      return false;
    }
    for (int i = 0; i < count && i < kMaxNames; ++i) {
      if (std::strcmp(names[i], other.names[i]) != 0) {
        return false;
      }
    }
    return true;
  }
  void print() const {
    for (int i = 0; i < count && i < kMaxNames; ++i) {
      printError("%s%s", i == 0 ? "(" : ", ", names[i]);
    }
    printError(")");
  }
};

}  // namespace

CutOutcome cutFile(const char* name, int track, int c, int h, int r, int n, int offset, int length) {
  if (n < 0 || n > kMaxSizeCode) {
    printError("%s: size code %d is not one of 0 to %d\n", name, n, kMaxSizeCode);
    return {false, false};
  }
  if (offset < 0 || length < 0 ||
      static_cast<int64_t>(offset) + length > static_cast<int64_t>(kCutBufferSize)) {
    printError("%s: offset %d and length %d do not fit the %d-byte cut buffer\n",
               name, offset, length, kCutBufferSize);
    return {false, false};
  }
  const int wanted = offset + length;
  const int got = g_image.readSectors(track, c, h, r, n, g_cutBuffer, wanted);
  printOut("cutting ... %s\n", name);

  const bool whole = got == wanted;
  if (!whole) {
    reportShortRun(name, track, c, h, r, n, got, wanted);
    // A file with no byte from the image would only hide an earlier one.
    if (got <= offset) {
      printError("; not written\n");
      return {false, false};
    }
    printError("\n");
    // Never write what an earlier cut left in the buffer.
    std::memset(g_cutBuffer + got, 0, static_cast<size_t>(wanted - got));
  }
  const bool placed = placeFile(g_destination.folder, name, g_cutBuffer + offset, length,
                                g_destination.image);
  return {whole, placed};
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
  const int files = layoutFileCount(format);
  NameList shortFiles;
  NameList unwritten;
  for (int i = 0; i < files; ++i) {
    char name[kFileNameSize];
    const CutEntry entry = layoutFile(format, i, name);
    const CutOutcome outcome = cutFile(name, entry.track, entry.track >> 1, entry.track & 1,
                                      entry.sector, kCutSizeCode, entry.offset, entry.length);
    if (!outcome.whole) {
      shortFiles.add(name);
    }
    if (!outcome.written) {
      unwritten.add(name);
    }
  }
  if (shortFiles.count == 0 && unwritten.count == 0) {
    return true;
  }
  // The outcome in one line, after the file-by-file lines.
  printError("d88cut: ");
  if (shortFiles.count > 0 && shortFiles == unwritten) {
    printError("%d of %d files short and not written ", shortFiles.count, files);
    shortFiles.print();
  } else if (shortFiles.count > 0) {
    printError("%d of %d files short ", shortFiles.count, files);
    shortFiles.print();
    if (unwritten.count > 0) {
      printError("; %d not written ", unwritten.count);
      unwritten.print();
    }
  } else {
    printError("%d of %d files not written ", unwritten.count, files);
    unwritten.print();
  }
  printError("\n");
  return false;
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
