// Fit area, main-window placement, splash position and the live bitmap header.
#include <gtest/gtest.h>

#include "viewer/acquisition_thread.h"
#include "viewer/layout.h"

using namespace viewer;
using namespace devlink;

TEST(FitArea, WideWorkAreaIsLimitedByItsHeight) {
  FitArea fit = fitAreaFor(1024, 700);
  EXPECT_EQ(fit.width, 933);
  EXPECT_EQ(fit.height, 700);
}

TEST(FitArea, RatioOfExactlyOnePointThreeCountsAsWide) {
  FitArea fit = fitAreaFor(1300, 1000);  // 1300*10/1000 = 13
  EXPECT_EQ(fit.height, 1000);
  EXPECT_EQ(fit.width, 1333);
}

TEST(FitArea, NarrowerWorkAreaIsLimitedByItsWidth) {
  FitArea fit = fitAreaFor(1280, 1024);  // ratio 12
  EXPECT_EQ(fit.width, 1280);
  EXPECT_EQ(fit.height, 960);
  EXPECT_EQ(fitAreaFor(800, 560).width, 746);  // 800*10/560 = 14: wide
}

TEST(MainWindowPlacement, FullSizeOnASmallScreenIsMaximised) {
  MainWindowPlacement p = mainWindowPlacementFor(0, fitAreaFor(1024, 700), 19);
  EXPECT_TRUE(p.maximized);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  EXPECT_EQ(p.width, 1024);
  EXPECT_EQ(p.height, 768);
  // 933 x 700 cannot hold 1024 x 768: the picture starts at the corner.
  EXPECT_EQ(p.viewRect.left, 0);
  EXPECT_EQ(p.viewRect.right, 1024);
  EXPECT_EQ(p.viewRect.bottom, 768);
}

TEST(MainWindowPlacement, HalfSizeOnA1024By700Screen) {
  MainWindowPlacement p = mainWindowPlacementFor(1, fitAreaFor(1024, 700), 19);
  EXPECT_FALSE(p.maximized);
  EXPECT_EQ(p.x, 180);
  EXPECT_EQ(p.y, 100);
  EXPECT_EQ(p.width, 532);
  EXPECT_EQ(p.height, 19 + 404);
  EXPECT_EQ(p.viewRect.left, 5);
  EXPECT_EQ(p.viewRect.top, 5);
  EXPECT_EQ(p.viewRect.right, 517);
  EXPECT_EQ(p.viewRect.bottom, 389);
}

TEST(MainWindowPlacement, SmallScreensUseTheNearPositions) {
  FitArea small = fitAreaFor(800, 560);
  MainWindowPlacement half = mainWindowPlacementFor(1, small, 19);
  EXPECT_EQ(half.x, 60);
  EXPECT_EQ(half.y, 40);
  MainWindowPlacement quarter = mainWindowPlacementFor(2, small, 19);
  EXPECT_EQ(quarter.x, 100);
  EXPECT_EQ(quarter.y, 65);
  EXPECT_EQ(quarter.width, 276);
}

TEST(MainWindowPlacement, LargeScreensMoveFullSizeWithoutMaximising) {
  FitArea large = fitAreaFor(1600, 1200);  // fit 1600 x 1200
  MainWindowPlacement full = mainWindowPlacementFor(0, large, 19);
  EXPECT_FALSE(full.maximized);
  EXPECT_EQ(full.width, 1044);
  EXPECT_EQ(full.height, 19 + 788);
  EXPECT_EQ(full.viewRect.left, 5);
  MainWindowPlacement quarter = mainWindowPlacementFor(2, large, 19);
  EXPECT_EQ(quarter.x, 260);
  EXPECT_EQ(quarter.y, 150);
}

TEST(SplashPosition, CentredAboveTheMiddleAndNeverOffScreen) {
  SplashPosition at = splashPositionFor(1280, 1024);
  EXPECT_EQ(at.x, 465);
  EXPECT_EQ(at.y, 382);
  SplashPosition tiny = splashPositionFor(300, 150);
  EXPECT_EQ(tiny.x, 0);
  EXPECT_EQ(tiny.y, 0);
}

TEST(LiveBitmapInfo, DescribesATopDownPictureOfEachSize) {
  const int widths[] = {1024, 512, 256};
  for (int s = 0; s < 3; ++s) {
    buildBitmapInfo(s);
    const imaging::BitmapInfoHeader& info = acquisitionThread.liveBitmapInfo;
    EXPECT_EQ(info.size, 40u);
    EXPECT_EQ(info.width, widths[s]);
    EXPECT_EQ(info.height, -(widths[s] * 3 / 4));
    EXPECT_EQ(info.planes, 1);
    EXPECT_EQ(info.bitCount, 24);
    EXPECT_EQ(info.compression, 0u);
    EXPECT_EQ(info.sizeImage, static_cast<uint32_t>(widths[s] * 3 * widths[s] * 3 / 4));
  }
}
