// The viewer's own message-box texts and captions, exactly as the user sees
// them. The device-driver and memory texts come from the device link.
#pragma once

namespace viewer {

extern const char kUsbCommText[];
extern const char kUsbCommCaption[];
extern const char kZoomIndexText[];
extern const char kZoomIndexCaption[];
extern const char kCaptureWithPanelText[];
extern const char kCaptureWithPanelCaption[];
extern const char kControlWhileFrozenText[];
extern const char kControlWhileFrozenCaption[];
extern const char kSaveLiveText[];
extern const char kSaveLiveCaption[];
extern const char kPrintLiveText[];
extern const char kPrintLiveCaption[];
extern const char kImageTransferText[];
extern const char kImageTransferCaption[];
extern const char kReleaseQuestionText[];
extern const char kReleaseQuestionCaption[];
extern const char kFullModeText[];
extern const char kFullModeCaption[];
extern const char kLibraryText[];
extern const char kLibraryCaption[];
extern const char kSaveFormatText[];  // printf format: the three characters of the extension
extern const char kSaveFormatCaption[];
extern const char kSavingText[];
extern const char kSavingEndedText[];
extern const char kCommandRefusedText[];
extern const char kCommandRefusedCaption[];
extern const char kApiText[];
extern const char kApiCaption[];
extern const char kTransmittingText[];
extern const char kTransmissionCompletedText[];
extern const char kPrintDocumentName[];

}  // namespace viewer
