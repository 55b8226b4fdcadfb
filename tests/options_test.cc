// The options of the built d88cut, run in a fresh folder: each one's main
// path and its errors, stdout, stderr, status and the files written, byte for
// byte; and images read from pipes.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "test_support.h"

using d88test::Bytes;
using d88test::TempDir;
using d88test::ToolRun;
namespace fs = std::filesystem;

namespace {

const char kOutputs[][6] = {"PROG", "MUS00", "MUS01", "MUS02", "MUS03", "MUS04", "MUS05", "MUS06", "MUS07", "MUS08"};

// Every file in `dir` and below, by its path from `dir`, with its bytes.
std::map<std::string, Bytes> filesIn(const std::string& dir) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), dir).string()] = d88test::readFile(entry.path().string());
    }
  }
  return files;
}

// The outputs alone of `dir`, by name, with their bytes.
std::map<std::string, Bytes> outputsIn(const std::string& dir) {
  std::map<std::string, Bytes> files;
  for (const char* name : kOutputs) {
    if (fs::exists(dir + "/" + name)) {
      files[name] = d88test::readFile(dir + "/" + name);
    }
  }
  return files;
}

// Runs the tool on `image`, written as image.d88 in a fresh folder.
struct Outcome {
  ToolRun run;
  std::map<std::string, Bytes> outputs;
};
Outcome cut(const Bytes& image, const std::vector<std::string>& args) {
  TempDir dir;
  dir.write("image.d88", image);
  Outcome o{d88test::runTool(dir.path(), args), {}};
  o.outputs = outputsIn(dir.path());
  return o;
}

void expectSame(const Outcome& got, const Outcome& want) {
  EXPECT_EQ(got.run.status, want.run.status);
  EXPECT_EQ(got.run.out, want.run.out);
  EXPECT_EQ(got.run.err, want.run.err);
  EXPECT_EQ(got.outputs, want.outputs);
  EXPECT_EQ(got.outputs.size(), 10u) << "a whole layout was cut";
}

// The copies of an input left in `tmpdir`, or, for the Windows build, in
// the temporary folder of Wine's prefix (d88XXXX.tmp).
std::vector<std::string> inputCopies(const std::string& tmpdir) {
  const char* prefix = std::getenv("WINEPREFIX");
  const std::string where = d88test::windowsTool() && prefix != nullptr ? std::string(prefix) + "/drive_c" : tmpdir;
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(where)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("d88", 0) == 0 && name.find("d88cut-test") == std::string::npos) {
      found.push_back(entry.path().string());
    }
  }
  return found;
}

std::string usage() { return "Usage: " + d88test::programAsInvoked() + " [d88file] (DiskNo.)\n"; }

}  // namespace

TEST(OptionsTest, DiskAndMediaChooseWhatIsCut) {
  const Bytes hd = d88test::standard2HD();
  const Bytes dd = d88test::standard2DD();
  const Bytes both = d88test::concat({hd, dd});
  // --disk 1 of two disks is the cut of a file holding that disk alone.
  expectSame(cut(both, {"--disk", "1", "image.d88"}), cut(dd, {"image.d88"}));
  expectSame(cut(both, {"-d1", "image.d88"}), cut(dd, {"image.d88"}));
  expectSame(cut(both, {"--disk=0", "image.d88"}), cut(hd, {"image.d88"}));
  // --media cuts a mislabelled disk as what it is.
  expectSame(cut(d88test::withMedia(hd, 0x00), {"--media", "2HD", "image.d88"}), cut(hd, {"image.d88"}));
  expectSame(cut(d88test::withMedia(dd, 0xFF), {"-m", "2dd", "image.d88"}), cut(dd, {"image.d88"}));
  expectSame(cut(d88test::withMedia(dd, 0x20), {"--media=2Dd", "image.d88"}), cut(dd, {"image.d88"}));
  // Both at once: disk 1, labelled 2D, is the 2DD disk.
  expectSame(cut(d88test::concat({hd, d88test::withMedia(dd, 0x00)}), {"-d", "1", "-m", "2DD", "image.d88"}),
             cut(dd, {"image.d88"}));
}

