// Pending transfers, transfer set-up, image information and the three
// transfers as the application sees them.
#include <cstdio>
#include <cstring>

#include "tests/twain/twain_test_support.h"
#include "twain/capabilities.h"
#include "twain/fix32.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"
#include "twain/transfer_setup_triplets.h"

using namespace twain;

namespace {

class TransferTripletTest : public TwainTest {
 protected:
  void SetUp() override {
    TwainTest::SetUp();
    openSource();
  }
  TW_UINT16 endTransfer(TW_UINT16* count) {
    TW_PENDINGXFERS pending{0x1234, 0};
    TW_UINT16 rc = call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    *count = pending.Count;
    return rc;
  }
  TW_UINT16 memoryStrip(TW_IMAGEMEMXFER* xfer, std::vector<uint8_t>& buffer) {
    std::memset(xfer, 0, sizeof *xfer);
    xfer->Memory.Flags = 0x0001 | 0x0008;  // application owns, pointer
    xfer->Memory.Length = static_cast<TW_UINT32>(buffer.size());
    xfer->Memory.TheMem = buffer.data();
    return call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, xfer);
  }
};

TEST_F(TransferTripletTest, ImageInfoDescribesTheHalfSizeRgbImage) {
  offerCapturedFrame(1);
  TW_IMAGEINFO info;
  std::memset(&info, 0xCC, sizeof info);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
  EXPECT_EQ(1, sourceWindowState.appAnswered);
  EXPECT_EQ(100.0, fromFix32(info.XResolution));
  EXPECT_EQ(100.0, fromFix32(info.YResolution));
  EXPECT_EQ(512, info.ImageWidth);
  EXPECT_EQ(384, info.ImageLength);
  EXPECT_EQ(3, info.SamplesPerPixel);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(i < 4 ? 8 : 0, info.BitsPerSample[i]);
  EXPECT_EQ(24, info.BitsPerPixel);
  EXPECT_EQ(0, info.Planar);
  EXPECT_EQ(TWPT_RGB, info.PixelType);
  EXPECT_EQ(TWCP_NONE, info.Compression);
}

TEST_F(TransferTripletTest, ImageInfoOnTheLargeModelAtFullSize) {
  offerCapturedFrame(0, true);
  TW_IMAGEINFO info{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
  EXPECT_EQ(1280, info.ImageWidth);
  EXPECT_EQ(1024, info.ImageLength);
}

TEST_F(TransferTripletTest, ImageInfoOutsideState6FailsWithItsText) {
  sourceRecord.sourceState = 500;
  TW_IMAGEINFO info{};
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
  EXPECT_EQ(TWCC_SEQERROR, status());
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in transfer.  DG DAT MSG is out of expected sequence.", shownBoxes[0].text);
  sourceRecord.sourceState = 600;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGEINFO, MSG_SET, &info));
  EXPECT_EQ(TWCC_BADPROTOCOL, status());
}

TEST_F(TransferTripletTest, NativeTransferHandsOverTheBitmapAndEndXferReturnsTo6) {
  offerCapturedFrame(1);
  TW_HANDLE handle = nullptr;
  ASSERT_EQ(TWRC_XFERDONE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
  ASSERT_NE(nullptr, handle);
  EXPECT_EQ(700, sourceRecord.sourceState);
  EXPECT_EQ(40u + 589824u, gmem::size(handle));
  gmem::release(handle);
  TW_UINT16 count;
  ASSERT_EQ(TWRC_SUCCESS, endTransfer(&count));
  EXPECT_EQ(0, count);
  EXPECT_EQ(600, sourceRecord.sourceState);
  EXPECT_EQ(1, sourceWindowState.transferEnded);
  EXPECT_EQ(0, sourceRecord.pendingCount);
}

TEST_F(TransferTripletTest, SecondEndXferFailsButStillEndsTheTransfer) {
  offerCapturedFrame(1);
  TW_HANDLE handle = nullptr;
  call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
  gmem::release(handle);
  TW_UINT16 count;
  endTransfer(&count);
  sourceWindowState.transferEnded = 0;
  EXPECT_EQ(TWRC_FAILURE, endTransfer(&count));
  EXPECT_EQ(1, sourceWindowState.transferEnded);
  EXPECT_EQ(0, sourceRecord.pendingCount);
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in response to DAT_PENDINGXFER.  DG DAT MSG is out of expected sequence.",
            shownBoxes[0].text);
}

