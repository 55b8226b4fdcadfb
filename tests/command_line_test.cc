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

TEST(CommandLineTest, NoArgumentPrintsUsage) {
  TempDir dir;
  const d88test::ToolRun run = d88test::runTool(dir.path(), {});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Usage: " + d88test::programAsInvoked() + " [d88file] (DiskNo.)\n");
}

TEST(CommandLineTest, ImagesThatCannotBeOpened) {
  // The Shift_JIS line as ever, then the path and the system's reason in English.
  const std::pair<const char*, const char*> cases[] = {
      {"missing.d88", "No such file or directory"},
      {"folder.d88", "Is a directory"},
      {".", "Is a directory"},
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder.d88"));
    const d88test::ToolRun run = d88test::runTool(dir.path(), {path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, d88test::kOpenFailure + "d88cut: cannot open " + path + ": " + reason + "\n");
  }
}

TEST(CommandLineTest, MediaDecidesWhatIsCut) {
  const Bytes hd = d88test::standard2HD();
  const Bytes dd = d88test::standard2DD();
  // What a zip archive begins with, and more than a disk header of it.
  Bytes zip = {'P', 'K', 3, 4, 20, 0, 0, 0, 8, 0};
  for (int i = 0; zip.size() < 3000; ++i) {
    zip.push_back(static_cast<unsigned char>(i * 37 + 11));
  }
  const std::string noLayout =
      ", which has no layout; --media 2HD or --media 2DD cuts it as one, --list shows the disks\n";
  const std::string ignored =
      "d88cut: the disk number after the image is not read; disk 0 is cut (--disk 1 cuts disk 1)\n";
  struct Case {
    const char* what;
    Bytes image;
    std::vector<std::string> extraArgs;
    std::string out;  // "" also means: nothing written but the image
    std::string err;
  };
  const Case cases[] = {
      {"empty file", {}, {}, "", "image.d88: holds no D88 disk (0 bytes; a disk header is 688)\n"},
      {"687 bytes: no whole disk header", Bytes(687, 0x20), {}, "",
       "image.d88: holds no D88 disk (687 bytes; a disk header is 688)\n"},
      {"a zip", zip, {}, "", "image.d88: holds no D88 disk (the 688 bytes at byte 0 are no D88 disk header)\n"},
      {"media 0x20", hd, {}, d88test::cutTranscript("2HD Version\n"), ""},
      {"media 0x10", dd, {}, d88test::cutTranscript("2DD Version\n"), ""},
      {"media 0x00", d88test::withMedia(hd, 0x00), {}, "", "image.d88: disk 0 is 2D (media 0x00)" + noLayout},
      {"media 0x30", d88test::withMedia(hd, 0x30), {}, "", "image.d88: disk 0 is 1D (media 0x30)" + noLayout},
      {"media 0xFF", d88test::withMedia(hd, 0xFF), {}, "", "image.d88: disk 0 is of no known medium (media 0xFF)" + noLayout},
      {"media 0x12 is not 2DD", d88test::withMedia(dd, 0x12), {}, "",
       "image.d88: disk 0 is of no known medium (media 0x12)" + noLayout},
      {"only disk 0 is looked at", d88test::concat({d88test::withMedia(hd, 0x00), hd}), {}, "",
       "image.d88: disk 0 is 2D (media 0x00)" + noLayout},
      // The usage names a disk number, but disk 0 is always the one cut; the tool says so.
      {"a disk number changes nothing", d88test::concat({hd, dd}), {"1"}, d88test::cutTranscript("2HD Version\n"),
       ignored},
      {"disk number 0", d88test::concat({hd, dd}), {"0"}, d88test::cutTranscript("2HD Version\n"), ""},
      {"further arguments are ignored", dd, {"1", "two", "-x"}, d88test::cutTranscript("2DD Version\n"), ignored},
      {"not a number after the image", dd, {"two"}, d88test::cutTranscript("2DD Version\n"),
       "d88cut: what follows the image is not read; disk 0 is cut\n"},
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
    EXPECT_EQ(run.err, c.err);
    const auto files = std::distance(std::filesystem::directory_iterator(dir.path()),
                                     std::filesystem::directory_iterator{});
    EXPECT_EQ(files, c.out.empty() ? 1 : 11);
  }
}

TEST(CommandLineTest, StandardOutputThatCannotBeWritten) {
  if (!std::filesystem::exists("/dev/full")) {
    GTEST_SKIP() << "this system has no /dev/full";
  }
  TempDir dir;
  dir.write("image.d88", d88test::standard2HD());
  d88test::RunSetup full;
  full.output = "/dev/full";
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"}, full);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "d88cut: cannot write standard output: No space left on device\n");
  const auto files = std::distance(std::filesystem::directory_iterator(dir.path()),
                                   std::filesystem::directory_iterator{});
  EXPECT_EQ(files, 11) << "the files are still cut";
}

TEST(CommandLineTest, TheManPageAndTheUsageLineAgree) {
  // The usage line names the image as d88file and the disk number as DiskNo.;
  // the man page's synopsis names the same two, in that order.
  const Bytes page = d88test::readFile(D88CUT_MAN_PAGE_SOURCE);
  const std::string text(page.begin(), page.end());
  const size_t synopsis = text.find(".SH SYNOPSIS\n");
  ASSERT_NE(synopsis, std::string::npos);
  const std::string body = text.substr(synopsis, text.find(".SH", synopsis + 1) - synopsis);
  EXPECT_NE(body.find(".B d88cut\n"), std::string::npos) << body;
  const size_t image = body.find(".I d88file\n");
  const size_t disk = body.find(".RI [ DiskNo. ]\n");
  EXPECT_NE(image, std::string::npos) << body;
  EXPECT_NE(disk, std::string::npos) << body;
  EXPECT_LT(image, disk);
  TempDir dir;
  EXPECT_EQ(d88test::runTool(dir.path(), {}).err,
            "Usage: " + d88test::programAsInvoked() + " [d88file] (DiskNo.)\n");
}
