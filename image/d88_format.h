#pragma once
/// The D88 disk-image format, as this reader sees it.
///
/// A D88 file holds one or more disk images laid end to end. Each begins with a
/// 688-byte disk header; the next image begins `disk size` bytes after this one.
///
///   disk header (offsets from the start of the disk image)
///     0x00  16  disk name, ends early at a zero byte
///     0x10  11  not interpreted
///     0x1B   1  media type (0x10 2DD, 0x20 2HD, others carried as they are)
///     0x1C   4  disk size in bytes, header included
///     0x20 656  track table: 164 offsets of a track's first sector record,
///               counted from the start of the disk image; 0 = track absent
///
/// A present track is a run of sector records, each a 16-byte sector header
/// followed at once by its data:
///
///   sector header
///      0  1  C  cylinder     the sector's ID field: C, H, R, N
///      1  1  H  head
///      2  1  R  sector number
///      3  1  N  size code;  nominal length 128 << N
///      4  2  number of sector records in the track
///      6  8  not interpreted
///     14  2  data length: the bytes that follow, and where the next record starts
///
/// Every number is little-endian. The reader holds sizes and offsets as signed
/// 32-bit integers.

#include <cstdint>

constexpr int kDiskHeaderSize = 0x2B0;
constexpr int kTrackCount = 164;
constexpr int kSectorHeaderSize = 16;
constexpr int kMaxDisks = 64;

constexpr int kDiskNameOffset = 0x00;
constexpr int kDiskNameSize = 16;
constexpr int kMediaTypeOffset = 0x1B;
constexpr int kDiskSizeOffset = 0x1C;
constexpr int kTrackTableOffset = 0x20;

constexpr int kSectorCOffset = 0;
constexpr int kSectorHOffset = 1;
constexpr int kSectorROffset = 2;
constexpr int kSectorNOffset = 3;
constexpr int kSectorCountOffset = 4;
constexpr int kDataLengthOffset = 14;

/// The largest size code whose nominal length, 128 << N, fits a signed 32-bit count.
constexpr int kMaxSizeCode = 23;

/// Reads four bytes as a little-endian signed 32-bit number; FF FF FF FF is -1.
/// Assembled byte by byte, so neither the host's byte order nor the alignment
/// of `bytes` matters.
inline int32_t readLE32(const unsigned char* bytes) {
  const uint32_t value = static_cast<uint32_t>(bytes[0]) |
                         (static_cast<uint32_t>(bytes[1]) << 8) |
                         (static_cast<uint32_t>(bytes[2]) << 16) |
                         (static_cast<uint32_t>(bytes[3]) << 24);
  // Two's complement spelled out: the unsigned-to-signed conversion of a value
  // above INT32_MAX is not defined by C++17 itself.
  if (value <= 0x7FFFFFFFu) {
    return static_cast<int32_t>(value);
  }
  return -static_cast<int32_t>(~value) - 1;
}

/// Reads two bytes as a little-endian unsigned number, 0 to 65535.
inline int readLE16(const unsigned char* bytes) {
  return static_cast<int>(bytes[0]) | (static_cast<int>(bytes[1]) << 8);
}
