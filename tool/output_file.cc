#include "output_file.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// What a power loss in the middle of a run leaves: nothing here asks the
// system to flush an output to the disk. The earlier output is removed and
// the new one renamed to the name that is then free, which ext4 does not
// flush at once (renaming over an existing name, or emptying a file in place,
// it does: that made a run replacing earlier outputs 1.3 times slower than one
// writing new ones). So after a crash an output may be missing or hold fewer
// bytes than were written, and a temporary file may be left beside it. The
// image is only ever read: a second run puts every output back.

namespace {

/// What stands at an output's name before it is put in place.
enum class Standing { kNothing, kFolder, kReadOnlyFile, kReplaceable };

/// The temporary file's name: ".NAME.d88cut-" and six letters or digits.
constexpr char kTemporaryTag[] = ".d88cut-";
constexpr int kRandomLetters = 6;
constexpr int kCreateTries = 100;

uint32_t g_randomState = 0;

/// Writes `folder`/.NAME.d88cut-XXXXXX into `out`, each call another XXXXXX.
bool temporaryName(char* out, size_t size, const char* folder, const char* name) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  if (g_randomState == 0) {
    g_randomState = static_cast<uint32_t>(std::time(nullptr)) ^
                    static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&g_randomState)) ^ 0x9E3779B9u;
  }
  char base[64];
  int at = std::snprintf(base, sizeof base, ".%s%s", name, kTemporaryTag);
  if (at < 0 || at + kRandomLetters >= static_cast<int>(sizeof base)) {
    return false;
  }
  for (int i = 0; i < kRandomLetters; ++i) {
    // xorshift: the names only need to differ, not to be unguessable, since
    // the file is created exclusively.
    g_randomState ^= g_randomState << 13;
    g_randomState ^= g_randomState >> 17;
    g_randomState ^= g_randomState << 5;
    base[at++] = kLetters[g_randomState % (sizeof kLetters - 1)];
  }
  base[at] = '\0';
  return joinPath(out, size, folder, base);
}

#ifdef _WIN32

using Handle = HANDLE;

const char* lastReason() { return windowsReason(GetLastError()); }

Standing standingAt(const char* path) {
  const wchar_t* name = widePath(path, 0);
  const DWORD attributes = name == nullptr ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(name);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return Standing::kNothing;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return Standing::kReplaceable;  // a link is replaced, whatever it points at
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Standing::kFolder;
  }
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? Standing::kReadOnlyFile
                                                      : Standing::kReplaceable;
}