TEST(OptionsTest, WhatFollowsTheImageIsNotRead) {
  const Bytes hd = d88test::standard2HD();
  const Bytes both = d88test::concat({hd, d88test::standard2DD()});
  Outcome plain = cut(hd, {"image.d88"});
  plain.run.err = "d88cut: what follows the image is not read; disk 0 is cut\n";
  expectSame(cut(both, {"image.d88", "--list"}), plain);
  expectSame(cut(both, {"image.d88", "--disk", "1"}), plain);
  expectSame(cut(both, {"image.d88", "-m", "2DD"}), plain);
  // --disk chose the disk: the one after the image is still not read.
  Outcome second = cut(d88test::standard2DD(), {"image.d88"});
  second.run.err = "d88cut: the disk number after the image is not read; disk 1 is cut (--disk 2 cuts disk 2)\n";
  expectSame(cut(both, {"-d", "1", "image.d88", "00"}), cut(d88test::standard2DD(), {"image.d88"}));
  expectSame(cut(both, {"-d", "1", "image.d88", "2"}), second);
}

TEST(OptionsTest, OptionErrors) {
  const Bytes both = d88test::concat({d88test::standard2HD(), d88test::standard2DD()});
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"--disk", "3", "image.d88"}, "image.d88 holds 2 disks (0 to 1); there is no disk 3\n"},
      {{"--disk", "abc", "image.d88"}, "image.d88 holds 2 disks (0 to 1); there is no disk abc\n"},
      {{"--disk", "-1", "image.d88"}, "image.d88 holds 2 disks (0 to 1); there is no disk -1\n"},
      {{"--disk", "", "image.d88"}, "image.d88 holds 2 disks (0 to 1); there is no disk \n"},
      {{"-d", "99999999999999999999", "image.d88"},
       "image.d88 holds 2 disks (0 to 1); there is no disk 99999999999999999999\n"},
      {{"-l", "-d", "2", "image.d88"}, "image.d88 holds 2 disks (0 to 1); there is no disk 2\n"},
      {{"--media", "2D", "image.d88"}, "d88cut: --media takes 2HD or 2DD (in any letter case), not '2D'\n"},
      {{"-m", "", "image.d88"}, "d88cut: --media takes 2HD or 2DD (in any letter case), not ''\n"},
      {{"--bogus", "image.d88"}, "d88cut: unknown option --bogus\n" + usage()},
      {{"--bogus=1", "image.d88"}, "d88cut: unknown option --bogus\n" + usage()},
      {{"-x", "image.d88"}, "d88cut: unknown option -x\n" + usage()},
      {{"-lx", "image.d88"}, "d88cut: unknown option -x\n" + usage()},
      {{"-xl", "image.d88"}, "d88cut: unknown option -x\n" + usage()},
      {{"--list", "--disk"}, "d88cut: missing the value of option --disk\n" + usage()},
      {{"-o"}, "d88cut: missing the value of option -o\n" + usage()},
      {{"--"}, usage()},
      {{"-l"}, usage()},
  };
  for (const Case& c : cases) {
    std::string what;
    for (const std::string& a : c.args) {
      what += " [" + a + "]";
    }
    SCOPED_TRACE(what);
    const Outcome o = cut(both, c.args);
    EXPECT_EQ(o.run.status, 1);
    EXPECT_EQ(o.run.out, "");
    EXPECT_EQ(o.run.err, c.err);
    EXPECT_TRUE(o.outputs.empty()) << "nothing written";
  }
  // One disk, and none.
  EXPECT_EQ(cut(d88test::standard2HD(), {"-d", "1", "image.d88"}).run.err,
            "image.d88 holds 1 disk (0); there is no disk 1\n");
  EXPECT_EQ(cut(Bytes(100, 0), {"-d", "0", "image.d88"}).run.err, "image.d88 holds no disks; there is no disk 0\n");
}

TEST(OptionsTest, AnImageNamedLikeAnOption) {
  TempDir dir;
  dir.write("-x.d88", d88test::standard2HD());
  const ToolRun plain = d88test::runTool(dir.path(), {"-x.d88"});
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(plain.err, "d88cut: unknown option -x\n" + usage());
  const ToolRun ended = d88test::runTool(dir.path(), {"--", "-x.d88"});
  EXPECT_EQ(ended.status, 0);
  EXPECT_EQ(ended.out, d88test::cutTranscript("2HD Version\n"));
  EXPECT_EQ(ended.err, "");
  EXPECT_EQ(outputsIn(dir.path()).size(), 10u);
}

