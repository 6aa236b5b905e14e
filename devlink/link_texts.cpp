#include "devlink/link_texts.h"

namespace devlink {

const char kDeviceDriverTextViewer[] =
    "Fail to find USB device driver.\nCheck the USB plug or the power of ZEL Bx-Q Series set.";
const char kDeviceDriverTextSource[] =
    "Fail to find USB device driver.\nCheck the USB plug or the power of the USB set.";
const char kDeviceDriverCaption[] = "Error - Device Driver";
const char kMemoryText[] = "Fail to allocate memory or resource.\nPlease exit the program, and restart it.";
const char kMemoryCaption[] = "Error - Memory/Resource";
const char kUsbCommText[] =
    "There is a problem in communication of USB.\nPlease disconnect the plug of USB and reconnect it.";
const char kUsbCommCaption[] = "Error - USB communication";
const char kConnectionLostText[] = "The USB connection is discontinued.";
const char kConnectionLostCaption[] = "Error";

const char kCaptureSizeFailText[] = "fail to set the size of image";
const char kCaptureSizeFailCaption[] = "Error:Save/Print";
const char kCaptureHoldFailText[] = "fail to save image";
const char kCaptureHoldFailCaption[] = "Error : Save/Print";
const char kCaptureTransferFailText[] = "fail to transfer image";
const char kCaptureTransferFailCaption[] = "Error - Save";
const char kCaptureReadFailText[] = "fail to read image";
const char kCaptureReadFailCaption[] = "Error : Save/Print";

const MessageText kLinkMessages[] = {
    {kDeviceDriverCaption, kDeviceDriverTextViewer},
    {kDeviceDriverCaption, kDeviceDriverTextSource},
    {kMemoryCaption, kMemoryText},
    {kUsbCommCaption, kUsbCommText},
    {kConnectionLostCaption, kConnectionLostText},
    {kCaptureSizeFailCaption, kCaptureSizeFailText},
    {kCaptureHoldFailCaption, kCaptureHoldFailText},
    {kCaptureTransferFailCaption, kCaptureTransferFailText},
    {kCaptureReadFailCaption, kCaptureReadFailText},
};
const int kLinkMessageCount = sizeof kLinkMessages / sizeof kLinkMessages[0];

}  // namespace devlink
