#pragma once
/// --list: what an image holds, for a reader's eye, on standard output.

#include "layouts.h"

/// Lists the disks of g_image, one line each: number, file offset, size,
/// media byte and its name, present tracks, name, and what a cut would do
/// (with `media`'s layout when --media chose one). With `disk` 0 or more,
/// then lists that disk track by track. Selects disks as it goes.
void listImage(const char* label, const MediaFormat* media, int disk);