TEST_F(TransferTripletTest, EndXferWithTheFeederReportsMorePendingWhileTheCounterLasts) {
  offerCapturedFrame(1);
  sourceRecord.pendingCount = 3;
  sourceRecord.sourceState = 700;
  std::vector<uint8_t> c(6, 0);
  TW_UINT16 type = TWTY_BOOL, yes = 1;
  std::memcpy(&c[0], &type, 2);
  std::memcpy(&c[2], &yes, 2);
  TW_HANDLE block = gmem::alloc(6);
  std::memcpy(gmem::lock(block), c.data(), 6);
  gmem::unlock(block);
  TW_CAPABILITY cap{CAP_FEEDERENABLED, TWON_ONEVALUE, block};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
  gmem::release(block);
  TW_UINT16 count;
  ASSERT_EQ(TWRC_SUCCESS, endTransfer(&count));
  EXPECT_EQ(0xFFFF, count);
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
  EXPECT_EQ(1, pending.Count);
}

TEST_F(TransferTripletTest, PendingGetCountsOneUntilTransferring) {
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
  EXPECT_EQ(1, pending.Count);
  sourceRecord.sourceState = 700;
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
  EXPECT_EQ(0, pending.Count);
  call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending));
  EXPECT_EQ(TWCC_SEQERROR, status());
}

TEST_F(TransferTripletTest, ResetEndsAllTransfersInState5) {
  offerCapturedFrame(1);
  TW_PENDINGXFERS pending{7, 0};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
  EXPECT_EQ(0, pending.Count);
  EXPECT_EQ(500, sourceRecord.sourceState);
  EXPECT_EQ(0, sourceRecord.pendingCount);
  EXPECT_EQ(nullptr, sourceWindowState.captureFrame);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending));
  EXPECT_EQ(TWCC_SEQERROR, status());
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_PENDINGXFERS, MSG_SET, &pending));
  EXPECT_EQ(TWCC_BADPROTOCOL, status());
}

TEST_F(TransferTripletTest, SetupMemXferAnswersTheBufferSizes) {
  TW_SETUPMEMXFER setup{};
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup));
  EXPECT_EQ(16384u, setup.MinBufSize);
  EXPECT_EQ(65535u, setup.MaxBufSize);
  EXPECT_EQ(65535u, setup.Preferred);
  EXPECT_EQ(1, sourceWindowState.appAnswered);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_SET, &setup));
  EXPECT_EQ("General failure in response to DAT_SETUPMEMXFER, not supported.  Bad protocol error.", shownBoxes[0].text);
  sourceRecord.sourceState = 700;
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup));
  EXPECT_EQ(TWCC_SEQERROR, status());
}

TEST_F(TransferTripletTest, SetupFileXferAlwaysAnswersTheDefaultFile) {
  TW_SETUPFILEXFER setup{};
  std::strcpy(setup.FileName, "twain_test_named.bmp");
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup));
  EXPECT_STREQ("twain_test_named.bmp", transferRecord.fileName);
  // Setting creates an empty file.
  EXPECT_TRUE(readWholeFile("twain_test_named.bmp").empty());
  std::FILE* created = std::fopen("twain_test_named.bmp", "rb");
  EXPECT_NE(nullptr, created);
  if (created) std::fclose(created);
  std::memset(&setup, 0xCC, sizeof setup);
  for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
    ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_SETUPFILEXFER, msg, &setup));
    EXPECT_STREQ("c:\\twain.bmp", setup.FileName);
    EXPECT_EQ(TWFF_BMP, setup.Format);
    EXPECT_EQ(0, setup.VRefNum);
  }
  std::remove("twain_test_named.bmp");
}

TEST_F(TransferTripletTest, SetupFileXferThatCannotCreateKeepsTheName) {
  TW_SETUPFILEXFER setup{};
  std::strcpy(setup.FileName, "no_such_directory/out.bmp");
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup));
  EXPECT_EQ(TWCC_BADVALUE, status());
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("Unable to create file <<DAT_SETUPFILEXFER>>Bad value error.", shownBoxes[0].text);
  EXPECT_STREQ("no_such_directory/out.bmp", transferRecord.fileName);
}

TEST_F(TransferTripletTest, FileTransferWritesTheBitmapFile) {
  TW_SETUPFILEXFER setup{};
  std::strcpy(setup.FileName, "twain_test_transfer.bmp");
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup));
  offerCapturedFrame(1);
  int32_t before = gmem::liveBlocks();
  ASSERT_EQ(TWRC_XFERDONE, call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
  EXPECT_EQ(before, gmem::liveBlocks());
  EXPECT_EQ(700, sourceRecord.sourceState);
  EXPECT_EQ(TWCC_SUCCESS, status());
  std::vector<uint8_t> file = readWholeFile("twain_test_transfer.bmp");
  ASSERT_EQ(589878u, file.size());
  // The frame's top row is the file's last row.
  EXPECT_EQ(0, std::memcmp(&file[54 + 383 * 1536], &frame_[0], 1536));
  std::remove("twain_test_transfer.bmp");
}

