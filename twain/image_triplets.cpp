// Image-group triplets: image information and layout, the three transfers,
// and the palette, response tables, CIE colour and JPEG set-up.
#include "twain/image_triplets.h"

#include <cstring>

#include "twain/capabilities.h"
#include "twain/fix32.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"
#include "twain/transfer_setup_triplets.h"

namespace twain {

const char kImageInfoFailText[] = "General failure in transfer.  ";
const char kNativeFailText[] = "General failure in response to DAT_IMAGENATIVEXFER.  ";
const char kPaletteFailText[] = "General failure in response to DAT_PALETTE8.  ";

namespace {

const char kImageLayoutFailText[] = "General failure in response to DAT_IMAGEINFO.  ";
const char kMemoryFailText[] = "General failure in response to DAT_IMAGEMEMXFER.  ";

const TW_UINT32 kMemoryIsHandle = 0x0010;  // TWMF_HANDLE

void imageSize(int32_t* width, int32_t* height) {
  transferSize(sourceWindowState.viewSize, sourceWindowState.largeModel != 0, width, height);
}

bool prepareFromCapture(PixelFill fill = PixelFill::Now) {
  return prepareTransferDib(sourceWindowState.captureFrame, sourceWindowState.captureFrameBytes,
                            sourceWindowState.viewSize, sourceWindowState.largeModel != 0, fill);
}

void fillIdentityResponse(TW_ELEMENT8* table) {
  for (int i = 0; i < 256; ++i) {
    TW_UINT8 v = static_cast<TW_UINT8>(i);
    table[i] = {v, v, v, v};
  }
}

TW_UINT16 handleResponse(TW_ELEMENT8* table, TW_UINT16 msg, TW_MEMREF data) {
  if (msg == MSG_SET) {
    if (!data) return failNoData();
    std::memcpy(table, data, 256 * sizeof(TW_ELEMENT8));
  } else if (msg == MSG_RESET) {
    fillIdentityResponse(table);
  }
  return TWRC_SUCCESS;
}

void setMix(TW_FIX32 mix[3][3]) {
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) mix[row][column] = toFix32(row + column * 0.1);
  }
}

void setPoint(TW_CIEPOINT* point, double x, double y, double z) {
  point->X = toFix32(x);
  point->Y = toFix32(y);
  point->Z = toFix32(z);
}

}  // namespace

TW_UINT16 handleImageInfo(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  if (msg != MSG_GET) return failTriplet(TWCC_BADPROTOCOL, kImageInfoFailText);
  TW_IMAGEINFO* info = static_cast<TW_IMAGEINFO*>(data);
  if (!info) return failNoData();
  sourceWindowState.appAnswered = 1;
  TW_FIX32 resolution = toFix32(currentResolution());
  info->XResolution = resolution;
  info->YResolution = resolution;
  int32_t width, height;
  imageSize(&width, &height);
  info->ImageWidth = width;
  info->ImageLength = height;
  TW_UINT16 depth = bitDepthOf(currentPixelType());
  info->BitsPerPixel = static_cast<TW_INT16>(depth);
  std::memset(info->BitsPerSample, 0, sizeof info->BitsPerSample);
  if (depth < 24) {
    info->SamplesPerPixel = 1;
    info->BitsPerSample[0] = static_cast<TW_INT16>(depth);
  } else {
    info->SamplesPerPixel = 3;
    for (int i = 0; i < 4; ++i) info->BitsPerSample[i] = 8;
  }
  info->Planar = 0;
  info->PixelType = static_cast<TW_INT16>(currentPixelType());
  info->Compression = TWCP_NONE;
  return TWRC_SUCCESS;
}

TW_UINT16 handleImageLayout(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT: {
      TW_IMAGELAYOUT* layout = static_cast<TW_IMAGELAYOUT*>(data);
      if (!layout) return failNoData();
      const TW_FIX32 edge = {22, 33};
      layout->Frame = {edge, edge, edge, edge};
      layout->DocumentNumber = 4;
      layout->PageNumber = 88;
      layout->FrameNumber = 1;
      return TWRC_SUCCESS;
    }
    case MSG_SET:
    case MSG_RESET: return TWRC_SUCCESS;
    default: return failTriplet(TWCC_BADPROTOCOL, kImageLayoutFailText);
  }
}

TW_UINT16 handleImageNativeXfer(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  if (msg != MSG_GET) return failTriplet(TWCC_BADPROTOCOL, kNativeFailText);
  if (!data) return failNoData();
  sourceWindowState.appAnswered = 1;
  prepareFromCapture();
  TW_HANDLE dib = takeTransferDib();
  // Without a bitmap there is no transfer to report as done: the
  // application is told, as for the other two mechanisms.
  if (!dib) return failTriplet(TWCC_OPERATIONERROR, kNativeFailText);
  // The application's TW_UINT32 (a handle-sized value) receives the handle.
  std::memcpy(data, &dib, sizeof dib);
  sourceRecord.sourceState = kStateTransferring;
  return TWRC_XFERDONE;
}

TW_UINT16 handleImageFileXfer(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF) {
  sourceRecord.conditionCode = TWCC_OPERATIONERROR;
  if (msg != MSG_GET) return failTriplet(TWCC_BADPROTOCOL, kImageLayoutFailText);
  sourceWindowState.appAnswered = 1;
  prepareFromCapture();
  TW_HANDLE dib = takeTransferDib();
  if (!dib) return TWRC_FAILURE;
  writeBitmapFile(dib, transferRecord.fileName);
  gmem::release(dib);
  sourceRecord.conditionCode = TWCC_SUCCESS;
  sourceRecord.sourceState = kStateTransferring;
  return TWRC_XFERDONE;
}

