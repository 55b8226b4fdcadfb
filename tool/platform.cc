#include "platform.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifdef _WIN32

namespace {

/// A Windows command line holds at most 32767 UTF-16 units: its arguments
/// fit 3 bytes a unit, and there is at most one argument per two units.
constexpr int kCommandLineUnits = 32767;
char g_argumentBytes[3 * kCommandLineUnits + kCommandLineUnits / 2 + 2];
char* g_arguments[kCommandLineUnits / 2 + 2];

/// Room for two paths as Windows takes them.
wchar_t g_widePaths[2][kCommandLineUnits + 1];

}  // namespace

const wchar_t* widePath(const char* path, int slot) {
  wchar_t* out = g_widePaths[slot == 0 ? 0 : 1];
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, out, kCommandLineUnits + 1) <= 0) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  return out;
}

char** utf8Arguments(int argc, wchar_t** argv) {
  if (argc < 0 || argc > kCommandLineUnits / 2) {
    return nullptr;
  }
  int used = 0;
  for (int i = 0; i < argc; ++i) {
    const int room = static_cast<int>(sizeof g_argumentBytes) - used;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, g_argumentBytes + used, room,
                                          nullptr, nullptr);
    if (bytes <= 0) {
      return nullptr;
    }
    g_arguments[i] = g_argumentBytes + used;
    used += bytes;
  }
  g_arguments[argc] = nullptr;
  return g_arguments;
}

std::FILE* openPath(const char* path, const char* mode) {
  const wchar_t* name = widePath(path, 0);
  const wchar_t* wideMode = widePath(mode, 1);
  if (name == nullptr || wideMode == nullptr) {
    errno = ENOENT;  // no file has a name that is not UTF-8 here
    return nullptr;
  }
  std::FILE* stream = _wfopen(name, wideMode);
  if (stream == nullptr && errno == EACCES) {
    // Windows refuses a folder as it refuses a file it may not read; say which.
    const DWORD attributes = GetFileAttributesW(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      errno = EISDIR;
    }
  }
  return stream;
}

FileId fileIdOf(const char* path, bool followLink) {
  FileId id;
  const wchar_t* name = widePath(path, 0);
  if (name == nullptr) {
    return id;
  }
  // No access asked: this only looks at the file, and shares it with anyone.
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  HANDLE handle = CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return id;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(handle, &info)) {
    id.known = true;
    id.volume = info.dwVolumeSerialNumber;
    id.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  }
  CloseHandle(handle);
  return id;
}

const char* windowsReason(unsigned long code) {
  static char text[512];
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  if (length == 0) {
    std::snprintf(text, sizeof text, "Windows error %lu", code);
    return text;
  }
  // The system's texts end with a line end, which the message adds itself.
  size_t end = length;
  while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' ')) {
    --end;
  }
  text[end] = '\0';
  return text;
}

std::FILE* binaryStandardInput() {
  _setmode(_fileno(stdin), _O_BINARY);
  return stdin;
}

std::FILE* openAnonymousFile() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  // GetTempFileName makes the file; it is opened again, to be deleted at its last close.
  if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"d88", 0, name) == 0) {
    errno = EACCES;
    return nullptr;
  }
  HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                              nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    errno = EACCES;
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, "w+b");
  if (stream == nullptr) {
    _close(descriptor);
  }
  return stream;
}

std::FILE* reopenStream(std::FILE* stream) {
  const int descriptor = _dup(_fileno(stream));
  if (descriptor < 0) {
    return nullptr;
  }
  std::FILE* again = _fdopen(descriptor, "rb");
  if (again == nullptr) {
    _close(descriptor);
  }
  return again;
}

namespace {

bool makeFolder(const char* path) {
  const wchar_t* name = widePath(path, 0);
  if (name == nullptr) {
    errno = ENOENT;
    return false;
  }
  if (CreateDirectoryW(name, nullptr)) {
    return true;
  }
  const DWORD attributes = GetFileAttributesW(name);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    errno = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : ENOTDIR;
    return errno == 0;
  }
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
  return false;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }
bool isDriveEnd(char c) { return c == ':'; }

}  // namespace

#else

std::FILE* openPath(const char* path, const char* mode) { return std::fopen(path, mode); }

std::FILE* binaryStandardInput() { return stdin; }

std::FILE* openAnonymousFile() {
  const char* folder = std::getenv("TMPDIR");
  char name[kMaxPathBytes];
  if (folder == nullptr || *folder == '\0' ||
      !joinPath(name, sizeof name, folder, "d88cut-input-XXXXXX")) {
    std::snprintf(name, sizeof name, "/tmp/d88cut-input-XXXXXX");
  }
  const int descriptor = mkstemp(name);
  if (descriptor < 0) {
    return nullptr;
  }
  // Unnamed at once: the system frees it when the process ends, however it ends.
  unlink(name);
  std::FILE* stream = fdopen(descriptor, "w+b");
  if (stream == nullptr) {
    close(descriptor);
  }
  return stream;
}

