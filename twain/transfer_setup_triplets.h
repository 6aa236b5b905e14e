// The control-group transfer triplets: pending transfers, memory and file
// transfer set-up, the transfer group; and the transfer record that the
// image triplets share with them.
#pragma once

#include <cstdint>

#include "twain/twain_types.h"

namespace twain {

struct TransferRecord {
  char fileName[256];  // set by DAT_SETUPFILEXFER MSG_SET, used by the file transfer
  TW_ELEMENT8 grayResponse[256];
  TW_ELEMENT8 rgbResponse[256];
  uint32_t stripBytesPerRow;  // of the memory transfer under way
  uint32_t rowsSent;
};

extern TransferRecord transferRecord;

extern const char kDefaultTransferFile[];

// As at library load: no file name, zero response tables, no bitmap.
void resetTransferRecord();
// Ends the transfer's hold on the picture: one pending transfer fewer (never
// below 0), the bitmap released and the captured frame forgotten.
void releaseTransfer();

TW_UINT16 handlePendingXfers(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleSetupMemXfer(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleSetupFileXfer(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleXferGroup(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

}  // namespace twain
