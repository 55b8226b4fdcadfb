// d88cut against an independent D88 reader: MAME's floptool turns the same
// image into a raw PC-98 image (tracks in order, sectors by number), and every
// file d88cut writes must be the raw bytes where its run begins.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "d88_builder.h"
#include "expected_layouts.h"
#include "test_support.h"

using d88test::Bytes;
using d88test::TempDir;

namespace {

bool haveFloptool() { return std::system("command -v floptool >/dev/null 2>&1") == 0; }

}  // namespace

TEST(FloptoolTest, CutFilesEqualTheRawImage) {
  if (!haveFloptool()) {
    GTEST_SKIP() << "MAME's floptool is not installed (Debian package mame-tools)";
  }
  for (bool interleaved : {false, true}) {
    SCOPED_TRACE(interleaved ? "sectors interleaved" : "sectors in order");
    TempDir work;
    TempDir cut;
    const std::string d88 = work.write("image.d88", d88test::standard2HD(interleaved));
    const std::string raw = work.file("image.hdm");
    std::string convert = "floptool flopconvert d88 pc98 '";
    convert.append(d88).append("' '").append(raw).append("' >/dev/null 2>&1");
    ASSERT_EQ(std::system(convert.c_str()), 0) << convert;
    const Bytes rawBytes = d88test::readFile(raw);
    ASSERT_EQ(rawBytes.size(), 77u * 2 * 8 * 1024);

    const d88test::ToolRun run = d88test::runTool(cut.path(), {d88});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    for (const d88test::ExpectedOutput& o : d88test::k2HDOutputs) {
      SCOPED_TRACE(o.name);
      const size_t at = (static_cast<size_t>(o.track) * 8 + static_cast<size_t>(o.r - 1)) * 1024;
      const Bytes expected(rawBytes.begin() + static_cast<long>(at),
                           rawBytes.begin() + static_cast<long>(at) + o.length);
      EXPECT_EQ(d88test::readFile(cut.file(o.name)), expected);
    }
  }
}
