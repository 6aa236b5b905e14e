#include "driver/logic/pool_choice.h"

#include <gtest/gtest.h>

namespace zelb1 {
namespace {

TEST(PoolChoice, NonExecutablePoolFromWindows8On) {
  EXPECT_FALSE(systemOffersNonExecutablePool(5, 1)) << "XP";
  EXPECT_FALSE(systemOffersNonExecutablePool(6, 0)) << "Vista";
  EXPECT_FALSE(systemOffersNonExecutablePool(6, 1)) << "7";
  EXPECT_TRUE(systemOffersNonExecutablePool(6, 2)) << "8";
  EXPECT_TRUE(systemOffersNonExecutablePool(6, 3)) << "8.1";
  EXPECT_TRUE(systemOffersNonExecutablePool(10, 0)) << "10 and 11";
}

}  // namespace
}  // namespace zelb1