TEST_F(TransferTripletTest, FileTransferWithoutANameStillAnswersDone) {
  offerCapturedFrame(1);
  EXPECT_EQ(TWRC_XFERDONE, call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
  EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(TransferTripletTest, MissingTemplateFailsFileAndMemoryTransfers) {
  writeTemplate("XGA_FULL.bmp", 1024, 768);  // a directory without XGA_HALF.bmp
  removeTemplate("XGA_HALF.bmp");
  offerCapturedFrame(1);
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
  EXPECT_TRUE(shownBoxes.empty());
  EXPECT_EQ(TWCC_OPERATIONERROR, status());
  TW_IMAGEMEMXFER xfer;
  std::vector<uint8_t> buffer(16384);
  EXPECT_EQ(TWRC_FAILURE, memoryStrip(&xfer, buffer));
  EXPECT_EQ(TWCC_OPERATIONERROR, status());
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in response to DAT_IMAGEMEMXFER.  An operation error just occurred.", shownBoxes[0].text);
  TW_HANDLE handle = nullptr;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
  EXPECT_EQ(nullptr, handle);
  EXPECT_EQ(600, sourceRecord.sourceState);
}

TEST_F(TransferTripletTest, TransferBeforeAnyCaptureDeliversNothing) {
  captureDefaults();  // MSG_XFERREADY at once, as with ShowUI false
  TW_HANDLE handle = nullptr;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
  EXPECT_EQ(TWCC_OPERATIONERROR, status());
  EXPECT_EQ(nullptr, handle);
  EXPECT_EQ(600, sourceRecord.sourceState);
}

TEST_F(TransferTripletTest, FrameIsNotReusedAfterTheTransferEnded) {
  offerCapturedFrame(1);
  TW_HANDLE handle = nullptr;
  ASSERT_EQ(TWRC_XFERDONE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
  gmem::release(handle);
  TW_UINT16 count;
  endTransfer(&count);
  handle = nullptr;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
  EXPECT_EQ(nullptr, handle);
}

TEST_F(TransferTripletTest, MemoryTransferInStripsOfTenRows) {
  offerCapturedFrame(1);
  std::vector<uint8_t> buffer(10 * 1536);
  TW_IMAGEMEMXFER xfer;
  uint32_t rows = 0;
  TW_UINT16 rc;
  int calls = 0;
  do {
    rc = memoryStrip(&xfer, buffer);
    ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE);
    EXPECT_EQ(rows, +xfer.YOffset);
    EXPECT_EQ(1536u, +xfer.BytesPerRow);
    EXPECT_EQ(512u, +xfer.Columns);
    EXPECT_EQ(0u, +xfer.XOffset);
    EXPECT_EQ(+xfer.Rows * 1536, +xfer.BytesWritten);
    const uint8_t* top = &frame_[rows * 1536];
    EXPECT_EQ(top[2], buffer[0]);
    EXPECT_EQ(top[0], buffer[2]);
    rows += xfer.Rows;
    EXPECT_EQ(700, sourceRecord.sourceState);
    ++calls;
  } while (rc == TWRC_SUCCESS && calls < 100);
  EXPECT_EQ(TWRC_XFERDONE, rc);
  EXPECT_EQ(384u, rows);
  EXPECT_EQ(39, calls);
  EXPECT_EQ(4u, +xfer.Rows);
}

TEST_F(TransferTripletTest, MemoryStripsOfAHundredRows) {
  offerCapturedFrame(1);
  std::vector<uint8_t> buffer(100 * 1536 + 1000);
  TW_IMAGEMEMXFER xfer;
  const uint32_t expectedRows[] = {100, 100, 100, 84};
  for (int i = 0; i < 4; ++i) {
    TW_UINT16 rc = memoryStrip(&xfer, buffer);
    EXPECT_EQ(i == 3 ? TWRC_XFERDONE : TWRC_SUCCESS, rc);
    EXPECT_EQ(100u * i, +xfer.YOffset);
    EXPECT_EQ(expectedRows[i], +xfer.Rows);
  }
}

TEST_F(TransferTripletTest, MemoryBufferShorterThanARowStaysAtTheSameRow) {
  offerCapturedFrame(1);
  std::vector<uint8_t> tiny(1000);
  TW_IMAGEMEMXFER xfer;
  ASSERT_EQ(TWRC_SUCCESS, memoryStrip(&xfer, tiny));
  EXPECT_EQ(0u, +xfer.Rows);
  EXPECT_EQ(0u, +xfer.BytesWritten);
  std::vector<uint8_t> buffer(1536);
  ASSERT_EQ(TWRC_SUCCESS, memoryStrip(&xfer, buffer));
  EXPECT_EQ(0u, +xfer.YOffset);
  EXPECT_EQ(1u, +xfer.Rows);
  EXPECT_EQ(frame_[2], buffer[0]);
}

TEST_F(TransferTripletTest, MemoryBufferGivenAsAHandleIsWrittenThroughItsLock) {
  offerCapturedFrame(1);
  TW_HANDLE block = gmem::alloc(2 * 1536);
  TW_IMAGEMEMXFER xfer{};
  xfer.Memory.Flags = 0x0001 | 0x0010;
  xfer.Memory.Length = 100 * 1536;  // longer than the block: bounded by it
  xfer.Memory.TheMem = block;
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
  EXPECT_EQ(2u, +xfer.Rows);
  EXPECT_EQ(frame_[2], static_cast<uint8_t*>(gmem::lock(block))[0]);
  gmem::unlock(block);
  gmem::release(block);
}

TEST_F(TransferTripletTest, XferGroupWritesOnlyTheLowHalf) {
  TW_UINT32 group = 0xABCD0000u;
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group));
  EXPECT_EQ(0xABCD0002u, group);
  EXPECT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_XFERGROUP, MSG_SET, &group));
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_XFERGROUP, MSG_ENDXFER, &group));
  EXPECT_EQ("General failure in response to DAT_XFERGROUP, not supported.  Bad protocol error.", shownBoxes[0].text);
}

