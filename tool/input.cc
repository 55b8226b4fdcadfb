#include "input.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "d88cut.h"
#include "platform.h"

namespace {

/// The copy of an input that cannot be seeked, for the whole run.
std::FILE* g_copy = nullptr;
unsigned char g_chunk[65536];
char g_reason[256];

std::FILE* openCopy(const char* /*path*/, const char* /*mode*/) { return reopenStream(g_copy); }

/// Copies all of `in` into g_copy. Null when done, else the reason it failed.
const char* copyWhole(std::FILE* in) {
  g_copy = openAnonymousFile();
  if (g_copy == nullptr) {
    std::snprintf(g_reason, sizeof g_reason, "cannot make a temporary copy of it: %s", systemReason());
    return g_reason;
  }
  int64_t total = 0;
  for (;;) {
    const size_t got = std::fread(g_chunk, 1, sizeof g_chunk, in);
    if (got == 0) {
      break;
    }
    total += static_cast<int64_t>(got);
    // The reader holds offsets as signed 32-bit numbers: no D88 file is longer.
    if (total > INT32_MAX) {
      std::snprintf(g_reason, sizeof g_reason, "it holds more than %ld bytes, more than a D88 file can",
                    static_cast<long>(INT32_MAX));
      return g_reason;
    }
    if (std::fwrite(g_chunk, 1, got, g_copy) != got) {
      std::snprintf(g_reason, sizeof g_reason, "its temporary copy cannot be written: %s", systemReason());
      return g_reason;
    }
  }
  if (std::ferror(in) != 0) {
    return systemReason();
  }
  if (std::fflush(g_copy) != 0) {
    std::snprintf(g_reason, sizeof g_reason, "its temporary copy cannot be written: %s", systemReason());
    return g_reason;
  }
  return nullptr;
}

}  // namespace

const char* imageLabel(const char* path) {
  return std::strcmp(path, "-") == 0 ? "standard input" : path;
}

const char* openImage(const char* path) {
  if (g_copy != nullptr) {
    std::fclose(g_copy);  // an earlier run's, in a process that runs the command again
    g_copy = nullptr;
  }
  const bool standardInput = std::strcmp(path, "-") == 0;
  if (!standardInput && isSeekable(path)) {
    return g_image.open(path, openPath) ? nullptr : systemReason();
  }
  std::FILE* in = standardInput ? binaryStandardInput() : openPath(path, "rb");
  if (in == nullptr) {
    return systemReason();
  }
  const char* failed = copyWhole(in);
  if (!standardInput) {
    std::fclose(in);
  }
  if (failed != nullptr) {
    return failed;
  }
  return g_image.open(path, openCopy) ? nullptr : systemReason();
}
