// The command line of the built d88cut, run in a fresh folder: standard
// output, standard error and the exit status, byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "test_support.h"

using d88test::Bytes;
using d88test::TempDir;

namespace {

// "ファイルをオープンできません.\n" in Shift_JIS.
const std::string kOpenFailure =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76"
    "\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"
    ".\n";

Bytes withMedia(Bytes image, int media) {
  image.at(0x1B) = static_cast<unsigned char>(media);
  return image;
}

}  // namespace

TEST(CommandLineTest, NoArgumentPrintsUsage) {
  TempDir dir;
  const d88test::ToolRun run = d88test::runTool(dir.path(), {});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Usage: " + d88test::programAsInvoked() + " [d88file] (DiskNo.)\n");
}

TEST(CommandLineTest, ImagesThatCannotBeOpened) {
  for (const char* path : {"missing.d88", "folder.d88", "."}) {
    SCOPED_TRACE(path);
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder.d88"));
    const d88test::ToolRun run = d88test::runTool(dir.path(), {path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, kOpenFailure);
  }
}

TEST(CommandLineTest, MediaDecidesWhatIsCut) {
  const Bytes hd = d88test::standard2HD();
  const Bytes dd = d88test::standard2DD();
  struct Case {
    const char* what;
    Bytes image;
    std::vector<std::string> extraArgs;
    std::string out;  // "" also means: nothing written but the image
  };
  const Case cases[] = {
      {"empty file", {}, {}, ""},
      {"687 bytes: no whole disk header", Bytes(687, 0x20), {}, ""},
      {"media 0x20", hd, {}, d88test::cutTranscript("2HD Version\n")},
      {"media 0x10", dd, {}, d88test::cutTranscript("2DD Version\n")},
      {"media 0x00", withMedia(hd, 0x00), {}, ""},
      {"media 0x30", withMedia(hd, 0x30), {}, ""},
      {"media 0x12 is not 2DD", withMedia(dd, 0x12), {}, ""},
      {"only disk 0 is looked at", d88test::concat({withMedia(hd, 0x00), hd}), {}, ""},
      // The usage names a disk number, but disk 0 is always the one cut.
      {"a disk number changes nothing", d88test::concat({hd, dd}), {"1"}, d88test::cutTranscript("2HD Version\n")},
      {"further arguments are ignored", dd, {"1", "two", "-x"}, d88test::cutTranscript("2DD Version\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("image.d88", c.image);
    std::vector<std::string> args = {"image.d88"};
    args.insert(args.end(), c.extraArgs.begin(), c.extraArgs.end());
    const d88test::ToolRun run = d88test::runTool(dir.path(), args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    const auto files = std::distance(std::filesystem::directory_iterator(dir.path()),
                                     std::filesystem::directory_iterator{});
    EXPECT_EQ(files, c.out.empty() ? 1 : 11);
  }
}
