#include "d88_image.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

D88Image::D88Image()
    : file(nullptr),
      diskCount(0),
      firstSector(1),
      lastSector(16),
      diskOffsets(),
      diskSize(0),
      diskOffset(0),
      trackOffsets(),
      mediaType(-1),
      diskName(),
      fileSize(0),
      streamBuffer() {}

D88Image::~D88Image() {
  if (file != nullptr) {
    std::fclose(file);
  }
}

namespace {

// Reads `size` bytes at file offset `position` of `stream`; returns the bytes read.
int readAt(std::FILE* stream, int32_t position, unsigned char* bytes, int size) {
  if (position < 0 || std::fseek(stream, position, SEEK_SET) != 0) {
    return 0;
  }
  return static_cast<int>(std::fread(bytes, 1, static_cast<size_t>(size), stream));
}

}  // namespace

bool D88Image::scanDisks(std::FILE* stream) {
  unsigned char header[kDiskHeaderSize];
  int32_t position = 0;
  int32_t found = 0;
  while (found < kMaxDisks) {
    if (readAt(stream, position, header, kDiskHeaderSize) < kDiskHeaderSize) {
      // A directory opens on POSIX systems, but its first read fails with an
      // error rather than end of file: it is no image.
      if (found == 0 && std::ferror(stream) != 0) {
        return false;
      }
      break;  // a file that ends inside a disk header holds no further disk
    }
    diskOffsets[found] = position;
    found += 1;
    // A size field that would move the next disk before the start of the file
    // or past the signed 32-bit range ends the scan; this disk stays counted.
    const int64_t next = static_cast<int64_t>(position) + readLE32(header + kDiskSizeOffset);
    if (next < 0 || next > INT32_MAX) {
      break;
    }
    position = static_cast<int32_t>(next);
  }
  diskCount = found;
  return true;
}

bool D88Image::open(const char* path, OpenFunction openFile) {
  if (file != nullptr) {
    std::fclose(file);
    file = nullptr;
  }
  if (path == nullptr) {
    diskCount = 0;
    mediaType = -1;
    return true;
  }
  if (openFile == nullptr) {
    openFile = [](const char* name, const char* mode) { return std::fopen(name, mode); };
  }

  // The scan reads one header per disk, the disks far apart: unbuffered, it
  // reads just those bytes. The sector walks read through a buffer instead.
  std::FILE* scanned = openFile(path, "rb");
  if (scanned == nullptr) {
    return false;
  }
  std::setvbuf(scanned, nullptr, _IONBF, 0);
  const bool isImage = scanDisks(scanned);
  // Where the file ends tells a walk cut short by it. Asked of the unbuffered
  // stream, it reads nothing; a size that cannot be told (past what ftell
  // holds) leaves the reads to find the end.
  fileSize = INT64_MAX;
  if (isImage && std::fseek(scanned, 0, SEEK_END) == 0) {
    const long end = std::ftell(scanned);
    if (end >= 0) {
      fileSize = end;
    }
  }
  std::fclose(scanned);
  if (!isImage) {
    return false;
  }

  file = openFile(path, "rb");
  if (file == nullptr) {
    diskCount = 0;
    return false;
  }
  // Must precede the first read; the buffer lives as long as the object.
  std::setvbuf(file, streamBuffer, _IOFBF, sizeof streamBuffer);
  return true;
}

bool D88Image::selectDisk(int index) {
  if (file == nullptr) {
    return false;
  }
  diskOffset = -1;
  mediaType = -1;
  diskSize = 0;
  std::memset(diskName, 0, sizeof diskName);
  if (index < 0 || index >= diskCount) {
    return false;
  }

  unsigned char header[kDiskHeaderSize];
  // The scan saw a whole header here; a short read means the file changed since.
  if (readAt(file, diskOffsets[index], header, kDiskHeaderSize) < kDiskHeaderSize) {
    return false;
  }
  diskOffset = diskOffsets[index];
  for (int i = 0; i < kTrackCount; ++i) {
    trackOffsets[i] = readLE32(header + kTrackTableOffset + static_cast<ptrdiff_t>(4) * i);
  }
  mediaType = header[kMediaTypeOffset];
  diskSize = readLE32(header + kDiskSizeOffset);
  for (int i = 0; i < kDiskNameSize && header[kDiskNameOffset + i] != 0; ++i) {
    diskName[i] = static_cast<char>(header[kDiskNameOffset + i]);
  }
  return true;
}

int32_t D88Image::getDiskOffset(int index) const {
  if (index < 0 || index >= diskCount) {
    return -1;
  }
  return diskOffsets[index];
}

void D88Image::setSectorRange(int first, int last) {
  firstSector = first;
  lastSector = last;
}
