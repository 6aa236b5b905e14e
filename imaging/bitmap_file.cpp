// Writing the layer's bitmap as a BMP or JPEG file, complete or not at all.
#include "imaging/bmp_file.h"
#include "imaging/failure_requests.h"
#include "imaging/file_replacement.h"
#include "imaging/imaging_layer.h"
#include "imaging/jpeg_encoder.h"

namespace imaging {

namespace {

bool writeBmp(const char* path, const LibraryBitmap& bitmap) {
  uint8_t headers[kPictureBmpHeadersBytes];
  pictureBmpHeaders(bitmap.width, bitmap.height, headers);
  // The stored rows are already in the file's order, bottom row first.
  const FilePiece pieces[] = {{headers, sizeof headers},
                              {bitmap.rows, static_cast<size_t>(bitmap.stride) * bitmap.height}};
  return writeFileReplacing(path, pieces, 2);
}

bool writeJpeg(const char* path, const LibraryBitmap& bitmap) {
  EncodedJpeg encoded;
  if (!encodeJpeg(bitmap, kJpegQuality, &encoded)) return false;
  const FilePiece piece = {encoded.bytes, encoded.count};
  const bool written = writeFileReplacing(path, &piece, 1);
  releaseJpeg(&encoded);
  return written;
}

}  // namespace

int32_t writeBitmapFile(const char* path, const LibraryBitmap* bitmap, int32_t format, int32_t bitsPerPixel,
                        int32_t quality) {
  if (failureRequested(Step::Write) || !path || !path[0] || !bitmap || !bitmap->rows || bitsPerPixel != 24)
    return 0;
  if (format == kFormatBitmap && quality == kQualityBitmap) return writeBmp(path, *bitmap) ? 1 : 0;
  if (format == kFormatJpeg && quality == kQualityJpegHigh) return writeJpeg(path, *bitmap) ? 1 : 0;
  return 0;
}

}  // namespace imaging
