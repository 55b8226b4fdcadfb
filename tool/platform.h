#pragma once
/// What differs between POSIX systems and Windows, apart from putting an
/// output in place (output_file.h): the command line, paths, temporary and
/// standard-input files, file identity, console output and the system's
/// reason for a failure.
///
/// The tool holds every path as bytes. On a POSIX system they are the bytes
/// the process was given. On Windows they are UTF-8, taken from the UTF-16
/// command line, and turned back into UTF-16 only where a file is opened, so
/// that any name works whatever the system's code page.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#ifdef _WIN32
/// Windows takes paths of up to 32767 UTF-16 units; each is at most 3 bytes of UTF-8.
constexpr int kMaxPathBytes = 3 * 32767 + 1;
#else
#include <climits>
/// The longest path the system's calls take, its terminating zero included.
constexpr int kMaxPathBytes = PATH_MAX;
#endif

#ifdef _WIN32
/// `path` in UTF-16, in one of two buffers (`slot` 0 or 1) that the next call
/// with that slot reuses. Null, with the error ERROR_INVALID_NAME, when it is
/// not UTF-8 or longer than Windows takes.
const wchar_t* widePath(const char* path, int slot);

/// The process's arguments as UTF-8, in storage that lasts the whole run.
/// Null when they do not fit a Windows command line's 32767 units.
char** utf8Arguments(int argc, wchar_t** argv);
#endif

/// fopen for a path held as the tool holds paths.
std::FILE* openPath(const char* path, const char* mode);

/// Writes `folder`/`name` into `out`, or `name` alone for an empty or null
/// folder. False, with `out` empty, when it does not fit `size` bytes.
bool joinPath(char* out, size_t size, const char* folder, const char* name);

/// Which file a name stands for: device and inode on POSIX systems, volume
/// and file index on Windows. Two names are one file when their ids are equal.
struct FileId {
  bool known = false;  // false: nothing stands at the name, or it could not be looked at
  uint64_t volume = 0;
  uint64_t index = 0;

  bool sameAs(const FileId& other) const {
    return known && other.known && volume == other.volume && index == other.index;
  }
};

/// The file at `path`; through a symbolic link to its target when
/// `followLink`, else the link itself.
FileId fileIdOf(const char* path, bool followLink);

#if defined(__MINGW32__)
#define D88CUT_PRINTF_LIKE(formatAt, argumentsAt) __attribute__((format(gnu_printf, formatAt, argumentsAt)))
#elif defined(__GNUC__)
#define D88CUT_PRINTF_LIKE(formatAt, argumentsAt) __attribute__((format(printf, formatAt, argumentsAt)))
#else
#define D88CUT_PRINTF_LIKE(formatAt, argumentsAt)
#endif

/// printf to standard output, and to standard error. Into a file or a pipe,
/// and on POSIX systems, the bytes go as they are. On a Windows console the
/// text, UTF-8, is written as the characters it holds, so that a path shows
/// as it is named whatever the console's code page.
void printOut(const char* format, ...) D88CUT_PRINTF_LIKE(1, 2);
void printError(const char* format, ...) D88CUT_PRINTF_LIKE(1, 2);

/// Writes `text`, in Shift_JIS, to standard error: its bytes as they are, and
/// on a Windows console as the characters they are, whatever its code page.
void printShiftJisError(const char* text);

/// The system's reason for the failure in errno, as one line without its end.
const char* systemReason();

#ifdef _WIN32
/// The system's text for a Windows error code (GetLastError), as one line
/// without its end. Valid until the next call.
const char* windowsReason(unsigned long code);
#endif

/// Whether `path` names a file that can be read at any offset (a regular
/// file or a block device), rather than a pipe, FIFO, socket or terminal.
/// False also when nothing can be told of it: opening it then says why.
bool isSeekable(const char* path);

/// Standard input, read in binary mode (on Windows, where it is text by default).
std::FILE* binaryStandardInput();

/// A new, empty file for reading and writing in binary, in the user's folder
/// for temporary files (TMPDIR, else /tmp; on Windows the user's temp
/// folder), that no other program sees by name and that is gone when the
/// process ends, however it ends. Null, with the reason in errno, on failure.
std::FILE* openAnonymousFile();

/// A second stream, for binary reading, on the file that `stream` reads. The
/// two share one file position: seek before reading. Null on failure.
std::FILE* reopenStream(std::FILE* stream);

/// Makes the folder `path` and any missing parents. False, with the reason
/// in errno, when it cannot be made or a part of it is not a folder.
bool makeFolders(const char* path);
