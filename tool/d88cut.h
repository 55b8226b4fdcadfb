#pragma once
/// The d88cut command: options, opening the image, listing or media dispatch.

#include "d88_image.h"

/// The process's one image; its destructor closes the image file at exit.
extern D88Image g_image;

/// Runs the whole command on `argv` and returns the process exit status:
/// 0 when the run completed and every file it cut was written whole, or
/// nothing was to be cut, or it listed, helped or told its version; 1 on a
/// wrong command line, an image that cannot be opened, no such disk, an output
/// folder that cannot be made, any file short or not written, or standard
/// output that cannot be written.
int runD88Cut(int argc, char** argv);
