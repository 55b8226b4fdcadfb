// Whole cuts by the built d88cut: every output compared with the bytes the
// builder put on the disk, and what happens when a sector or an output fails.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "expected_layouts.h"
#include "test_support.h"

using d88test::Bytes;
using d88test::TempDir;
namespace fs = std::filesystem;

namespace {

using d88test::ExpectedOutput;
using d88test::k2DDOutputs;
using d88test::k2HDOutputs;

// Expects every output but `except` to hold exactly its run of a standard disk.
void expectWholeOutputs(const TempDir& dir, const std::vector<ExpectedOutput>& outputs, int sectorsPerTrack,
                        const std::string& except = "") {
  for (const ExpectedOutput& o : outputs) {
    if (o.name == except) {
      continue;
    }
    SCOPED_TRACE(o.name);
    // Read only a plain file: a FIFO or a device left there would hang the test.
    if (!fs::is_regular_file(fs::symlink_status(dir.file(o.name)))) {
      ADD_FAILURE() << "not a plain file";
      continue;
    }
    EXPECT_EQ(d88test::readFile(dir.file(o.name)), d88test::standardRun(o.track, o.r, sectorsPerTrack, o.length));
  }
}

// Cuts `image`, a 2HD disk some of whose files come out short, in `dir`: the
// status is 1, and standard output is as for a whole cut.
d88test::ToolRun cutShort(const TempDir& dir, const Bytes& image) {
  dir.write("image.d88", image);
  d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, d88test::cutTranscript("2HD Version\n")) << "standard output is as for a whole cut";
  return run;
}

size_t countOf(const Bytes& bytes, unsigned char value) {
  return static_cast<size_t>(std::count(bytes.begin(), bytes.end(), value));
}

}  // namespace

TEST(CutTest, WholeDisksCutByteExact) {
  struct Case {
    const char* what;
    Bytes image;
    const std::vector<ExpectedOutput>* outputs;
    int sectorsPerTrack;
    const char* banner;
  };
  const Case cases[] = {
      {"2HD", d88test::standard2HD(), &k2HDOutputs, 8, "2HD Version\n"},
      {"2HD stored out of order", d88test::standard2HD(true), &k2HDOutputs, 8, "2HD Version\n"},
      {"2DD", d88test::standard2DD(), &k2DDOutputs, 5, "2DD Version\n"},
      {"2DD stored out of order", d88test::standard2DD(true), &k2DDOutputs, 5, "2DD Version\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("image.d88", c.image);
    const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, d88test::cutTranscript(c.banner));
    EXPECT_EQ(run.err, "");
    expectWholeOutputs(dir, *c.outputs, c.sectorsPerTrack);
    // The bytes a text-mode stream would change are really there, and arrived.
    const Bytes prog = d88test::readFile(dir.file("PROG"));
    for (unsigned char awkward : {0x0A, 0x0D, 0x1A}) {
      EXPECT_GT(countOf(prog, awkward), 100u) << "byte " << int(awkward);
    }
  }
}

TEST(CutTest, ExistingOutputsAreReplaced) {
  TempDir dir;
  dir.write("image.d88", d88test::standard2HD());
  dir.write("PROG", Bytes(100000, 0x55));  // longer than the new PROG
  dir.write("MUS00", Bytes(10, 0x55));
  dir.write("MUS08", Bytes(8192, 0x55));
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
  EXPECT_EQ(run.status, 0);
  expectWholeOutputs(dir, k2HDOutputs, 8);
}

