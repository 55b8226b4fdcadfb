#pragma once
/// What the command line asks for, read in one place.
///
///   d88cut [OPTION]... IMAGE [DISKNO]
///
/// Options come only before the image; `--` ends them, so that an image whose
/// name begins with `-` can follow. Arguments after the image are not read.

#include <cstdio>

#include "layouts.h"

struct Options {
  const char* program = "d88cut";      // the name the usage line shows: argv[0]
  const char* image = nullptr;         // the image's path; "-" is standard input
  const char* disk = nullptr;          // --disk as given; null: disk 0
  const MediaFormat* media = nullptr;  // --media: this layout, whatever the media byte says
  const char* outputDir = nullptr;     // --output-dir; null: the current folder
  bool list = false;
  bool help = false;
  bool version = false;
  const char* afterImage = nullptr;    // the disk number the usage names after the image
};

enum class Parsed {
  kRun,      // `options` says what to do
  kNoImage,  // no image was named (and neither --help nor --version)
  kError,    // an unknown option, a missing or wrong value: already said
};

/// Reads `argv` into `options`. An option that is not known or lacks its
/// value is named on standard error with the usage line after it; a --media
/// value other than 2HD or 2DD is named with the values it takes.
Parsed parseCommandLine(int argc, char** argv, Options& options);

/// Writes the usage line to `stream`.
void printUsage(std::FILE* stream, const char* program);

/// Writes the --help text to standard output.
void printHelp(const char* program);

/// Reads a disk number: decimal digits alone, 0 or more. False for anything
/// else; a number past any disk a file can hold reads as kNoSuchDisk.
bool parseDiskNumber(const char* text, int& disk);
constexpr int kNoSuchDisk = 1 << 30;
