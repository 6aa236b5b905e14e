// Writing a file so that it appears only when complete: the bytes go to a
// new file beside the target, which is then moved over the target's name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging {

struct FilePiece {
  const void* bytes;
  size_t count;
};

// Writes the pieces, in order, as the whole content of `path`. On failure
// nothing is left of the attempt and an existing file at `path` is as it
// was; the system error code is in plat::lastError().
bool writeFileReplacing(const char* path, const FilePiece* pieces, int pieceCount);

}  // namespace imaging
