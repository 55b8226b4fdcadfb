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

bool D88Image::seekTrack(int track) {
  const int32_t start = trackStart(track);
  return start >= 0 && std::fseek(file, start, SEEK_SET) == 0;
}

bool D88Image::readSectorHeader(SectorHeader& header) {
  unsigned char bytes[kSectorHeaderSize];
  // A header cut short by the end of the file ends the walk.
  if (std::fread(bytes, 1, sizeof bytes, file) < sizeof bytes) {
    return false;
  }
  header.c = bytes[kSectorCOffset];
  header.h = bytes[kSectorHOffset];
  header.r = bytes[kSectorROffset];
  header.n = bytes[kSectorNOffset];
  header.count = readLE16(bytes + kSectorCountOffset);
  header.dataLength = readLE16(bytes + kDataLengthOffset);
  return true;
}

int D88Image::seekSector(int track, int c, int h, int r, int n) {
  if (!seekTrack(track)) {
    return -1;
  }
  // Every step reads a whole header or ends the walk, so the walk ends at the
  // end of the file even when no record's count stops it.
  for (int64_t i = 0;; ++i) {
    SectorHeader header{};
    if (!readSectorHeader(header) || header.count == 0) {
      return -1;
    }
    if (header.c == c && header.h == h && header.r == r && header.n == n) {
      return header.dataLength;
    }
    if (std::fseek(file, header.dataLength, SEEK_CUR) != 0) {
      return -1;
    }
    // Each record carries the track's count afresh; the walk ends at the
    // position the record it is at names as the last.
    if (i == header.count - 1) {
      return -1;
    }
  }
}

int D88Image::sectorLength(int track, int c, int h, int r, int n) {
  return seekSector(track, c, h, r, n);
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
  if (length < 0 || !seekTrack(track)) {
    return 0;
  }
  int written = 0;
  // Unlike the search, the listing does not stop at a record whose count is 0.
  for (int64_t i = 0; length - written >= 4; ++i) {
    SectorHeader header{};
    if (!readSectorHeader(header)) {
      break;
    }
    out[written] = static_cast<unsigned char>(header.c);
    out[written + 1] = static_cast<unsigned char>(header.h);
    out[written + 2] = static_cast<unsigned char>(header.r);
    out[written + 3] = static_cast<unsigned char>(header.n);
    written += 4;
    if (std::fseek(file, header.dataLength, SEEK_CUR) != 0 || i == header.count - 1) {
      break;
    }
  }
  return written;
}
