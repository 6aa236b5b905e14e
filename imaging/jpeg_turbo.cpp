// The JPEG encoder of the native builds: libjpeg-turbo's compressor.
#include <turbojpeg.h>

#include "imaging/jpeg_encoder.h"

namespace imaging {

bool encodeJpeg(const LibraryBitmap& bitmap, int quality, EncodedJpeg* out) {
  *out = EncodedJpeg{nullptr, 0};
  tjhandle compressor = tjInitCompress();
  if (!compressor) return false;
  unsigned char* bytes = nullptr;
  unsigned long count = 0;
  // The stored rows run bottom row first.
  const int status = tjCompress2(compressor, bitmap.rows, bitmap.width, static_cast<int>(bitmap.stride),
                                 bitmap.height, TJPF_BGR, &bytes, &count, TJSAMP_420, quality, TJFLAG_BOTTOMUP);
  tjDestroy(compressor);
  if (status != 0) {
    tjFree(bytes);
    return false;
  }
  *out = EncodedJpeg{bytes, count};
  return true;
}

void releaseJpeg(EncodedJpeg* encoded) {
  tjFree(encoded->bytes);
  *encoded = EncodedJpeg{nullptr, 0};
}

}  // namespace imaging