std::FILE* reopenStream(std::FILE* stream) {
  const int descriptor = dup(fileno(stream));
  if (descriptor < 0) {
    return nullptr;
  }
  std::FILE* again = fdopen(descriptor, "rb");
  if (again == nullptr) {
    close(descriptor);
  }
  return again;
}

namespace {

bool makeFolder(const char* path) {
  if (mkdir(path, 0777) == 0) {
    return true;
  }
  const int reason = errno;
  struct stat info {};
  if (stat(path, &info) == 0) {
    errno = S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    return errno == 0;
  }
  errno = reason;
  return false;
}

bool isSeparator(char c) { return c == '/'; }
bool isDriveEnd(char /*c*/) { return false; }

}  // namespace

FileId fileIdOf(const char* path, bool followLink) {
  FileId id;
  struct stat info {};
  if ((followLink ? stat(path, &info) : lstat(path, &info)) == 0) {
    id.known = true;
    id.volume = static_cast<uint64_t>(info.st_dev);
    id.index = static_cast<uint64_t>(info.st_ino);
  }
  return id;
}

#endif

bool joinPath(char* out, size_t size, const char* folder, const char* name) {
  const bool bare = folder == nullptr || *folder == '\0';
  const size_t folderLength = bare ? 0 : std::strlen(folder);
  const char last = bare ? '/' : folder[folderLength - 1];
#ifdef _WIN32
  const bool separated = last == '/' || last == '\\' || last == ':';
#else
  const bool separated = last == '/';
#endif
  const int written = std::snprintf(out, size, "%s%s%s", bare ? "" : folder,
                                    separated ? "" : "/", name);
  if (written < 0 || static_cast<size_t>(written) >= size) {
    if (size > 0) {
      out[0] = '\0';
    }
    return false;
  }
  return true;
}

const char* systemReason() { return std::strerror(errno); }

#ifdef _WIN32

namespace {

/// Room for a message that names two paths.
char g_message[2 * kMaxPathBytes + 1024];
wchar_t g_wideMessage[2 * kMaxPathBytes + 1024];

/// Writes `text` of code page `codePage` to `stream`: to a console as UTF-16,
/// anywhere else as the bytes it is.
void writeText(std::FILE* stream, const char* text, UINT codePage) {
  HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || GetConsoleMode(handle, &mode) == 0) {
    std::fputs(text, stream);
    return;
  }
  const int units = MultiByteToWideChar(codePage, 0, text, -1, g_wideMessage,
                                        static_cast<int>(sizeof g_wideMessage / sizeof g_wideMessage[0]));
  if (units <= 1) {
    std::fputs(text, stream);
    return;
  }
  std::fflush(stream);  // whatever the stream holds comes first
  DWORD written = 0;
  WriteConsoleW(handle, g_wideMessage, static_cast<DWORD>(units - 1), &written, nullptr);
}

void printTo(std::FILE* stream, const char* format, va_list arguments) {
  std::vsnprintf(g_message, sizeof g_message, format, arguments);
  writeText(stream, g_message, CP_UTF8);
}

}  // namespace

void printShiftJisError(const char* text) {
  constexpr UINT kShiftJis = 932;
  writeText(stderr, text, kShiftJis);
}

#else

namespace {

void printTo(std::FILE* stream, const char* format, va_list arguments) {
  std::vfprintf(stream, format, arguments);
}

}  // namespace

void printShiftJisError(const char* text) { std::fputs(text, stderr); }

#endif

// printf-like on purpose: the compiler checks every call's format.
void printOut(const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
  va_list arguments;
  va_start(arguments, format);
  printTo(stdout, format, arguments);
  va_end(arguments);
}

void printError(const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
  va_list arguments;
  va_start(arguments, format);
  printTo(stderr, format, arguments);
  va_end(arguments);
}

bool isSeekable(const char* path) {
#ifdef _WIN32
  const wchar_t* name = widePath(path, 0);
  struct _stat64 info {};
  return name != nullptr && _wstat64(name, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat info {};
  return stat(path, &info) == 0 && (S_ISREG(info.st_mode) || S_ISBLK(info.st_mode));
#endif
}

bool makeFolders(const char* path) {
  char prefix[kMaxPathBytes];
  const size_t length = std::strlen(path);
  if (length == 0 || length >= sizeof prefix) {
    errno = length == 0 ? ENOENT : ENAMETOOLONG;
    return false;
  }
  std::memcpy(prefix, path, length + 1);
  // Each parent in turn, then the folder itself; a root or drive ("/", "C:") is not made.
  for (size_t end = 1; end <= length; ++end) {
    if (end < length && !isSeparator(prefix[end])) {
      continue;
    }
    if (end < length && (isSeparator(prefix[end - 1]) || isDriveEnd(prefix[end - 1]))) {
      continue;
    }
    const char kept = prefix[end];
    prefix[end] = '\0';
    const bool made = makeFolder(prefix);
    prefix[end] = kept;
    if (!made) {
      return false;
    }
  }
  return true;
}
