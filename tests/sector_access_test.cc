#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "d88_image.h"
#include "test_support.h"

using d88test::Bytes;
using d88test::disk;
using d88test::sector;
using d88test::Sector;
using d88test::TempDir;
using d88test::track;

namespace {

Bytes filled(int size, int value) { return Bytes(static_cast<size_t>(size), static_cast<unsigned char>(value)); }

Sector withCount(Sector s, int count) {
  s.count = count;
  return s;
}

Sector withDataLength(Sector s, int dataLength) {
  s.dataLength = dataLength;
  return s;
}

Bytes patched32(Bytes bytes, size_t at, uint32_t value) {
  d88test::putLE32(bytes, at, value);
  return bytes;
}

Bytes truncated(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

// Track 0 of a small disk: sectors 1 to 3 of 1024 bytes, each filled with its R.
Bytes threeSectors() {
  return disk("", 0x20, {track(0, {sector(0, 0, 1, 3, filled(1024, 1)), sector(0, 0, 2, 3, filled(1024, 2)),
                                   sector(0, 0, 3, 3, filled(1024, 3))})});
}

constexpr size_t kTrack0 = 0x2B0;         // where the builder puts the first track
constexpr size_t kTrackEntry0 = 0x20;     // track table entry of track 0
constexpr size_t kDiskSizeField = 0x1C;

struct Opened {
  TempDir dir;
  D88Image image;
  explicit Opened(const Bytes& bytes) {
    EXPECT_TRUE(image.open(dir.write("image.d88", bytes).c_str()));
    EXPECT_TRUE(image.selectDisk(0));
  }
};

// Expects track `track` of the selected disk to yield nothing: not sector
// C 0 H 0 R `r` N 3, and no IDs.
void expectTrackUnreadable(D88Image& image, int track, int r) {
  Bytes buffer(1024);
  unsigned char ids[16];
  EXPECT_FALSE(image.hasTrack(track));
  EXPECT_EQ(image.readSector(track, 0, 0, r, 3, buffer.data(), 1024), 0);
  EXPECT_EQ(image.listSectorIds(track, ids, sizeof ids), 0);
}

}  // namespace

TEST(SectorAccessTest, ReadSectorFindsTheFirstRecordWithThatId) {
  struct Case {
    const char* what;
    Bytes image;
    int track, c, h, r, n, length;
    int delivered;
    int fill;  // the value every delivered byte holds
  };
  const Bytes three = threeSectors();
  const Case cases[] = {
      {"first record", three, 0, 0, 0, 1, 3, 1024, 1024, 1},
      {"last record, past two others", three, 0, 0, 0, 3, 3, 1024, 1024, 3},
      {"length lowers what is delivered", three, 0, 0, 0, 2, 3, 512, 512, 2},
      {"data length bounds a longer length", three, 0, 0, 0, 2, 3, 2048, 1024, 2},
      {"length 0", three, 0, 0, 0, 2, 3, 0, 0, 0},
      {"negative length", three, 0, 0, 0, 2, 3, -1, 0, 0},
      {"C, H and R match but N does not", three, 0, 0, 0, 2, 2, 1024, 0, 0},
      {"C does not match", three, 0, 1, 0, 2, 3, 1024, 0, 0},
      {"IDs are compared as unsigned bytes", disk("", 0x20, {track(0, {sector(0xFF, 0x80, 0xFE, 3, filled(16, 9))})}),
       0, 255, 128, 254, 3, 1024, 16, 9},
      {"no such sector", three, 0, 0, 0, 4, 3, 1024, 0, 0},
      {"track 164 is past the table", three, 164, 0, 0, 1, 3, 1024, 0, 0},
      {"negative track", three, -1, 0, 0, 1, 3, 1024, 0, 0},
      {"absent track", three, 1, 0, 0, 1, 3, 1024, 0, 0},
      {"offset past the disk size", patched32(three, kDiskSizeField, kTrack0 - 1), 0, 0, 0, 1, 3, 1024, 0, 0},
      // The track lies after the disk's end, but an offset equal to the size is walked.
      {"offset equal to the disk size", patched32(three, kDiskSizeField, kTrack0), 0, 0, 0, 1, 3, 1024, 1024, 1},
      {"negative track offset is absent", patched32(three, kTrackEntry0, 0xFFFFFFF0u), 0, 0, 0, 1, 3, 1024, 0, 0},
      {"most negative track offset", patched32(three, kTrackEntry0, 0x80000000u), 0, 0, 0, 1, 3, 1024, 0, 0},
      {"duplicate IDs: the first one wins",
       disk("", 0x20, {track(0, {sector(0, 0, 1, 3, filled(1024, 7)), sector(0, 0, 1, 3, filled(1024, 8))})}),
       0, 0, 0, 1, 3, 1024, 1024, 7},
      {"the data length, not N, places the next record",
       disk("", 0x20, {track(0, {sector(0, 0, 1, 3, filled(300, 1)), sector(0, 0, 2, 1, filled(256, 2))})}),
       0, 0, 0, 2, 1, 1024, 256, 2},
      {"sector count 0 on the first record",
       disk("", 0x20, {track(0, {withCount(sector(0, 0, 1, 3, filled(64, 1)), 0)})}), 0, 0, 0, 1, 3, 1024, 0, 0},
      {"sector count 0 on a later record hides what follows",
       disk("", 0x20, {track(0, {sector(0, 0, 1, 3, filled(64, 1)), withCount(sector(0, 0, 2, 3, filled(64, 2)), 0),
                                 sector(0, 0, 3, 3, filled(64, 3))})}),
       0, 0, 0, 3, 3, 1024, 0, 0},
      {"records before a count of 0 are found",
       disk("", 0x20, {track(0, {sector(0, 0, 1, 3, filled(64, 1)), withCount(sector(0, 0, 2, 3, filled(64, 2)), 0)})}),
       0, 0, 0, 1, 3, 1024, 64, 1},
      {"the walk ends at the position the count names",
       disk("", 0x20, {track(0, {withCount(sector(0, 0, 1, 3, filled(64, 1)), 2),
                                 withCount(sector(0, 0, 2, 3, filled(64, 2)), 2), sector(0, 0, 3, 3, filled(64, 3))})}),
       0, 0, 0, 3, 3, 1024, 0, 0},
      // Counts that never equal a record's position walk on to the end of the file.
      {"a walk off the end of the file ends there",
       disk("", 0x20, {track(0, {withCount(sector(0, 0, 1, 3, filled(64, 1)), 65535),
                                 withCount(sector(0, 0, 2, 3, filled(64, 2)), 65535)})}),
       0, 0, 0, 9, 3, 1024, 0, 0},
      {"a walk that runs into the next disk's header stops there",
       d88test::concat({disk("", 0x20, {track(0, {withCount(sector(0, 0, 1, 3, filled(64, 1)), 9)})}), three}), 0, 0,
       0, 9, 3, 1024, 0, 0},
      {"a header cut short by the end of the file", truncated(three, kTrack0 + 1040 + 10), 0, 0, 0, 2, 3, 1024, 0, 0},
      {"data cut short delivers what is there", truncated(three, kTrack0 + 1040 + 16 + 100), 0, 0, 0, 2, 3, 1024, 100, 2},
      {"a data length past the end of the file",
       disk("", 0x20, {track(0, {withDataLength(sector(0, 0, 1, 3, filled(10, 4)), 60000)})}), 0, 0, 0, 1, 3, 65535, 10, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Opened opened(c.image);
    Bytes buffer(4096, 0xEE);
    const int got = opened.image.readSector(c.track, c.c, c.h, c.r, c.n, buffer.data(), c.length);
    ASSERT_EQ(got, c.delivered);
    for (int i = 0; i < got; ++i) {
      ASSERT_EQ(buffer[static_cast<size_t>(i)], c.fill) << "byte " << i;
    }
    EXPECT_EQ(buffer[static_cast<size_t>(got)], 0xEE) << "nothing is written past what was delivered";
  }
}

TEST(SectorAccessTest, NothingIsDeliveredWithoutASelection) {
  TempDir dir;
  const std::string path = dir.write("image.d88", threeSectors());
  Bytes buffer(1024);
  D88Image image;
  EXPECT_EQ(image.readSector(0, 0, 0, 1, 3, buffer.data(), 1024), 0) << "nothing open";
  ASSERT_TRUE(image.open(path.c_str()));
  EXPECT_EQ(image.readSector(0, 0, 0, 1, 3, buffer.data(), 1024), 0) << "open, nothing selected";
  ASSERT_TRUE(image.selectDisk(0));
  EXPECT_EQ(image.readSector(0, 0, 0, 1, 3, buffer.data(), 1024), 1024);
  EXPECT_FALSE(image.selectDisk(1));
  EXPECT_EQ(image.readSector(0, 0, 0, 1, 3, buffer.data(), 1024), 0) << "after a failed selection";
  unsigned char ids[16];
  EXPECT_EQ(image.listSectorIds(0, ids, sizeof ids), 0) << "after a failed selection";
  ASSERT_TRUE(image.open(nullptr));
  EXPECT_EQ(image.readSector(0, 0, 0, 1, 3, buffer.data(), 1024), 0) << "closed";
}

TEST(SectorAccessTest, NegativeTrackOffsetNeverReachesAnEarlierDisk) {
  // Disk 1's track 0 points 1040 bytes back: at disk 0's last record, R 3.
  const Bytes first = threeSectors();
  const Bytes second = patched32(threeSectors(), kTrackEntry0, static_cast<uint32_t>(-1040));
  TempDir dir;
  D88Image image;
  ASSERT_TRUE(image.open(dir.write("two.d88", d88test::concat({first, second})).c_str()));
  ASSERT_TRUE(image.selectDisk(1));
  expectTrackUnreadable(image, 0, 3);
}

TEST(SectorAccessTest, TrackStartIsBoundedFarIntoTheFile) {
  // Disk 1 begins near the end of the signed 32-bit range, and its track
  // offset, added to that, leaves it. The file is sparse.
  constexpr uint32_t kFar = 0x7FFFF000u;
  TempDir dir;
  const std::string path = dir.file("far.d88");
  Bytes first = threeSectors();
  d88test::putLE32(first, kDiskSizeField, kFar);
  Bytes second = patched32(patched32(threeSectors(), kDiskSizeField, 0x7FFFFFFFu), kTrackEntry0, 0x7FFFFFF0u);
  ASSERT_TRUE(d88test::writeFile(path, first));
  std::FILE* f = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fseek(f, static_cast<long>(kFar), SEEK_SET), 0);
  ASSERT_EQ(std::fwrite(second.data(), 1, second.size(), f), second.size());
  ASSERT_EQ(std::fclose(f), 0);

  D88Image image;
  ASSERT_TRUE(image.open(path.c_str()));
  ASSERT_EQ(image.getDiskCount(), 2);
  ASSERT_TRUE(image.selectDisk(1));
  EXPECT_EQ(image.getDiskSize(), 0x7FFFFFFF);
  expectTrackUnreadable(image, 0, 1);
}

TEST(SectorAccessTest, ReadSectorsStepsAcrossTracksAndHeads) {
  struct Case {
    const char* what;
    bool twoHD;
    int first, last;  // the geometry
    int track, c, h, r;
    int length;
  };
  const Case cases[] = {
      {"two sectors and a half from R 1", true, 1, 8, 8, 4, 0, 1, 2 * 1024 + 512},
      {"R 8 of head 0 steps to R 1 of head 1, then the next cylinder", true, 1, 8, 8, 4, 0, 8, 10 * 1024},
      {"the whole 2HD program run", true, 1, 8, 8, 4, 0, 1, 57344},
      {"2DD steps after R 5", false, 1, 5, 10, 5, 0, 1, 55296},
      {"2DD head 1 to the next cylinder", false, 1, 5, 117, 58, 1, 4, 4096},
  };
  const Bytes hd = d88test::standard2HD(true);  // stored out of order: found by ID
  const Bytes dd = d88test::standard2DD();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Opened opened(c.twoHD ? hd : dd);
    opened.image.setSectorRange(c.first, c.last);
    Bytes buffer(static_cast<size_t>(c.length) + 1, 0xEE);
    EXPECT_EQ(opened.image.readSectors(c.track, c.c, c.h, c.r, 3, buffer.data(), c.length), c.length);
    buffer.pop_back();
    EXPECT_EQ(buffer, d88test::standardRun(c.track, c.r, c.last, c.length));
  }
}

