// Whatever an application passes: null data, broken containers, strings
// without terminators, triplets out of sequence. Nothing crashes or writes
// out of bounds; the answer is TWRC_FAILURE with a fitting condition.
#include <cstdio>
#include <cstring>

#include "tests/twain/twain_test_support.h"
#include "twain/capabilities.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"
#include "twain/transfer_setup_triplets.h"

using namespace twain;

namespace {

class BadInputTest : public TwainTest {
 protected:
  void SetUp() override {
    TwainTest::SetUp();
    openSource();
  }
};

TEST_F(BadInputTest, NullDataIsABadValueWithoutABox) {
  struct Triplet {
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    int32_t state;
  };
  const Triplet triplets[] = {
      {DG_CONTROL, DAT_IDENTITY, MSG_GET, 400},         {DG_CONTROL, DAT_STATUS, MSG_GET, 400},
      {DG_CONTROL, DAT_CAPABILITY, MSG_GET, 400},       {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, 400},
      {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, 400},     {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, 700},
      {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, 600},   {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, 400},
      {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, 400},    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, 400},
      {DG_CONTROL, DAT_XFERGROUP, MSG_GET, 400},        {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, 600},
      {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, 400},        {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, 600},
      {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, 600},    {DG_IMAGE, DAT_PALETTE8, MSG_GET, 400},
      {DG_IMAGE, DAT_GRAYRESPONSE, MSG_SET, 400},       {DG_IMAGE, DAT_RGBRESPONSE, MSG_SET, 400},
      {DG_IMAGE, DAT_CIECOLOR, MSG_GET, 400},
  };
  for (const Triplet& t : triplets) {
    SCOPED_TRACE(t.dat);
    sourceRecord.sourceState = t.state;
    EXPECT_EQ(TWRC_FAILURE, call(t.dg, t.dat, t.msg, nullptr));
    EXPECT_EQ(t.state, sourceRecord.sourceState);
    EXPECT_EQ(TWCC_BADVALUE, sourceRecord.conditionCode);
  }
  EXPECT_TRUE(shownBoxes.empty());
  // Event processing with nothing to process is simply not a source event.
  EXPECT_EQ(TWRC_NOTDSEVENT, call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr));
}

TEST_F(BadInputTest, OpenWithoutTheManagersIdentityChangesNothing) {
  call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr));
  EXPECT_EQ(300, sourceRecord.sourceState);
  EXPECT_EQ(0u, +sourceRecord.appIdentity.Id);
}

TEST_F(BadInputTest, OpenWhileAnApplicationIsStillConnectedIsMaxConnections) {
  call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
  sourceRecord.appIdentity.Id = 5;  // left connected in state 3
  TW_IDENTITY completed = sourceRecord.sourceIdentity;
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &completed));
  EXPECT_EQ(400, sourceRecord.sourceState);
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in response to MSG_OPENDS.  Source is connected to max possible apps.", shownBoxes[0].text);
  EXPECT_EQ(TWCC_MAXCONNECTIONS, status());
}

TEST_F(BadInputTest, CapabilityWithoutAContainerOrWithAShortOneIsABadValue) {
  TW_CAPABILITY cap{ICAP_XFERMECH, TWON_ONEVALUE, nullptr};
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
  EXPECT_EQ(TWCC_BADVALUE, status());
  cap.hContainer = gmem::alloc(3);  // item type and one byte of the value
  TW_UINT16 type = TWTY_UINT16;
  std::memcpy(gmem::lock(cap.hContainer), &type, 2);
  gmem::unlock(cap.hContainer);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
  EXPECT_EQ(TWCC_BADVALUE, status());
  gmem::release(cap.hContainer);
  // An enumeration whose list would start past the block.
  cap = {ICAP_XFERMECH, TWON_ENUMERATION, gmem::alloc(15)};
  std::memcpy(gmem::lock(cap.hContainer), &type, 2);
  gmem::unlock(cap.hContainer);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
  gmem::release(cap.hContainer);
}

TEST_F(BadInputTest, EnumerationWithoutItemsSetsNothing) {
  TW_CAPABILITY cap{ICAP_XFERMECH, TWON_ENUMERATION, gmem::alloc(16)};
  uint8_t* c = static_cast<uint8_t*>(gmem::lock(cap.hContainer));
  TW_UINT16 type = TWTY_UINT16;
  std::memcpy(c, &type, 2);  // NumItems 0, item 0 would be TWSX_NATIVE
  gmem::unlock(cap.hContainer);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
  EXPECT_EQ(TWCC_BADVALUE, status());
  gmem::release(cap.hContainer);
}

TEST_F(BadInputTest, UnknownContainerTypeIsABadValue) {
  TW_CAPABILITY cap{ICAP_XFERMECH, 77, gmem::alloc(64)};
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
  EXPECT_EQ(TWCC_BADVALUE, status());
  gmem::release(cap.hContainer);
}

TEST_F(BadInputTest, CapabilityZeroIsNoCapabilityEvenInEmptyRows) {
  TW_CAPABILITY cap{0, 0, nullptr};
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT, &cap));
  EXPECT_EQ(TWCC_CAPUNSUPPORTED, status());
  EXPECT_EQ(nullptr, +cap.hContainer);
}

TEST_F(BadInputTest, UnterminatedStringsStayInsideTheirFields) {
  TW_CAPABILITY cap{ICAP_HALFTONES, TWON_ONEVALUE, gmem::alloc(36)};
  uint8_t* c = static_cast<uint8_t*>(gmem::lock(cap.hContainer));
  TW_UINT16 type = TWTY_STR32;
  std::memcpy(c, &type, 2);
  std::memset(c + 2, 'A', 34);
  gmem::unlock(cap.hContainer);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap));
  EXPECT_EQ(TWCC_BADVALUE, status());
  gmem::release(cap.hContainer);
}

TEST_F(BadInputTest, FileNameLongerThanTheBufferIsCut) {
  TW_SETUPFILEXFER setup;
  std::memset(setup.FileName, 'n', sizeof setup.FileName);  // no terminator at all
  setup.Format = 0xFFFF;
  call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
  EXPECT_EQ(255u, std::strlen(transferRecord.fileName));
  std::remove(transferRecord.fileName);
}

TEST_F(BadInputTest, TransfersOutOfSequenceFail) {
  TW_HANDLE handle = nullptr;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
  EXPECT_EQ(TWCC_SEQERROR, status());
  TW_IMAGEMEMXFER xfer{};
  uint8_t buffer[4096];
  xfer.Memory.Length = sizeof buffer;
  xfer.Memory.TheMem = buffer;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
  EXPECT_EQ(TWCC_OPERATIONERROR, status());
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
  EXPECT_EQ(TWCC_OPERATIONERROR, status());
  EXPECT_EQ(400, sourceRecord.sourceState);
}

TEST_F(BadInputTest, MemoryTransferWithoutABufferWritesNothing) {
  offerCapturedFrame(1);
  TW_IMAGEMEMXFER xfer{};
  xfer.Memory.Length = 65535;
  xfer.Memory.TheMem = nullptr;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer));
  EXPECT_EQ(TWCC_BADVALUE, status());
}

}  // namespace
