#include "twain/source_texts.h"

#include "devlink/link_texts.h"

namespace twain {

const char kFailureCaption[] = "Veltrum Lumidesk TWAIN Error";

const char kOpenFailText[] = "General failure in response to MSG_OPENDS.  ";
const char kCloseFailText[] = "General failure in response to MSG_CLOSEDS.  ";
const char kIdentityFailText[] = "General failure in response to DAT_IDENTITY.  ";
const char kEnableFailText[] = "General failure in response to MSG_ENABLEDS.  ";
const char kDisableFailText[] = "General failure in response to MSG_DISABLEDS.  ";
const char kUserInterfaceFailText[] = "General failure in response to DAT_USERINTERFACE.  ";
const char kStatusFailText[] = "General failure in response to DAT_STATUS.  ";
const char kPendingFailText[] = "General failure in response to DAT_PENDINGXFER.  ";
const char kSetupMemFailText[] = "General failure in response to DAT_SETUPMEMXFER, not supported.  ";
const char kSetupFileFailText[] = "General failure in response to DAT_SETUPFILEXFER, not supported.  ";
const char kCreateFileFailText[] = "Unable to create file <<DAT_SETUPFILEXFER>>";
const char kXferGroupFailText[] = "General failure in response to DAT_XFERGROUP, not supported.  ";
const char kImageInfoFailText[] = "General failure in transfer.  ";
const char kImageLayoutFailText[] = "General failure in response to DAT_IMAGEINFO.  ";
const char kNativeFailText[] = "General failure in response to DAT_IMAGENATIVEXFER.  ";
const char kMemoryFailText[] = "General failure in response to DAT_IMAGEMEMXFER.  ";
const char kPaletteFailText[] = "General failure in response to DAT_PALETTE8.  ";

const char* const kFailureTexts[] = {
    kOpenFailText,       kCloseFailText,      kIdentityFailText,  kEnableFailText,      kDisableFailText,
    kUserInterfaceFailText, kStatusFailText,  kPendingFailText,   kSetupMemFailText,    kSetupFileFailText,
    kCreateFileFailText, kXferGroupFailText,  kImageInfoFailText, kImageLayoutFailText, kNativeFailText,
    kMemoryFailText,     kPaletteFailText,
};
const int kFailureTextCount = sizeof kFailureTexts / sizeof kFailureTexts[0];

const ConditionRow kConditionTexts[] = {
    {TWCC_SUCCESS, "Success message from detailed error request ??"},
    {TWCC_BUMMER, "Bummer error."},
    // The data source reports a lost camera as low memory.
    {TWCC_LOWMEMORY, devlink::kUsbCommText},
    {TWCC_NODS, "No Data Source found error."},
    {TWCC_MAXCONNECTIONS, "Source is connected to max possible apps."},
    {TWCC_OPERATIONERROR, "An operation error just occurred."},
    {TWCC_BADCAP, "Bad capabilities error."},
    {TWCC_BADPROTOCOL, "Bad protocol error."},
    {TWCC_BADVALUE, "Bad value error."},
    {TWCC_SEQERROR, "DG DAT MSG is out of expected sequence."},
};
const int kConditionTextCount = sizeof kConditionTexts / sizeof kConditionTexts[0];
const char kUnknownConditionText[] = "Unknown Error value in condition code.";

}  // namespace twain