TEST(SectorAccessTest, ReadSectorsStopsAtTheFirstSectorNotDeliveredInFull) {
  const Bytes hd = d88test::standard2HD();
  Bytes missing = hd;  // track 9 R 3 renamed R 9
  missing[d88test::standardRecordOffset(9, 3, 8) + 2] = 9;
  Bytes shortSector = hd;  // track 8 R 2 holds 512 bytes (the record keeps its place)
  shortSector[d88test::standardRecordOffset(8, 2, 8) + 14] = 0x00;
  shortSector[d88test::standardRecordOffset(8, 2, 8) + 15] = 0x02;
  struct Case {
    const char* what;
    const Bytes* image;
    int first, last, n, length;
    int returned;
  };
  const Case cases[] = {
      {"a missing sector stops the run", &missing, 1, 8, 3, 20 * 1024, 10 * 1024},
      {"a missing sector past the length is never read", &missing, 1, 8, 3, 10 * 1024, 10 * 1024},
      {"a short sector stops the run", &shortSector, 1, 8, 3, 4096, 1024},
      {"a short sector is enough for a short last chunk", &shortSector, 1, 8, 3, 1024 + 512, 1024 + 512},
      {"the default geometry runs to R 16, which is not there", &hd, 1, 16, 3, 9 * 1024, 8 * 1024},
      {"length 0 reads nothing", &hd, 1, 8, 3, 0, 0},
      {"negative length", &hd, 1, 8, 3, -1024, 0},
      {"size code 0: 128-byte chunks of N 0, which is not there", &hd, 1, 8, 0, 1024, 0},
      {"size code 23 is the largest", &hd, 1, 8, 23, 1024, 0},
      {"size code 24 would overflow", &hd, 1, 8, 24, 1024, 0},
      {"negative size code", &hd, 1, 8, -1, 1024, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Opened opened(*c.image);
    if (c.last != 16) {
      opened.image.setSectorRange(c.first, c.last);
    }
    Bytes buffer(static_cast<size_t>(20) * 1024, 0xEE);
    EXPECT_EQ(opened.image.readSectors(8, 4, 0, 1, c.n, buffer.data(), c.length), c.returned);
    if (c.returned > 0) {
      const Bytes expected = d88test::standardRun(8, 1, 8, c.returned);
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
    }
  }
}

TEST(SectorAccessTest, ListSectorIdsInStoredOrder) {
  const Bytes three = threeSectors();
  struct Case {
    const char* what;
    Bytes image;
    int track, length;
    Bytes ids;
  };
  const Case cases[] = {
      {"every record", three, 0, 64, {0, 0, 1, 3, 0, 0, 2, 3, 0, 0, 3, 3}},
      {"stored order, not sector order",
       disk("", 0x20, {track(5, {sector(2, 1, 7, 3, {}), sector(2, 1, 1, 2, {}), sector(9, 9, 9, 9, {})})}), 5, 64,
       {2, 1, 7, 3, 2, 1, 1, 2, 9, 9, 9, 9}},
      {"length bounds the listing", three, 0, 8, {0, 0, 1, 3, 0, 0, 2, 3}},
      {"a length between entries lists only whole entries", three, 0, 6, {0, 0, 1, 3}},
      {"length 0", three, 0, 0, {}},
      {"negative length", three, 0, -4, {}},
      {"absent track", three, 1, 64, {}},
      {"track past the table", three, 164, 64, {}},
      {"the count ends the listing",
       disk("", 0x20, {track(0, {withCount(sector(0, 0, 1, 3, {}), 2), withCount(sector(0, 0, 2, 3, {}), 2),
                                 sector(0, 0, 3, 3, {})})}),
       0, 64, {0, 0, 1, 3, 0, 0, 2, 3}},
      // Unlike the search, a count of 0 does not stop the listing; the third
      // record's count, 3, ends it at position 2.
      {"a count of 0 does not stop the listing",
       disk("", 0x20, {track(0, {withCount(sector(0, 0, 1, 3, {}), 0), withCount(sector(0, 0, 2, 3, {}), 0),
                                 withCount(sector(0, 0, 3, 3, {}), 3), sector(0, 0, 4, 3, {})})}),
       0, 64, {0, 0, 1, 3, 0, 0, 2, 3, 0, 0, 3, 3}},
      {"a listing off the end of the file ends there",
       disk("", 0x20, {track(0, {withCount(sector(0, 0, 1, 3, filled(8, 0)), 500),
                                 withCount(sector(0, 0, 2, 3, filled(8, 0)), 500)})}),
       0, 64, {0, 0, 1, 3, 0, 0, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Opened opened(c.image);
    Bytes out(80, 0xEE);
    const int written = opened.image.listSectorIds(c.track, out.data(), c.length);
    ASSERT_EQ(written, static_cast<int>(c.ids.size()));
    EXPECT_EQ(Bytes(out.begin(), out.begin() + written), c.ids);
    EXPECT_EQ(out[static_cast<size_t>(written)], 0xEE) << "nothing is written past the entries";
  }
}

TEST(SectorAccessTest, TheWalkOfATrack) {
  // Track 3: three records of 512, 0 and 100 bytes, whose counts say 3. Track 5
  // begins with a record whose count says 1, and the file ends inside the
  // data of its second, which the first's count does not reach: cut short.
  Bytes image = disk("", 0x20, {track(3, {sector(1, 1, 1, 3, filled(512, 1)), sector(1, 1, 2, 3, {}),
                                          sector(1, 1, 7, 0, filled(100, 2))}),
                                track(5, {withCount(sector(2, 1, 1, 3, filled(8, 0)), 2),
                                          sector(2, 1, 2, 3, filled(64, 0))})});
  const size_t fileSize = image.size() - 40;
  image.resize(fileSize);
  Opened opened(image);
  struct Seen {
    int c, h, r, n, count, dataLength;
    int64_t position;
  };
  auto walk = [&](int track, int stopAt, std::vector<Seen>& seen) {
    return opened.image.walkTrack(track, [&](const D88Image::SectorRecord& rec) {
      seen.push_back({rec.c, rec.h, rec.r, rec.n, rec.count, rec.dataLength, rec.position});
      return static_cast<int>(seen.size()) == stopAt;
    });
  };
  std::vector<Seen> seen;
  EXPECT_EQ(walk(3, 0, seen), D88Image::WalkEnd::kLastRecord);
  ASSERT_EQ(seen.size(), 3u);
  const int64_t start = 688;
  EXPECT_EQ(seen[0].position, start);
  EXPECT_EQ(seen[1].position, start + 16 + 512);
  EXPECT_EQ(seen[2].position, start + 16 + 512 + 16);
  EXPECT_EQ(seen[2].r, 7);
  EXPECT_EQ(seen[2].n, 0);
  EXPECT_EQ(seen[2].count, 3);
  EXPECT_EQ(seen[2].dataLength, 100);

  seen.clear();
  EXPECT_EQ(walk(3, 2, seen), D88Image::WalkEnd::kStopped) << "the visitor stops it";
  EXPECT_EQ(seen.size(), 2u);

  seen.clear();
  EXPECT_EQ(walk(5, 0, seen), D88Image::WalkEnd::kFileEnds) << "the second record's data is cut by the end";
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(opened.image.getFileSize(), static_cast<int64_t>(fileSize));

  seen.clear();
  EXPECT_EQ(walk(4, 0, seen), D88Image::WalkEnd::kNoTrack);
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(opened.image.hasTrack(3));
  EXPECT_FALSE(opened.image.hasTrack(4));
}
