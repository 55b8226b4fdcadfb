#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "d88_image.h"
#include "test_support.h"

using d88test::Bytes;
using d88test::TempDir;

namespace {

// A disk of `media` whose track 0 holds one sector.
Bytes smallDisk(int media, const std::string& name = "") {
  return d88test::disk(name, media, {d88test::track(0, {d88test::sector(0, 0, 1, 3, Bytes(1024, 0x5A))})});
}

Bytes withSize(Bytes disk, uint32_t size) {
  d88test::putLE32(disk, 0x1C, size);
  return disk;
}

Bytes repeat(const Bytes& disk, int times) {
  std::vector<Bytes> parts(static_cast<size_t>(times), disk);
  return d88test::concat(parts);
}

}  // namespace

TEST(ImageTest, ScanFindsWhereEachDiskBegins) {
  const Bytes one = smallDisk(0x20);
  const int32_t oneSize = static_cast<int32_t>(one.size());
  struct Case {
    const char* what;
    Bytes file;
    int count;
    std::vector<std::pair<int, int32_t>> offsets;  // disk index, where it begins
  };
  const Case cases[] = {
      {"empty file", {}, 0, {}},
      {"one byte short of a header", Bytes(687, 0), 0, {}},
      {"a bare header whose size is the file's", withSize(Bytes(688, 0), 688), 1, {{0, 0}}},
      {"one disk, size field equal to the file size", one, 1, {{0, 0}}},
      {"a partial header after the last disk is ignored", d88test::concat({one, Bytes(687, 0xEE)}), 1, {{0, 0}}},
      {"two disks end to end", d88test::concat({one, smallDisk(0x10)}), 2, {{0, 0}, {1, oneSize}}},
      {"more than 64 disks: the first 64", repeat(one, 65), 64, {{1, oneSize}, {63, 63 * oneSize}}},
      // A size of 0 reads the same header again until the limit.
      {"size field 0", withSize(one, 0), 64, {{0, 0}, {1, 0}, {63, 0}}},
      {"negative size: the disk counts, the scan stops", withSize(one, 0xFFFFFFFFu), 1, {{0, 0}}},
      {"size far below zero", withSize(one, 0x80000000u), 1, {{0, 0}}},
      {"size overflowing the next position", d88test::concat({one, withSize(one, 0x7FFFFFFFu)}), 2, {{0, 0}, {1, oneSize}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    D88Image image;
    ASSERT_TRUE(image.open(dir.write("image.d88", c.file).c_str()));
    EXPECT_EQ(image.getDiskCount(), c.count);
    for (const auto& [index, offset] : c.offsets) {
      EXPECT_EQ(image.getDiskOffset(index), offset) << "disk " << index;
    }
    EXPECT_EQ(image.getDiskOffset(c.count), -1) << "no disk past the count";
    EXPECT_EQ(image.selectDisk(0), c.count > 0);
  }
}

TEST(ImageTest, SelectingLoadsThatDisksHeader) {
  TempDir dir;
  const Bytes first = smallDisk(0x00, "FIRST");
  const Bytes second = smallDisk(0x20, "SECOND");
  D88Image image;
  ASSERT_TRUE(image.open(dir.write("two.d88", d88test::concat({first, second})).c_str()));
  ASSERT_EQ(image.getDiskCount(), 2);

  ASSERT_TRUE(image.selectDisk(1));
  EXPECT_EQ(image.getMediaType(), 0x20);
  EXPECT_STREQ(image.getDiskName(), "SECOND");
  EXPECT_EQ(image.getDiskSize(), static_cast<int32_t>(second.size()));
  ASSERT_TRUE(image.selectDisk(0));
  EXPECT_EQ(image.getMediaType(), 0x00);
  EXPECT_STREQ(image.getDiskName(), "FIRST");
}

TEST(ImageTest, FailedSelectionResetsTheSelection) {
  TempDir dir;
  const std::string path = dir.write("two.d88", d88test::concat({smallDisk(0x20, "A"), smallDisk(0x10, "B")}));
  for (int index : {2, -1, 64, 1 << 30}) {
    SCOPED_TRACE(index);
    D88Image image;
    ASSERT_TRUE(image.open(path.c_str()));
    ASSERT_TRUE(image.selectDisk(1));
    EXPECT_FALSE(image.selectDisk(index));
    EXPECT_EQ(image.getMediaType(), -1);
    EXPECT_EQ(image.getDiskSize(), 0);
    EXPECT_STREQ(image.getDiskName(), "");
  }
}

TEST(ImageTest, SelectionNeedsAnOpenFile) {
  TempDir dir;
  D88Image image;
  EXPECT_FALSE(image.selectDisk(0)) << "before any open";
  EXPECT_FALSE(image.open(dir.file("missing.d88").c_str()));
  EXPECT_FALSE(image.selectDisk(0)) << "after a failed open";
  EXPECT_EQ(image.getMediaType(), -1);
  EXPECT_EQ(image.getDiskCount(), 0);
}

TEST(ImageTest, DiskNameIsAlwaysTerminated) {
  struct Case {
    Bytes nameBytes;  // the 16 bytes at the start of the header
    const char* name;
  };
  const Case cases[] = {
      {Bytes{'A', 'B', 'C', 0, 'X', 'Y', 'Z', 0, 0, 0, 0, 0, 0, 0, 0, 0}, "ABC"},
      {Bytes(16, 'N'), "NNNNNNNNNNNNNNNN"},  // 16 bytes and no zero among them
      {Bytes(16, 0), ""},
      {Bytes{0x83, 0x74, 0x83, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "\x83\x74\x83\x40"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes disk = smallDisk(0x20);
    std::copy(c.nameBytes.begin(), c.nameBytes.end(), disk.begin());
    disk[16] = 'Q';  // the byte after the name field must not join it
    TempDir dir;
    D88Image image;
    ASSERT_TRUE(image.open(dir.write("named.d88", disk).c_str()));
    ASSERT_TRUE(image.selectDisk(0));
    EXPECT_STREQ(image.getDiskName(), c.name);
  }
}

TEST(ImageTest, OpenWithNullPathCloses) {
  TempDir dir;
  D88Image image;
  ASSERT_TRUE(image.open(dir.write("one.d88", smallDisk(0x20)).c_str()));
  ASSERT_TRUE(image.selectDisk(0));
  EXPECT_TRUE(image.open(nullptr));
  EXPECT_EQ(image.getDiskCount(), 0);
  EXPECT_EQ(image.getMediaType(), -1);
  EXPECT_FALSE(image.selectDisk(0));
  EXPECT_TRUE(image.open(nullptr)) << "closing twice is harmless";
}

TEST(ImageTest, UnreadablePathsDoNotOpen) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("folder.d88"));
  for (const std::string& path : {dir.file("missing.d88"), dir.file("folder.d88"), dir.path()}) {
    SCOPED_TRACE(path);
    D88Image image;
    EXPECT_FALSE(image.open(path.c_str()));
    EXPECT_EQ(image.getDiskCount(), 0);
    EXPECT_FALSE(image.selectDisk(0));
  }
}

TEST(ImageTest, ReopeningClosesTheEarlierFile) {
  namespace fs = std::filesystem;
  if (!fs::is_directory("/proc/self/fd")) {
    GTEST_SKIP() << "no /proc/self/fd to count open files with";
  }
  const auto openFiles = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator{});
  };
  TempDir dir;
  const std::string path = dir.write("one.d88", smallDisk(0x20));
  const std::string missing = dir.file("missing.d88");
  D88Image image;
  ASSERT_TRUE(image.open(path.c_str()));
  const auto before = openFiles();
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(image.open(path.c_str()));
  }
  EXPECT_EQ(openFiles(), before);
  EXPECT_FALSE(image.open(missing.c_str()));
  EXPECT_EQ(openFiles(), before - 1) << "a failed open still closes the earlier file";
  EXPECT_FALSE(image.selectDisk(0));
}

TEST(ImageTest, HeaderGoneSinceTheScanFailsSelection) {
  // Disks larger than the stream's buffer, so the second header is read anew.
  std::vector<d88test::Sector> sectors;
  for (int r = 1; r <= 40; ++r) {
    sectors.push_back(d88test::sector(0, 0, r, 3, Bytes(1024, 1)));
  }
  const Bytes big = d88test::disk("BIG", 0x20, {d88test::track(0, sectors)});
  TempDir dir;
  const std::string path = dir.write("two.d88", d88test::concat({big, big}));
  D88Image image;
  ASSERT_TRUE(image.open(path.c_str()));
  ASSERT_EQ(image.getDiskCount(), 2);
  std::filesystem::resize_file(path, big.size() + 100);
  EXPECT_FALSE(image.selectDisk(1));
  EXPECT_EQ(image.getMediaType(), -1);
  EXPECT_EQ(image.getDiskSize(), 0);
  EXPECT_TRUE(image.selectDisk(0));
}
