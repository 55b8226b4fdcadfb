#pragma once
/// D88Image: a read-only view of one D88 file (layout in d88_format.h).
///
/// `open` finds where each disk image in the file begins, `selectDisk` loads
/// one disk's header, and the sector reads find sectors of that disk by their
/// ID (C, H, R, N), walking the records of one track from its start. Nothing
/// here prints: operations return a bool, or the number of bytes they
/// delivered, 0 meaning nothing.
///
/// Every byte of the file is untrusted. Offsets and counts are bounded before
/// they move the stream, every read's count is looked at, and every walk ends
/// at the end of the file at the latest.

#include <cstdint>
#include <cstdio>

#include "d88_format.h"

class D88Image {
 public:
  D88Image();
  ~D88Image();
  D88Image(const D88Image&) = delete;
  D88Image& operator=(const D88Image&) = delete;

  /// How `open` opens a file, with fopen's arguments and result. A caller
  /// whose platform takes paths in another form (UTF-16 on Windows) passes
  /// its own; null means std::fopen.
  using OpenFunction = std::FILE* (*)(const char* path, const char* mode);

  /// Opens `path` for binary reading and records where each disk image begins
  /// (at most kMaxDisks; a file ending inside a disk header ends the scan).
  /// Returns false, with no file open, when the file cannot be opened or its
  /// first read fails (a directory, say). A file that was open is closed first.
  /// With a null path, closes the file and returns true. The selected disk is
  /// left as it was either way: call `selectDisk` after opening.
  bool open(const char* path, OpenFunction openFile = nullptr);

  /// Loads the header of disk `index` (0-based). On false, no disk is
  /// selected: media type -1, size 0, empty name, and no sector is delivered.
  /// Without an open file, returns false and changes nothing.
  bool selectDisk(int index);

  int getDiskCount() const { return diskCount; }
  /// File offset where disk `index` begins; -1 for an index holding no disk.
  int32_t getDiskOffset(int index) const;
  /// The selected disk's name: at most 16 bytes, always zero-terminated.
  const char* getDiskName() const { return diskName; }
  /// The selected disk's media type byte, or -1 when no disk is selected.
  int getMediaType() const { return mediaType; }
  /// The selected disk's size field; 0 when no disk is selected.
  int32_t getDiskSize() const { return diskSize; }
  /// Entry `track` of the selected disk's track table (0 = absent); 0 outside the table.
  int32_t getTrackOffset(int track) const {
    return track >= 0 && track < kTrackCount ? trackOffsets[track] : 0;
  }

  /// The sector numbers R of a track's first and last sector, which
  /// `readSectors` steps by. Default 1 to 16.
  void setSectorRange(int first, int last);

  /// Copies at most `length` bytes of the first record in track `track` whose
  /// ID is c/h/r/n into `buffer`. Returns the bytes delivered: the smaller of
  /// the record's data length and `length`, less if the file ends first; 0
  /// when the sector is not found or the track cannot be read.
  int readSector(int track, int c, int h, int r, int n, unsigned char* buffer, int length);

  /// Reads `length` bytes from the run of sectors of size code `n` that starts
  /// at c/h/r in track `track`, stepping after `lastSector` to `firstSector` of
  /// the next track (head 0, head 1, then the next cylinder). Returns `length`
  /// when every sector of the run was delivered in full; otherwise the bytes of
  /// the sectors before the first that was not. 0 for a negative `length` or
  /// an `n` outside 0 to kMaxSizeCode.
  int readSectors(int track, int c, int h, int r, int n, unsigned char* buffer, int length);

  /// Writes the IDs C, H, R, N of the records of track `track`, in stored
  /// order, as 4-byte entries into `out`, as many as fit in `length` bytes.
  /// Returns the bytes written; 0 when the track cannot be read.
  int listSectorIds(int track, unsigned char* out, int length);

  /// Whether track `track` of the selected disk lies in the image: it is in
  /// the table, present, and within the disk.
  bool hasTrack(int track) const;

  /// Steps a sector ID to the next one of a run, as `readSectors` does.
  void nextSectorId(int& track, int& c, int& h, int& r) const;

  /// One sector record of a track, as a walk of the track meets it.
  struct SectorRecord {
    int c, h, r, n;    // the ID
    int count;         // its sector count field: the records in its track
    int dataLength;    // its data length field: the bytes that follow its header
    int64_t position;  // file offset of its header
  };

  /// How a walk of a track ended.
  enum class WalkEnd {
    kNoTrack,     // the track cannot be read: outside the table, absent, or outside the disk
    kStopped,     // the caller stopped it at a record
    kLastRecord,  // at the record whose position the record's own count names as the last
    kFileEnds,    // the file ends inside a record's header or data, at getFileSize()
  };

  /// Walks the records of track `track` in stored order, the one walk every
  /// search and listing of a track makes. Calls `visit(const SectorRecord&)`
  /// for each record whose header was read whole; when it returns true, the
  /// walk stops there with the stream at that record's data. Otherwise the
  /// walk goes on past the data, and ends after the record whose position i
  /// equals its own count minus 1 (a count of 0 names none), or where the
  /// file ends.
  template <typename Visit>
  WalkEnd walkTrack(int track, Visit&& visit);

  /// The size of the open file in bytes, or INT64_MAX when it is not known.
  int64_t getFileSize() const { return fileSize; }

 private:
  /// File offset of track `track`'s first record, or -1 when it cannot be read.
  int32_t trackStart(int track) const;
  /// Reads the record header at the stream's position, `position` in the file.
  bool readRecordHeader(int64_t position, SectorRecord& record);
  /// Walks track `track` to the first record with ID c/h/r/n and leaves the
  /// stream at its data. Returns its data length, or -1 when not found.
  int seekSector(int track, int c, int h, int r, int n);
  /// Records where each disk image of `stream` begins. False when its first
  /// read fails with an error: the path names no readable file.
  bool scanDisks(std::FILE* stream);

  /// Large enough that the walk of a whole track is served from one read.
  static constexpr int kStreamBufferSize = 16384;

  std::FILE* file;
  int32_t diskCount;
  int32_t firstSector;
  int32_t lastSector;
  int32_t diskOffsets[kMaxDisks];
  int32_t diskSize;
  int32_t diskOffset;
  int32_t trackOffsets[kTrackCount];
  int32_t mediaType;
  char diskName[kDiskNameSize + 1];
  int64_t fileSize;
  char streamBuffer[kStreamBufferSize];
};

template <typename Visit>
D88Image::WalkEnd D88Image::walkTrack(int track, Visit&& visit) {
  const int32_t start = trackStart(track);
  if (start < 0 || std::fseek(file, start, SEEK_SET) != 0) {
    return WalkEnd::kNoTrack;
  }
  // Every step reads a whole header or ends the walk, so the walk ends at the
  // end of the file even when no record's count stops it.
  int64_t position = start;
  for (int64_t i = 0;; ++i) {
    SectorRecord record{};
    if (!readRecordHeader(position, record)) {
      return WalkEnd::kFileEnds;
    }
    if (visit(static_cast<const SectorRecord&>(record))) {
      return WalkEnd::kStopped;
    }
    position += kSectorHeaderSize + record.dataLength;
    if (position > fileSize || std::fseek(file, record.dataLength, SEEK_CUR) != 0) {
      return WalkEnd::kFileEnds;
    }
    // Each record carries the track's count afresh; the walk ends at the
    // position the record it is at names as the last.
    if (i == record.count - 1) {
      return WalkEnd::kLastRecord;
    }
  }
}
