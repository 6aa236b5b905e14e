// DS_Entry, the connection triplets and the TWAIN state machine.
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/twain/twain_test_support.h"
#include "twain/capabilities.h"
#include "twain/control_triplets.h"
#include "twain/source_record.h"
#include "twain/source_window.h"

using namespace twain;

namespace {

// A stand-in window: creation succeeds or fails on demand, and the dialog
// manager takes events whose message is 42.
struct FakeWindow {
  bool canCreate = true;
  int created = 0;
  int shown = 0;
  int destroyed = 0;
  void* owner = nullptr;
};
FakeWindow fakeWindow;
int windowToken;

plat::WindowHandle fakeCreate(void*, plat::WindowHandle owner) {
  fakeWindow.owner = owner;
  if (!fakeWindow.canCreate) return nullptr;
  ++fakeWindow.created;
  return &windowToken;
}
void fakeShow(void*, plat::WindowHandle) { ++fakeWindow.shown; }
void fakeDestroy(void*, plat::WindowHandle) { ++fakeWindow.destroyed; }
bool fakeIsDialogMessage(void*, plat::WindowHandle, void* event) { return *static_cast<int*>(event) == 42; }
const SourceWindowSeam kFakeSeam = {nullptr, fakeCreate, fakeShow, fakeDestroy, fakeIsDialogMessage};

class SourceEntryTest : public TwainTest {
 protected:
  void SetUp() override {
    TwainTest::SetUp();
    fakeWindow = FakeWindow();
    installSourceWindowSeam(&kFakeSeam);
  }
  TW_UINT16 enable(bool showUI, void* parent = reinterpret_cast<void*>(0x1234)) {
    TW_USERINTERFACE ui{};
    ui.ShowUI = showUI ? 1 : 0;
    ui.hParent = parent;
    return call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  }
};

TEST_F(SourceEntryTest, LibraryStartsInState3WithItsOwnIdentity) {
  EXPECT_EQ(300, sourceRecord.sourceState);
  EXPECT_EQ(1, sourceRecord.pendingCount);
  TW_IDENTITY id;
  std::memset(&id, 0xCC, sizeof id);
  EXPECT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id));
  EXPECT_EQ(0u, +id.Id);
  EXPECT_EQ(1, id.Version.MajorNum);
  EXPECT_EQ(0, id.Version.MinorNum);
  EXPECT_EQ(69, id.Version.Language);
  EXPECT_EQ(69, id.Version.Country);
  EXPECT_STREQ("Version 2.00.01 2003/08/26", id.Version.Info);
  EXPECT_EQ(1, id.ProtocolMajor);
  EXPECT_EQ(6, id.ProtocolMinor);
  EXPECT_EQ(3u, +id.SupportedGroups);
  EXPECT_STREQ("Veltrum Quorlen Co. Ltd", id.Manufacturer);
  EXPECT_STREQ("TWAIN", id.ProductFamily);
  EXPECT_STREQ("ZEL TWAIN Data Source", id.ProductName);
  // Zero-padded to the end of each field.
  EXPECT_EQ(0, id.ProductName[33]);
}

TEST_F(SourceEntryTest, OpenTakesTheManagersIdentityAndTheApplication) {
  ASSERT_EQ(TWRC_SUCCESS, openSource());
  EXPECT_EQ(400, sourceRecord.sourceState);
  EXPECT_EQ(5u, +sourceRecord.appIdentity.Id);
  EXPECT_STREQ("test application", sourceRecord.appIdentity.ProductName);
  TW_IDENTITY id{};
  call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id);
  EXPECT_EQ(77u, +id.Id);
  EXPECT_EQ(CAP_SUPPORTEDCAPS, capabilityTable[0].Cap);
  EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(SourceEntryTest, OpenDeletesTheLeftOverTraceFileInEveryState) {
  for (int round = 0; round < 2; ++round) {
    std::FILE* file = std::fopen(kTraceLogPath, "wb");
    ASSERT_NE(nullptr, file);
    std::fclose(file);
    openSource();  // the second one fails, and still deletes
    file = std::fopen(kTraceLogPath, "rb");
    EXPECT_EQ(nullptr, file) << "round " << round;
    if (file) std::fclose(file);
  }
}

