// The capability table: every row with every operation, the shared storage,
// the bit depth key, the FIX32 rule and the mapping for old applications.
#include <cmath>
#include <cstring>

#include "tests/twain/twain_test_support.h"
#include "twain/capabilities.h"
#include "twain/fix32.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"

using namespace twain;

namespace {

struct ExpectedRow {
  TW_UINT16 cap;
  TW_UINT16 type;
  TW_UINT16 getContainer;
  TW_UINT32 mask;
  TW_UINT32 itemCount;
};

const ExpectedRow kRows[] = {
    {CAP_SUPPORTEDCAPS, TWTY_UINT16, TWON_ARRAY, 13, 40},
    {CAP_FEEDERENABLED, TWTY_BOOL, TWON_ONEVALUE, 31, 1},
    {ICAP_PIXELFLAVOR, TWTY_UINT16, TWON_ENUMERATION, 31, 2},
    {ICAP_XFERMECH, TWTY_UINT16, TWON_ENUMERATION, 31, 3},
    {ICAP_PLANARCHUNKY, TWTY_UINT16, TWON_ENUMERATION, 13, 2},
    {ICAP_COMPRESSION, TWTY_UINT16, TWON_ENUMERATION, 31, 1},
    {ICAP_MINIMUMWIDTH, TWTY_FIX32, TWON_ONEVALUE, 13, 1},
    {ICAP_MINIMUMHEIGHT, TWTY_FIX32, TWON_ONEVALUE, 13, 1},
    {ICAP_PHYSICALWIDTH, TWTY_FIX32, TWON_ONEVALUE, 13, 1},
    {ICAP_PHYSICALHEIGHT, TWTY_FIX32, TWON_ONEVALUE, 13, 1},
    {ICAP_UNITS, TWTY_UINT16, TWON_ENUMERATION, 31, 3},
    {CAP_DEVICEONLINE, TWTY_BOOL, TWON_ONEVALUE, 13, 2},
    {CAP_AUTOFEED, TWTY_BOOL, TWON_ONEVALUE, 13, 2},
    {CAP_FEEDERLOADED, TWTY_BOOL, TWON_ONEVALUE, 13, 2},
    {ICAP_AUTOBRIGHT, TWTY_BOOL, TWON_ONEVALUE, 31, 2},
    {ICAP_BRIGHTNESS, TWTY_FIX32, TWON_RANGE, 31, 3},
    {ICAP_CONTRAST, TWTY_FIX32, TWON_RANGE, 31, 3},
    {ICAP_HIGHLIGHT, TWTY_FIX32, TWON_RANGE, 31, 3},
    {ICAP_ORIENTATION, TWTY_UINT16, TWON_ENUMERATION, 31, 4},
    {ICAP_SHADOW, TWTY_FIX32, TWON_RANGE, 31, 3},
    {ICAP_XSCALING, TWTY_FIX32, TWON_ENUMERATION, 31, 1},
    {ICAP_YSCALING, TWTY_FIX32, TWON_ENUMERATION, 31, 1},
    {0x9002, TWTY_UINT16, TWON_ENUMERATION, 31, 1},
    {ICAP_PIXELTYPE, TWTY_UINT16, TWON_ENUMERATION, 31, 1},
    {ICAP_BITDEPTHREDUCTION, TWTY_UINT16, TWON_ENUMERATION, 31, 3},
    {ICAP_BITORDER, TWTY_UINT16, TWON_ENUMERATION, 13, 2},
    {ICAP_THRESHOLD, TWTY_FIX32, TWON_RANGE, 31, 5},
    {ICAP_HALFTONES, TWTY_STR32, TWON_ENUMERATION, 31, 2},
    {ICAP_FRAMES, TWTY_FRAME, TWON_ONEVALUE, 31, 1},
    {ICAP_MAXFRAMES, TWTY_UINT16, TWON_ONEVALUE, 13, 1},
    {ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWON_ENUMERATION, 31, 1},
    {ICAP_XNATIVERESOLUTION, TWTY_FIX32, TWON_ONEVALUE, 13, 1},
    {ICAP_YNATIVERESOLUTION, TWTY_FIX32, TWON_ONEVALUE, 13, 1},
    {ICAP_XRESOLUTION, TWTY_FIX32, TWON_ENUMERATION, 31, 1},
    {ICAP_YRESOLUTION, TWTY_FIX32, TWON_ENUMERATION, 31, 1},
    {CAP_XFERCOUNT, TWTY_INT16, TWON_ONEVALUE, 31, 26},
    {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWON_ENUMERATION, 31, 2},
    {ICAP_UNDEFINEDIMAGESIZE, TWTY_BOOL, TWON_ONEVALUE, 31, 2},
    {CAP_INDICATORS, TWTY_BOOL, TWON_ONEVALUE, 31, 2},
    {CAP_UICONTROLLABLE, TWTY_BOOL, TWON_ONEVALUE, 13, 2},
};

class CapabilityTest : public TwainTest {
 protected:
  void SetUp() override {
    TwainTest::SetUp();
    openSource();
  }
  void TearDown() override {
    releaseContainer();
    TwainTest::TearDown();
  }
  // Runs one operation; the answer's container stays in cap_.
  TW_UINT16 capCall(TW_UINT16 capId, TW_UINT16 msg) {
    releaseContainer();
    cap_ = TW_CAPABILITY{capId, 0, nullptr};
    return call(DG_CONTROL, DAT_CAPABILITY, msg, &cap_);
  }
  // MSG_SET with a container of the application's making.
  TW_UINT16 setWith(TW_UINT16 capId, TW_UINT16 conType, const std::vector<uint8_t>& container) {
    releaseContainer();
    TW_HANDLE block = gmem::alloc(static_cast<uint32_t>(container.size()));
    std::memcpy(gmem::lock(block), container.data(), container.size());
    gmem::unlock(block);
    cap_ = TW_CAPABILITY{capId, conType, block};
    TW_UINT16 rc = call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap_);
    EXPECT_EQ(block, +cap_.hContainer);  // the application's own block stays
    return rc;
  }
  TW_UINT16 setOne16(TW_UINT16 capId, TW_UINT16 type, uint16_t value) {
    std::vector<uint8_t> c(6, 0);
    std::memcpy(&c[0], &type, 2);
    std::memcpy(&c[2], &value, 2);
    return setWith(capId, TWON_ONEVALUE, c);
  }
  TW_UINT16 setOneFix32(TW_UINT16 capId, double value) {
    std::vector<uint8_t> c(6, 0);
    TW_UINT16 type = TWTY_FIX32;
    TW_FIX32 fix = toFix32(value);
    std::memcpy(&c[0], &type, 2);
    std::memcpy(&c[2], &fix, 4);
    return setWith(capId, TWON_ONEVALUE, c);
  }
  const uint8_t* container() { return static_cast<const uint8_t*>(gmem::lock(cap_.hContainer)); }
  uint16_t u16(uint32_t offset) {
    uint16_t v;
    std::memcpy(&v, container() + offset, 2);
    gmem::unlock(cap_.hContainer);
    return v;
  }
  uint32_t u32(uint32_t offset) {
    uint32_t v;
    std::memcpy(&v, container() + offset, 4);
    gmem::unlock(cap_.hContainer);
    return v;
  }
  double fix(uint32_t offset) {
    TW_FIX32 f;
    std::memcpy(&f, container() + offset, 4);
    gmem::unlock(cap_.hContainer);
    return fromFix32(f);
  }
  // The one value of a ONEVALUE answer, as its 32-bit Item.
  uint32_t oneValueItem() {
    EXPECT_EQ(TWON_ONEVALUE, cap_.ConType);
    return u32(2);
  }
  void releaseContainer() {
    if (cap_.hContainer) gmem::release(cap_.hContainer);
    cap_.hContainer = nullptr;
  }

