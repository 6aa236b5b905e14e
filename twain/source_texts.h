// The data source's failure boxes: one caption, a text that names the call
// that failed, followed by the text of the condition code. Every piece is
// defined here, with the lists the user guide's troubleshooting table is
// checked against. The source window's own boxes (device driver, memory,
// USB communication) are the camera link's (devlink/link_texts.h).
#pragma once

#include "twain/twain_types.h"

namespace twain {

extern const char kFailureCaption[];

// First part of a failure box: the call that failed.
extern const char kOpenFailText[];
extern const char kCloseFailText[];
extern const char kIdentityFailText[];
extern const char kEnableFailText[];
extern const char kDisableFailText[];
extern const char kUserInterfaceFailText[];
extern const char kStatusFailText[];
extern const char kPendingFailText[];
extern const char kSetupMemFailText[];
extern const char kSetupFileFailText[];
extern const char kCreateFileFailText[];
extern const char kXferGroupFailText[];
extern const char kImageInfoFailText[];
extern const char kImageLayoutFailText[];
extern const char kNativeFailText[];
extern const char kMemoryFailText[];
extern const char kPaletteFailText[];

extern const char* const kFailureTexts[];
extern const int kFailureTextCount;

// Second part: the condition code's text.
struct ConditionRow {
  TW_UINT16 code;
  const char* text;
};
extern const ConditionRow kConditionTexts[];
extern const int kConditionTextCount;
extern const char kUnknownConditionText[];

}  // namespace twain