TEST_F(SourceEntryTest, SecondOpenFailsWithSequenceErrorAndABox) {
  ASSERT_EQ(TWRC_SUCCESS, openSource());
  EXPECT_EQ(TWRC_FAILURE, openSource());
  EXPECT_EQ(400, sourceRecord.sourceState);
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in response to MSG_OPENDS.  DG DAT MSG is out of expected sequence.", shownBoxes[0].text);
  EXPECT_EQ("Veltrum Lumidesk TWAIN Error", shownBoxes[0].caption);
  EXPECT_EQ(TWCC_SEQERROR, status());
  EXPECT_EQ(TWCC_SUCCESS, status());
}

TEST_F(SourceEntryTest, CloseReturnsToState3AndClearsTheTable) {
  openSource();
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
  EXPECT_EQ(300, sourceRecord.sourceState);
  EXPECT_EQ(0u, +sourceRecord.appIdentity.Id);
  for (const CapabilityRecord& row : capabilityTable) EXPECT_EQ(0, row.Cap);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in response to MSG_CLOSEDS.  DG DAT MSG is out of expected sequence.", shownBoxes[0].text);
}

TEST_F(SourceEntryTest, UnknownIdentityMessageIsABadProtocol) {
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_IDENTITY, MSG_SET, nullptr));
  EXPECT_EQ(TWCC_BADPROTOCOL, status());
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in response to DAT_IDENTITY.  Bad protocol error.", shownBoxes[0].text);
}

TEST_F(SourceEntryTest, EnableWithUserInterfaceShowsTheWindowInState5) {
  openSource();
  ASSERT_EQ(TWRC_SUCCESS, enable(true));
  EXPECT_EQ(500, sourceRecord.sourceState);
  EXPECT_EQ(1, fakeWindow.shown);
  EXPECT_EQ(reinterpret_cast<void*>(0x1234), fakeWindow.owner);
  EXPECT_EQ(reinterpret_cast<void*>(0x1234), sourceRecord.parentWindow);
  EXPECT_TRUE(notifications.empty());
}

TEST_F(SourceEntryTest, EnableWithoutUserInterfaceSendsXferReadyBeforeReturning) {
  openSource();
  ASSERT_EQ(TWRC_SUCCESS, enable(false));
  EXPECT_EQ(600, sourceRecord.sourceState);
  EXPECT_EQ(0, fakeWindow.shown);
  ASSERT_EQ(1u, notifications.size());
  const Notification& n = notifications[0];
  EXPECT_EQ(MSG_XFERREADY, n.msg);
  EXPECT_EQ(DG_CONTROL, n.dg);
  EXPECT_EQ(DAT_NULL, n.dat);
  EXPECT_EQ(77u, +n.originId);  // the identity received at MSG_OPENDS
  EXPECT_EQ(5u, n.destinationId);
  EXPECT_EQ(600, n.stateAtCall);
  EXPECT_TRUE(n.dataWasNull);
}

TEST_F(SourceEntryTest, EnableWithoutCameraFailsWithTheUsbText) {
  fakeWindow.canCreate = false;
  openSource();
  EXPECT_EQ(TWRC_FAILURE, enable(true, reinterpret_cast<void*>(0x99)));
  EXPECT_EQ(400, sourceRecord.sourceState);
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ(reinterpret_cast<void*>(0x99), shownBoxes[0].owner);
  EXPECT_EQ(
      "General failure in response to MSG_ENABLEDS.  There is a problem in communication of USB.\n"
      "Please disconnect the plug of USB and reconnect it.",
      shownBoxes[0].text);
  EXPECT_EQ(TWCC_LOWMEMORY, status());
}

TEST_F(SourceEntryTest, LibraryWithoutAWindowFailsToEnable) {
  installSourceWindowSeam(nullptr);
  openSource();
  EXPECT_EQ(TWRC_FAILURE, enable(true));
  EXPECT_EQ(TWCC_LOWMEMORY, status());
}

TEST_F(SourceEntryTest, EnableOutsideState4IsASequenceError) {
  EXPECT_EQ(TWRC_FAILURE, enable(true));
  openSource();
  enable(true);
  EXPECT_EQ(TWRC_FAILURE, enable(true));
  EXPECT_EQ(500, sourceRecord.sourceState);
  ASSERT_EQ(2u, shownBoxes.size());
  EXPECT_EQ("General failure in response to MSG_ENABLEDS.  DG DAT MSG is out of expected sequence.", shownBoxes[1].text);
}

