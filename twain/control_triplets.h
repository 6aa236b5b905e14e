// The connection triplets: identity (open and close), user interface
// (enable and disable), status, and event processing.
#pragma once

#include "twain/twain_types.h"

namespace twain {

// Left over by earlier versions of the data source; removed at every open.
extern const char kTraceLogPath[];

TW_UINT16 handleIdentity(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleUserInterface(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleStatus(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
// MSG_PROCESSEVENT, whatever the group and data type.
TW_UINT16 processEvent(TW_MEMREF data);

}  // namespace twain
