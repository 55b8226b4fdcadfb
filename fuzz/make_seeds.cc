// Writes the fuzz targets' seed inputs, all made by the D88 builder:
//   d88seeds READER_DIR CUT_DIR
// The reader's seeds carry its 12 choice bytes before the image.

#include <cstdio>
#include <string>
#include <vector>

#include "d88_builder.h"

using d88test::Bytes;

namespace {

// A 2HD disk with only the tracks the cut reads, so that seeds stay small.
Bytes cutTracks2HD() {
  std::vector<d88test::Track> tracks;
  for (int t : {8, 9, 10, 11, 12, 13, 14, 70, 71, 72, 73, 74}) {
    std::vector<d88test::Sector> sectors;
    for (int r = 1; r <= 8; ++r) {
      sectors.push_back(d88test::sector(t >> 1, t & 1, r, 3, d88test::sectorData(t, r)));
    }
    tracks.push_back(d88test::track(t, sectors));
  }
  return d88test::disk("SEED 2HD", d88test::kMedia2HD, tracks);
}

Bytes smallTracks(int media, int sectorSize, int count) {
  std::vector<d88test::Track> tracks;
  for (int t = 0; t < 4; ++t) {
    std::vector<d88test::Sector> sectors;
    for (int r = 1; r <= count; ++r) {
      sectors.push_back(d88test::sector(t >> 1, t & 1, r, sectorSize == 1024 ? 3 : 1,
                                        d88test::sectorData(t, r, sectorSize)));
    }
    tracks.push_back(d88test::track(t, sectors));
  }
  return d88test::disk("SMALL", media, tracks);
}

bool write(const std::string& path, const Bytes& bytes) {
  if (!d88test::writeFile(path, bytes)) {
    std::fprintf(stderr, "%s: cannot write\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: %s READER_DIR CUT_DIR\n", argc > 0 ? argv[0] : "d88seeds");
    return 1;
  }
  Bytes damagedCount = cutTracks2HD();
  damagedCount[0x2B0 + 4] = 0;  // the first record's count is 0
  Bytes negativeTrack = cutTracks2HD();
  d88test::putLE32(negativeTrack, 0x20 + 4 * 8, 0xFFFFFFF0u);
  Bytes truncated = cutTracks2HD();
  truncated.resize(truncated.size() - 3000);
  Bytes endless = smallTracks(d88test::kMedia2HD, 256, 4);
  for (size_t at = 0x2B0; at + 16 <= endless.size(); at += 16 + 256) {
    d88test::putLE16(endless, at + 4, 0xFFFF);  // counts that never end a walk
  }

  const std::vector<std::pair<std::string, Bytes>> images = {
      {"cut2hd", cutTracks2HD()},
      {"whole2dd", d88test::standard2DD()},
      {"small2hd", smallTracks(d88test::kMedia2HD, 1024, 8)},
      {"small2dd256", smallTracks(d88test::kMedia2DD, 256, 16)},
      {"twodisks", d88test::concat({smallTracks(0x00, 256, 4), smallTracks(d88test::kMedia2HD, 1024, 8)})},
      {"count0", damagedCount},
      {"negativetrack", negativeTrack},
      {"truncated", truncated},
      {"endless", endless},
      {"header", Bytes(0x2B0, 0)},
  };
  // Disk 0, geometry 1 to 8, track 8 (as 4 * 2), C 4 H 0 R 1 N 3, 4096 bytes, 64 ID bytes.
  const Bytes choices = {0, 1, 8, 4, 4, 0, 1, 3, 0x00, 0x10, 64, 0};
  for (const auto& [name, image] : images) {
    if (!write(std::string(argv[1]) + "/" + name, d88test::concat({choices, image})) ||
        !write(std::string(argv[2]) + "/" + name, image)) {
      return 1;
    }
  }
  return 0;
}
