#pragma once
/// The d88cut command: argument check, opening the image, media dispatch.

#include "d88_image.h"

/// The process's one image; its destructor closes the image file at exit.
extern D88Image g_image;

/// Runs the whole command on `argv` and returns the process exit status:
/// 0 when the run completed and every file it cut was written whole; 1 on a
/// usage error, an image that cannot be opened, or any file short or not written.
int runD88Cut(int argc, char** argv);
