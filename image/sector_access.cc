// Finding sectors by ID: the walk of one track's records, and runs across tracks.

#include <cstdint>
#include <cstdio>

#include "d88_image.h"

int32_t D88Image::trackStart(int track) const {
  if (file == nullptr || track < 0 || track >= kTrackCount) {
    return -1;
  }
  const int32_t offset = trackOffsets[track];
  // 0 marks an absent track; a negative entry would seek before the disk, so
  // it is absent too. An offset equal to the disk size is still walked.
  if (offset <= 0 || offset > diskSize) {
    return -1;
  }
  const int64_t start = static_cast<int64_t>(diskOffset) + offset;
  if (start < 0 || start > INT32_MAX) {
    return -1;
  }
  return static_cast<int32_t>(start);
}

bool D88Image::hasTrack(int track) const { return trackStart(track) >= 0; }

bool D88Image::readRecordHeader(int64_t position, SectorRecord& record) {
  unsigned char bytes[kSectorHeaderSize];
  // A header cut short by the end of the file ends the walk.
  if (std::fread(bytes, 1, sizeof bytes, file) < sizeof bytes) {
    return false;
  }
  record.c = bytes[kSectorCOffset];
  record.h = bytes[kSectorHOffset];
  record.r = bytes[kSectorROffset];
  record.n = bytes[kSectorNOffset];
  record.count = readLE16(bytes + kSectorCountOffset);
  record.dataLength = readLE16(bytes + kDataLengthOffset);
  record.position = position;
  return true;
}

int D88Image::seekSector(int track, int c, int h, int r, int n) {
  int found = -1;
  walkTrack(track, [&](const SectorRecord& record) {
    // The search gives up at a record that says its track holds none.
    if (record.count == 0) {
      return true;
    }
    if (record.c == c && record.h == h && record.r == r && record.n == n) {
      found = record.dataLength;
      return true;
    }
    return false;
  });
  return found;
}

int D88Image::readSector(int track, int c, int h, int r, int n, unsigned char* buffer,
                         int length) {
  if (length < 0) {
    return 0;
  }
  const int dataLength = seekSector(track, c, h, r, n);
  if (dataLength < 0) {
    return 0;
  }
  const int wanted = dataLength < length ? dataLength : length;
  // Data cut short by the end of the file delivers only what is there.
  return static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(wanted), file));
}

void D88Image::nextSectorId(int& track, int& c, int& h, int& r) const {
  if (r != lastSector) {
    r += 1;
    return;
  }
  track += 1;
  if (h == 0) {
    h = 1;
  } else {
    h = 0;
    c += 1;
  }
  r = firstSector;
}

int D88Image::readSectors(int track, int c, int h, int r, int n, unsigned char* buffer,
                          int length) {
  if (length < 0 || n < 0 || n > kMaxSizeCode) {
    return 0;
  }
  const int sectorSize = 128 << n;
  int total = 0;
  while (total < length) {
    const int chunk = length - total < sectorSize ? length - total : sectorSize;
    // A sector that was read matched c, h and r as bytes, so stepping past it
    // cannot overflow.
    if (readSector(track, c, h, r, n, buffer + total, chunk) < chunk) {
      return total;
    }
    total += chunk;
    nextSectorId(track, c, h, r);
  }
  return total;
}

int D88Image::listSectorIds(int track, unsigned char* out, int length) {
  if (length < 4) {
    return 0;
  }
  int written = 0;
  // Unlike the search, the listing does not stop at a record whose count is 0.
  walkTrack(track, [&](const SectorRecord& record) {
    out[written] = static_cast<unsigned char>(record.c);
    out[written + 1] = static_cast<unsigned char>(record.h);
    out[written + 2] = static_cast<unsigned char>(record.r);
    out[written + 3] = static_cast<unsigned char>(record.n);
    written += 4;
    return length - written < 4;
  });
  return written;
}
