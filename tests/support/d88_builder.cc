#include "d88_builder.h"

#include <algorithm>
#include <cstdio>

namespace d88test {

Sector sector(int c, int h, int r, int n, Bytes data) {
  Sector s;
  s.c = c;
  s.h = h;
  s.r = r;
  s.n = n;
  s.data = std::move(data);
  return s;
}

Track track(int index, std::vector<Sector> sectors) { return Track{index, std::move(sectors)}; }

void putLE16(Bytes& bytes, size_t at, unsigned value) {
  bytes.at(at) = static_cast<unsigned char>(value & 0xFF);
  bytes.at(at + 1) = static_cast<unsigned char>((value >> 8) & 0xFF);
}

void putLE32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes.at(at + static_cast<size_t>(i)) = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
  }
}

Bytes withMedia(Bytes image, int media) {
  image.at(0x1B) = static_cast<unsigned char>(media);
  return image;
}

Bytes concat(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

Bytes disk(const std::string& name, int media, const std::vector<Track>& tracks) {
  Bytes image(kHeaderBytes, 0);
  for (size_t i = 0; i < name.size() && i < 16; ++i) {
    image[i] = static_cast<unsigned char>(name[i]);
  }
  image[0x1B] = static_cast<unsigned char>(media);
  for (const Track& t : tracks) {
    putLE32(image, 0x20 + 4 * static_cast<size_t>(t.index), static_cast<uint32_t>(image.size()));
    for (const Sector& s : t.sectors) {
      Bytes header(16, 0);
      header[0] = static_cast<unsigned char>(s.c);
      header[1] = static_cast<unsigned char>(s.h);
      header[2] = static_cast<unsigned char>(s.r);
      header[3] = static_cast<unsigned char>(s.n);
      putLE16(header, 4, static_cast<unsigned>(s.count >= 0 ? s.count : static_cast<int>(t.sectors.size())));
      putLE16(header, 14, static_cast<unsigned>(s.dataLength >= 0 ? s.dataLength : static_cast<int>(s.data.size())));
      image.insert(image.end(), header.begin(), header.end());
      image.insert(image.end(), s.data.begin(), s.data.end());
    }
  }
  putLE32(image, 0x1C, static_cast<uint32_t>(image.size()));
  return image;
}

Bytes sectorData(int track, int r, int size) {
  Bytes data(static_cast<size_t>(size));
  for (size_t i = 0; i < data.size(); ++i) {
    // Bytes a text-mode stream would change: line ends and the DOS end-of-file mark.
    static const unsigned char kAwkward[] = {0x0A, 0x0D, 0x1A, 0x00, 0xFF};
    data[i] = i % 7 == 3 ? kAwkward[(i / 7) % 5]
                         : static_cast<unsigned char>((track * 31 + r * 7 + static_cast<int>(i)) & 0xFF);
  }
  char label[16];
  const int written = std::snprintf(label, sizeof label, "T%03d R%d ", track, r);
  for (int i = 0; i < written && static_cast<size_t>(i) < data.size(); ++i) {
    data[static_cast<size_t>(i)] = static_cast<unsigned char>(label[i]);
  }
  return data;
}

namespace {

// The order sectors 1 to `count` are stored in: 1, 2, ... or, interleaved, 1, 4, 7, ...
int storedSector(int position, int count, bool interleaved) {
  return interleaved ? (position * 3) % count + 1 : position + 1;
}

}  // namespace

Bytes standardDisk(int media, int cylinders, int sectorsPerTrack, bool interleaved) {
  std::vector<Track> tracks;
  for (int t = 0; t < cylinders * 2; ++t) {
    std::vector<Sector> sectors;
    for (int i = 0; i < sectorsPerTrack; ++i) {
      const int r = storedSector(i, sectorsPerTrack, interleaved);
      sectors.push_back(sector(t >> 1, t & 1, r, 3, sectorData(t, r)));
    }
    tracks.push_back(track(t, std::move(sectors)));
  }
  return disk(media == kMedia2HD ? "SAMPLE 2HD" : "SAMPLE 2DD", media, tracks);
}

Bytes standard2HD(bool interleaved) { return standardDisk(kMedia2HD, 77, 8, interleaved); }
Bytes standard2DD(bool interleaved) { return standardDisk(kMedia2DD, 80, 5, interleaved); }

Bytes standardRun(int track, int r, int sectorsPerTrack, int length) {
  Bytes run;
  while (static_cast<int>(run.size()) < length) {
    const Bytes data = sectorData(track, r);
    const size_t take = std::min(data.size(), static_cast<size_t>(length) - run.size());
    run.insert(run.end(), data.begin(), data.begin() + static_cast<long>(take));
    if (++r > sectorsPerTrack) {
      r = 1;
      ++track;
    }
  }
  return run;
}

size_t standardRecordOffset(int track, int r, int sectorsPerTrack) {
  const size_t record = 16 + 1024;
  return kHeaderBytes + (static_cast<size_t>(track) * sectorsPerTrack + static_cast<size_t>(r - 1)) * record;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    return false;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

Bytes readFile(const std::string& path) {
  Bytes bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    return bytes;
  }
  unsigned char chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(f);
  return bytes;
}

}  // namespace d88test
