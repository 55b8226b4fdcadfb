// Where the outputs land: each is put in place only when whole, an earlier
// file stays when the new one fails, links and FIFOs at an output's name are
// replaced rather than written through, and the image is never an output.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "d88_builder.h"
#include "expected_layouts.h"
#include "test_support.h"

using d88test::Bytes;
using d88test::ExpectedOutput;
using d88test::TempDir;
namespace fs = std::filesystem;

namespace {

const std::string kTranscript2HD = d88test::cutTranscript("2HD Version\n");

const ExpectedOutput& output2HD(const std::string& name) {
  return *std::find_if(d88test::k2HDOutputs.begin(), d88test::k2HDOutputs.end(),
                       [&](const ExpectedOutput& o) { return o.name == name; });
}

// The bytes a whole 2HD cut writes as `name`.
Bytes whole2HD(const std::string& name) {
  const ExpectedOutput& o = output2HD(name);
  return d88test::standardRun(o.track, o.r, 8, o.length);
}

// An earlier run's file: recognisably not what this run cuts.
Bytes earlier(const std::string& name) { return Bytes(static_cast<size_t>(output2HD(name).length) + 7, 0xEE); }

// Expects every output in `folder` but those in `except` to hold what a whole 2HD cut writes.
void expectCutIn(const std::string& folder, const std::vector<std::string>& except = {}) {
  for (const ExpectedOutput& o : d88test::k2HDOutputs) {
    if (std::find(except.begin(), except.end(), o.name) != except.end()) {
      continue;
    }
    SCOPED_TRACE(o.name);
    const std::string path = folder + "/" + o.name;
    // Read only a plain file: opening a FIFO that stayed would hang the test.
    if (!fs::is_regular_file(fs::symlink_status(path))) {
      ADD_FAILURE() << "not a plain file";
      continue;
    }
    EXPECT_EQ(d88test::readFile(path), whole2HD(o.name));
  }
}

void expectCut(const TempDir& dir, const std::vector<std::string>& except = {}) { expectCutIn(dir.path(), except); }

void expectNoTemporary(const TempDir& dir) {
  EXPECT_EQ(d88test::temporaryFiles(dir.path()), std::vector<std::string>{});
}

// Whether the message is one line "NAME: WHAT: REASON" with some reason,
// then the summary that names the file as not written.
void expectOneFailure(const std::string& err, const std::string& head) {
  EXPECT_EQ(err.compare(0, head.size(), head), 0) << err;
  const size_t end = err.find('\n');
  ASSERT_NE(end, std::string::npos) << err;
  EXPECT_GT(end, head.size() + 1) << "the system's reason is given";
  const std::string name = head.substr(0, head.find(':'));
  EXPECT_EQ(err.substr(end + 1), "d88cut: 1 of 10 files not written (" + name + ")\n");
}

}  // namespace

TEST(OutputTest, AFailedWriteKeepsTheEarlierFile) {
  TempDir dir;
  dir.write("image.d88", d88test::standard2HD());
  for (const ExpectedOutput& o : d88test::k2HDOutputs) {
    dir.write(o.name, earlier(o.name));
  }
  // 58 blocks of 512 bytes: 29696 bytes, less than PROG's 57344 and more than any MUS file.
  // SIGXFSZ ignored, the write past the limit fails instead of ending the run.
  d88test::RunSetup limited;
  limited.prelude = "trap '' XFSZ; ulimit -f 58;";
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"}, limited);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kTranscript2HD);
  expectOneFailure(run.err, "PROG: cannot write: ");
  if (!d88test::windowsTool()) {
    EXPECT_EQ(run.err, "PROG: cannot write: File too large\nd88cut: 1 of 10 files not written (PROG)\n");
  }
  EXPECT_EQ(d88test::readFile(dir.file("PROG")), earlier("PROG")) << "the earlier PROG stays";
  expectCut(dir, {"PROG"});
  expectNoTemporary(dir);
}