/// Marks an open file to be deleted when its last handle closes, or unmarks it.
bool deleteOnClose(Handle file, bool remove) {
  FILE_DISPOSITION_INFO disposition;
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

/// Whether the file being written is marked for deletion at its close.
bool g_marked = false;

/// Creates `path` anew. It is marked for deletion at once, so that however
/// the process ends before `keepFile`, the system removes it; a system that
/// cannot mark it still has the file removed on every failure that returns.
bool createNew(const char* path, Handle& file) {
  const wchar_t* name = widePath(path, 0);
  if (name == nullptr) {
    return false;
  }
  file = CreateFileW(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  g_marked = deleteOnClose(file, true);
  return true;
}

bool alreadyExists() { return GetLastError() == ERROR_FILE_EXISTS; }

bool writeAll(Handle file, const unsigned char* bytes, int length) {
  while (length > 0) {
    DWORD written = 0;
    if (!WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr) || written == 0) {
      return false;
    }
    bytes += written;
    length -= static_cast<int>(written);
  }
  return true;
}

/// Unmarks the file for deletion and closes it: it stays on the disk.
bool keepFile(Handle file) {
  const bool kept = !g_marked || deleteOnClose(file, false);
  const DWORD reason = GetLastError();
  const bool closed = CloseHandle(file) != 0;
  if (!kept) {
    SetLastError(reason);
  }
  return kept && closed;
}

void removeFile(const char* path) {
  const wchar_t* name = widePath(path, 0);
  if (name != nullptr) {
    DeleteFileW(name);
  }
}

/// Closes the file being written, and removes it.
void discardFile(Handle file, const char* path) {
  CloseHandle(file);
  if (!g_marked) {
    removeFile(path);
  }
}

/// Replaces whatever stands at `path` by the file at `temporary`, in one
/// step: an earlier file that another program holds open stays as it was.
bool moveIntoPlace(const char* temporary, const char* path, Standing /*standing*/) {
  const wchar_t* from = widePath(temporary, 0);
  const wchar_t* to = widePath(path, 1);
  return from != nullptr && to != nullptr && MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

#else

using Handle = int;

// The temporary file being written, for a signal handler to remove.
char g_pending[kMaxPathBytes];
volatile std::sig_atomic_t g_hasPending = 0;

const char* lastReason() { return std::strerror(errno); }

Standing standingAt(const char* path) {
  struct stat info {};
  if (lstat(path, &info) != 0) {
    return Standing::kNothing;
  }
  if (S_ISDIR(info.st_mode)) {
    return Standing::kFolder;
  }
  // A file no one may write was made so on purpose: it is not replaced.
  if (S_ISREG(info.st_mode) && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    return Standing::kReadOnlyFile;
  }
  return Standing::kReplaceable;
}

bool createNew(const char* path, Handle& file) {
  file = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (file < 0) {
    return false;
  }
  std::memcpy(g_pending, path, std::strlen(path) + 1);
  g_hasPending = 1;
  return true;
}

bool alreadyExists() { return errno == EEXIST; }

bool writeAll(Handle file, const unsigned char* bytes, int length) {
  while (length > 0) {
    const ssize_t written = ::write(file, bytes, static_cast<size_t>(length));
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      if (written == 0) {
        errno = ENOSPC;
      }
      return false;
    }
    bytes += written;
    length -= static_cast<int>(written);
  }
  return true;
}

bool keepFile(Handle file) { return ::close(file) == 0; }

void removeFile(const char* path) {
  ::unlink(path);
  g_hasPending = 0;
}

void discardFile(Handle file, const char* path) {
  ::close(file);
  removeFile(path);
}

/// Removes the earlier name, then renames the new file to it: see the note
/// on power loss above for why not one rename over it.
bool moveIntoPlace(const char* temporary, const char* path, Standing standing) {
  if (standing != Standing::kNothing && ::unlink(path) != 0 && errno != ENOENT) {
    return false;
  }
  if (std::rename(temporary, path) != 0) {
    return false;
  }
  g_hasPending = 0;
  return true;
}

extern "C" void removePendingAndEnd(int signalNumber) {
  if (g_hasPending != 0) {
    ::unlink(g_pending);
  }
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

#endif

bool fail(const char* name, const char* what, const char* reason) {
  printError("%s: %s: %s\n", name, what, reason);
  return false;
}

}  // namespace

bool placeFile(const char* folder, const char* name, const unsigned char* bytes, int length,
               const FileId& image) {
  char path[kMaxPathBytes];
  char temporary[kMaxPathBytes];
  if (!joinPath(path, sizeof path, folder, name) ||
      !temporaryName(temporary, sizeof temporary, folder, name)) {
    return fail(name, "cannot create", "File name too long");
  }
  const Standing standing = standingAt(path);
  // By its own name, as another name of the same file, or through a link.
  if (standing != Standing::kNothing &&
      (image.sameAs(fileIdOf(path, false)) || image.sameAs(fileIdOf(path, true)))) {
    printError("%s: is the image being cut; not replaced\n", name);
    return false;
  }
  if (standing == Standing::kFolder) {
    return fail(name, "cannot create", "Is a directory");
  }
  if (standing == Standing::kReadOnlyFile) {
    return fail(name, "cannot create", "Permission denied");
  }

  Handle file{};
  bool created = createNew(temporary, file);
  for (int tries = 1; !created && alreadyExists() && tries < kCreateTries; ++tries) {
    if (!temporaryName(temporary, sizeof temporary, folder, name)) {
      break;
    }
    created = createNew(temporary, file);
  }
  if (!created) {
    return fail(name, "cannot create", lastReason());
  }
  if (!writeAll(file, bytes, length)) {
    const char* reason = lastReason();
    discardFile(file, temporary);
    return fail(name, "cannot write", reason);
  }
  if (!keepFile(file)) {
    const char* reason = lastReason();
    removeFile(temporary);
    return fail(name, "cannot write", reason);
  }
  if (!moveIntoPlace(temporary, path, standing)) {
    const char* reason = lastReason();
    removeFile(temporary);
    return fail(name, "cannot replace", reason);
  }
  return true;
}

void removeTemporaryOnSignal() {
#ifndef _WIN32
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) {
    struct sigaction action {};
    action.sa_handler = removePendingAndEnd;
    sigemptyset(&action.sa_mask);
    // A signal the caller ignores (SIGXFSZ, to see a write fail) stays ignored.
    struct sigaction previous {};
    if (sigaction(signalNumber, &action, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      sigaction(signalNumber, &previous, nullptr);
    }
  }
#endif
}