TEST(CutTest, ShortRunsAreZeroFilledAndNamed) {
  const Bytes hd = d88test::standard2HD();
  const size_t r6 = d88test::standardRecordOffset(72, 6, 8);
  Bytes missing = hd;
  missing[r6 + 2] = 9;  // track 72 holds R 9 where R 6 was
  Bytes shortSector = hd;
  shortSector[r6 + 14] = 0x00;  // R 6 of track 72 holds 512 bytes; its record keeps its place
  shortSector[r6 + 15] = 0x02;
  Bytes absentTrack = hd;
  d88test::putLE32(absentTrack, 0x20 + 4 * 74, 0);
  Bytes truncated = hd;  // the file ends 100 bytes into the data of track 74 R 1
  truncated.resize(d88test::standardRecordOffset(74, 1, 8) + 16 + 100);

  struct Case {
    const char* what;
    Bytes image;
    const char* file;  // the one output that is short
    int whole;         // its leading bytes that are the disk's; -1: not written
    std::string err;
  };
  const Case cases[] = {
      {"a missing sector", missing, "MUS05", 1024,
       "MUS05: read 1024 of 2048 bytes; sector C 36 H 0 R 6 N 3 not found in track 72, which holds 8 records "
       "(C/H/R/N): 36/0/1/3 36/0/2/3 36/0/3/3 36/0/4/3 36/0/5/3 36/0/9/3 36/0/7/3 36/0/8/3\n"
       "d88cut: 1 of 10 files short (MUS05)\n"},
      {"a sector holding fewer bytes than asked", shortSector, "MUS05", 1024,
       "MUS05: read 1024 of 2048 bytes; sector C 36 H 0 R 6 N 3 in track 72 holds 512 of the 1024 bytes wanted\n"
       "d88cut: 1 of 10 files short (MUS05)\n"},
      // Not one byte of the file was read: it is not written at all.
      {"an absent track", absentTrack, "MUS08", -1,
       "MUS08: read 0 of 4096 bytes; sector C 37 H 0 R 1 N 3 not found: track 74 is not in the image; not written\n"
       "d88cut: 1 of 10 files short and not written (MUS08)\n"},
      {"a file that ends inside sector data", truncated, "MUS08", -1,
       "MUS08: read 0 of 4096 bytes; sector C 37 H 0 R 1 N 3 in track 74 holds 100 of the 1024 bytes wanted: "
       "the image ends there, at byte " + std::to_string(truncated.size()) + "; not written\n"
       "d88cut: 1 of 10 files short and not written (MUS08)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    EXPECT_EQ(cutShort(dir, c.image).err, c.err);
    expectWholeOutputs(dir, k2HDOutputs, 8, c.file);

    if (c.whole < 0) {
      EXPECT_FALSE(fs::exists(dir.file(c.file)));
      continue;
    }
    const ExpectedOutput& o = *std::find_if(k2HDOutputs.begin(), k2HDOutputs.end(),
                                    [&](const ExpectedOutput& x) { return x.name == std::string(c.file); });
    const Bytes written = d88test::readFile(dir.file(c.file));
    Bytes expected = d88test::standardRun(o.track, o.r, 8, c.whole);
    // Past what was read, zeros: never what the cut before left in the buffer.
    expected.resize(static_cast<size_t>(o.length), 0);
    EXPECT_EQ(written, expected);
  }
}

TEST(CutTest, ALongTrackIsListedInPart) {
  // Track 70 holds 70 records of 16 bytes, R 101 to 170: none is R 1 in any size.
  std::vector<d88test::Sector> sectors;
  for (int r = 101; r <= 170; ++r) {
    sectors.push_back(d88test::sector(35, 0, r, 0, Bytes(16, 0)));
  }
  TempDir dir;
  dir.write("image.d88", d88test::disk("LONG", d88test::kMedia2HD, {d88test::track(70, sectors)}));
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
  EXPECT_EQ(run.status, 1);
  const std::string line =
      "MUS00: read 0 of 1024 bytes; sector C 35 H 0 R 1 N 3 not found in track 70, which holds 70 records "
      "(C/H/R/N): 35/0/101/0 35/0/102/0 35/0/103/0 35/0/104/0 35/0/105/0 35/0/106/0 35/0/107/0 35/0/108/0 "
      "and 62 more; not written\n";
  EXPECT_NE(run.err.find(line), std::string::npos) << run.err;
}

TEST(CutTest, WhyAFileIsShort) {
  // Truncated inside the walk of track 72: the file ends 8 bytes into the header of its R 3.
  Bytes truncated = d88test::standard2HD();
  const size_t end = d88test::standardRecordOffset(72, 3, 8) + 8;
  truncated.resize(end);
  const std::string at = std::to_string(end);
  // Every track the layout reads holds its sectors as 256 bytes, N 1.
  std::vector<d88test::Track> tracks;
  for (int t = 0; t < 154; ++t) {
    std::vector<d88test::Sector> sectors;
    for (int r = 1; r <= 26; ++r) {
      sectors.push_back(d88test::sector(t >> 1, t & 1, r, 1, Bytes(256, 0)));
    }
    tracks.push_back(d88test::track(t, sectors));
  }
  const Bytes sizedN1 = d88test::disk("N1", d88test::kMedia2HD, tracks);
  std::string n1Lines;
  for (const d88test::ExpectedOutput& o : k2HDOutputs) {
    n1Lines += std::string(o.name) + ": read 0 of " + std::to_string(o.length) + " bytes; sector C " +
               std::to_string(o.track >> 1) + " H " + std::to_string(o.track & 1) + " R " + std::to_string(o.r) +
               " N 3 not found: track " + std::to_string(o.track) +
               " holds its sectors as N 1 (256 bytes); this layout reads N 3 (1024 bytes); not written\n";
  }
  struct Case {
    const char* what;
    Bytes image;
    std::string err;
  };
  const Case cases[] = {
      {"a file cut short inside a track's walk", truncated,
       "MUS05: read 0 of 2048 bytes; sector C 36 H 0 R 5 N 3 not found: the image ends at byte " + at +
           ", inside track 72 (after 2 of its records); not written\n"
           "MUS06: read 0 of 2048 bytes; sector C 36 H 1 R 1 N 3 not found: the image ends at byte " + at +
           ", where track 73 should begin; not written\n"
           "MUS07: read 0 of 3072 bytes; sector C 36 H 1 R 5 N 3 not found: the image ends at byte " + at +
           ", where track 73 should begin; not written\n"
           "MUS08: read 0 of 4096 bytes; sector C 37 H 0 R 1 N 3 not found: the image ends at byte " + at +
           ", where track 74 should begin; not written\n"
           "d88cut: 4 of 10 files short and not written (MUS05, MUS06, MUS07, MUS08)\n"},
      {"a disk of 256-byte sectors", sizedN1,
       n1Lines + "d88cut: 10 of 10 files short and not written (PROG, MUS00, MUS01, MUS02, MUS03, MUS04, MUS05, "
                 "MUS06, MUS07, MUS08)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    EXPECT_EQ(cutShort(dir, c.image).err, c.err);
  }
}

TEST(CutTest, AnOutputNameTakenByAFolder) {
  TempDir dir;
  dir.write("image.d88", d88test::standard2HD());
  fs::create_directory(dir.file("MUS03"));
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, d88test::cutTranscript("2HD Version\n"));
  EXPECT_EQ(run.err, "MUS03: cannot create: Is a directory\nd88cut: 1 of 10 files not written (MUS03)\n");
  EXPECT_TRUE(fs::is_directory(dir.file("MUS03"))) << "the folder is left alone";
  expectWholeOutputs(dir, k2HDOutputs, 8, "MUS03");
}

TEST(CutTest, ALinkToAFullDeviceIsReplaced) {
  if (!fs::exists("/dev/full")) {
    GTEST_SKIP() << "this system has no /dev/full";
  }
  if (d88test::windowsTool()) {
    // Wine takes the link for a device, which no Windows program may replace.
    GTEST_SKIP() << "a link to a device exists on Linux alone";
  }
  TempDir dir;
  dir.write("image.d88", d88test::standard2DD());
  fs::create_symlink("/dev/full", dir.file("MUS02"));
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, d88test::cutTranscript("2DD Version\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(fs::is_symlink(dir.file("MUS02"))) << "the link is replaced, not written through";
  expectWholeOutputs(dir, k2DDOutputs, 5);
}
