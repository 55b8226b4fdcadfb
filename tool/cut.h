#pragma once
/// Cutting files out of the selected disk of g_image into the current folder.

#include "layouts.h"

/// 77 cylinders x 2 heads x 8 sectors x 1024 bytes: one whole 2HD disk.
constexpr int kCutBufferSize = 0x134000;

/// The one buffer every cut reads into, from its first byte.
extern unsigned char g_cutBuffer[kCutBufferSize];

/// Reads `offset` + `length` bytes of the sector run that starts at
/// `track`, c/h/r/n into g_cutBuffer and writes the `length` bytes after the
/// first `offset` to a new file `name`, replacing any file of that name.
///
/// Prints "cutting ... NAME" on standard output. A run that is not read in
/// full is still written at full length, zero past the bytes read, and named
/// on standard error with the first sector that was missing or short. A file
/// that cannot be created or written is named on standard error with the
/// system's reason and removed. Returns true only when the whole run was read
/// and the whole file written.
bool cutFile(const char* name, int track, int c, int h, int r, int n, int offset, int length);

/// Cuts "PROG" from `program`, then "MUS00", "MUS01", ... from the rows of
/// `dataFiles` up to the row whose sector is 0. Every file is attempted;
/// returns true when all of them were cut whole.
bool cutLayout(const CutEntry& program, const CutEntry* dataFiles);