  TW_CAPABILITY cap_{};
};

TEST_F(CapabilityTest, TableHoldsTheFortyRowsInOrderAndAnEmptyLastRow) {
  ASSERT_EQ(40u, sizeof kRows / sizeof kRows[0]);
  for (uint32_t i = 0; i < 40; ++i) {
    const CapabilityRecord& row = capabilityTable[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(kRows[i].cap, row.Cap);
    EXPECT_EQ(kRows[i].type, row.ItemType);
    EXPECT_EQ(kRows[i].getContainer, row.getContainer);
    EXPECT_EQ(i == 0 ? 3 : 5, row.valueContainer);
    EXPECT_EQ(kRows[i].mask, row.supportMask);
    EXPECT_EQ(kRows[i].itemCount, row.itemCount);
    EXPECT_EQ(i == 0 ? 40u : 1u, row.defaultCount);
    EXPECT_EQ(i == 0 ? 40u : 1u, row.currentCount);
  }
  EXPECT_EQ(0, capabilityTable[40].Cap);
}

TEST_F(CapabilityTest, EveryRowAnswersEveryOperationItsMaskAllows) {
  for (const ExpectedRow& row : kRows) {
    TW_UINT16 capId = row.cap == 0x9002 ? static_cast<TW_UINT16>(ICAP_BITDEPTH) : row.cap;
    SCOPED_TRACE(capId);
    ASSERT_EQ(TWRC_SUCCESS, capCall(capId, MSG_QUERYSUPPORT));
    EXPECT_EQ(TWTY_UINT32, u16(0));
    EXPECT_EQ(row.mask, oneValueItem());
    EXPECT_EQ(10u, gmem::size(+cap_.hContainer));

    ASSERT_EQ(TWRC_SUCCESS, capCall(capId, MSG_GET));
    EXPECT_EQ(row.getContainer, cap_.ConType);
    EXPECT_EQ(row.type, u16(0));
    uint32_t size = itemSize(row.type);
    switch (row.getContainer) {
      case TWON_ONEVALUE: EXPECT_EQ(size + 6, gmem::size(+cap_.hContainer)); break;
      case TWON_ENUMERATION:
        EXPECT_EQ(size * row.itemCount + 15, gmem::size(+cap_.hContainer));
        EXPECT_EQ(row.itemCount, u32(2));
        break;
      case TWON_ARRAY:
        EXPECT_EQ(size * row.itemCount + 7, gmem::size(+cap_.hContainer));
        EXPECT_EQ(row.itemCount, u32(2));
        break;
      case TWON_RANGE: EXPECT_EQ(22u, gmem::size(+cap_.hContainer)); break;
    }

    ASSERT_EQ(TWRC_SUCCESS, capCall(capId, MSG_GETCURRENT));
    ASSERT_EQ(TWRC_SUCCESS, capCall(capId, MSG_GETDEFAULT));
    EXPECT_EQ(row.cap == CAP_SUPPORTEDCAPS ? TWON_ARRAY : TWON_ONEVALUE, cap_.ConType);

    bool writable = row.mask == 31;
    EXPECT_EQ(writable ? TWRC_SUCCESS : TWRC_FAILURE, capCall(capId, MSG_RESET));
    if (!writable) {
      EXPECT_EQ(TWCC_CAPBADOPERATION, status());
      EXPECT_EQ(TWRC_FAILURE, setOne16(capId, row.type, 0));
      EXPECT_EQ(TWCC_CAPBADOPERATION, status());
    }
    EXPECT_EQ(TWRC_FAILURE, capCall(capId, MSG_GETFIRST));
    EXPECT_EQ(TWCC_CAPUNSUPPORTED, status());
  }
  EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(CapabilityTest, SupportedCapsListsTheFortyIdentifiers) {
  ASSERT_EQ(TWRC_SUCCESS, capCall(CAP_SUPPORTEDCAPS, MSG_GET));
  EXPECT_EQ(40u, u32(2));
  EXPECT_EQ(CAP_SUPPORTEDCAPS, u16(6));
  EXPECT_EQ(CAP_FEEDERENABLED, u16(8));
  EXPECT_EQ(ICAP_XFERMECH, u16(10));
  EXPECT_EQ(ICAP_BITDEPTH, u16(6 + 2 * 23));
  EXPECT_EQ(CAP_UICONTROLLABLE, u16(6 + 2 * 39));
  ASSERT_EQ(TWRC_SUCCESS, capCall(CAP_SUPPORTEDCAPS, MSG_GETCURRENT));
  EXPECT_EQ(TWON_ARRAY, cap_.ConType);
  EXPECT_EQ(40u, u32(2));
  EXPECT_EQ(ICAP_PIXELFLAVOR, u16(12));
}

TEST_F(CapabilityTest, XferMechAcceptsMemoryAndRefusesThree) {
  EXPECT_EQ(TWRC_SUCCESS, setOne16(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_XFERMECH, MSG_GETCURRENT));
  EXPECT_EQ(2u, oneValueItem());
  EXPECT_EQ(TWRC_FAILURE, setOne16(ICAP_XFERMECH, TWTY_UINT16, 3));
  EXPECT_EQ(TWCC_BADVALUE, status());
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_XFERMECH, MSG_GET));
  EXPECT_EQ(2u, u32(6));  // CurrentIndex
  EXPECT_EQ(0u, u32(10)); // DefaultIndex
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_XFERMECH, MSG_RESET));
  EXPECT_EQ(0u, oneValueItem());
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_XFERMECH, MSG_GETCURRENT));
  EXPECT_EQ(0u, oneValueItem());
}

