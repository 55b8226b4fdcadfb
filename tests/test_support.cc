#include "test_support.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

namespace fs = std::filesystem;

namespace d88test {

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "d88cut-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Make anything a test locked up removable again first.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const Bytes& bytes) const {
  std::string where = file(name);
  if (!writeFile(where, bytes)) {
    throw std::runtime_error("cannot write " + where);
  }
  return where;
}

std::string quote(const std::string& word) {
  std::string quoted = "'";
  for (char ch : word) {
    quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  }
  return quoted + "'";
}

std::vector<std::string> temporaryFiles(const std::string& dir) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".d88cut-") != std::string::npos) {
      found.push_back(name);
    }
  }
  return found;
}

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// A Windows console writes each "\n" as "\r\n". That, and nothing else, is
// undone: a bare "\n" is marked, so that it fails every comparison.
std::string unixLineEnds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;
    }
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      out += "<LF without CR>";
    }
    out += text[i];
  }
  return out;
}

}  // namespace

bool windowsTool() {
  const std::string path = toolPath();
  return path.size() > 4 && path.compare(path.size() - 4, 4, ".exe") == 0;
}

std::string programAsInvoked() {
  if (!windowsTool()) {
    return toolPath();
  }
  // Wine hands a Windows program its Unix path as drive Z:.
  std::string windows = "Z:" + toolPath();
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

std::string toolPath() {
  const char* exe = std::getenv("D88CUT_EXE");
  return exe != nullptr && *exe != '\0' ? fs::absolute(exe).string() : std::string(D88CUT_BUILT_EXE);
}

std::string runnerPrefix() {
  const char* runner = std::getenv("D88CUT_RUNNER");
  return runner != nullptr && *runner != '\0' ? std::string(runner) + " " : "";
}

std::string toolCommand() { return runnerPrefix() + quote(toolPath()); }

std::string cutTranscript(const std::string& banner) {
  std::string out = banner + "cutting ... PROG\n";
  for (int i = 0; i <= 8; ++i) {
    out += "cutting ... MUS0" + std::to_string(i) + "\n";
  }
  return out;
}

namespace {

ToolRun runOnce(const std::string& dir, const std::vector<std::string>& args, const RunSetup& setup) {
  // Captures go beside the folder, so that the folder holds only what the tool wrote.
  TempDir captures;
  // A hang is a failure, not a stuck test run: timeout ends it with status 124.
  static const bool canTimeOut = std::system("command -v timeout >/dev/null 2>&1") == 0;
  std::string command = "cd " + quote(dir) + " && " + setup.prelude + " " +
                        (setup.pipeFrom.empty() ? "" : setup.pipeFrom + " | ") +
                        (canTimeOut ? "timeout 120 " : "") + toolCommand();
  for (const std::string& arg : args) {
    command += " " + quote(arg);
  }
  command += " " + (setup.pipeFrom.empty() ? setup.input : std::string()) + " >" +
             (setup.output.empty() ? quote(captures.file("out")) : setup.output) + " 2>" +
             quote(captures.file("err"));
  const int raw = std::system(command.c_str());

  ToolRun run;
  run.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = slurp(captures.file("out"));
  run.err = slurp(captures.file("err"));
  if (windowsTool()) {
    run.out = unixLineEnds(run.out);
    run.err = unixLineEnds(run.err);
  }
  return run;
}

/// Every name under `dir` with its size and time, in order: what a run changed there.
std::vector<std::string> folderState(const std::string& dir) {
  std::vector<std::string> entries;
  std::error_code error;
  for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    const auto size = it->is_regular_file(ignored) ? it->file_size(ignored) : 0;
    const auto time = it->last_write_time(ignored).time_since_epoch().count();
    entries.push_back(it->path().string() + " " + std::to_string(size) + " " + std::to_string(time));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace

ToolRun runTool(const std::string& dir, const std::vector<std::string>& args, const RunSetup& setup) {
  const bool underRunner = !runnerPrefix().empty();
  const std::vector<std::string> before = underRunner ? folderState(dir) : std::vector<std::string>();
  ToolRun run = runOnce(dir, args, setup);
  // Every run of d88cut that fails says why on standard error. Wine, rarely,
  // ends a run with status 1 having written nothing at all, and the same run
  // a moment later is sound. Such a run, which changed nothing in its folder,
  // is made once more, and the test's log says so; a second silent failure
  // stands.
  if (underRunner && run.status != 0 && run.out.empty() && run.err.empty() &&
      folderState(dir) == before) {
    std::error_code ignored;
    const fs::space_info space = fs::space(dir, ignored);
    std::fprintf(stderr,
                 "note: under %sthe run ended with status %d and wrote nothing "
                 "(%llu MB free in its folder); running it again\n",
                 runnerPrefix().c_str(), run.status,
                 static_cast<unsigned long long>(space.available >> 20));
    run = runOnce(dir, args, setup);
  }
  return run;
}

std::string realFixturesDir() {
  const char* dir = D88CUT_REAL_FIXTURES;
  return fs::is_directory(dir) ? std::string(dir) : std::string();
}

std::vector<std::string> realFixtures() {
  std::vector<std::string> files;
  const std::string dir = realFixturesDir();
  if (dir.empty()) {
    return files;
  }
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".d88") {
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace d88test
