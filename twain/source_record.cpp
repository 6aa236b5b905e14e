// The source record, failure boxes and notifications to the application.
#include "twain/source_record.h"

#include <cstdio>
#include <cstring>

#include "twain/capabilities.h"
#include "twain/transfer_setup_triplets.h"

namespace twain {

SourceRecord sourceRecord = {kStateManagerOpen, TWCC_SUCCESS, {}, {}, nullptr, nullptr, 1};

const char kFailureCaption[] = "Veltrum Lumidesk TWAIN Error";

const char kIdentityStrings[4][40] = {
    "Veltrum Quorlen Co. Ltd",
    "TWAIN",
    "ZEL TWAIN Data Source",
    "Version 2.00.01 2003/08/26",
};

namespace {

DSMENTRYPROC installedEntry = nullptr;

struct ConditionRow {
  TW_UINT16 code;
  const char* text;
};

const ConditionRow kConditionTexts[] = {
    {TWCC_SUCCESS, "Success message from detailed error request ??"},
    {TWCC_BUMMER, "Bummer error."},
    {TWCC_LOWMEMORY, "There is a problem in communication of USB.\nPlease disconnect the plug of USB and reconnect it."},
    {TWCC_NODS, "No Data Source found error."},
    {TWCC_MAXCONNECTIONS, "Source is connected to max possible apps."},
    {TWCC_OPERATIONERROR, "An operation error just occurred."},
    {TWCC_BADCAP, "Bad capabilities error."},
    {TWCC_BADPROTOCOL, "Bad protocol error."},
    {TWCC_BADVALUE, "Bad value error."},
    {TWCC_SEQERROR, "DG DAT MSG is out of expected sequence."},
};

}  // namespace

void attachSource() {
  std::memset(&sourceRecord.appIdentity, 0, sizeof sourceRecord.appIdentity);
  TW_IDENTITY& self = sourceRecord.sourceIdentity;
  std::memset(&self, 0, sizeof self);
  self.Id = 0;
  self.Version.MajorNum = 1;
  self.Version.MinorNum = 0;
  self.Version.Language = 69;
  self.Version.Country = 69;
  loadIdentityString(3, self.Version.Info);
  self.ProtocolMajor = 1;
  self.ProtocolMinor = 6;
  self.SupportedGroups = DG_CONTROL | DG_IMAGE;
  loadIdentityString(0, self.Manufacturer);
  loadIdentityString(1, self.ProductFamily);
  loadIdentityString(2, self.ProductName);
  sourceRecord.sourceState = kStateManagerOpen;
  sourceRecord.conditionCode = TWCC_SUCCESS;
  sourceRecord.parentWindow = nullptr;
  sourceRecord.sourceWindow = nullptr;
  sourceRecord.pendingCount = 1;
  restoreCapabilityValues();
  clearCapabilityTable();
  resetTransferRecord();
}

const char* conditionText(TW_UINT16 code) {
  for (const ConditionRow& row : kConditionTexts) {
    if (row.code == code) return row.text;
  }
  return "Unknown Error value in condition code.";
}

void reportFailure(const char* text, TW_UINT16 code) {
  char message[180];
  std::snprintf(message, sizeof message, "%s%s", text, conditionText(code));
  plat::showMessage(sourceRecord.parentWindow, message, kFailureCaption, plat::kMbOk | plat::kMbIconError);
}

TW_UINT16 failTriplet(TW_UINT16 code, const char* text) {
  sourceRecord.conditionCode = code;
  reportFailure(text, code);
  return TWRC_FAILURE;
}

TW_UINT16 failNoData() {
  sourceRecord.conditionCode = TWCC_BADVALUE;
  return TWRC_FAILURE;
}

namespace {

// MSG_XFERREADY moves the source to state 600. The preview thread offers its
// frame until the application answers; an offer that crosses the
// application's answer must not pull a transfer under way (state 700) back
// to 600, so then it is not sent at all and the state stays.
bool enterTransferReady() {
  int32_t* state = const_cast<int32_t*>(&sourceRecord.sourceState);
  int32_t seen = __atomic_load_n(state, __ATOMIC_SEQ_CST);
  do {
    if (seen == kStateTransferring) return false;
  } while (!__atomic_compare_exchange_n(state, &seen, kStateTransferReady, false, __ATOMIC_SEQ_CST,
                                        __ATOMIC_SEQ_CST));
  return true;
}

}  // namespace

void notifyManager(TW_UINT16 message) {
  if (message == MSG_XFERREADY && !enterTransferReady()) return;
  if (installedEntry) {
    installedEntry(&sourceRecord.sourceIdentity, &sourceRecord.appIdentity, DG_CONTROL, DAT_NULL, message, nullptr);
    return;
  }
  callPlatformManager(&sourceRecord.sourceIdentity, &sourceRecord.appIdentity, message);
}

void installManagerEntry(DSMENTRYPROC entry) { installedEntry = entry; }

}  // namespace twain
