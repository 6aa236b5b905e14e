// DS_Entry: who may call, event processing, and the dispatch of every other
// triplet through the control and image tables.
#include "twain/ds_entry.h"

#include "twain/capabilities.h"
#include "twain/control_triplets.h"
#include "twain/source_record.h"
#include "twain/transfer_triplets.h"

namespace twain {

const TripletRow kControlTriplets[] = {
    {DAT_IDENTITY, handleIdentity},
    {DAT_USERINTERFACE, handleUserInterface},
    {DAT_CAPABILITY, handleCapability},
    {DAT_STATUS, handleStatus},
    {DAT_PENDINGXFERS, handlePendingXfers},
    {DAT_SETUPMEMXFER, handleSetupMemXfer},
    {DAT_SETUPFILEXFER, handleSetupFileXfer},
    {DAT_XFERGROUP, handleXferGroup},
    {0, nullptr},
};

const TripletRow kImageTriplets[] = {
    {DAT_IMAGEINFO, handleImageInfo},
    {DAT_IMAGELAYOUT, handleImageLayout},
    {DAT_IMAGEMEMXFER, handleImageMemXfer},
    {DAT_IMAGENATIVEXFER, handleImageNativeXfer},
    {DAT_IMAGEFILEXFER, handleImageFileXfer},
    {DAT_PALETTE8, handlePalette8},
    {DAT_GRAYRESPONSE, handleGrayResponse},
    {DAT_RGBRESPONSE, handleRgbResponse},
    {DAT_CIECOLOR, handleCieColor},
    {DAT_JPEGCOMPRESSION, handleJpegCompression},
    {0, nullptr},
};

namespace {

TripletHandler findHandler(const TripletRow* table, TW_UINT16 dat) {
  for (const TripletRow* row = table; row->handler; ++row) {
    if (row->dat == dat) return row->handler;
  }
  return nullptr;
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
  TripletHandler handler = findHandler(table, DAT);
  if (!handler) {
    sourceRecord.conditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
  }
  return handler(pOrigin, DG, DAT, MSG, pData);
}