TEST_F(CapabilityTest, SetWithTheWrongItemTypeIsABadValue) {
  EXPECT_EQ(TWRC_FAILURE, setOne16(ICAP_XFERMECH, TWTY_INT16, TWSX_MEMORY));
  EXPECT_EQ(TWCC_BADVALUE, status());
}

TEST_F(CapabilityTest, BrightnessAcceptsOnlyItsStoredRangeItems) {
  EXPECT_EQ(TWRC_FAILURE, setOneFix32(ICAP_BRIGHTNESS, 0));
  EXPECT_EQ(TWCC_BADVALUE, status());
  EXPECT_EQ(TWRC_SUCCESS, setOneFix32(ICAP_BRIGHTNESS, 1000));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_BRIGHTNESS, MSG_GETCURRENT));
  EXPECT_EQ(1000.0, fix(2));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_BRIGHTNESS, MSG_GET));
  EXPECT_EQ(TWON_RANGE, cap_.ConType);
  EXPECT_NEAR(-1000.0, fix(2), 1e-4);  // the rounding rule leaves Frac 1 below zero
  EXPECT_EQ(1000.0, fix(6));
  EXPECT_EQ(1000.0, fix(10));
  EXPECT_EQ(0.0, fix(14));
  EXPECT_EQ(1000.0, fix(18));
}