// Each row that names its states, called outside them: the handler does not
// run (no state change, no window touched) and the call fails with
// TWCC_SEQERROR and the row's text.
TEST_F(SourceEntryTest, RowsOutsideTheirStatesFailWithTheirTextAndDoNothing) {
  struct Case {
    TW_UINT32 dg;
    TW_UINT16 dat, msg;
    int32_t state;
    const char* text;
  };
  const Case cases[] = {
      {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, 300, "General failure in response to MSG_CLOSEDS.  "},
      {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, 600, "General failure in response to MSG_ENABLEDS.  "},
      {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, 400, "General failure in response to MSG_DISABLEDS.  "},
      {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, 300, "General failure in response to DAT_PENDINGXFER.  "},
      {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, 500, "General failure in response to DAT_PENDINGXFER.  "},
      {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, 700,
       "General failure in response to DAT_SETUPMEMXFER, not supported.  "},
      {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, 300,
       "General failure in response to DAT_SETUPFILEXFER, not supported.  "},
      {DG_CONTROL, DAT_XFERGROUP, MSG_GET, 700, "General failure in response to DAT_XFERGROUP, not supported.  "},
      {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, 700, "General failure in transfer.  "},
      {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, 500, "General failure in response to DAT_IMAGENATIVEXFER.  "},
      {DG_IMAGE, DAT_PALETTE8, MSG_GET, 300, "General failure in response to DAT_PALETTE8.  "},
  };
  ASSERT_EQ(TWRC_SUCCESS, openSource());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    sourceRecord.sourceState = c.state;
    shownBoxes.clear();
    uint8_t data[2048] = {};
    std::strcpy(reinterpret_cast<char*>(data), "twain_test_never_created.bmp");
    EXPECT_EQ(TWRC_FAILURE, call(c.dg, c.dat, c.msg, data));
    EXPECT_EQ(c.state, sourceRecord.sourceState);
    ASSERT_EQ(1u, shownBoxes.size());
    EXPECT_EQ(std::string(c.text) + "DG DAT MSG is out of expected sequence.", shownBoxes[0].text);
    EXPECT_EQ(TWCC_SEQERROR, status());
  }
  EXPECT_EQ(0, fakeWindow.created);
  EXPECT_EQ(0, fakeWindow.destroyed);
  std::FILE* file = std::fopen("twain_test_never_created.bmp", "rb");
  EXPECT_EQ(nullptr, file) << "DAT_SETUPFILEXFER MSG_SET ran";
  if (file) std::fclose(file);
}

TEST_F(SourceEntryTest, DisableDestroysTheWindowAndReturnsToState4) {
  openSource();
  enable(true);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
  EXPECT_EQ(400, sourceRecord.sourceState);
  EXPECT_EQ(1, fakeWindow.destroyed);
  EXPECT_EQ(nullptr, sourceRecord.sourceWindow);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr));
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in response to MSG_DISABLEDS.  DG DAT MSG is out of expected sequence.", shownBoxes[0].text);
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_USERINTERFACE, MSG_GET, nullptr));
  EXPECT_EQ("General failure in response to DAT_USERINTERFACE.  Bad protocol error.", shownBoxes[1].text);
}

