#pragma once
/// Opening the image that the command line names, whatever it is: a file, a
/// pipe, a FIFO, process substitution, or "-" for standard input.

/// Opens `path` into g_image. An input that cannot be read at any offset is
/// first copied whole into an anonymous temporary file, which is read instead
/// and is gone when the process ends. Returns null when the image is open,
/// else the reason it is not, as a phrase for "cannot open PATH: REASON".
const char* openImage(const char* path);

/// How the image is named in messages: "standard input" for "-".
const char* imageLabel(const char* path);
