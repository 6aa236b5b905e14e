// Which bitmap a skinned button shows for a draw request.
#include <gtest/gtest.h>

#include "viewer/skinned_button.h"
#include "viewer/viewer_resources.h"

using namespace viewer;

namespace {
DrawRequest request(uint32_t action, bool pressed) { return DrawRequest{IDC_SAVE, action, pressed, nullptr}; }
}  // namespace

TEST(ButtonBitmapChoice, FullDrawAndSelectionChangeShowTheNormalBitmap) {
  EXPECT_EQ(chooseButtonBitmap(request(kDrawEntire, false), IDB_SAVE, IDB_SAVE_PRESSED), IDB_SAVE);
  // Moving off a held button: selection change without the pressed state.
  EXPECT_EQ(chooseButtonBitmap(request(kDrawSelect, false), IDB_SAVE, IDB_SAVE_PRESSED), IDB_SAVE);
}

TEST(ButtonBitmapChoice, PressedButtonShowsThePressedBitmap) {
  EXPECT_EQ(chooseButtonBitmap(request(kDrawSelect, true), IDB_SAVE, IDB_SAVE_PRESSED), IDB_SAVE_PRESSED);
  EXPECT_EQ(chooseButtonBitmap(request(kDrawEntire, true), IDB_SAVE, IDB_SAVE_PRESSED), IDB_SAVE_PRESSED);
  EXPECT_EQ(chooseButtonBitmap(request(kDrawFocus, true), IDB_SAVE, IDB_SAVE_PRESSED), IDB_SAVE_PRESSED);
}

TEST(ButtonBitmapChoice, BareFocusChangeOfAReleasedButtonDrawsNothing) {
  EXPECT_EQ(chooseButtonBitmap(request(kDrawFocus, false), IDB_SAVE, IDB_SAVE_PRESSED), 0);
}

TEST(ButtonBitmapChoice, CaptureShowsTheFrozenStateNotThePress) {
  EXPECT_EQ(captureButtonBitmap(request(kDrawEntire, false), false), IDB_CAPTURE_LIVE);
  EXPECT_EQ(captureButtonBitmap(request(kDrawEntire, false), true), IDB_CAPTURE_FROZEN);
  EXPECT_EQ(captureButtonBitmap(request(kDrawSelect, true), true), IDB_CAPTURE_FROZEN);
  EXPECT_EQ(captureButtonBitmap(request(kDrawFocus, false), true), 0);
}