TEST(OutputTest, ARunEndedByASignalLeavesNoTemporaryFile) {
  if (d88test::windowsTool()) {
    GTEST_SKIP() << "the signal would end Wine, not the program; Windows removes the file itself";
  }
  TempDir dir;
  dir.write("image.d88", d88test::standard2HD());
  dir.write("PROG", earlier("PROG"));
  // Past the limit, SIGXFSZ ends the run in the middle of writing PROG.
  d88test::RunSetup limited;
  limited.prelude = "ulimit -f 58;";
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"}, limited);
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.status, 124) << "it ended, and did not hang";
  EXPECT_EQ(d88test::readFile(dir.file("PROG")), earlier("PROG")) << "the earlier PROG stays";
  expectNoTemporary(dir);
}

TEST(OutputTest, TheImageIsNeverAnOutput) {
  const Bytes image = d88test::standard2HD();
  struct Case {
    const char* what;
    const char* imageName;
    const char* output;  // the output name that is the image, by one way or another
    void (*make)(const TempDir&);
  };
  const Case cases[] = {
      {"an image named MUS08", "MUS08", "MUS08", [](const TempDir&) {}},
      {"a link named PROG to the image", "image.d88", "PROG",
       [](const TempDir& d) { fs::create_symlink("image.d88", d.file("PROG")); }},
      {"a hard link named MUS03 to the image", "image.d88", "MUS03",
       [](const TempDir& d) { fs::create_hard_link(d.file("image.d88"), d.file("MUS03")); }},
      {"the image reached through a link named MUS00", "MUS00", "MUS00",
       [](const TempDir& d) {
         fs::rename(d.file("MUS00"), d.file("real.d88"));
         fs::create_symlink("real.d88", d.file("MUS00"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write(c.imageName, image);
    c.make(dir);
    const d88test::ToolRun run = d88test::runTool(dir.path(), {c.imageName});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, kTranscript2HD);
    EXPECT_EQ(run.err, std::string(c.output) + ": is the image being cut; not replaced\nd88cut: 1 of 10 files not written (" +
                           c.output + ")\n");
    EXPECT_EQ(d88test::readFile(dir.file(c.output)), image) << "the image's bytes are unchanged";
    expectCut(dir, {c.output});
    expectNoTemporary(dir);
  }
  // Each name of the image stays what it was: the link a link, the hard link a second name.
  TempDir dir;
  dir.write("image.d88", image);
  fs::create_symlink("image.d88", dir.file("PROG"));
  fs::create_hard_link(dir.file("image.d88"), dir.file("MUS03"));
  d88test::runTool(dir.path(), {"image.d88"});
  EXPECT_TRUE(fs::is_symlink(dir.file("PROG")));
  EXPECT_EQ(fs::hard_link_count(dir.file("image.d88")), 2u);
}

TEST(OutputTest, LinksAndFifosAtOutputNamesAreReplaced) {
  TempDir outside;
  const Bytes notes = {'n', 'o', 't', 'e', 's', '\n'};
  outside.write("notes.txt", notes);
  TempDir dir;
  dir.write("image.d88", d88test::standard2HD());
  fs::create_symlink(outside.file("notes.txt"), dir.file("MUS03"));
  fs::create_symlink(outside.file("missing.txt"), dir.file("MUS05"));  // dangling
  // Wine takes a FIFO for a device, which no Windows program may replace;
  // a real Windows has no FIFOs, so only the Linux build meets one here.
  if (!d88test::windowsTool()) {
    ASSERT_EQ(mkfifo(dir.file("MUS04").c_str(), 0644), 0);
  }
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
  EXPECT_EQ(run.status, 0) << "no hang: a run that timed out exits 124";
  EXPECT_EQ(run.out, kTranscript2HD);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(d88test::readFile(outside.file("notes.txt")), notes) << "the link's target keeps its bytes";
  EXPECT_FALSE(fs::exists(outside.file("missing.txt"))) << "a dangling link's target is not created";
  expectCut(dir);  // MUS03, MUS04 and MUS05 are now plain files holding the cut
  expectNoTemporary(dir);
}

TEST(OutputTest, NothingReadNothingWritten) {
  // Tracks 72 and 73 hold nothing the 2HD layout reads; track 74 holds R 1 and R 2 alone.
  Bytes image = d88test::standard2HD();
  d88test::putLE32(image, 0x20 + 4 * 72, 0);
  d88test::putLE32(image, 0x20 + 4 * 73, 0);
  image[d88test::standardRecordOffset(74, 3, 8) + 2] = 9;  // R 3 becomes R 9
  TempDir dir;
  dir.write("image.d88", image);
  for (const ExpectedOutput& o : d88test::k2HDOutputs) {
    dir.write(o.name, earlier(o.name));
  }
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kTranscript2HD) << "every file is still named as it is cut";
  const std::vector<std::string> unread = {"MUS04", "MUS05", "MUS06", "MUS07"};
  std::string lines;
  const int tracks[] = {72, 72, 73, 73};
  const int cylinders[] = {36, 36, 36, 36};
  const int heads[] = {0, 0, 1, 1};
  const int sectors[] = {1, 5, 1, 5};
  for (size_t i = 0; i < unread.size(); ++i) {
    lines += unread[i] + ": read 0 of " + std::to_string(output2HD(unread[i]).length) + " bytes; sector C " +
             std::to_string(cylinders[i]) + " H " + std::to_string(heads[i]) + " R " + std::to_string(sectors[i]) +
             " N 3 not found: track " + std::to_string(tracks[i]) + " is not in the image; not written\n";
  }
  EXPECT_EQ(run.err.compare(0, lines.size(), lines), 0) << run.err;
  EXPECT_EQ(run.err.find("MUS08: read 2048 of 4096 bytes; sector C 37 H 0 R 3 N 3 not found in track 74"),
            lines.size())
      << run.err;
  const std::string summary =
      "d88cut: 5 of 10 files short (MUS04, MUS05, MUS06, MUS07, MUS08); 4 not written (MUS04, MUS05, MUS06, MUS07)\n";
  EXPECT_EQ(run.err.substr(run.err.size() - std::min(run.err.size(), summary.size())), summary);
  for (const std::string& name : unread) {
    SCOPED_TRACE(name);
    EXPECT_EQ(d88test::readFile(dir.file(name)), earlier(name)) << "the earlier file stays";
  }
  Bytes partly = d88test::standardRun(74, 1, 8, 2048);
  partly.resize(4096, 0);
  EXPECT_EQ(d88test::readFile(dir.file("MUS08")), partly) << "a partly read file is replaced, zero past the read";
  expectCut(dir, {"MUS04", "MUS05", "MUS06", "MUS07", "MUS08"});
  expectNoTemporary(dir);
}

TEST(OutputTest, WhatStandsAtAnOutputName) {
  struct Case {
    const char* what;
    void (*make)(const TempDir&);
    int status;
    std::string errHead;        // "" when the run is clean
    const char* kept;           // the output that is not replaced, or null
  };
  const Case cases[] = {
      {"earlier outputs are replaced",
       [](const TempDir& d) {
         for (const ExpectedOutput& o : d88test::k2HDOutputs) {
           d.write(o.name, earlier(o.name));
         }
       },
       0, "", nullptr},
      {"a read-only earlier output is kept",
       [](const TempDir& d) {
         d.write("MUS01", earlier("MUS01"));
         fs::permissions(d.file("MUS01"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       },
       1, "MUS01: cannot create: ", "MUS01"},
      {"a folder at an output name",
       [](const TempDir& d) { fs::create_directory(d.file("MUS03")); }, 1, "MUS03: cannot create: ", "MUS03"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("image.d88", d88test::standard2HD());
    c.make(dir);
    const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, kTranscript2HD);
    if (c.errHead.empty()) {
      EXPECT_EQ(run.err, "");
    } else {
      expectOneFailure(run.err, c.errHead);
    }
    if (c.kept != nullptr) {
      if (fs::is_directory(dir.file(c.kept))) {
        EXPECT_TRUE(fs::is_empty(dir.file(c.kept))) << "the folder is left alone";
      } else {
        EXPECT_EQ(d88test::readFile(dir.file(c.kept)), earlier(c.kept));
      }
      expectCut(dir, {c.kept});
    } else {
      expectCut(dir);
    }
    expectNoTemporary(dir);
  }
}

TEST(OutputTest, AFileHeldOpenOnWindows) {
  // Windows will not replace a file that another program holds open without
  // sharing it for deletion; Linux replaces its name all the same.
  const fs::path helper = fs::path(d88test::toolPath()).parent_path().parent_path() / "hold_open.exe";
  if (!d88test::windowsTool() || !fs::exists(helper)) {
    GTEST_SKIP() << "for the Windows build, with hold_open.exe beside its tool folder";
  }
  TempDir dir;
  dir.write("image.d88", d88test::standard2HD());
  dir.write("PROG", earlier("PROG"));
  d88test::RunSetup held;
  // The helper holds PROG for 20 s; the run waits until it says it holds it.
  held.prelude = "(" + d88test::runnerPrefix() + d88test::quote(helper.string()) +
                 " PROG ready 20 &); for i in $(seq 300); do [ -e ready ] && break; sleep 0.1; done;";
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"}, held);
  ASSERT_TRUE(fs::exists(dir.file("ready"))) << "the helper did not start";
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kTranscript2HD);
  expectOneFailure(run.err, "PROG: cannot replace: ");
  EXPECT_EQ(d88test::readFile(dir.file("PROG")), earlier("PROG")) << "the earlier PROG stays";
  expectCut(dir, {"PROG"});
  expectNoTemporary(dir);
}

TEST(OutputTest, AnUnwritableFolder) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "root writes into any folder";
  }
  TempDir dir;
  dir.write("image.d88", d88test::standard2HD());
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
  const d88test::ToolRun run = d88test::runTool(dir.path(), {"image.d88"});
  fs::permissions(dir.path(), fs::perms::owner_all);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("PROG: cannot create: "), 0u) << run.err;
  expectNoTemporary(dir);
}

