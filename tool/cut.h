#pragma once
/// Cutting files out of the selected disk of g_image into g_destination's folder.

#include "layouts.h"
#include "platform.h"

/// 77 cylinders x 2 heads x 8 sectors x 1024 bytes: one whole 2HD disk.
constexpr int kCutBufferSize = 0x134000;

/// The one buffer every cut reads into, from its first byte.
extern unsigned char g_cutBuffer[kCutBufferSize];

/// Where the cut files go, and the image they must never replace.
struct CutDestination {
  const char* folder = nullptr;  // null or "": the current folder
  FileId image;
};
extern CutDestination g_destination;

/// What became of one file of a cut.
struct CutOutcome {
  bool whole;    // its whole run was read
  bool written;  // it was put in place
};

/// Reads `offset` + `length` bytes of the sector run that starts at
/// `track`, c/h/r/n into g_cutBuffer and writes the `length` bytes after the
/// first `offset` to the file `name` in g_destination's folder, put in place
/// whole (output_file.h).
///
/// Prints "cutting ... NAME" on standard output. A run that is not read in
/// full is named on standard error with the first sector that was missing or
/// short, and written at full length, zero past the bytes read; when not one
/// byte of the file was read, it is not written at all ("; not written"),
/// and an earlier file of that name stays. Says whether the whole run was
/// read, and whether the file was put in place.
CutOutcome cutFile(const char* name, int track, int c, int h, int r, int n, int offset, int length);

/// Room for an output's name: "PROG", "MUS00" to "MUS99".
constexpr int kFileNameSize = 8;

/// How many files `format` cuts: PROG, then one per data row.
int layoutFileCount(const MediaFormat& format);

/// File `index` of `format`, in cutting order ("PROG", then "MUS00", "MUS01",
/// ...): its row, with its name written into `name`.
CutEntry layoutFile(const MediaFormat& format, int index, char (&name)[kFileNameSize]);

/// Cuts every file of `format` in order, after its geometry was set. Every
/// file is attempted; returns true when all of them were cut whole.
bool cutLayout(const MediaFormat& format);

/// How many files of `format` the selected disk would give short, read as
/// the cut reads them (its geometry is set) but with nothing printed or written.
int countShortFiles(const MediaFormat& format);