TEST_F(CapabilityTest, ThresholdRangeAcceptsItsFiveStoredItems) {
  EXPECT_EQ(TWRC_SUCCESS, setOneFix32(ICAP_THRESHOLD, 255));
  EXPECT_EQ(TWRC_SUCCESS, setOneFix32(ICAP_THRESHOLD, 1));
  EXPECT_EQ(TWRC_FAILURE, setOneFix32(ICAP_THRESHOLD, 128));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_THRESHOLD, MSG_GET));
  EXPECT_EQ(128.0, fix(14));
  EXPECT_EQ(1.0, fix(18));
}

TEST_F(CapabilityTest, XAndYResolutionShareOneValue) {
  EXPECT_EQ(TWRC_SUCCESS, setOneFix32(ICAP_XRESOLUTION, 100));
  EXPECT_EQ(TWRC_FAILURE, setOneFix32(ICAP_YRESOLUTION, 200));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_YRESOLUTION, MSG_GETCURRENT));
  EXPECT_EQ(100.0, fix(2));
  EXPECT_EQ(capabilityTable[33].currentValue, capabilityTable[34].currentValue);
  EXPECT_EQ(capabilityTable[20].currentValue, capabilityTable[21].currentValue);
  EXPECT_EQ(capabilityTable[0].items, capabilityTable[0].currentValue);
  EXPECT_EQ(capabilityTable[0].items, capabilityTable[0].defaultValue);
}

TEST_F(CapabilityTest, FeederEnabledAcceptsTrueOnly) {
  EXPECT_EQ(TWRC_FAILURE, setOne16(CAP_FEEDERENABLED, TWTY_BOOL, 0));
  EXPECT_EQ(TWCC_BADVALUE, status());
  EXPECT_EQ(TWRC_SUCCESS, setOne16(CAP_FEEDERENABLED, TWTY_BOOL, 1));
  EXPECT_TRUE(feederEnabled());
}

TEST_F(CapabilityTest, PixelTypeIsAnEnumerationOfRgb) {
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_PIXELTYPE, MSG_GET));
  EXPECT_EQ(TWON_ENUMERATION, cap_.ConType);
  EXPECT_EQ(1u, u32(2));
  EXPECT_EQ(0u, u32(6));
  EXPECT_EQ(0u, u32(10));
  EXPECT_EQ(TWPT_RGB, u16(14));
}

TEST_F(CapabilityTest, BitDepthIsLookedUpUnderThePixelType) {
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_BITDEPTH, MSG_GET));
  EXPECT_EQ(1u, u32(2));
  EXPECT_EQ(24, u16(14));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_BITDEPTH, MSG_QUERYSUPPORT));
  EXPECT_EQ(31u, oneValueItem());
  EXPECT_EQ(24, bitDepthOf(TWPT_RGB));
  EXPECT_EQ(8, bitDepthOf(TWPT_GRAY));
  EXPECT_EQ(1, bitDepthOf(TWPT_BW));
  EXPECT_EQ(0, bitDepthOf(7));
}