TEST_F(SourceEntryTest, CloseInState5LeavesTheWindowOpen) {
  openSource();
  enable(true);
  ASSERT_EQ(TWRC_SUCCESS, call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
  EXPECT_EQ(300, sourceRecord.sourceState);
  EXPECT_EQ(0, fakeWindow.destroyed);
  EXPECT_NE(nullptr, sourceRecord.sourceWindow);
}

TEST_F(SourceEntryTest, ProcessEventWithoutAWindowIsNotASourceEvent) {
  int message = 42;
  TW_EVENT event{&message, 0x77};
  EXPECT_EQ(TWRC_NOTDSEVENT, call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
  EXPECT_EQ(TWRC_NOTDSEVENT, call(0x40, 0x999, MSG_PROCESSEVENT, &event));
  EXPECT_EQ(0x77, event.TWMessage);
}

TEST_F(SourceEntryTest, ProcessEventHandsWindowMessagesToTheDialogManager) {
  openSource();
  enable(true);
  int message = 42;
  TW_EVENT event{&message, 0x77};
  EXPECT_EQ(TWRC_DSEVENT, call(DG_IMAGE, DAT_IMAGEINFO, MSG_PROCESSEVENT, &event));
  EXPECT_EQ(MSG_NULL, event.TWMessage);
  message = 7;
  event.TWMessage = 0x77;
  EXPECT_EQ(TWRC_NOTDSEVENT, call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event));
  EXPECT_EQ(0x77, event.TWMessage);
  EXPECT_EQ(500, sourceRecord.sourceState);
}

TEST_F(SourceEntryTest, AnotherApplicationsCallHasNoEffect) {
  openSource();
  sourceRecord.conditionCode = TWCC_BADVALUE;
  TW_IDENTITY stranger = app_;
  stranger.Id = 6;
  EXPECT_EQ(TWRC_FAILURE, callAs(&stranger, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
  TW_STATUS st{0x55, 0x55};
  EXPECT_EQ(TWRC_FAILURE, callAs(&stranger, DG_CONTROL, DAT_STATUS, MSG_GET, &st));
  EXPECT_EQ(0x55, st.ConditionCode);
  EXPECT_EQ(TWRC_FAILURE, callAs(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr));
  EXPECT_EQ(400, sourceRecord.sourceState);
  EXPECT_TRUE(shownBoxes.empty());
  EXPECT_EQ(TWCC_BADVALUE, status());
}

TEST_F(SourceEntryTest, StatusReportsTheLastImageFailureThenSuccess) {
  openSource();
  enable(true);
  TW_IMAGEINFO info;
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
  // A control call that succeeds leaves the condition for DAT_STATUS.
  TW_IDENTITY id;
  call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &id);
  EXPECT_EQ(TWCC_SEQERROR, status());
  EXPECT_EQ(TWCC_SUCCESS, status());
}

TEST_F(SourceEntryTest, ImageCallClearsTheConditionOfAnEarlierFailure) {
  openSource();
  call(DG_CONTROL, DAT_IDENTITY, MSG_SET, nullptr);
  EXPECT_EQ(TWRC_SUCCESS, call(DG_IMAGE, DAT_JPEGCOMPRESSION, MSG_GET, nullptr));
  EXPECT_EQ(TWCC_SUCCESS, status());
}

TEST_F(SourceEntryTest, StatusWithAnUnknownMessageIsABadProtocol) {
  TW_STATUS st;
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_STATUS, MSG_SET, &st));
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ("General failure in response to DAT_STATUS.  Bad protocol error.", shownBoxes[0].text);
}

TEST_F(SourceEntryTest, UnknownGroupOrDataTypeFailsWithoutABox) {
  openSource();
  EXPECT_EQ(TWRC_FAILURE, call(DG_AUDIO, DAT_IDENTITY, MSG_GET, nullptr));
  EXPECT_EQ(TWCC_BADPROTOCOL, status());
  EXPECT_EQ(TWRC_FAILURE, call(DG_CONTROL, DAT_IMAGEINFO, MSG_GET, nullptr));
  EXPECT_EQ(TWCC_BADPROTOCOL, status());
  EXPECT_EQ(TWRC_FAILURE, call(DG_IMAGE, DAT_CAPABILITY, MSG_GET, nullptr));
  EXPECT_EQ(TWCC_BADPROTOCOL, status());
  EXPECT_TRUE(shownBoxes.empty());
}

TEST_F(SourceEntryTest, FailureTextsAreCutAt180Characters) {
  std::string longText(300, 'x');
  reportFailure(longText.c_str(), TWCC_BUMMER);
  ASSERT_EQ(1u, shownBoxes.size());
  EXPECT_EQ(std::string(179, 'x'), shownBoxes[0].text);
}

TEST_F(SourceEntryTest, CloseRequestLeavesTheStateAlone) {
  openSource();
  enable(true);
  notifyManager(MSG_CLOSEDSREQ);
  ASSERT_EQ(1u, notifications.size());
  EXPECT_EQ(MSG_CLOSEDSREQ, notifications[0].msg);
  EXPECT_EQ(500, sourceRecord.sourceState);
}

TEST_F(SourceEntryTest, WithoutASourceManagerNothingIsSent) {
  installManagerEntry(nullptr);
  openSource();
  notifyManager(MSG_XFERREADY);
  EXPECT_TRUE(notifications.empty());
  EXPECT_EQ(600, sourceRecord.sourceState);
}

}  // namespace
