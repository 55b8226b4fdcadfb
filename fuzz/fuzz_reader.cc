// Feeds arbitrary bytes, as an image file, to every reader operation. The
// first bytes of the input choose the disk, IDs, geometry and lengths; the
// rest is the file. The result is ignored: the sanitizers are the assertion.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "d88_image.h"
#include "fuzz_file.h"

namespace {

constexpr size_t kChoices = 12;

int signedByte(uint8_t byte) { return byte < 128 ? byte : byte - 256; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kChoices) {
    return 0;
  }
  const uint8_t* choice = data;
  const std::string& path = writeFuzzFile("reader.d88", data + kChoices, size - kChoices);

  static D88Image image;
  if (!image.open(path.c_str())) {
    return 0;
  }
  image.selectDisk(signedByte(choice[0]) % 70);
  (void)image.getDiskName();
  image.setSectorRange(choice[1], choice[2]);

  const int track = signedByte(choice[3]) * 2;  // reaches past both ends of the table
  const int c = choice[4];
  const int h = choice[5];
  const int r = choice[6];
  const int n = signedByte(choice[7]) % 30;
  // Lengths from -32768 to 32767, in a buffer of exactly that many bytes.
  const int length = static_cast<int16_t>(choice[8] | (choice[9] << 8));
  std::vector<unsigned char> buffer(length > 0 ? static_cast<size_t>(length) : 0);
  image.readSector(track, c, h, r, n, buffer.data(), length);
  image.readSectors(track, c, h, r, n, buffer.data(), length);
  // The walk stops at the record the high half of choice[11] names, 0 for none.
  int visited = 0;
  image.walkTrack(track, [&](const D88Image::SectorRecord& /*record*/) { return ++visited == (choice[11] >> 4); });
  image.hasTrack(track);

  const int idLength = choice[10] | ((choice[11] & 0x0F) << 8);
  std::vector<unsigned char> ids(static_cast<size_t>(idLength));
  image.listSectorIds(track, ids.data(), idLength);
  image.open(nullptr);
  return 0;
}