TEST_F(CapabilityTest, XferCountIsZeroExtendedIntoItsItem) {
  ASSERT_EQ(TWRC_SUCCESS, capCall(CAP_XFERCOUNT, MSG_GET));
  EXPECT_EQ(65535u, oneValueItem());
  EXPECT_EQ(TWRC_SUCCESS, setOne16(CAP_XFERCOUNT, TWTY_INT16, 25));
  EXPECT_EQ(TWRC_FAILURE, setOne16(CAP_XFERCOUNT, TWTY_INT16, 26));
}

TEST_F(CapabilityTest, PlanarChunkyIsReadOnly) {
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_PLANARCHUNKY, MSG_QUERYSUPPORT));
  EXPECT_EQ(13u, oneValueItem());
  EXPECT_EQ(TWRC_FAILURE, capCall(ICAP_PLANARCHUNKY, MSG_RESET));
  EXPECT_EQ(TWCC_CAPBADOPERATION, status());
}

TEST_F(CapabilityTest, OldApplicationsSeeBadCapInstead) {
  call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
  openSource(1, 5);
  EXPECT_EQ(TWRC_FAILURE, capCall(ICAP_PLANARCHUNKY, MSG_RESET));
  EXPECT_EQ(TWCC_BADCAP, status());
  EXPECT_EQ(TWRC_FAILURE, capCall(0x7777, MSG_GET));
  EXPECT_EQ(TWCC_BADCAP, status());
  // Codes up to 12 are kept.
  EXPECT_EQ(TWRC_FAILURE, setOne16(ICAP_XFERMECH, TWTY_UINT16, 3));
  EXPECT_EQ(TWCC_BADVALUE, status());
}

TEST_F(CapabilityTest, EnumerationSetTakesItemZeroNotTheCurrentIndex) {
  std::vector<uint8_t> c(14 + 4, 0);
  TW_UINT16 type = TWTY_UINT16;
  uint32_t numItems = 2, currentIndex = 1;
  uint16_t items[2] = {TWSX_FILE, TWSX_MEMORY};
  std::memcpy(&c[0], &type, 2);
  std::memcpy(&c[2], &numItems, 4);
  std::memcpy(&c[6], &currentIndex, 4);
  std::memcpy(&c[14], items, 4);
  EXPECT_EQ(TWRC_SUCCESS, setWith(ICAP_XFERMECH, TWON_ENUMERATION, c));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_XFERMECH, MSG_GETCURRENT));
  EXPECT_EQ(TWSX_FILE, oneValueItem());
}

TEST_F(CapabilityTest, ArrayAndRangeContainersSetNothing) {
  std::vector<uint8_t> c(6 + 2, 0);
  TW_UINT16 type = TWTY_UINT16;
  uint32_t numItems = 1;
  uint16_t item = TWSX_MEMORY;
  std::memcpy(&c[0], &type, 2);
  std::memcpy(&c[2], &numItems, 4);
  std::memcpy(&c[6], &item, 2);
  EXPECT_EQ(TWRC_FAILURE, setWith(ICAP_XFERMECH, TWON_ARRAY, c));
  EXPECT_EQ(TWCC_BADVALUE, status());
  EXPECT_EQ(TWRC_FAILURE, setWith(ICAP_XFERMECH, TWON_RANGE, std::vector<uint8_t>(22, 0)));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_XFERMECH, MSG_GETCURRENT));
  EXPECT_EQ(0u, oneValueItem());
}

TEST_F(CapabilityTest, HalftonesAreStringsInThirtyFourByteSlots) {
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_HALFTONES, MSG_GET));
  const char* list = reinterpret_cast<const char*>(container() + 14);
  EXPECT_STREQ("FLOYD/STEINBURG", list);
  EXPECT_STREQ("ORDERED", list + 34);
  gmem::unlock(cap_.hContainer);
  std::vector<uint8_t> c(2 + 34, 0);
  TW_UINT16 type = TWTY_STR32;
  std::memcpy(&c[0], &type, 2);
  std::strcpy(reinterpret_cast<char*>(&c[2]), "ORDERED");
  EXPECT_EQ(TWRC_SUCCESS, setWith(ICAP_HALFTONES, TWON_ONEVALUE, c));
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_HALFTONES, MSG_GET));
  EXPECT_EQ(1u, u32(6));
  EXPECT_EQ(0u, u32(10));
}

