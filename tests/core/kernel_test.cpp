#include <gtest/gtest.h>

#include "firmware/kernel/kernel.h"

TEST(Version, IsOnePointThree) {
  EXPECT_EQ(fw_version_major(), 1);
  EXPECT_EQ(fw_version_minor(), 3);
}
