// The JPEG encoder behind the imaging layer: the platform's imaging
// component in the Windows build, libjpeg-turbo in native builds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/imaging_layer.h"

namespace imaging {

// The encoder quality that stands for the layer's quality factor
// kQualityJpegHigh. 90 keeps the fine strokes of documents and the texture
// of objects free of visible block and ringing artefacts at about a third
// of the bytes that 98 to 100 would take; both encoders accept it the same
// way, so the Windows and native builds write alike files.
enum : int { kJpegQuality = 90 };

struct EncodedJpeg {
  uint8_t* bytes;  // owned by the encoder until releaseJpeg
  size_t count;
};

// Encodes the bitmap (shown the way up its rows are stored: the last
// stored row is the top of the picture) as a 24-bit colour JPEG file image.
bool encodeJpeg(const LibraryBitmap& bitmap, int quality, EncodedJpeg* out);
void releaseJpeg(EncodedJpeg* encoded);

}  // namespace imaging
