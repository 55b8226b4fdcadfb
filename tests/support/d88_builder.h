#pragma once
// Builds D88 images in memory for tests, fuzz seeds and the demo.
//
// The builder writes the format from its own description, not from the
// reader's constants, so a wrong constant in the reader shows as a failure:
//   disk header: name 0x00 (16), media type 0x1B, disk size 0x1C (LE32),
//                track table 0x20 (164 x LE32, offsets from the disk's start)
//   sector record: C H R N, sector count (LE16), 8 bytes, data length (LE16), data

#include <cstdint>
#include <string>
#include <vector>

namespace d88test {

using Bytes = std::vector<unsigned char>;

constexpr int kHeaderBytes = 0x2B0;
constexpr int kTracks = 164;
constexpr int kMedia2DD = 0x10;
constexpr int kMedia2HD = 0x20;

struct Sector {
  int c, h, r, n;
  Bytes data;
  int count = -1;       // the sector count field; -1 writes the records in its track
  int dataLength = -1;  // the data length field; -1 writes data.size()
};

struct Track {
  int index;  // entry of the track table
  std::vector<Sector> sectors;
};

Sector sector(int c, int h, int r, int n, Bytes data);
Track track(int index, std::vector<Sector> sectors);

// One disk image: header, then the tracks' records in the order given, each
// track's table entry pointing at its first record. `name` is written as is,
// at most 16 bytes.
Bytes disk(const std::string& name, int media, const std::vector<Track>& tracks);

// Recognisable contents of sector `r` of track `track`: a label
// "T<track> R<r>" then a pattern that holds 0x0A, 0x0D and 0x1A bytes.
Bytes sectorData(int track, int r, int size = 1024);

// A whole disk of `cylinders` x 2 heads x `sectorsPerTrack` sectors of 1024
// bytes, IDs C = track >> 1, H = track & 1, R from 1, data sectorData(track, R).
// `interleaved` stores each track's sectors out of order (1, 4, 7, 2, ...).
Bytes standardDisk(int media, int cylinders, int sectorsPerTrack, bool interleaved = false);
Bytes standard2HD(bool interleaved = false);  // 77 cylinders x 2 x 8
Bytes standard2DD(bool interleaved = false);  // 80 cylinders x 2 x 5

// The bytes a run of `length` bytes of a standard disk holds, from sector
// `r` of `track`, stepping from sector `sectorsPerTrack` to sector 1 of the next track.
Bytes standardRun(int track, int r, int sectorsPerTrack, int length);

// `image` with disk 0's media type byte set to `media`.
Bytes withMedia(Bytes image, int media);

void putLE16(Bytes& bytes, size_t at, unsigned value);
void putLE32(Bytes& bytes, size_t at, uint32_t value);
Bytes concat(const std::vector<Bytes>& parts);

// Where the record of `sector r` of `track` starts in a standardDisk image
// stored in order (for tests that damage one record).
size_t standardRecordOffset(int track, int r, int sectorsPerTrack);

bool writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);

}  // namespace d88test
