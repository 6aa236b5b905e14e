#include "imaging/file_replacement.h"

#include "platform/platform.h"

namespace imaging {

namespace {

// Large pieces go in parts that a 32-bit count can carry.
bool writeAll(plat::Handle file, const FilePiece& piece) {
  const uint8_t* at = static_cast<const uint8_t*>(piece.bytes);
  size_t left = piece.count;
  while (left > 0) {
    const uint32_t part = left > 0x40000000u ? 0x40000000u : static_cast<uint32_t>(left);
    uint32_t done = 0;
    if (!plat::writeFile(file, at, part, &done)) return false;
    if (done == 0) {
      plat::setLastError(plat::kErrorGenFailure);
      return false;
    }
    at += done;
    left -= done;
  }
  return true;
}

}  // namespace

bool writeFileReplacing(const char* path, const FilePiece* pieces, int pieceCount) {
  char tempPath[1024];
  plat::Handle file = plat::createTempFileBeside(path, tempPath, sizeof tempPath);
  if (file == plat::invalidHandle()) return false;
  bool written = true;
  for (int i = 0; i < pieceCount && written; ++i) written = writeAll(file, pieces[i]);
  uint32_t error = written ? 0 : plat::lastError();
  // A close can be where a full disk shows itself.
  if (!plat::closeHandle(file) && written) {
    written = false;
    error = plat::lastError();
  }
  if (written && plat::replaceFile(tempPath, path)) return true;
  if (written) error = plat::lastError();
  plat::deleteFile(tempPath);
  plat::setLastError(error);
  return false;
}

}  // namespace imaging
