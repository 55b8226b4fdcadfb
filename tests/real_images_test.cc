// Real D88 images written by other people's tools. None holds 1024-byte
// sectors where the layouts look, so as 2HD or 2DD every file is short.

#include <gtest/gtest.h>

#include <string>

#include "d88_builder.h"
#include "d88_image.h"
#include "expected_layouts.h"
#include "test_support.h"

using d88test::Bytes;
using d88test::TempDir;

TEST(RealImagesTest, EachOpensAndReportsItsMedia) {
  if (d88test::realFixturesDir().empty()) {
    GTEST_SKIP() << "no folder of real images at " << D88CUT_REAL_FIXTURES;
  }
  ASSERT_FALSE(d88test::realFixtures().empty());
  for (const std::string& path : d88test::realFixtures()) {
    SCOPED_TRACE(path);
    const Bytes bytes = d88test::readFile(path);
    ASSERT_GE(bytes.size(), 688u);
    D88Image image;
    ASSERT_TRUE(image.open(path.c_str()));
    EXPECT_GE(image.getDiskCount(), 1);
    EXPECT_EQ(image.getDiskOffset(0), 0);
    ASSERT_TRUE(image.selectDisk(0));
    EXPECT_EQ(image.getMediaType(), bytes[0x1B]);
    // Track 0 of every one of them is present and holds records.
    unsigned char ids[4 * 64];
    EXPECT_GT(image.listSectorIds(0, ids, sizeof ids), 0);
  }
}

TEST(RealImagesTest, CutAsStoredAnd2HDAnd2DD) {
  if (d88test::realFixturesDir().empty()) {
    GTEST_SKIP() << "no folder of real images at " << D88CUT_REAL_FIXTURES;
  }
  for (const std::string& path : d88test::realFixtures()) {
    for (int media : {-1, 0x20, 0x10}) {  // -1: as stored
      SCOPED_TRACE(path + " media " + std::to_string(media));
      Bytes bytes = d88test::readFile(path);
      if (media >= 0) {
        bytes.at(0x1B) = static_cast<unsigned char>(media);
      }
      const int effective = bytes.at(0x1B);
      TempDir dir;
      dir.write("image.d88", bytes);
      const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
      if (effective != 0x10 && effective != 0x20) {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "");
        // One line: which medium it is, and what can cut it.
        EXPECT_NE(run.err.find("image.d88: disk 0 is "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("which has no layout; --media 2HD or --media 2DD"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        continue;
      }
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, d88test::cutTranscript(effective == 0x20 ? "2HD Version\n" : "2DD Version\n"));
      // Every file is short, each named in one line of its own, in order, with
      // a reason a user can act on; then the summary.
      size_t at = 0;
      for (const d88test::ExpectedOutput& o : d88test::k2HDOutputs) {
        const std::string head = std::string(o.name) + ": read ";
        EXPECT_EQ(run.err.compare(at, head.size(), head), 0) << "at " << at << " of:\n" << run.err;
        const size_t end = run.err.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = run.err.substr(at, end - at);
        bool reasoned = false;
        for (const char* reason : {"holds its sectors as N", "is not in the image", "the image ends", "which holds"}) {
          reasoned = reasoned || line.find(reason) != std::string::npos;
        }
        EXPECT_TRUE(reasoned) << line;
        at = end + 1;
      }
      EXPECT_EQ(run.err.compare(at, std::string::npos, "d88cut: 10 of 10 files short and not written (PROG, MUS00, "
                                "MUS01, MUS02, MUS03, MUS04, MUS05, MUS06, MUS07, MUS08)\n"), 0)
          << run.err.substr(at);
    }
  }
}
