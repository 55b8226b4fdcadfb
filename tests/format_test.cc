#include <gtest/gtest.h>

#include "d88_format.h"

TEST(FormatTest, ReadLE32AssemblesLittleEndianSigned) {
  struct Case {
    unsigned char bytes[4];
    int32_t value;
  };
  const Case cases[] = {
      {{0xB0, 0x02, 0x00, 0x00}, 688},         // the disk header size
      {{0x78, 0x56, 0x34, 0x12}, 0x12345678},  // byte order, every byte in place
      {{0xFF, 0xFF, 0xFF, 0x7F}, INT32_MAX},
      {{0x00, 0x00, 0x00, 0x80}, INT32_MIN},   // the sign bit alone
      {{0xFF, 0xFF, 0xFF, 0xFF}, -1},
      {{0x50, 0xFD, 0xFF, 0xFF}, -688},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(readLE32(c.bytes), c.value);
  }
}

TEST(FormatTest, ReadLE32NeedsNoAlignment) {
  const unsigned char bytes[] = {0xEE, 0xB0, 0x02, 0x00, 0x00, 0xEE};
  EXPECT_EQ(readLE32(bytes + 1), 688);
}

TEST(FormatTest, ReadLE16IsNeverNegative) {
  struct Case {
    unsigned char bytes[2];
    int value;
  };
  const Case cases[] = {
      {{0x00, 0x04}, 1024},
      {{0x10, 0x00}, 16},
      {{0x34, 0x12}, 0x1234},
      {{0xFF, 0x7F}, 32767},
      {{0x00, 0x80}, 32768},  // the high bit is magnitude, not sign
      {{0xFF, 0xFF}, 65535},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(readLE16(c.bytes), c.value);
  }
}
