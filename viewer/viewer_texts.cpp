#include "viewer/viewer_texts.h"

namespace viewer {

const char kUsbCommText[] =
    "There is a problem in communication of USB.\nPlease disconnect the plug of USB and reconnect it.";
const char kUsbCommCaption[] = "Error - USB communication";
const char kZoomIndexText[] = "ViewPanel \xEC\x9D\xB8\xEB\x8D\xB1\xEC\x8A\xA4 \xEC\x84\xA4\xEC\xA0\x95\xEC\x97\x90 "
                              "\xEC\x8B\xA4\xED\x8C\xA8\xED\x96\x88\xEC\x8A\xB5\xEB\x8B\x88\xEB\x8B\xA4.";
const char kZoomIndexCaption[] = "\xEC\x97\x90\xEB\x9F\xAC";
const char kCaptureWithPanelText[] =
    "Sorry, can't capture the image. \nPlease, close the 'Control Panel' Window becomes the Capture.";
const char kCaptureWithPanelCaption[] = " Warning - Remove Control Panel ";
const char kControlWhileFrozenText[] =
    "Sorry. can't activate 'Control Panel'. \nPlease, release the capture becomes the act.";
const char kControlWhileFrozenCaption[] = " Warning - Free Capture";
const char kSaveLiveText[] = "Can't save!  First, capture the picture";
const char kSaveLiveCaption[] = " Warning - Save ";
const char kPrintLiveText[] = "Can't print!  First, capture the picture";
const char kPrintLiveCaption[] = "Warning - Print";
const char kImageTransferText[] = "Fail to transfer the image";
const char kImageTransferCaption[] = "Error - Image transfer";
const char kReleaseQuestionText[] = "Currently the image is captured.\nDo you want to release the capture ?";
const char kReleaseQuestionCaption[] = "Warning - release Capture";
const char kFullModeText[] = "It is impossible to set the Full mode under 1024X768 mode or below.";
const char kFullModeCaption[] = "Error - Mode selection";
const char kLibraryText[] = "Library can't operate correctly";
const char kLibraryCaption[] = "Error - Libaray";
const char kSaveFormatText[] = "Sorry, Can't save the '%s'  format.\nOnly support bitmap or jpeg format.";
const char kSaveFormatCaption[] = "Error - Save format";
const char kSavingText[] = "It is in the process of saving a image file.";
const char kSavingEndedText[] = "The image file saving was ended. ";
const char kCommandRefusedText[] = "Sorry. This command is not available in present settings.";
const char kCommandRefusedCaption[] = "Warning";
const char kApiText[] = "Windows API can't operate correctly";
const char kApiCaption[] = "Error - API";
const char kTransmittingText[] = "It is in the process of transmitting an image with the printer.";
const char kTransmissionCompletedText[] = "It completed a transmission with the printer.";
const char kPrintDocumentName[] = "ZEL-B50 Printing Picture";

}  // namespace viewer
