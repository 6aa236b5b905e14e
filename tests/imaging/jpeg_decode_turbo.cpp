// JPEG decoding for the native tests: libjpeg-turbo.
#include <turbojpeg.h>

#include "tests/imaging/picture_files.h"

bool decodeJpeg(const std::string& path, DecodedPicture* out) {
  const std::string bytes = fileBytes(path);
  if (bytes.empty()) return false;
  tjhandle decompressor = tjInitDecompress();
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  auto* data = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data()));
  bool ok = tjDecompressHeader3(decompressor, data, bytes.size(), &width, &height, &subsampling, &colourspace) == 0;
  if (ok) {
    out->width = width;
    out->height = height;
    out->bitsPerPixel = colourspace == TJCS_GRAY ? 8 : 24;
    out->pixels.resize(static_cast<size_t>(width) * height * 3);
    ok = tjDecompress2(decompressor, data, bytes.size(), out->pixels.data(), width, width * 3, height, TJPF_BGR,
                       0) == 0;
  }
  tjDestroy(decompressor);
  return ok;
}