TEST_F(TransferTripletTest, PaletteOfTheTwentyFourBitImageIsEmpty) {
  TW_PALETTE8 palette;
  std::memset(&palette, 0xCC, sizeof palette);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette));
  EXPECT_EQ(0, palette.NumColors);
  EXPECT_EQ(TWPA_RGB, palette.PaletteType);
  offerCapturedFrame(1);
  ASSERT_TRUE(prepareTransferDib(frame_.data(), static_cast<uint32_t>(frame_.size()), 1, false));
  int32_t before = gmem::liveBlocks();
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette));
  EXPECT_EQ(0, palette.NumColors);
  EXPECT_EQ(before - 1, gmem::liveBlocks());  // the bitmap is freed
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_PALETTE8, MSG_GETCURRENT, &palette));
  EXPECT_EQ(TWCC_BADPROTOCOL, status());
  sourceRecord.sourceState = 700;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette));
  EXPECT_EQ("General failure in response to DAT_PALETTE8.  DG DAT MSG is out of expected sequence.",
            shownBoxes[1].text);
}

TEST_F(TransferTripletTest, ResponseTablesAreStoredAndResetToIdentity) {
  TW_ELEMENT8 table[256];
  std::memset(table, 7, sizeof table);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_RGBRESPONSE, MSG_SET, table));
  EXPECT_EQ(7, transferRecord.rgbResponse[255].Channel3);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_GRAYRESPONSE, MSG_RESET, table));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(i, transferRecord.grayResponse[i].Index);
    EXPECT_EQ(i, transferRecord.grayResponse[i].Channel2);
  }
  EXPECT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_GRAYRESPONSE, MSG_GET, table));
  EXPECT_EQ(7, transferRecord.rgbResponse[0].Channel1);
}

TEST_F(TransferTripletTest, CieColorIsFixed) {
  TW_CIECOLOR cie;
  std::memset(&cie, 0xAB, sizeof cie);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_CIECOLOR, MSG_GET, &cie));
  EXPECT_EQ(TWPT_RGB, cie.ColorSpace);
  EXPECT_EQ(1, cie.DeviceDependent);
  EXPECT_EQ(0, +cie.VersionNumber);
  EXPECT_NEAR(0.1, fromFix32(cie.StageABC.Decode[0].StartIn), 1e-4);
  EXPECT_NEAR(2.2, fromFix32(cie.StageLMN.Mix[2][2]), 1e-4);
  EXPECT_NEAR(1.1, fromFix32(cie.StageLMN.Mix[1][1]), 1e-4);
  EXPECT_NEAR(1.1, fromFix32(cie.StageLMN.Decode[0].StartIn), 1e-4);
  EXPECT_NEAR(4.4, fromFix32(cie.WhitePoint.X), 1e-4);
  EXPECT_NEAR(6.6, fromFix32(cie.BlackInk.Z), 1e-4);
  EXPECT_NEAR(99.99, fromFix32(cie.Samples[0]), 1e-4);
  // Fields not listed stay as they were.
  EXPECT_EQ(0xABAB, cie.StageABC.Decode[0].BreakIn.Frac);
}

}  // namespace