TEST(OptionsTest, HelpAndVersion) {
  TempDir dir;
  for (const char* option : {"--help", "-h"}) {
    SCOPED_TRACE(option);
    const ToolRun run = d88test::runTool(dir.path(), {option});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.compare(0, usage().size(), usage()), 0) << run.out;
    for (const char* named : {"--disk N", "--media 2HD|2DD", "--output-dir DIR", "--list", "--help", "--version"}) {
      EXPECT_NE(run.out.find(named), std::string::npos) << named;
    }
  }
  for (const char* option : {"--version", "-V"}) {
    SCOPED_TRACE(option);
    const ToolRun run = d88test::runTool(dir.path(), {option});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("d88cut ") + D88CUT_VERSION + "\n");
    EXPECT_EQ(run.err, "");
  }
  EXPECT_TRUE(fs::is_empty(dir.path())) << "nothing written";
}

TEST(OptionsTest, OutputFolder) {
  const Bytes hd = d88test::standard2HD();
  const Outcome here = cut(hd, {"image.d88"});
  struct Case {
    const char* what;
    std::string folder;
    bool existing;
  };
  const Case cases[] = {
      {"a new nested folder", "out/one/two", false},
      {"a new folder, ending in a separator", "fresh/", false},
      {"an existing folder", "there", true},
      {"a Japanese name", "出力", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("image.d88", hd);
    if (c.existing) {
      fs::create_directory(dir.file(c.folder));
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-o", c.folder, "image.d88"}, {"--output-dir=" + c.folder, "image.d88"}}) {
      const ToolRun run = d88test::runTool(dir.path(), args);
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(run.out, here.run.out);
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(outputsIn(dir.file(c.folder)), here.outputs);
      EXPECT_TRUE(outputsIn(dir.path()).empty()) << "nothing in the current folder";
    }
  }
  // A path that is a file, or lies below one: nothing is written.
  for (const std::string& folder : {std::string("image.d88"), std::string("image.d88/below")}) {
    SCOPED_TRACE(folder);
    TempDir dir;
    dir.write("image.d88", hd);
    const ToolRun run = d88test::runTool(dir.path(), {"-o", folder, "image.d88"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "d88cut: cannot use " + folder + " as the output folder: Not a directory\n");
    EXPECT_EQ(filesIn(dir.path()).size(), 1u) << "nothing written";
    EXPECT_EQ(d88test::readFile(dir.file("image.d88")), hd);
  }
  // A disk that is not cut makes no folder.
  TempDir dir;
  dir.write("image.d88", d88test::withMedia(hd, 0x00));
  EXPECT_EQ(d88test::runTool(dir.path(), {"-o", "out", "image.d88"}).status, 0);
  EXPECT_FALSE(fs::exists(dir.file("out")));
}

// A small disk whose listing shows every mark: a data length other than 128
// << N, a name with bytes outside ASCII, a record whose count disagrees, one
// whose count is 0, a table entry outside the disk, and the end of the file.
Bytes damagedDisk() {
  d88test::Sector shortData = d88test::sector(0, 0, 2, 3, Bytes(512, 0));
  d88test::Sector firstOfThree = d88test::sector(2, 0, 1, 3, Bytes(1024, 0));
  firstOfThree.count = 3;
  d88test::Sector saysTwo = d88test::sector(2, 0, 2, 3, Bytes(1024, 0));
  saysTwo.count = 2;
  d88test::Sector none = d88test::sector(2, 1, 1, 3, Bytes(1024, 0));
  none.count = 0;
  d88test::Sector cut = d88test::sector(9, 9, 9, 1, Bytes(256, 0));
  cut.count = 2;
  Bytes image = d88test::disk("LIST\x82\xA0\\", d88test::kMedia2HD,
                              {
                                  d88test::track(0, {d88test::sector(0, 0, 1, 3, Bytes(1024, 0)), shortData}),
                                  d88test::track(4, {firstOfThree, saysTwo}),
                                  d88test::track(5, {none}),
                                  d88test::track(9, {cut}),
                              });
  d88test::putLE32(image, 0x20 + 4 * 6, 0x7FFFFFF0);  // past the disk
  return image;
}

TEST(OptionsTest, Listing) {
  const Bytes hd = d88test::standard2HD();
  const Bytes damaged = damagedDisk();
  const std::string header = "disk     offset       size  media        tracks  name               a cut would do\n";
  const std::string hdLine = "   0          0    1281968  0x20 2HD        154  \"SAMPLE 2HD\"       2HD layout: all 10 files whole\n";
  struct Case {
    const char* what;
    Bytes image;
    std::vector<std::string> options;
    std::string out;
  };
  const Case cases[] = {
      {"one disk", hd, {"--list"}, "image.d88: 1 disk\n" + header + hdLine},
      {"two disks, the second mislabelled", d88test::concat({hd, d88test::withMedia(d88test::standard2DD(), 0x00)}), {"-l"},
       "image.d88: 2 disks\n" + header + hdLine +
           "   1    1281968     832688  0x00 2D         160  \"SAMPLE 2DD\"       not cut (media 0x00; --media can choose a layout)\n"},
      // 5 sectors a track: PROG and the MUS files that start at R 5 run short.
      {"two disks as 2HD", d88test::concat({hd, d88test::withMedia(d88test::standard2DD(), 0x00)}), {"-l", "--media", "2hd"},
       "image.d88: 2 disks\n" + header + hdLine +
           "   1    1281968     832688  0x00 2D         160  \"SAMPLE 2DD\"       2HD layout: 5 of 10 files short\n"},
      {"no disk", Bytes(687, 0), {"--list"}, "image.d88: 0 disks\n"},
      {"a damaged disk", damaged, {"--list", "--disk", "0"},
       "image.d88: 1 disk\n" + header +
           "   0          0       5648  0x20 2HD          4  \"LIST\\x82\\xA0\\x5C\" 2HD layout: 10 of 10 files short\n"
           "\n"
           "disk 0: media 0x20 2HD, 4 of 164 tracks present\n"
           "track   C  H     offset  records C/H/R/N, =LENGTH where the data is not 128 << N\n"
           "    0   0  0        688  0/0/1/3 0/0/2/3=512\n"
           "    4   2  0       2256  2/0/1/3 2/0/2/3(count 2)  [2 records where the first says 3]\n"
           "    5   2  1       4336  2/1/1/3  [count 0: a search stops here]\n"
           "    6   3  0  outside the disk: its table entry is 2147483632, the disk 5648 bytes\n"
           "    9   4  1       5376  9/9/9/1  [the file ends at byte 5648]\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = c.options;
    args.push_back("image.d88");
    const Outcome o = cut(c.image, args);
    EXPECT_EQ(o.run.status, 0);
    EXPECT_EQ(o.run.out, c.out);
    EXPECT_EQ(o.run.err, "");
    EXPECT_TRUE(o.outputs.empty()) << "a listing writes nothing";
  }
}

TEST(OptionsTest, ImagesFromPipes) {
  const Bytes hd = d88test::standard2HD();
  const Outcome file = cut(hd, {"image.d88"});
  struct Case {
    const char* what;
    std::string arg;
    std::string pipeFrom;  // a command in the folder whose output is the tool's standard input
    std::string input;     // or a redirection of it
  };
  const Case cases[] = {
      {"cat image | d88cut -", "-", "cat image.d88", ""},
      {"d88cut - < image", "-", "", "<image.d88"},
      {"cat image | d88cut /dev/stdin", "/dev/stdin", "cat image.d88", ""},
      {"a FIFO", "fifo", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (d88test::windowsTool() && c.arg != "-") {
      continue;  // a Windows program has no /dev/stdin, nor FIFOs
    }
    TempDir dir;
    TempDir temporary;  // TMPDIR: where the copy of the input goes
    dir.write("image.d88", hd);
    d88test::RunSetup setup;
    // Wine keeps its own temporary folder, and its server's socket in TMPDIR.
    if (!d88test::windowsTool()) {
      setup.prelude = "TMPDIR=" + d88test::quote(temporary.path()) + "; export TMPDIR;";
    }
    setup.pipeFrom = c.pipeFrom;
    if (!c.input.empty()) {
      setup.input = c.input;
    }
    if (c.arg == "fifo") {
      ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0644), 0);
      setup.prelude += " cat image.d88 > fifo &";
    }
    const ToolRun run = d88test::runTool(dir.path(), {c.arg}, setup);
    EXPECT_EQ(run.status, file.run.status);
    EXPECT_EQ(run.out, file.run.out);
    EXPECT_EQ(run.err, file.run.err);
    EXPECT_EQ(outputsIn(dir.path()), file.outputs);
    EXPECT_EQ(inputCopies(temporary.path()), std::vector<std::string>{}) << "the copy of the input is gone";
    EXPECT_EQ(d88test::temporaryFiles(dir.path()), std::vector<std::string>{});
  }
  // A pipe that delivers nothing holds no disk: nothing is cut, as for an empty file.
  TempDir dir;
  d88test::RunSetup empty;
  empty.pipeFrom = "printf ''";
  const ToolRun run = d88test::runTool(dir.path(), {"-"}, empty);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(fs::is_empty(dir.path()));
  // Where no temporary copy can be made, the image cannot be opened, and the tool says why.
  if (!d88test::windowsTool()) {
    d88test::RunSetup nowhere;
    nowhere.prelude = "TMPDIR=" + d88test::quote(dir.file("missing")) + "; export TMPDIR;";
    nowhere.pipeFrom = "printf 'D88'";
    const ToolRun refused = d88test::runTool(dir.path(), {"-"}, nowhere);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, d88test::kOpenFailure +
                               "d88cut: cannot open standard input: cannot make a temporary copy of it: "
                               "No such file or directory\n");
  }
  // Listed from a pipe, the image is named as standard input.
  d88test::RunSetup listed;
  listed.pipeFrom = "cat " + d88test::quote(dir.write("image.d88", hd));
  const ToolRun list = d88test::runTool(dir.path(), {"-l", "-"}, listed);
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out.compare(0, 24, "standard input: 1 disk\nd"), 0) << list.out;
}

