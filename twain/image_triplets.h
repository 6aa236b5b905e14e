// The image-group triplets: image information and layout, the native, file
// and memory transfers, and the triplets answered with fixed or stored data
// (palette, response tables, CIE colour, JPEG compression).
#pragma once

#include "twain/twain_types.h"

namespace twain {

TW_UINT16 handleImageInfo(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleImageLayout(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleImageMemXfer(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleImageNativeXfer(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleImageFileXfer(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handlePalette8(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleGrayResponse(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleRgbResponse(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleCieColor(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
TW_UINT16 handleJpegCompression(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

}  // namespace twain
