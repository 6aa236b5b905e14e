// DS_Entry, the data source's single entry, and its dispatch tables.
#pragma once

#include "twain/twain_types.h"

namespace twain {

// Every triplet handler receives the whole triplet.
typedef TW_UINT16 (*TripletHandler)(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// The states (`sourceState`) in which a row may run: firstState..lastState.
struct StateRange {
  int32_t firstState, lastState;
};

// One row of a dispatch table. A row with kAnyMessage serves every message
// of its DAT that no earlier row names. Outside its states the call fails
// with TWCC_SEQERROR and `sequenceText`, and the handler does not run.
struct TripletRow {
  TW_UINT16 dat;
  TW_UINT16 msg;
  StateRange states;
  const char* sequenceText;
  TripletHandler handler;
};

enum : TW_UINT16 { kAnyMessage = MSG_NULL };

extern const TripletRow kControlTriplets[];
extern const TripletRow kImageTriplets[];

}  // namespace twain

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                              TW_MEMREF pData);