TEST(OptionsTest, BinaryStandardInput) {
  // Bytes a text-mode read would change (CR LF, ^Z) in the header and data.
  Bytes hd = d88test::standard2HD();
  for (size_t at : {size_t{0}, size_t{1}, size_t{2}}) {
    hd[at] = std::vector<unsigned char>{0x0D, 0x0A, 0x1A}[at];
  }
  TempDir dir;
  dir.write("image.d88", hd);
  const Outcome file = cut(hd, {"image.d88"});
  d88test::RunSetup setup;
  setup.input = "<image.d88";
  const ToolRun run = d88test::runTool(dir.path(), {"-"}, setup);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, file.run.out);
  EXPECT_EQ(outputsIn(dir.path()), file.outputs);
}

TEST(OptionsTest, RealImages) {
  if (d88test::realFixturesDir().empty()) {
    GTEST_SKIP() << "no folder of real images at " << D88CUT_REAL_FIXTURES;
  }
  for (const std::string& path : d88test::realFixtures()) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--list"}, {"--list", "--disk", "0"}, {"--media", "2HD"}, {"--media", "2DD"}}) {
      std::string what = path;
      for (const std::string& o : options) {
        what += " " + o;
      }
      SCOPED_TRACE(what);
      TempDir dir;
      std::vector<std::string> args = options;
      args.push_back(path);
      const ToolRun run = d88test::runTool(dir.path(), args);
      if (options[0] == "--list") {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.compare(0, path.size() + 9, path + ": 1 disk\n"), 0) << run.out;
        EXPECT_EQ(run.err, "");
        EXPECT_TRUE(fs::is_empty(dir.path()));
        if (options.size() > 1) {
          EXPECT_NE(run.out.find("\ndisk 0: media 0x"), std::string::npos) << run.out;
          EXPECT_NE(run.out.find("\n    0   0  0        688 "), std::string::npos) << "track 0 is listed";
        }
      } else {
        // None holds the layout's sectors: every file is named short, then the summary.
        const std::string banner = options[1] + " Version\n";
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, d88test::cutTranscript(banner));
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 11) << run.err;
        EXPECT_NE(run.err.find("\nd88cut: 10 of 10 files short"), std::string::npos) << run.err;
      }
    }
  }
}
