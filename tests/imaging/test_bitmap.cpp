#include "QvBitmap.h"

#include <gtest/gtest.h>

TEST(PixelFormat, BitsPerPixelOfKnownCodes) {
  EXPECT_EQ(BitsPerPixel(PixelFormat24), 24);
  EXPECT_EQ(BitsPerPixel(PixelFormat32Alpha), 32);
}