TEST_F(CapabilityTest, FramesAreFourFix32Numbers) {
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_FRAMES, MSG_GET));
  EXPECT_EQ(0.0, fix(2));
  EXPECT_EQ(0.0, fix(6));
  EXPECT_EQ(8.5, fix(10));
  EXPECT_EQ(11.0, fix(14));
  std::vector<uint8_t> c(2 + 16, 0);
  TW_UINT16 type = TWTY_FRAME;
  std::memcpy(&c[0], &type, 2);
  TW_FRAME frame = {toFix32(0), toFix32(0), toFix32(8.5), toFix32(11)};
  std::memcpy(&c[2], &frame, 16);
  EXPECT_EQ(TWRC_SUCCESS, setWith(ICAP_FRAMES, TWON_ONEVALUE, c));
  frame.Right = toFix32(4);
  std::memcpy(&c[2], &frame, 16);
  EXPECT_EQ(TWRC_FAILURE, setWith(ICAP_FRAMES, TWON_ONEVALUE, c));
}

TEST_F(CapabilityTest, FeederLoadedFollowsThePendingTransfers) {
  ASSERT_EQ(TWRC_SUCCESS, capCall(CAP_FEEDERLOADED, MSG_GET));
  EXPECT_EQ(1u, oneValueItem());
  sourceRecord.pendingCount = 0;
  ASSERT_EQ(TWRC_SUCCESS, capCall(CAP_FEEDERLOADED, MSG_GET));
  EXPECT_EQ(0u, oneValueItem());
}

TEST_F(CapabilityTest, BeforeOpenEveryCapabilityIsUnsupported) {
  call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
  attachSource();
  EXPECT_EQ(TWRC_FAILURE, capCall(ICAP_XFERMECH, MSG_GET));
  EXPECT_EQ(TWCC_CAPUNSUPPORTED, status());
  EXPECT_EQ(TWRC_FAILURE, capCall(ICAP_XFERMECH, MSG_QUERYSUPPORT));
  EXPECT_EQ(TWCC_CAPUNSUPPORTED, status());
}

TEST_F(CapabilityTest, ValuesOutliveCloseAndOpen) {
  ASSERT_EQ(TWRC_SUCCESS, setOne16(ICAP_UNITS, TWTY_UINT16, TWUN_PIXELS));
  call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
  openSource();
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_UNITS, MSG_GETCURRENT));
  EXPECT_EQ(TWUN_PIXELS, oneValueItem());
}

TEST_F(CapabilityTest, CaptureDefaultsRestoresTheTransferValuesAndOffersTheImage) {
  ASSERT_EQ(TWRC_SUCCESS, setOne16(CAP_FEEDERENABLED, TWTY_BOOL, 1));
  captureDefaults();
  EXPECT_FALSE(feederEnabled());
  EXPECT_EQ(100.0, currentResolution());
  EXPECT_EQ(TWPT_RGB, currentPixelType());
  EXPECT_EQ(600, sourceRecord.sourceState);
  ASSERT_EQ(1u, notifications.size());
  EXPECT_EQ(MSG_XFERREADY, notifications[0].msg);
}

TEST_F(CapabilityTest, Fix32FollowsTheRoundingRule) {
  TW_FIX32 f = toFix32(8.5);
  EXPECT_EQ(8, f.Whole);
  EXPECT_EQ(0x8000, f.Frac);
  f = toFix32(-1000);  // v = -65535999.5 truncated toward zero
  EXPECT_EQ(-1000, f.Whole);
  EXPECT_EQ(1, f.Frac);
  f = toFix32(0.1);
  EXPECT_EQ(0, f.Whole);
  EXPECT_EQ(6554, f.Frac);  // 6553.6 + 0.5 truncated
  f = toFix32(-0.5);        // v = -32767.5 truncated toward zero = -32767
  EXPECT_EQ(-1, f.Whole);
  EXPECT_EQ(0x8001, f.Frac);
  EXPECT_DOUBLE_EQ(99.99, std::round(fromFix32(toFix32(99.99)) * 100) / 100);
}

TEST_F(CapabilityTest, AnsweredContainersAreTheApplications) {
  int32_t before = gmem::liveBlocks();
  ASSERT_EQ(TWRC_SUCCESS, capCall(ICAP_UNITS, MSG_GET));
  EXPECT_EQ(before + 1, gmem::liveBlocks());
  releaseContainer();
  EXPECT_EQ(before, gmem::liveBlocks());
}

}  // namespace
