#include "options.h"

#include <getopt.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform.h"

namespace {

constexpr char kShortOptions[] = "+:d:m:o:lhV";  // +: stop at the image; first ':' reports a missing value

const option kLongOptions[] = {
    {"disk", required_argument, nullptr, 'd'},
    {"media", required_argument, nullptr, 'm'},
    {"output-dir", required_argument, nullptr, 'o'},
    {"list", no_argument, nullptr, 'l'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

/// The layout named `text`, in any letter case; null for any other name.
const MediaFormat* mediaNamed(const char* text) {
  for (const MediaFormat& format : kMediaFormats) {
    size_t i = 0;
    while (format.name[i] != '\0' &&
           std::toupper(static_cast<unsigned char>(text[i])) == format.name[i]) {
      ++i;
    }
    if (format.name[i] == '\0' && text[i] == '\0') {
      return &format;
    }
  }
  return nullptr;
}

/// Names the option getopt could not take, as the user wrote it.
void nameOption(char** argv, const char* problem, bool missingValue) {
  // getopt sets optopt to a short option's letter, and to 0 for an unknown
  // long one; it has stepped past the word of a long option, and past the
  // word of any option whose value is missing, which ends its word.
  const char* word = optind > 0 ? argv[optind - 1] : "";
  const bool isLong = missingValue ? std::strncmp(word, "--", 2) == 0 : optopt == 0;
  if (!isLong) {
    printError("d88cut: %s -%c\n", problem, optopt);
    return;
  }
  const char* end = std::strchr(word, '=');
  const int length = end != nullptr ? static_cast<int>(end - word) : static_cast<int>(std::strlen(word));
  printError("d88cut: %s %.*s\n", problem, length, word);
}

}  // namespace

void printUsage(std::FILE* stream, const char* program) {
  if (stream == stdout) {
    printOut("Usage: %s [d88file] (DiskNo.)\n", program);
  } else {
    printError("Usage: %s [d88file] (DiskNo.)\n", program);
  }
}

void printHelp(const char* program) {
  printUsage(stdout, program);
  printOut(
      "%s",
      "Cut PROG and MUS00 to MUS08 out of a D88 disk image, with the 2HD or the 2DD layout.\n"
      "Options, before the image:\n"
      "  -d, --disk N          cut disk N of the file (0-based, as --list numbers them); default 0\n"
      "  -m, --media 2HD|2DD   cut with that layout, whatever the disk's media byte says\n"
      "  -o, --output-dir DIR  write the files into DIR, made with its parents if missing\n"
      "  -l, --list            write nothing; show the disks, and with --disk N its tracks\n"
      "  -h, --help            show this help\n"
      "  -V, --version         show the version\n"
      "The image may be - for standard input, or a pipe. The files go into the current\n"
      "folder, or DIR; each replaces an earlier file of its name only once it is whole.\n");
}

bool parseDiskNumber(const char* text, int& disk) {
  if (text == nullptr || *text == '\0') {
    return false;
  }
  long value = 0;
  for (const char* at = text; *at != '\0'; ++at) {
    if (*at < '0' || *at > '9') {
      return false;
    }
    if (value < kNoSuchDisk) {
      value = value * 10 + (*at - '0');
    }
  }
  disk = value < kNoSuchDisk ? static_cast<int>(value) : kNoSuchDisk;
  return true;
}

Parsed parseCommandLine(int argc, char** argv, Options& options) {
  if (argc > 0 && argv[0] != nullptr) {
    options.program = argv[0];
  }
  if (argc < 2) {
    return Parsed::kNoImage;
  }
  optind = 0;  // a fresh scan, also when the command runs again in one process
  opterr = 0;  // the messages are the tool's own
  for (;;) {
    const int option = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr);
    if (option == -1) {
      break;
    }
    switch (option) {
      case 'd':
        options.disk = optarg;
        break;
      case 'm':
        options.media = mediaNamed(optarg);
        if (options.media == nullptr) {
          printError("d88cut: --media takes 2HD or 2DD (in any letter case), not '%s'\n", optarg);
          return Parsed::kError;
        }
        break;
      case 'o':
        options.outputDir = optarg;
        break;
      case 'l':
        options.list = true;
        break;
      case 'h':
        options.help = true;
        break;
      case 'V':
        options.version = true;
        break;
      case ':':
        nameOption(argv, "missing the value of option", true);
        printUsage(stderr, options.program);
        return Parsed::kError;
      default:
        nameOption(argv, "unknown option", false);
        printUsage(stderr, options.program);
        return Parsed::kError;
    }
  }
  if (optind < argc) {
    options.image = argv[optind];
    if (optind + 1 < argc) {
      options.afterImage = argv[optind + 1];
    }
  }
  if (options.help || options.version) {
    return Parsed::kRun;
  }
  return options.image == nullptr ? Parsed::kNoImage : Parsed::kRun;
}
