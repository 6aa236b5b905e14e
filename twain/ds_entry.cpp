// DS_Entry: who may call, event processing, and the dispatch of every other
// triplet through the control and image tables.
#include "twain/ds_entry.h"

#include "twain/capabilities.h"
#include "twain/control_triplets.h"
#include "twain/image_triplets.h"
#include "twain/source_record.h"
#include "twain/transfer_setup_triplets.h"

namespace twain {

namespace {

// The states rows run in: the TWAIN states as `sourceState` holds them.
constexpr StateRange kAnyState = {kStateManagerOpen, kStateTransferring};
constexpr StateRange kSourceOpen = {kStateSourceOpen, kStateSourceOpen};
constexpr StateRange kOpenOnwards = {kStateSourceOpen, kStateTransferring};
constexpr StateRange kEnabledOnwards = {kStateEnabled, kStateTransferring};
constexpr StateRange kOpenUpToReady = {kStateSourceOpen, kStateTransferReady};
constexpr StateRange kTransferReady = {kStateTransferReady, kStateTransferReady};
constexpr StateRange kReadyOrTransferring = {kStateTransferReady, kStateTransferring};

}  // namespace

// MSG_OPENDS and MSG_ENDXFER run in every state and check theirs themselves:
// each has an effect that comes first, whatever the state.
const TripletRow kControlTriplets[] = {
    {DAT_IDENTITY, MSG_CLOSEDS, kOpenOnwards, kCloseFailText, handleIdentity},
    {DAT_IDENTITY, kAnyMessage, kAnyState, nullptr, handleIdentity},
    {DAT_USERINTERFACE, MSG_ENABLEDS, kSourceOpen, kEnableFailText, handleUserInterface},
    {DAT_USERINTERFACE, MSG_DISABLEDS, kEnabledOnwards, kDisableFailText, handleUserInterface},
    {DAT_USERINTERFACE, kAnyMessage, kAnyState, nullptr, handleUserInterface},
    {DAT_CAPABILITY, kAnyMessage, kAnyState, nullptr, handleCapability},
    {DAT_STATUS, kAnyMessage, kAnyState, nullptr, handleStatus},
    {DAT_PENDINGXFERS, MSG_GET, kOpenOnwards, kPendingFailText, handlePendingXfers},
    {DAT_PENDINGXFERS, MSG_RESET, kReadyOrTransferring, kPendingFailText, handlePendingXfers},
    {DAT_PENDINGXFERS, kAnyMessage, kAnyState, nullptr, handlePendingXfers},
    {DAT_SETUPMEMXFER, kAnyMessage, kOpenUpToReady, kSetupMemFailText, handleSetupMemXfer},
    {DAT_SETUPFILEXFER, kAnyMessage, kOpenUpToReady, kSetupFileFailText, handleSetupFileXfer},
    {DAT_XFERGROUP, kAnyMessage, kOpenUpToReady, kXferGroupFailText, handleXferGroup},
    {0, 0, kAnyState, nullptr, nullptr},
};

const TripletRow kImageTriplets[] = {
    {DAT_IMAGEINFO, kAnyMessage, kTransferReady, kImageInfoFailText, handleImageInfo},
    {DAT_IMAGELAYOUT, kAnyMessage, kAnyState, nullptr, handleImageLayout},
    {DAT_IMAGEMEMXFER, kAnyMessage, kAnyState, nullptr, handleImageMemXfer},
    {DAT_IMAGENATIVEXFER, kAnyMessage, kTransferReady, kNativeFailText, handleImageNativeXfer},
    {DAT_IMAGEFILEXFER, kAnyMessage, kAnyState, nullptr, handleImageFileXfer},
    {DAT_PALETTE8, kAnyMessage, kOpenUpToReady, kPaletteFailText, handlePalette8},
    {DAT_GRAYRESPONSE, kAnyMessage, kAnyState, nullptr, handleGrayResponse},
    {DAT_RGBRESPONSE, kAnyMessage, kAnyState, nullptr, handleRgbResponse},
    {DAT_CIECOLOR, kAnyMessage, kAnyState, nullptr, handleCieColor},
    {DAT_JPEGCOMPRESSION, kAnyMessage, kAnyState, nullptr, handleJpegCompression},
    {0, 0, kAnyState, nullptr, nullptr},
};

namespace {

// The first row of the table for this DAT that names this message or any.
const TripletRow* findRow(const TripletRow* table, TW_UINT16 dat, TW_UINT16 msg) {
  for (const TripletRow* row = table; row->handler; ++row) {
    if (row->dat == dat && (row->msg == msg || row->msg == kAnyMessage)) return row;
  }
  return nullptr;
}

bool mayRunIn(const TripletRow& row, int32_t state) {
  return state >= row.states.firstState && state <= row.states.lastState;
}

}  // namespace

}  // namespace twain

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                              TW_MEMREF pData) {
  using namespace twain;
  // Only the connected application is served; a call without an origin or
  // from anyone else fails and changes nothing, not even the condition code
  // that the connected application may still ask for.
  if (!pOrigin) return TWRC_FAILURE;
  if (sourceRecord.appIdentity.Id != 0 && sourceRecord.appIdentity.Id != pOrigin->Id) return TWRC_FAILURE;

  if (MSG == MSG_PROCESSEVENT) return processEvent(pData);

  if (DG != DG_CONTROL && DAT != DAT_STATUS) sourceRecord.conditionCode = TWCC_SUCCESS;

  const TripletRow* table;
  if (DG == DG_CONTROL) {
    table = kControlTriplets;
  } else if (DG == DG_IMAGE) {
    table = kImageTriplets;
  } else {
    sourceRecord.conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
  }
  const TripletRow* row = findRow(table, DAT, MSG);
  if (!row) {
    sourceRecord.conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
  }
  if (!mayRunIn(*row, sourceRecord.sourceState)) return failTriplet(TWCC_SEQERROR, row->sequenceText);
  return row->handler(pOrigin, DG, DAT, MSG, pData);
}
