// Connection triplets and the TWAIN state changes they make.
#include "twain/control_triplets.h"

#include <cstring>

#include "twain/capabilities.h"
#include "twain/source_record.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"

namespace twain {

const char kTraceLogPath[] = "c:\\twsrc.log";

namespace {

// The left-over trace file goes at every MSG_OPENDS, whatever the state, so
// this row checks its state itself, after the deletion.
TW_UINT16 openSource(pTW_IDENTITY origin, TW_MEMREF data) {
  plat::deleteFile(kTraceLogPath);
  if (sourceRecord.sourceState != kStateManagerOpen) return failTriplet(TWCC_SEQERROR, kOpenFailText);
  TW_UINT16 result = TWRC_SUCCESS;
  if (sourceRecord.appIdentity.Id != 0) {
    sourceRecord.conditionCode = TWCC_MAXCONNECTIONS;
    reportFailure(kOpenFailText, TWCC_MAXCONNECTIONS);
    result = TWRC_FAILURE;
  } else {
    if (!data) return failNoData();
    std::memcpy(&sourceRecord.appIdentity, origin, sizeof(TW_IDENTITY));
    std::memcpy(&sourceRecord.sourceIdentity, data, sizeof(TW_IDENTITY));
  }
  sourceRecord.sourceState = kStateSourceOpen;
  buildCapabilityTable();
  return result;
}

TW_UINT16 closeSource() {
  sourceRecord.appIdentity.Id = 0;
  sourceRecord.sourceState = kStateManagerOpen;
  clearCapabilityTable();
  // A bitmap the application left untaken would otherwise stay allocated.
  releaseTransferDib();
  return TWRC_SUCCESS;
}

TW_UINT16 enableSource(TW_MEMREF data) {
  const TW_USERINTERFACE* ui = static_cast<const TW_USERINTERFACE*>(data);
  if (!ui) return failNoData();
  sourceRecord.parentWindow = ui->hParent;
  plat::WindowHandle window = createSourceWindow(ui->hParent);
  sourceRecord.sourceWindow = window;
  if (!window) return failTriplet(TWCC_LOWMEMORY, kEnableFailText);
  if (ui->ShowUI) {
    showSourceWindow(window);
    sourceRecord.sourceState = kStateEnabled;
  } else {
    notifyManager(MSG_XFERREADY);
    sourceRecord.sourceState = kStateTransferReady;
  }
  return TWRC_SUCCESS;
}

TW_UINT16 disableSource() {
  plat::WindowHandle window = sourceRecord.sourceWindow;
  sourceRecord.sourceWindow = nullptr;
  if (window) destroySourceWindow(window);
  sourceRecord.sourceState = kStateSourceOpen;
  return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 handleIdentity(pTW_IDENTITY origin, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  switch (msg) {
    case MSG_GET:
      if (!data) return failNoData();
      std::memcpy(data, &sourceRecord.sourceIdentity, sizeof(TW_IDENTITY));
      return TWRC_SUCCESS;
    case MSG_OPENDS: return openSource(origin, data);
    case MSG_CLOSEDS: return closeSource();
    default: return failTriplet(TWCC_BADPROTOCOL, kIdentityFailText);
  }
}

TW_UINT16 handleUserInterface(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  switch (msg) {
    case MSG_ENABLEDS: return enableSource(data);
    case MSG_DISABLEDS: return disableSource();
    default: return failTriplet(TWCC_BADPROTOCOL, kUserInterfaceFailText);
  }
}

TW_UINT16 handleStatus(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  if (msg != MSG_GET) return failTriplet(TWCC_BADPROTOCOL, kStatusFailText);
  TW_STATUS* status = static_cast<TW_STATUS*>(data);
  if (!status) return failNoData();
  status->ConditionCode = sourceRecord.conditionCode;
  status->Reserved = 0;
  sourceRecord.conditionCode = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

TW_UINT16 processEvent(TW_MEMREF data) {
  TW_EVENT* event = static_cast<TW_EVENT*>(data);
  if (sourceRecord.sourceWindow && event && sourceWindowTakesEvent(sourceRecord.sourceWindow, event->pEvent)) {
    event->TWMessage = MSG_NULL;
    return TWRC_DSEVENT;
  }
  return TWRC_NOTDSEVENT;
}

}  // namespace twain
