// SourceRecord: the data source's one process-wide record (TWAIN state,
// condition code, the connected application and our own identity), with
// failure reporting and the notifications sent back through the source
// manager.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "twain/source_texts.h"
#include "twain/twain_types.h"

namespace twain {

// `sourceState` values: the TWAIN state times 100.
enum : int32_t {
  kStateManagerOpen = 300,
  kStateSourceOpen = 400,
  kStateEnabled = 500,
  kStateTransferReady = 600,
  kStateTransferring = 700,
};

struct SourceRecord {
  // Written by the preview thread too (MSG_XFERREADY): one whole word.
  volatile int32_t sourceState;
  TW_UINT16 conditionCode;
  TW_IDENTITY appIdentity;
  TW_IDENTITY sourceIdentity;
  plat::WindowHandle parentWindow;
  plat::WindowHandle sourceWindow;
  int32_t pendingCount;
};

extern SourceRecord sourceRecord;

// The string table's identity entries 0 to 3, also built in where the
// library has no string table.
extern const char kIdentityStrings[4][40];

// Library attach: our identity, no application, state 300, one pending
// transfer, capability values as at load, no transfer file name.
void attachSource();

// The text appended to a failure for a condition code.
const char* conditionText(TW_UINT16 code);
// Modal box owned by `parentWindow`: text followed by the condition text.
void reportFailure(const char* text, TW_UINT16 code);
// conditionCode := code, reportFailure, TWRC_FAILURE.
TW_UINT16 failTriplet(TW_UINT16 code, const char* text);
// Bad input where TWAIN has no answer of its own (null data): TWCC_BADVALUE
// without a box, so that a careless application is not stopped by one.
TW_UINT16 failNoData();

// Sends MSG_XFERREADY or MSG_CLOSEDSREQ to the application through the
// source manager (DG_CONTROL / DAT_NULL). MSG_XFERREADY sets state 600 first.
void notifyManager(TW_UINT16 message);
// Tests (and hosts without a source manager library) bind the callback here;
// null: the platform's source manager library.
void installManagerEntry(DSMENTRYPROC entry);

// Where the library sits and what it was built with (platform parts).
// Directory of the library file, ending in its separator.
const char* libraryDirectory();
// Native builds and tests place the template files anywhere.
void setLibraryDirectory(const char* directory);
// Identity string `index` (0 manufacturer, 1 family, 2 product, 3 version)
// into a TW_STR32, cut at 33 characters.
void loadIdentityString(int index, char* out);
// Calls the platform's source manager library, if there is one.
void callPlatformManager(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT16 message);

}  // namespace twain
