// Control-group transfer triplets: pending transfers, memory and file
// transfer set-up, and the transfer group.
#include "twain/transfer_setup_triplets.h"

#include <cstdio>
#include <cstring>

#include "twain/capabilities.h"
#include "twain/source_record.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"

namespace twain {

TransferRecord transferRecord;

const char kDefaultTransferFile[] = "c:\\twain.bmp";

namespace {

TW_UINT16 pendingCountForGet(bool transferring) {
  if (!feederEnabled()) return transferring ? 0 : 1;
  return sourceRecord.pendingCount != 0 ? 1 : 0;
}

bool fileExistsOrCreated(const char* name) {
  std::FILE* file = std::fopen(name, "rb");
  if (!file) file = std::fopen(name, "ab");
  if (!file) return false;
  std::fclose(file);
  return true;
}

}  // namespace

void resetTransferRecord() {
  std::memset(&transferRecord, 0, sizeof transferRecord);
  releaseTransferDib();
  forgetCaptureFrame();
}

void releaseTransfer() {
  if (sourceRecord.pendingCount > 0) --sourceRecord.pendingCount;
  releaseTransferDib();
  forgetCaptureFrame();
}

TW_UINT16 handlePendingXfers(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  TW_PENDINGXFERS* pending = static_cast<TW_PENDINGXFERS*>(data);
  switch (msg) {
    case MSG_GET:
      if (!pending) return failNoData();
      pending->Count = pendingCountForGet(sourceRecord.sourceState == kStateTransferring);
      return TWRC_SUCCESS;
    case MSG_ENDXFER:
      // Ends the transfer in every state, then fails outside 700: this row
      // checks its state itself, after the effects.
      if (!pending) return failNoData();
      releaseTransfer();
      sourceWindowState.transferEnded = 1;
      pending->Count = feederEnabled() && sourceRecord.pendingCount != 0 ? 0xFFFF : 0;
      if (sourceRecord.sourceState != kStateTransferring) return failTriplet(TWCC_SEQERROR, kPendingFailText);
      sourceRecord.sourceState = kStateTransferReady;
      return TWRC_SUCCESS;
    case MSG_RESET:
      if (!pending) return failNoData();
      releaseTransfer();
      sourceRecord.pendingCount = 0;
      sourceRecord.sourceState = kStateEnabled;
      pending->Count = 0;
      return TWRC_SUCCESS;
    default: return failTriplet(TWCC_BADPROTOCOL, kPendingFailText);
  }
}

TW_UINT16 handleSetupMemXfer(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  if (msg != MSG_GET) return failTriplet(TWCC_BADPROTOCOL, kSetupMemFailText);
  TW_SETUPMEMXFER* setup = static_cast<TW_SETUPMEMXFER*>(data);
  if (!setup) return failNoData();
  sourceWindowState.appAnswered = 1;
  setup->MinBufSize = 16384;
  setup->MaxBufSize = 65535;
  setup->Preferred = 65535;
  return TWRC_SUCCESS;
}

TW_UINT16 handleSetupFileXfer(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  TW_SETUPFILEXFER* setup = static_cast<TW_SETUPFILEXFER*>(data);
  switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
      if (!setup) return failNoData();
      std::memset(setup->FileName, 0, sizeof setup->FileName);
      std::strcpy(setup->FileName, kDefaultTransferFile);
      setup->Format = TWFF_BMP;
      setup->VRefNum = 0;
      return TWRC_SUCCESS;
    case MSG_SET: {
      if (!setup) return failNoData();
      // At most 255 characters, terminated even when the application's is not.
      size_t length = strnlen(setup->FileName, sizeof transferRecord.fileName - 1);
      std::memcpy(transferRecord.fileName, setup->FileName, length);
      transferRecord.fileName[length] = '\0';
      if (fileExistsOrCreated(transferRecord.fileName)) return TWRC_SUCCESS;
      return failTriplet(TWCC_BADVALUE, kCreateFileFailText);
    }
    default: return failTriplet(TWCC_BADPROTOCOL, kSetupFileFailText);
  }
}

TW_UINT16 handleXferGroup(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_RESET: {
      if (!data) return failNoData();
      // Only the low half of the application's TW_UINT32 is written.
      TW_UINT16 group = DG_IMAGE;
      std::memcpy(data, &group, sizeof group);
      return TWRC_SUCCESS;
    }
    case MSG_SET: return TWRC_SUCCESS;
    default: return failTriplet(TWCC_BADPROTOCOL, kXferGroupFailText);
  }
}

}  // namespace twain