TEST(OutputTest, NamesOfAnyBytes) {
  struct Case {
    const char* what;
    std::string folder;
    std::string image;
    std::string outputDir;  // for --output-dir
    bool linuxOnly;
  };
  const std::string longPath = std::string(120, 'a') + "/" + std::string(120, 'b') + "/" + std::string(120, 'c');
  const Case cases[] = {
      {"Japanese names", "ディスク", "ゲーム.d88", "出力", false},
      {"spaces", "my disks", "game one.d88", "cut files", false},
      // Past Windows' old 260-character limit for a path.
      {"a long path", longPath, "image.d88", longPath + "/out", false},
      // Shift_JIS bytes, as an old archive unpacked on Linux leaves them: no UTF-8.
      {"bytes that are not UTF-8", "\x83\x66\x83\x42\x83\x58\x83\x4E", "\x83\x51\x81\x5B\x83\x80.d88",
       "\x8F\x6F\x97\xCD", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.linuxOnly && d88test::windowsTool()) {
      continue;
    }
    TempDir dir;
    fs::create_directories(dir.file(c.folder));
    const std::string image = c.folder + "/" + c.image;
    dir.write(image, d88test::standard2HD());
    for (const bool intoFolder : {false, true}) {
      SCOPED_TRACE(intoFolder ? "into --output-dir" : "into the current folder");
      const d88test::ToolRun run = d88test::runTool(
          dir.path(), intoFolder ? std::vector<std::string>{"--output-dir", c.outputDir, image}
                                 : std::vector<std::string>{image});
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(run.out, kTranscript2HD);
      EXPECT_EQ(run.err, "");
      expectCutIn(intoFolder ? dir.file(c.outputDir) : dir.path());
      expectNoTemporary(dir);
    }
  }
}