TW_UINT16 handleImageMemXfer(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  if (msg != MSG_GET) return failTriplet(TWCC_BADPROTOCOL, kMemoryFailText);
  TW_IMAGEMEMXFER* xfer = static_cast<TW_IMAGEMEMXFER*>(data);
  if (!xfer) return failNoData();
  sourceWindowState.appAnswered = 1;
  if (sourceRecord.sourceState == kStateTransferReady) {
    transferRecord.stripBytesPerRow = 0;
    transferRecord.rowsSent = 0;
    if (!prepareFromCapture(PixelFill::WhenNeeded)) return failTriplet(TWCC_OPERATIONERROR, kMemoryFailText);
  }
  int32_t width, height;
  imageSize(&width, &height);
  transferRecord.stripBytesPerRow = stripCursor.bytesPerRow;
  xfer->BytesPerRow = stripCursor.bytesPerRow;
  xfer->YOffset = transferRecord.rowsSent;
  xfer->Columns = static_cast<TW_UINT32>(width);
  xfer->XOffset = 0;

  // A buffer given as a handle (TWMF_HANDLE) is written through its lock,
  // never through the handle itself, and no further than the block goes.
  TW_HANDLE memoryHandle = (xfer->Memory.Flags & kMemoryIsHandle) ? xfer->Memory.TheMem : nullptr;
  uint32_t length = xfer->Memory.Length;
  uint8_t* buffer = static_cast<uint8_t*>(xfer->Memory.TheMem);
  if (memoryHandle) {
    if (length > gmem::size(memoryHandle)) length = gmem::size(memoryHandle);
    buffer = static_cast<uint8_t*>(gmem::lock(memoryHandle));
  }
  if (!buffer) {
    xfer->BytesWritten = 0;
    return failNoData();
  }
  uint32_t written = 0;
  bool lastRow = false;
  bool copied = copyStrip(buffer, length, &written, &lastRow);
  if (memoryHandle) gmem::unlock(memoryHandle);
  xfer->BytesWritten = written;
  if (!copied) return failTriplet(TWCC_OPERATIONERROR, kMemoryFailText);
  xfer->Rows = written / stripCursor.bytesPerRow;
  transferRecord.rowsSent += xfer->Rows;
  sourceRecord.sourceState = kStateTransferring;
  return lastRow ? TWRC_XFERDONE : TWRC_SUCCESS;
}

TW_UINT16 handlePalette8(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  switch (msg) {
    case MSG_GET: {
      TW_PALETTE8* palette = static_cast<TW_PALETTE8*>(data);
      if (!palette) return failNoData();
      palette->PaletteType = TWPA_RGB;
      palette->NumColors = 0;
      // Without a prepared bitmap the answer is that of the 24-bit bitmap
      // this source always delivers: no colours.
      TW_HANDLE dib = takeTransferDib();
      if (!dib) return TWRC_SUCCESS;
      uint32_t blockBytes = gmem::size(dib);
      const uint8_t* packed = static_cast<const uint8_t*>(gmem::lock(dib));
      imaging::BitmapInfoHeader header;
      std::memcpy(&header, packed, sizeof header);
      palette->NumColors = static_cast<TW_UINT16>(header.colorsUsed & 0xFFFF);
      uint32_t colours = palette->NumColors;
      if (colours > 256) colours = 256;
      for (uint32_t i = 0; i < colours && imaging::kBitmapInfoHeaderBytes + 4 * (i + 1) <= blockBytes; ++i) {
        const uint8_t* entry = packed + imaging::kBitmapInfoHeaderBytes + 4 * i;  // blue, green, red, 0
        palette->Colors[i] = {static_cast<TW_UINT8>(i), entry[2], entry[1], entry[0]};
      }
      gmem::unlock(dib);
      gmem::release(dib);
      return TWRC_SUCCESS;
    }
    case MSG_GETDEFAULT:
    case MSG_SET:
    case MSG_RESET: return TWRC_SUCCESS;
    default: return failTriplet(TWCC_BADPROTOCOL, kPaletteFailText);
  }
}

TW_UINT16 handleGrayResponse(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  return handleResponse(transferRecord.grayResponse, msg, data);
}

TW_UINT16 handleRgbResponse(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  return handleResponse(transferRecord.rgbResponse, msg, data);
}

TW_UINT16 handleCieColor(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF data) {
  TW_CIECOLOR* cie = static_cast<TW_CIECOLOR*>(data);
  if (!cie) return failNoData();
  cie->ColorSpace = TWPT_RGB;
  cie->LowEndian = 0;
  cie->DeviceDependent = 1;
  cie->VersionNumber = 0;
  cie->StageABC.Decode[0].StartIn = toFix32(0.1);
  setMix(cie->StageABC.Mix);
  cie->StageLMN.Decode[0].StartIn = toFix32(1.1);
  setMix(cie->StageLMN.Mix);
  setPoint(&cie->WhitePoint, 4.4, 5.5, 6.6);
  setPoint(&cie->BlackPoint, 1.1, 5.5, 6.6);
  setPoint(&cie->WhitePaper, 1.1, 5.5, 6.6);
  setPoint(&cie->BlackInk, 1.1, 5.5, 6.6);
  cie->Samples[0] = toFix32(99.99);
  return TWRC_SUCCESS;
}

TW_UINT16 handleJpegCompression(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF) { return TWRC_SUCCESS; }

}  // namespace twain
