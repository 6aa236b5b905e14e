// DS_Entry, the data source's single entry, and its dispatch tables.
#pragma once

#include "twain/twain_types.h"

namespace twain {

// Every triplet handler receives the whole triplet.
typedef TW_UINT16 (*TripletHandler)(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

struct TripletRow {
  TW_UINT16 dat;
  TripletHandler handler;
};

extern const TripletRow kControlTriplets[];
extern const TripletRow kImageTriplets[];

}  // namespace twain

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                              TW_MEMREF pData);
