#pragma once
// Temporary folders and running the built d88cut, for the tests.

#include <string>
#include <vector>

#include "d88_builder.h"

namespace d88test {

// The open-failure line, "ファイルをオープンできません.\n", in Shift_JIS.
inline const std::string kOpenFailure =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76"
    "\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"
    ".\n";

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Writes `bytes` to `name` in this folder and returns its path.
  std::string write(const std::string& name, const Bytes& bytes) const;

 private:
  std::string path_;
};

struct ToolRun {
  int status = -1;  // the exit status, or -1 when the tool did not exit normally
  std::string out;  // standard output, line ends as a Linux console writes them
  std::string err;  // standard error, likewise
};

// D88CUT_RUNNER and a space, or "" when it is not set: what runs a Windows program.
std::string runnerPrefix();

// The command that runs toolPath(): D88CUT_RUNNER, if set, is put before it.
std::string toolCommand();

// The program the tests run: D88CUT_EXE made absolute, or the one built here.
std::string toolPath();

// Whether that program is a Windows build (run under an emulator such as wine).
bool windowsTool();

// The program's name as the tool receives it in argv[0].
std::string programAsInvoked();

// Standard output of a run that cuts a whole layout: the banner, then one
// "cutting ..." line per file.
std::string cutTranscript(const std::string& banner);

// How the shell starts the tool, beyond its arguments.
struct RunSetup {
  std::string prelude;              // shell commands run first, such as "ulimit -f 58;"
  std::string input = "</dev/null";  // the redirection of standard input
  std::string pipeFrom;             // a command whose output is piped in instead
  std::string output;               // where standard output goes instead of a capture
};

// Runs d88cut with `args` in the folder `dir`, with no standard input.
// A Windows build's CR LF line ends are given back as LF; a bare LF from it
// is marked so that it fails any comparison. Under a runner (Wine), a run
// that fails having written nothing and changed nothing is made once more.
ToolRun runTool(const std::string& dir, const std::vector<std::string>& args,
                const RunSetup& setup = {});

// Quotes `word` for the shell.
std::string quote(const std::string& word);

// The names in `dir` that the tool's temporary files have (".NAME.d88cut-...").
std::vector<std::string> temporaryFiles(const std::string& dir);

// The folder of real images written by other tools, or "" when it is absent.
std::string realFixturesDir();

// The real image files in realFixturesDir(), sorted by name.
std::vector<std::string> realFixtures();

}  // namespace d88test
