// The message boxes of the camera link, shared by the viewer and the data
// source: every caption and text exactly as the user sees it, and the list
// of them that the user guide's troubleshooting table is checked against.
#pragma once

namespace devlink {

// One message box as shown: its caption and its text.
struct MessageText {
  const char* caption;
  const char* text;
};

extern const char kDeviceDriverTextViewer[];
extern const char kDeviceDriverTextSource[];
extern const char kDeviceDriverCaption[];
extern const char kMemoryText[];
extern const char kMemoryCaption[];
extern const char kUsbCommText[];
extern const char kUsbCommCaption[];
extern const char kConnectionLostText[];
extern const char kConnectionLostCaption[];

// Texts and captions of the still capture.
extern const char kCaptureSizeFailText[];
extern const char kCaptureSizeFailCaption[];
extern const char kCaptureHoldFailText[];
extern const char kCaptureHoldFailCaption[];
extern const char kCaptureTransferFailText[];
extern const char kCaptureTransferFailCaption[];
extern const char kCaptureReadFailText[];
extern const char kCaptureReadFailCaption[];

// Every message box above, as caption and text.
extern const MessageText kLinkMessages[];
extern const int kLinkMessageCount;

}  // namespace devlink
